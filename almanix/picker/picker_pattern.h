#pragma once
// A picker's format pattern split into its field tokens and literal text.
#include <string>
#include <vector>

namespace almanix {

struct PatternPiece {
  std::wstring text;
  bool token = false;  // a field token ("dd", "MMMM", "HH", ...); else literal text
  bool operator==(const PatternPiece&) const = default;
};

// Scans left to right trying the tokens longest first within each family
// ("tt", "t"; "hh", "h"; "HH", "H"; "mm", "m"; "ss", "s"; "MMMM" .. "M";
// "dddd" .. "d"; "yyyy" .. "y"). Everything else collects into literal
// pieces; text in single quotes is literal, and two quotes stand for one.
std::vector<PatternPiece> SplitPattern(const std::wstring& pattern);

}  // namespace almanix

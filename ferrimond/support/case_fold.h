#pragma once
// Upper-casing for comparisons that disregard letter case (file names,
// patterns, exclusion lists). A fixed table, the same on every build, over
// the scripts names are commonly written in: Latin, Greek, Cyrillic and the
// full-width Latin letters.
#include <string>
#include <string_view>

namespace ferrimond {

wchar_t UpperChar(wchar_t c);
std::wstring UpperText(std::wstring_view text);
bool SameTextIgnoringCase(std::wstring_view a, std::wstring_view b);

// For sets and maps keyed by text whose letter case does not count, without
// an upper-case copy of every key.
struct HashIgnoringCase {
  size_t operator()(std::wstring_view text) const;
};
struct EqualIgnoringCase {
  bool operator()(std::wstring_view a, std::wstring_view b) const { return SameTextIgnoringCase(a, b); }
};

}  // namespace ferrimond

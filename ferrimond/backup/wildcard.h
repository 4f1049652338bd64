#pragma once
// File-type patterns: "*" any run of characters (also none), "?" any one
// character, "#" one decimal digit, [abc] / [a-z] one character of the list,
// [!...] one character not in it; every other character stands for itself.
// Case is disregarded and the whole name must match.
#include <string_view>
#include <utility>
#include <vector>

namespace ferrimond {

bool MatchesPattern(std::wstring_view name, std::wstring_view pattern);

// A pattern taken apart once, for the names of a whole walk: taking it
// apart for every name cost more than the match.
class WildcardPattern {
 public:
  explicit WildcardPattern(std::wstring_view pattern);
  bool Matches(std::wstring_view name) const;

  struct Token {
    enum Kind { Star, AnyChar, Digit, Literal, Set };
    explicit Token(Kind k) : kind(k) {}
    Kind kind;
    wchar_t ch = 0;                                  // Literal, upper-cased
    bool negated = false;                            // Set
    std::vector<std::pair<wchar_t, wchar_t>> ranges;  // Set, upper-cased bounds
  };

 private:
  std::vector<Token> tokens_;
};

}  // namespace ferrimond

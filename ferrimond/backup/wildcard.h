#pragma once
// File-type patterns: "*" any run of characters (also none), "?" any one
// character, "#" one decimal digit, [abc] / [a-z] one character of the list,
// [!...] one character not in it; every other character stands for itself.
// Case is disregarded and the whole name must match.
#include <string_view>

namespace ferrimond {

bool MatchesPattern(std::wstring_view name, std::wstring_view pattern);

}  // namespace ferrimond

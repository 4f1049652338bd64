#pragma once
// Field splitting and character translation on text.
#include <cstdint>
#include <string>
#include <string_view>

namespace ferrimond {

enum CompareMode : int32_t { BinaryCompare = 0, TextCompare = 1 };

// The n-th field (from 1) of `text` split at the first character of
// `delimiters`; every other character of `delimiters` counts as that one.
// A text without any delimiter is its own every field.
std::wstring GetField(const std::wstring& text, int16_t n, const std::wstring& delimiters);
// The same for one delimiter, without a copy (empty past the last field).
std::wstring_view FieldOf(std::wstring_view text, int n, wchar_t delimiter);

// Replaces each character of `text` found in `fromSet` by the character at
// the same place in `toSet` (padded with its last character; an empty
// `toSet` drops the character). An empty `fromSet` gives the empty string.
std::wstring TranslateChars(const std::wstring& text, const std::wstring& fromSet,
                            const std::wstring& toSet, int32_t compareMode);

// Case-insensitive character comparison as text comparison does it.
bool SameCharIgnoringCase(wchar_t a, wchar_t b);

}  // namespace ferrimond

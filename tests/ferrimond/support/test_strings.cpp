#include <gtest/gtest.h>

#include "ferrimond/support/strings.h"

using ferrimond::GetField;
using ferrimond::TranslateChars;

TEST(Strings, GetFieldSplitsPaths) {
  const std::wstring path = L"E:\\Documents and Settings\\User1\\My Documents\\Letters";
  EXPECT_EQ(GetField(path, 1, L"\\"), L"E:");
  EXPECT_EQ(GetField(path, 5, L"\\"), L"Letters");
  EXPECT_EQ(GetField(path, 6, L"\\"), L"");
  EXPECT_EQ(GetField(L"E:", 4, L"\\"), L"E:");  // no delimiter: the whole text
  EXPECT_EQ(GetField(L"a\\\\c", 2, L"\\"), L"");
  EXPECT_EQ(GetField(L"a\\b\\", 3, L"\\"), L"");
  // Every delimiter counts as the first.
  EXPECT_EQ(GetField(L"a/b\\c", 3, L"\\/"), L"c");
  EXPECT_EQ(GetField(L"a/b\\c", 2, L"\\/"), L"b");
}

TEST(Strings, TranslateCharsPadsDropsAndComparesAsAsked) {
  EXPECT_EQ(TranslateChars(L"a-b_c", L"-_", L"", 0), L"abc");
  EXPECT_EQ(TranslateChars(L"a-b_c", L"", L"x", 0), L"");
  EXPECT_EQ(TranslateChars(L"abc", L"abc", L"xyzw", 0), L"xyz");  // to-set cut to length
  EXPECT_EQ(TranslateChars(L"ABC", L"b", L"x", 0), L"ABC");
  EXPECT_EQ(TranslateChars(L"ABC", L"b", L"x", 1), L"AxC");
  EXPECT_EQ(TranslateChars(L"aba", L"aa", L"xy", 0), L"xbx");  // first position wins
}

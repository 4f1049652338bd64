#include <gtest/gtest.h>

#include "ferrimond/backup/wildcard.h"
#include "ferrimond/support/case_fold.h"

using ferrimond::MatchesPattern;

TEST(Wildcard, StarMatchesAnyRunAndTheWholeNameMustMatch) {
  EXPECT_TRUE(MatchesPattern(L"report.doc", L"*.doc"));
  EXPECT_TRUE(MatchesPattern(L"Report.DOC", L"*.doc"));
  EXPECT_FALSE(MatchesPattern(L"report.docx", L"*.doc"));
  EXPECT_FALSE(MatchesPattern(L"report.doc.bak", L"*.doc"));
  EXPECT_TRUE(MatchesPattern(L".doc", L"*.doc"));
  EXPECT_TRUE(MatchesPattern(L"a.b.c.doc", L"*.*.doc"));
  EXPECT_TRUE(MatchesPattern(L"anything", L"*"));
  EXPECT_TRUE(MatchesPattern(L"", L"*"));
  EXPECT_FALSE(MatchesPattern(L"", L"?"));
  EXPECT_TRUE(MatchesPattern(L"aaab", L"*a*b"));
  EXPECT_FALSE(MatchesPattern(L"aaaa", L"*a*b"));
}

TEST(Wildcard, AnEmptyCustomExtensionMatchesOnlyNamesEndingInADot) {
  EXPECT_TRUE(MatchesPattern(L"readme.", L"*."));
  EXPECT_FALSE(MatchesPattern(L"readme", L"*."));
  EXPECT_FALSE(MatchesPattern(L"readme.txt", L"*."));
}

TEST(Wildcard, QuestionMarkDigitAndBracketLists) {
  EXPECT_TRUE(MatchesPattern(L"a1.txt", L"?#.txt"));
  EXPECT_FALSE(MatchesPattern(L"ab.txt", L"?#.txt"));
  EXPECT_TRUE(MatchesPattern(L"file7", L"file[0-9]"));
  EXPECT_TRUE(MatchesPattern(L"bat", L"[abc]at"));
  EXPECT_TRUE(MatchesPattern(L"Bat", L"[abc]at"));  // lists disregard case too
  EXPECT_TRUE(MatchesPattern(L"BAT", L"[a-c]at"));
  EXPECT_FALSE(MatchesPattern(L"dat", L"[abc]at"));
  EXPECT_TRUE(MatchesPattern(L"dat", L"[!abc]at"));
  EXPECT_FALSE(MatchesPattern(L"Cat", L"[!abc]at"));
  EXPECT_TRUE(MatchesPattern(L"-x", L"[-]x"));
  EXPECT_TRUE(MatchesPattern(L"a-", L"a[x-]"));
  EXPECT_TRUE(MatchesPattern(L"ab", L"a[]b"));  // an empty list stands for nothing
}

TEST(Wildcard, SpecialCharactersOutsidePatternsStandForThemselves) {
  EXPECT_TRUE(MatchesPattern(L"a[b", L"a[b"));  // no closing bracket
  EXPECT_TRUE(MatchesPattern(L"x+y (1).doc", L"x+y (1).doc"));
  EXPECT_TRUE(MatchesPattern(L"\u00e9t\u00e9.DOC", L"\u00c9T\u00c9.doc"));
  EXPECT_TRUE(MatchesPattern(L"\u0434\u043e\u043a.txt", L"\u0414\u041e\u041a.*"));
}

TEST(Wildcard, ManyStarsStayFast) {
  const std::wstring name(2000, L'a');
  EXPECT_FALSE(MatchesPattern(name, L"*a*a*a*a*a*a*a*a*a*b"));
}

TEST(CaseFold, ComparesWholeStringsWithoutRegardToCase) {
  EXPECT_TRUE(ferrimond::SameTextIgnoringCase(L"C:\\Data", L"c:\\DATA"));
  EXPECT_FALSE(ferrimond::SameTextIgnoringCase(L"C:\\Data", L"C:\\Data\\"));
  EXPECT_FALSE(ferrimond::SameTextIgnoringCase(L"C:\\Data", L"C:\\Data2"));
  EXPECT_EQ(ferrimond::UpperText(L"thumbs.db \u00ff\u0101\u013a\u017e"), L"THUMBS.DB \u0178\u0100\u0139\u017d");
}

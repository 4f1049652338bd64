#include <gtest/gtest.h>

#include <string>

#include "ferrimond/backup/wildcard.h"
#include "ferrimond/support/case_fold.h"

using ferrimond::MatchesPattern;

TEST(Wildcard, MatchesWholeNamesWithoutRegardToCase) {
  const struct {
    const wchar_t* name;
    const wchar_t* pattern;
    bool matches;
  } cases[] = {
      {L"Report.DOC", L"*.doc", true}, {L"report.docx", L"*.doc", false}, {L".doc", L"*.doc", true},
      {L"aaab", L"*a*b", true},        {L"aaaa", L"*a*b", false},         {L"", L"?", false},
      {L"", L"*", true},               {L"ab", L"a**", true},
      {L"a1.txt", L"?#.txt", true},    {L"ab.txt", L"?#.txt", false},     {L"BAT", L"[a-c]at", true},
      {L"dat", L"[abc]at", false},     {L"dat", L"[!abc]at", true},       {L"-x", L"[-]x", true},
      {L"ab", L"a[]b", true},  // an empty list stands for nothing
      // Special characters outside patterns stand for themselves.
      {L"a[b", L"a[b", true},          {L"x+y (1).doc", L"x+y (1).doc", true},
      {L"\u00e9t\u00e9.DOC", L"\u00c9T\u00c9.doc", true}, {L"\u0434\u043e\u043a.txt", L"\u0414\u041e\u041a.*", true},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(MatchesPattern(c.name, c.pattern), c.matches) << c.name << L" against " << c.pattern;
  }
  // Many stars stay fast.
  EXPECT_FALSE(MatchesPattern(std::wstring(2000, L'a'), L"*a*a*a*a*a*a*a*a*a*b"));
}

// Whole paths in any case: the walk's exclusions.
TEST(CaseFold, UpperCaseBeyondLatin1) {
  EXPECT_EQ(ferrimond::UpperText(L"thumbs.db \u00ff\u0101\u013a\u017e"), L"THUMBS.DB \u0178\u0100\u0139\u017d");
}

#include <gtest/gtest.h>

#include "ferrimond/support/file_system_paths.h"

using namespace ferrimond;

TEST(PartialCopyName, AppendsTheEndingAndStaysWithinTheNameLimit) {
  const size_t room = kMaxNameLength - kPartialCopySuffix.size();
  const std::wstring smiley = L"\xD83D\xDE00";  // one character, two units
  const struct {
    std::wstring name, base;
  } cases[] = {
      {L"Report.doc", L"Report.doc"},
      {L"readme.", L"readme."},
      {std::wstring(room, L'a'), std::wstring(room, L'a')},
      {std::wstring(kMaxNameLength, L'b'), std::wstring(room, L'b')},
      // A surrogate pair at the cut goes whole or stays whole.
      {std::wstring(room - 1, L'c') + smiley + L"x", std::wstring(room - 1, L'c')},
      {std::wstring(room - 2, L'c') + smiley + L"x", std::wstring(room - 2, L'c') + smiley},
  };
  for (const auto& c : cases) {
    const std::wstring partial = PartialCopyName(c.name);
    EXPECT_EQ(partial, c.base + std::wstring(kPartialCopySuffix)) << c.name.size();
    EXPECT_LE(partial.size(), kMaxNameLength);
    EXPECT_TRUE(IsPartialCopyName(partial));
  }
}

TEST(PartialCopyName, IsRecognisedInAnyLetterCaseAndOnlyAtTheEnd) {
  const struct {
    const wchar_t* name;
    bool partial;
  } cases[] = {{L"a.txt.ferrimond-part", true}, {L"A.TXT.FERRIMOND-PART", true}, {L"x.Ferrimond-Part", true},
               {L".ferrimond-part", false},     {L"a.ferrimond-part.txt", false}, {L"a.ferrimond-partial", false},
               {L"aferrimond-part", false},     {L"a.txt", false},                {L"", false}};
  for (const auto& c : cases) {
    const std::wstring name = c.name;
    EXPECT_EQ(IsPartialCopyName(name), c.partial) << std::string(name.begin(), name.end());
  }
}

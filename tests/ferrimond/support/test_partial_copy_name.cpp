#include <gtest/gtest.h>

#include "ferrimond/support/file_system_paths.h"

using namespace ferrimond;

TEST(PartialCopyName, EndsInTheSuffixWithinTheNameLimitAndIsRecognisedInAnyCase) {
  const std::wstring suffix(kPartialCopySuffix), smiley = L"\xD83D\xDE00";
  const size_t room = kMaxNameLength - suffix.size();
  const struct {
    std::wstring name, base;
  } made[] = {{L"readme.", L"readme."},
              {std::wstring(kMaxNameLength, L'b'), std::wstring(room, L'b')},
              // A surrogate pair at the cut goes whole or stays whole.
              {std::wstring(room - 1, L'c') + smiley, std::wstring(room - 1, L'c')},
              {std::wstring(room - 4, L'c') + smiley + L"x", std::wstring(room - 4, L'c') + smiley},
              // Three bytes each in UTF-8, as Unix file systems count.
              {std::wstring(100, L'\x65e5'), std::wstring(room / 3, L'\x65e5')}};
  for (const auto& c : made) EXPECT_EQ(PartialCopyName(c.name), c.base + suffix) << c.name.size();
  for (const wchar_t* yes : {L"a.txt.ferrimond-part", L"A.TXT.Ferrimond-PART"}) EXPECT_TRUE(IsPartialCopyName(yes));
  for (const wchar_t* no : {L".ferrimond-part", L"a.ferrimond-part.txt", L"a.ferrimond-partial", L"aferrimond-part"})
    EXPECT_FALSE(IsPartialCopyName(no));
}

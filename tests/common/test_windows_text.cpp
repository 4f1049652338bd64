// Text as only the Windows build has it: dates in the user's locale (read
// back: the date panel's typed dates), and wide strings of UTF-16 units (the
// native build's are UTF-32).
#include <gtest/gtest.h>

#include "common/date_text.h"
#include "common/text_codec.h"
#include "tests/harness/expect.h"

TEST(WindowsText, DatesInTheUnitedStatesLocaleAndSurrogatesRoundTrip) {
  const common::DateTime d = harness::At(2026, 12, 5, 19, 44, 3);
  EXPECT_EQ(common::DateText(d) + L"|" + common::DateText(d.DatePart()) + L"|" + common::ShortDateText(d),
            L"12/5/2026 7:44:03 PM|12/5/2026|12/5/2026");
  // A pair is one character of four UTF-8 bytes; a lone surrogate survives.
  EXPECT_EQ(common::Utf8FromWide(L"\U0001F600"), "\xF0\x9F\x98\x80");
  for (const std::wstring& text : {std::wstring(L"a\U0001F600b"), std::wstring{L'a', wchar_t(0xD800), L'b'}})
    EXPECT_EQ(common::WideFromBytes(common::Utf8FromWide(text)), text);
}

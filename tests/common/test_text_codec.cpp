#include <gtest/gtest.h>

#include "common/text_codec.h"

using common::Utf8FromWide;
using common::WideFromBytes;

// (Record lines hold the bytes of UTF-8 text.) Double-byte code pages need
// the whole line: their trail bytes would otherwise be read as characters of
// their own.
TEST(TextCodec, Utf8RoundTripsEveryPlaneAndALineThatIsNotUtf8GoesWholeToTheAnsiCodePage) {
  const std::wstring text = L"caf\u00e9 \u65e5\u672c \U0001F600 \uFFFD";
  EXPECT_EQ(WideFromBytes(Utf8FromWide(text)), text);
  EXPECT_EQ(WideFromBytes("caf\xE9"), L"caf\u00e9");
  EXPECT_EQ(WideFromBytes("\x80 \x93x\x94"), L"\u20ac \u201cx\u201d");
  // A valid sequence next to a stray byte: each decoded on its own terms.
  EXPECT_EQ(WideFromBytes("\xC3\xA9\xE9"), L"\u00e9\u00e9");
  // Overlong and truncated sequences are not UTF-8.
  EXPECT_EQ(WideFromBytes("\xC0\xAF"), L"\u00c0\u00af");
  EXPECT_EQ(WideFromBytes("\xE2\x82"), L"\u00e2\u201a");
  const common::AnsiLineDecoder shown = [](std::string_view line) {
    std::wstring out = L"<";
    for (unsigned char c : line) out += static_cast<wchar_t>(c);
    return out + L">";
  };
  EXPECT_EQ(common::WideFromLines("a\r\n\x93\xfa\x95\\\r\n\xC3\xA9\n\x81", shown),
            L"a\r\n<\x93\xfa\x95\\>\r\n\u00e9\n<\x81>");
  EXPECT_EQ(common::WideFromLines("caf\xE9\r\n"), L"caf\u00e9\r\n");  // Windows-1252 by default
  EXPECT_EQ(common::WideFromLines(""), L"");
}

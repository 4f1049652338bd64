#include <gtest/gtest.h>

#include "common/text_codec.h"

using common::Utf8FromWide;
using common::WideFromBytes;

TEST(TextCodec, Utf8RoundTripsEveryPlane) {
  EXPECT_EQ(Utf8FromWide(L"#2026-12-05#,\"E\"\r\n"), "#2026-12-05#,\"E\"\r\n");  // ASCII byte for byte
  const std::wstring text = L"caf\u00e9 \u65e5\u672c \U0001F600 \uFFFD";
  EXPECT_EQ(WideFromBytes(Utf8FromWide(text)), text);
  EXPECT_EQ(Utf8FromWide(L"\u00e9"), "\xC3\xA9");
}

TEST(TextCodec, InvalidBytesFallBackToTheAnsiCodePage) {
  EXPECT_EQ(WideFromBytes("caf\xE9"), L"caf\u00e9");
  EXPECT_EQ(WideFromBytes("\x80 \x93x\x94"), L"\u20ac \u201cx\u201d");
  // A valid sequence next to a stray byte: each decoded on its own terms.
  EXPECT_EQ(WideFromBytes("\xC3\xA9\xE9"), L"\u00e9\u00e9");
  // Overlong and truncated sequences are not UTF-8.
  EXPECT_EQ(WideFromBytes("\xC0\xAF"), L"\u00c0\u00af");
  EXPECT_EQ(WideFromBytes("\xE2\x82"), L"\u00e2\u201a");
}

TEST(TextCodec, LoneSurrogatesSurviveARoundTrip) {
  if (sizeof(wchar_t) != 2) GTEST_SKIP() << "UTF-16 only";
  const std::wstring text{L'a', static_cast<wchar_t>(0xD800), L'b'};
  EXPECT_EQ(WideFromBytes(Utf8FromWide(text)), text);
}

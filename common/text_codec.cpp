#include "common/text_codec.h"

#include <cstdint>

namespace common {

namespace {

constexpr bool kUtf16 = sizeof(wchar_t) == 2;

void AppendCodePoint(std::wstring& out, char32_t cp) {
  if (kUtf16 && cp >= 0x10000) {
    cp -= 0x10000;
    out.push_back(static_cast<wchar_t>(0xD800 + (cp >> 10)));
    out.push_back(static_cast<wchar_t>(0xDC00 + (cp & 0x3FF)));
  } else {
    out.push_back(static_cast<wchar_t>(cp));
  }
}

void AppendUtf8(std::string& out, char32_t cp) {
  if (cp < 0x80) {
    out.push_back(static_cast<char>(cp));
  } else if (cp < 0x800) {
    out.push_back(static_cast<char>(0xC0 | (cp >> 6)));
    out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
  } else if (cp < 0x10000) {
    out.push_back(static_cast<char>(0xE0 | (cp >> 12)));
    out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
  } else {
    out.push_back(static_cast<char>(0xF0 | (cp >> 18)));
    out.push_back(static_cast<char>(0x80 | ((cp >> 12) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
  }
}

// Length of the well-formed sequence at `p` (1 to 4), 0 when it is not one.
// Encoded surrogates (ED A0..BF xx) are accepted as written by Utf8FromWide.
size_t SequenceAt(const unsigned char* p, size_t left, char32_t& cp) {
  const unsigned char b0 = p[0];
  if (b0 < 0x80) { cp = b0; return 1; }
  size_t len;
  char32_t min;
  if (b0 >= 0xC2 && b0 <= 0xDF) { len = 2; cp = b0 & 0x1F; min = 0x80; }
  else if (b0 >= 0xE0 && b0 <= 0xEF) { len = 3; cp = b0 & 0x0F; min = 0x800; }
  else if (b0 >= 0xF0 && b0 <= 0xF4) { len = 4; cp = b0 & 0x07; min = 0x10000; }
  else return 0;
  if (left < len) return 0;
  for (size_t i = 1; i < len; ++i) {
    if ((p[i] & 0xC0) != 0x80) return 0;
    cp = (cp << 6) | (p[i] & 0x3F);
  }
  if (cp < min || cp > 0x10FFFF) return 0;
  return len;
}

}  // namespace

wchar_t Windows1252Char(unsigned char byte) {
  static const char16_t k80[32] = {
      0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
      0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F,
      0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
      0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};
  if (byte >= 0x80 && byte < 0xA0) return static_cast<wchar_t>(k80[byte - 0x80]);
  return static_cast<wchar_t>(byte);
}

std::string Utf8FromWide(std::wstring_view text) {
  std::string out;
  out.reserve(text.size());
  for (size_t i = 0; i < text.size(); ++i) {
    char32_t cp = static_cast<char32_t>(text[i]);
    if (kUtf16 && cp >= 0xD800 && cp <= 0xDBFF && i + 1 < text.size()) {
      const char32_t lo = static_cast<char32_t>(text[i + 1]);
      if (lo >= 0xDC00 && lo <= 0xDFFF) {
        cp = 0x10000 + ((cp - 0xD800) << 10) + (lo - 0xDC00);
        ++i;
      }
    }
    if (cp > 0x10FFFF) cp = 0xFFFD;
    AppendUtf8(out, cp);
  }
  return out;
}

std::wstring WideFromBytes(std::string_view bytes, AnsiDecoder ansi) {
  std::wstring out;
  out.reserve(bytes.size());
  const auto* p = reinterpret_cast<const unsigned char*>(bytes.data());
  size_t i = 0;
  while (i < bytes.size()) {
    char32_t cp = 0;
    const size_t len = SequenceAt(p + i, bytes.size() - i, cp);
    if (len == 0) {
      out.push_back(ansi(p[i]));
      ++i;
    } else {
      AppendCodePoint(out, cp);
      i += len;
    }
  }
  return out;
}

std::wstring Windows1252Line(std::string_view line) {
  std::wstring out;
  out.reserve(line.size());
  for (char c : line) out.push_back(Windows1252Char(static_cast<unsigned char>(c)));
  return out;
}

std::wstring WideFromLines(std::string_view bytes, AnsiLineDecoder ansi) {
  std::wstring out;
  out.reserve(bytes.size());
  size_t start = 0;
  while (start < bytes.size()) {
    size_t end = bytes.find('\n', start);
    const size_t next = end == std::string_view::npos ? bytes.size() : end + 1;
    if (end == std::string_view::npos) end = bytes.size();
    if (end > start && bytes[end - 1] == '\r') --end;
    const std::string_view line = bytes.substr(start, end - start);
    const auto* p = reinterpret_cast<const unsigned char*>(line.data());
    bool utf8 = true;
    for (size_t i = 0; i < line.size() && utf8;) {
      char32_t cp = 0;
      const size_t len = SequenceAt(p + i, line.size() - i, cp);
      utf8 = len != 0;
      i += len;
    }
    out += utf8 ? WideFromBytes(line) : ansi(line);
    for (size_t i = end; i < next; ++i) out.push_back(static_cast<wchar_t>(bytes[i]));
    start = next;
  }
  return out;
}

}  // namespace common

#include "ferrimond/support/case_fold.h"

#include <cstdint>

namespace ferrimond {

wchar_t UpperChar(wchar_t c) {
  const unsigned u = static_cast<unsigned>(c);
  if (u < 0x80) return (u >= 'a' && u <= 'z') ? static_cast<wchar_t>(u - 0x20) : c;
  if (u >= 0xE0 && u <= 0xFE && u != 0xF7) return static_cast<wchar_t>(u - 0x20);
  if (u == 0xFF) return static_cast<wchar_t>(0x178);
  // Latin Extended-A: pairs of capital (even) and small (odd), except the
  // stretch 0x139-0x148 and 0x179-0x17E where the capital is odd.
  if (u >= 0x100 && u <= 0x137 && (u & 1)) return static_cast<wchar_t>(u - 1);
  if (u >= 0x139 && u <= 0x148 && !(u & 1)) return static_cast<wchar_t>(u - 1);
  if (u >= 0x14A && u <= 0x177 && (u & 1)) return static_cast<wchar_t>(u - 1);
  if (u >= 0x179 && u <= 0x17E && !(u & 1)) return static_cast<wchar_t>(u - 1);
  if (u >= 0x3B1 && u <= 0x3C9 && u != 0x3C2) return static_cast<wchar_t>(u - 0x20);
  if (u == 0x3C2) return static_cast<wchar_t>(0x3A3);  // final sigma
  if (u >= 0x3AC && u <= 0x3AF) {
    static const wchar_t kTonos[4] = {0x386, 0x388, 0x389, 0x38A};
    return kTonos[u - 0x3AC];
  }
  if (u >= 0x430 && u <= 0x44F) return static_cast<wchar_t>(u - 0x20);
  if (u >= 0x450 && u <= 0x45F) return static_cast<wchar_t>(u - 0x50);
  if (u >= 0xFF41 && u <= 0xFF5A) return static_cast<wchar_t>(u - 0x20);
  return c;
}

std::wstring UpperText(std::wstring_view text) {
  std::wstring out(text);
  for (wchar_t& c : out) c = UpperChar(c);
  return out;
}

bool SameTextIgnoringCase(std::wstring_view a, std::wstring_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i)
    if (UpperChar(a[i]) != UpperChar(b[i])) return false;
  return true;
}

size_t HashIgnoringCase::operator()(std::wstring_view text) const {
  // FNV-1a over the upper-case letters.
  uint64_t hash = 14695981039346656037ULL;
  for (const wchar_t c : text) hash = (hash ^ static_cast<uint16_t>(UpperChar(c))) * 1099511628211ULL;
  return static_cast<size_t>(hash);
}

}  // namespace ferrimond

// The temporary names of copies in progress (declared in file_system_paths.h;
// kept apart from the path functions, which need the system, so that the
// native build tests them too).
#include <cstdint>

#include "ferrimond/support/case_fold.h"
#include "ferrimond/support/file_system_paths.h"

namespace ferrimond {

namespace {
bool IsHighSurrogate(wchar_t c) { return c >= 0xD800 && c <= 0xDBFF; }
bool IsLowSurrogate(wchar_t c) { return c >= 0xDC00 && c <= 0xDFFF; }
}  // namespace

std::wstring PartialCopyName(std::wstring_view name) {
  // Counted both in UTF-16 units (Windows) and in UTF-8 bytes (Unix file
  // systems, behind Wine), whole characters at a time.
  const size_t room = kMaxNameLength - kPartialCopySuffix.size();
  size_t keep = 0, units = 0, bytes = 0;
  while (keep < name.size()) {
    const auto c = static_cast<uint32_t>(name[keep]);
    const bool pair = IsHighSurrogate(name[keep]) && keep + 1 < name.size() && IsLowSurrogate(name[keep + 1]);
    const size_t u = (pair || c > 0xFFFF) ? 2 : 1;
    const size_t b = u == 2 ? 4 : c < 0x80 ? 1 : c < 0x800 ? 2 : 3;
    if (units + u > room || bytes + b > room) break;
    units += u;
    bytes += b;
    keep += pair ? 2 : 1;
  }
  std::wstring out(name.substr(0, keep));
  out += kPartialCopySuffix;
  return out;
}

bool IsPartialCopyName(std::wstring_view name) {
  return name.size() > kPartialCopySuffix.size() &&
         SameTextIgnoringCase(name.substr(name.size() - kPartialCopySuffix.size()), kPartialCopySuffix);
}

}  // namespace ferrimond

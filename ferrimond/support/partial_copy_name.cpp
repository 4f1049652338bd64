// The temporary names of copies in progress (declared in file_system_paths.h;
// kept apart from the path functions, which need the system, so that the
// native build tests them too).
#include <algorithm>

#include "ferrimond/support/case_fold.h"
#include "ferrimond/support/file_system_paths.h"

namespace ferrimond {

namespace {
bool IsHighSurrogate(wchar_t c) { return c >= 0xD800 && c <= 0xDBFF; }
}  // namespace

std::wstring PartialCopyName(std::wstring_view name) {
  size_t keep = std::min(name.size(), kMaxNameLength - kPartialCopySuffix.size());
  if (keep < name.size() && keep > 0 && IsHighSurrogate(name[keep - 1])) --keep;
  std::wstring out(name.substr(0, keep));
  out += kPartialCopySuffix;
  return out;
}

bool IsPartialCopyName(std::wstring_view name) {
  return name.size() > kPartialCopySuffix.size() &&
         SameTextIgnoringCase(name.substr(name.size() - kPartialCopySuffix.size()), kPartialCopySuffix);
}

}  // namespace ferrimond

#include "almanix/core/library_state.h"

#include <windows.h>

namespace almanix {

LibraryState& State() {
  thread_local LibraryState state;
  return state;
}

namespace {

std::wstring LocaleText(LCTYPE type) {
  wchar_t buffer[100] = {};
  int n = GetLocaleInfoW(LOCALE_USER_DEFAULT, type, buffer, 100);
  if (n <= 0) return {};
  buffer[99] = L'\0';
  return buffer;
}

}  // namespace

void ReadLocalePatterns() {
  LibraryState& s = State();
  if (s.localeRead) return;
  s.longDatePattern = LocaleText(LOCALE_SLONGDATE);
  s.shortDatePattern = LocaleText(LOCALE_SSHORTDATE);
  s.timePattern = LocaleText(LOCALE_STIMEFORMAT);
  s.localeRead = true;
}

}  // namespace almanix

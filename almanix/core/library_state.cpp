#include "almanix/core/library_state.h"

#include "almanix/core/locale_names.h"

namespace almanix {

LibraryState& State() {
  thread_local LibraryState state;
  return state;
}

void ReadLocalePatterns() {
  LibraryState& s = State();
  if (s.localeRead) return;
  s.longDatePattern = LocaleText(LOCALE_SLONGDATE);
  s.shortDatePattern = LocaleText(LOCALE_SSHORTDATE);
  s.timePattern = LocaleText(LOCALE_STIMEFORMAT);
  s.localeRead = true;
}

}  // namespace almanix

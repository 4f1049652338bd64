#include "almanix/core/library_state.h"

#include <windows.h>

#include <atomic>

#include "almanix/core/locale_names.h"

namespace almanix {

namespace {

std::atomic<long> liveStates{0};

DWORD Slot() {
  static const DWORD slot = TlsAlloc();
  return slot;
}

}  // namespace

LibraryState& State() {
  auto* state = static_cast<LibraryState*>(TlsGetValue(Slot()));
  if (!state) {
    state = new LibraryState;
    TlsSetValue(Slot(), state);
    ++liveStates;
  }
  return *state;
}

void ReleaseState() {
  auto* state = static_cast<LibraryState*>(TlsGetValue(Slot()));
  if (!state) return;
  TlsSetValue(Slot(), nullptr);
  delete state;
  --liveStates;
}

long LiveStates() { return liveStates.load(); }

void FreeStateSlot() {
  if (liveStates.load() == 0) TlsFree(Slot());
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

#pragma once
// State the whole library shares on one user-interface thread.
//
// Each thread's state lives in a slot of the thread-local storage rather
// than in thread_local objects: the library may be loaded as a DLL and
// unloaded while threads that used it live on, so it must free what those
// threads hold itself, and know when nothing is held any more.
#include <memory>
#include <string>

namespace almanix {

struct LibraryState {
  // Set while a host is loading a control's properties: controls neither
  // paint nor raise events then.
  bool bLoading = false;
  // The locale's date and time patterns, read once on first use.
  bool localeRead = false;
  std::wstring shortDatePattern;
  std::wstring longDatePattern;
  std::wstring timePattern;
  // The thread's Windows hooks (dropdown/windows_hook.cpp); freeing them
  // removes every hook still installed.
  std::shared_ptr<void> hooks;
  // Controls of the thread now alive (see StateUse).
  int controls = 0;
};

// The calling thread's state, made on first use.
LibraryState& State();
// Frees the calling thread's state; the next State() starts empty.
void ReleaseState();
// How many threads hold a state now.
long LiveStates();
// Gives the storage slot back; only when no thread holds a state (the DLL
// being unloaded).
void FreeStateSlot();

// Held by every control: the thread's state lives while any control of
// the thread does, and goes with the last one.
class StateUse {
 public:
  StateUse() { ++State().controls; }
  ~StateUse() {
    if (--State().controls <= 0) ReleaseState();
  }
  StateUse(const StateUse&) = delete;
  StateUse& operator=(const StateUse&) = delete;
};

// Reads the user default locale's short date, long date and time patterns
// into State() the first time it is called on a thread; later calls keep
// what was read.
void ReadLocalePatterns();

}  // namespace almanix

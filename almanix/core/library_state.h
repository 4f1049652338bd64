#pragma once
// State the whole library shares on one user-interface thread.
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
};

// The calling thread's state.
LibraryState& State();

// Reads the user default locale's short date, long date and time patterns
// into State() the first time it is called on a thread; later calls keep
// what was read.
void ReadLocalePatterns();

}  // namespace almanix

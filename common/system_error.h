#pragma once
// The system's own text for its error codes.
#include <windows.h>

#include <string>

namespace common {

// FormatMessageW text without the trailing line break; a generic text when
// the system has none.
std::wstring SystemMessage(DWORD code);

}  // namespace common

#pragma once
// Whether the program may write where it keeps its records and its time
// marker. Without administrator rights current Windows refuses a standard
// user both "C:\Program Files\..." and the root of C:.
#include <string>

namespace ferrimond {

// True when a new file in `folder` is refused with access denied. A missing
// folder or any other failure is not a question of rights: false.
bool WriteAccessDenied(const std::wstring& folder);

// The message for a place the program needs but may not write.
std::wstring RunAsAdministratorText(const std::wstring& place);

}  // namespace ferrimond

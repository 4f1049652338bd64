#include "ferrimond/support/write_access.h"

#include <windows.h>

namespace ferrimond {

bool WriteAccessDenied(const std::wstring& folder) {
  std::wstring probe = folder;
  if (!probe.empty() && probe.back() != L'\\') probe += L'\\';
  probe += L"~ferrimond-rights-" + std::to_wstring(GetCurrentProcessId()) + L".tmp";
  // A hidden, empty probe, removed again at once.
  HANDLE file = CreateFileW(probe.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                            FILE_ATTRIBUTE_TEMPORARY | FILE_ATTRIBUTE_HIDDEN, nullptr);
  if (file == INVALID_HANDLE_VALUE) return GetLastError() == ERROR_ACCESS_DENIED;
  CloseHandle(file);
  DeleteFileW(probe.c_str());
  return false;
}

std::wstring RunAsAdministratorText(const std::wstring& place) {
  return L"Ferrimond may not write to " + place +
         L" (access denied).\r\nFerrimond needs to be run as administrator: right-click Ferrimond and choose "
         L"\"Run as administrator\".";
}

}  // namespace ferrimond

#include "ferrimond/support/system_info.h"

#include <windows.h>
#define SECURITY_WIN32
#include <secext.h>

#include <vector>

#include "common/numbered_error.h"
#include "common/system_error.h"

namespace ferrimond {

std::wstring SystemInfo::UserName(int32_t extendedFormat) const {
  if (extendedFormat == 0) {
    wchar_t buffer[256];  // UNLEN + 1
    DWORD size = static_cast<DWORD>(std::size(buffer));
    if (!GetUserNameW(buffer, &size) || size == 0) return {};
    return std::wstring(buffer, size - 1);
  }

  std::vector<wchar_t> buffer(256);
  ULONG size = static_cast<ULONG>(buffer.size());
  BOOLEAN ok = GetUserNameExW(static_cast<EXTENDED_NAME_FORMAT>(extendedFormat), buffer.data(), &size);
  if (!ok && GetLastError() == ERROR_MORE_DATA && size > buffer.size()) {
    buffer.resize(size);
    ok = GetUserNameExW(static_cast<EXTENDED_NAME_FORMAT>(extendedFormat), buffer.data(), &size);
  }
  if (ok && size > 0 && buffer[0] != L'\0') return std::wstring(buffer.data(), size);

  DWORD code = ok ? ERROR_NONE_MAPPED : GetLastError();
  if (code == ERROR_SUCCESS) code = ERROR_NONE_MAPPED;
  if (RaiseErrors)
    throw common::NumberedError(static_cast<int32_t>(code), common::SystemMessage(code),
                                L"SystemInfo.UserName");
  return {};
}

}  // namespace ferrimond

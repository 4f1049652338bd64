#include "ferrimond/support/file_system_errors.h"

#include "common/numbered_error.h"
#include "common/system_error.h"

namespace ferrimond {

namespace {
constexpr wchar_t kSource[] = L"FileSystem";
}

int32_t FileSystemErrorNumber(DWORD code) {
  switch (code) {
    case ERROR_FILE_NOT_FOUND:
      return common::ErrFileNotFound;
    case ERROR_PATH_NOT_FOUND:
    case ERROR_INVALID_DRIVE:
    case ERROR_BAD_NETPATH:
    case ERROR_BAD_NET_NAME:
    case ERROR_BAD_PATHNAME:
    case ERROR_DIRECTORY:
      return common::ErrPathNotFound;
    case ERROR_ACCESS_DENIED:
    case ERROR_SHARING_VIOLATION:
    case ERROR_LOCK_VIOLATION:
    case ERROR_WRITE_PROTECT:
    case ERROR_CURRENT_DIRECTORY:
      return common::ErrPermissionDenied;
    case ERROR_NOT_READY:
    case ERROR_NO_MEDIA_IN_DRIVE:
      return common::ErrDiskNotReady;
    case ERROR_DISK_FULL:
    case ERROR_HANDLE_DISK_FULL:
      return common::ErrDiskFull;
    case ERROR_FILE_EXISTS:
    case ERROR_ALREADY_EXISTS:
      return 58;
    case ERROR_INVALID_NAME:
      return 52;
    case ERROR_DEV_NOT_EXIST:
      return 68;
    default:
      return static_cast<int32_t>(HRESULT_FROM_WIN32(code));
  }
}

void RaiseFileSystemError(DWORD code) {
  const int32_t number = FileSystemErrorNumber(code);
  // Numbers in the runtime's own range carry its usual text.
  std::wstring text = (number > 0 && number < 1000) ? std::wstring() : common::SystemMessage(code);
  throw common::NumberedError(number, std::move(text), kSource);
}

void RaiseLastFileSystemError() { RaiseFileSystemError(GetLastError()); }

void RaiseFileSystemNumber(int32_t number) { throw common::NumberedError(number, {}, kSource); }

}  // namespace ferrimond

#include "ferrimond/support/file_system_errors.h"

#include "common/system_error.h"

namespace ferrimond {

namespace {

constexpr wchar_t kSource[] = L"FileSystem";

// The text of the service's own numbers; empty for others.
std::wstring OwnDescription(int32_t number) {
  switch (number) {
    case ErrWriteProtected: return L"The drive is write-protected.";
    case ErrChangedWhileCopied: return L"The file changed while it was being copied.";
    case ErrPartialCopyKept: return L"An unfinished copy was kept because the file itself is missing.";
    default: return {};
  }
}

}  // namespace

FileSystemFailure::FileSystemFailure(int32_t number, std::wstring description, DWORD systemCode)
    : common::NumberedError(number, description.empty() ? OwnDescription(number) : std::move(description), kSource),
      systemCode_(systemCode) {}

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
    case ERROR_CURRENT_DIRECTORY:
      return common::ErrPermissionDenied;
    case ERROR_WRITE_PROTECT:
      return ErrWriteProtected;
    case ERROR_NOT_READY:
    case ERROR_NO_MEDIA_IN_DRIVE:
      return common::ErrDiskNotReady;
    case ERROR_DISK_FULL:
    case ERROR_HANDLE_DISK_FULL:
      return common::ErrDiskFull;
    case ERROR_FILE_EXISTS:
    case ERROR_ALREADY_EXISTS:
      return common::ErrAlreadyExists;
    case ERROR_INVALID_NAME:
      return 52;
    case ERROR_DEV_NOT_EXIST:
      return 68;
    default:
      return static_cast<int32_t>(HRESULT_FROM_WIN32(code));
  }
}

FileSystemFailure FileSystemFailureFor(DWORD code) {
  const int32_t number = FileSystemErrorNumber(code);
  // Numbers in the runtime's range and the service's own carry their usual text.
  const bool known = (number > 0 && number < 1000) || !OwnDescription(number).empty();
  return FileSystemFailure(number, known ? std::wstring() : common::SystemMessage(code), code);
}

void RaiseFileSystemError(DWORD code) { throw FileSystemFailureFor(code); }

void RaiseLastFileSystemError() { RaiseFileSystemError(GetLastError()); }

void RaiseFileSystemNumber(int32_t number, std::wstring description) {
  throw FileSystemFailure(number, std::move(description));
}

}  // namespace ferrimond

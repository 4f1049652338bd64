#pragma once
// How system error codes reach callers of the file-system service.
#include <windows.h>

#include <cstdint>
#include <string>

#include "common/numbered_error.h"

namespace ferrimond {

// The service's own numbers, for what no runtime number describes.
constexpr int32_t ErrWriteProtected = 32701, ErrChangedWhileCopied = 32702, ErrPartialCopyKept = 32703;

// Every failure the service raises: the number a handler tests, and the
// system's code behind it (0 for the service's own numbers).
class FileSystemFailure : public common::NumberedError {
 public:
  FileSystemFailure(int32_t number, std::wstring description, DWORD systemCode = 0);
  DWORD SystemCode() const noexcept { return systemCode_; }

 private:
  DWORD systemCode_;
};

// A copy's failure to open, query or read its source, as opposed to one on
// the target's side, which stays a plain FileSystemFailure.
class SourceFailure : public FileSystemFailure {
 public:
  using FileSystemFailure::FileSystemFailure;
  explicit SourceFailure(const FileSystemFailure& failure) : FileSystemFailure(failure) {}
};

// The number a handler tests for a system error code: 53 file not found,
// 70 permission denied (access denied, sharing and lock violations),
// ErrWriteProtected, 71 disk not ready, 76 path not found, 58 file already
// exists, 52 bad file name, 68 device unavailable, common::ErrDiskFull for a
// full disk; any other code as HRESULT_FROM_WIN32(code), 0x8007xxxx, as the
// scripting runtime reports them.
int32_t FileSystemErrorNumber(DWORD code);

// The failure for `code`: the runtime's text for its numbers, the service's
// for its own, the system's text otherwise; `source` "FileSystem".
FileSystemFailure FileSystemFailureFor(DWORD code);
[[noreturn]] void RaiseFileSystemError(DWORD code);
// The same for GetLastError().
[[noreturn]] void RaiseLastFileSystemError();
// A number of the service's own (70 for a read-only file met without force,
// ErrChangedWhileCopied, ...), with its usual text unless one is given.
[[noreturn]] void RaiseFileSystemNumber(int32_t number, std::wstring description = {});

}  // namespace ferrimond

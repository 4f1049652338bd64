#pragma once
// How system error codes reach callers of the file-system service.
#include <windows.h>

#include <cstdint>
#include <string>

namespace ferrimond {

// The number a handler tests for a system error code: 53 file not found,
// 70 permission denied (access denied, sharing and lock violations, write
// protection), 71 disk not ready, 76 path not found, 58 file already exists,
// 52 bad file name, 68 device unavailable, common::ErrDiskFull for a full
// disk; any other code as HRESULT_FROM_WIN32(code), 0x8007xxxx, as the
// scripting runtime reports them.
int32_t FileSystemErrorNumber(DWORD code);

// Raises common::NumberedError for `code`: the runtime's text for its own
// numbers, the system's text otherwise; `source` "FileSystem".
[[noreturn]] void RaiseFileSystemError(DWORD code);
// The same for GetLastError().
[[noreturn]] void RaiseLastFileSystemError();
// A runtime number of the service's own (for example 70 for a read-only file
// met without force).
[[noreturn]] void RaiseFileSystemNumber(int32_t number);

}  // namespace ferrimond

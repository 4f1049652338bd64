#pragma once
// Pieces of the file-system service shared by its source files.
#include <windows.h>

#include <functional>
#include <optional>
#include <string>

#include "ferrimond/support/file_system.h"
#include "ferrimond/support/file_system_paths.h"

namespace ferrimond::fs_internal {

// Calls `fn` for every entry of the folder but "." and "..", from one
// FindFirstFileExW listing of the names that match `pattern`; raises when
// the folder cannot be listed.
void ForEachEntry(const std::wstring& folder, const std::function<void(const WIN32_FIND_DATAW&)>& fn,
                  const std::wstring& pattern = L"*");

// The attributes of a full path; INVALID_FILE_ATTRIBUTES for an empty one.
inline DWORD AttributesOf(const std::wstring& fullPath) {
  return fullPath.empty() ? INVALID_FILE_ATTRIBUTES : GetFileAttributesW(SystemPath(fullPath).c_str());
}

// Removes one file, or one link as the link itself (file_system_delete.cpp).
void RemoveFile(const std::wstring& fullPath, bool force);
// Removes a folder tree without ever following a link; `progress` runs
// after every entry removed; with `keep`, newer files stay.
void RemoveTree(const std::wstring& fullPath, bool force, const DeleteProgress& progress = {},
                KeepNewer* keep = nullptr);

FileIdentity IdentityOf(const BY_HANDLE_FILE_INFORMATION& info);
// The 64-bit index of the open file, 0 when unknown.
uint64_t FileIndexOf(HANDLE h);
// Whether two open handles are one file (links followed); the volume's
// serial number is asked for only where the indexes agree.
bool SameFile(HANDLE a, HANDLE b);

// Where the reparse data of a junction or symbolic link (what
// FSCTL_GET_REPARSE_POINT gives, `size` bytes) leads, for the link at the
// full path `linkPath`; none for other reparse points or broken data.
std::optional<std::wstring> LinkTargetFromReparseData(const void* data, size_t size, const std::wstring& linkPath);

}  // namespace ferrimond::fs_internal

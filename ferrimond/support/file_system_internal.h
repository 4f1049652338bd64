#pragma once
// Pieces of the file-system service shared by its source files.
#include <windows.h>

#include <functional>
#include <string>

#include "ferrimond/support/file_system.h"

namespace ferrimond::fs_internal {

// Calls `fn` for every entry of the folder but "." and "..", from one
// FindFirstFileExW listing; raises when the folder cannot be listed.
void ForEachEntry(const std::wstring& folder, const std::function<void(const WIN32_FIND_DATAW&)>& fn);

// Removes one file, or one link as the link itself (file_system_delete.cpp).
void RemoveFile(const std::wstring& fullPath, bool force);
// Removes a folder tree without ever following a link; `progress` runs
// after every entry removed.
void RemoveTree(const std::wstring& fullPath, bool force, const DeleteProgress& progress = {});

FileIdentity IdentityOf(const BY_HANDLE_FILE_INFORMATION& info);

}  // namespace ferrimond::fs_internal

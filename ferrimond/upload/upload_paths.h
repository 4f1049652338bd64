#pragma once
// Where the upload puts a folder of the removable drive on the fixed drive,
// and which profile folders it offers. No window, no system calls.
#include <string>
#include <string_view>

namespace ferrimond {

// The documents folder of a profile folder: "My Documents" for a profile
// directly under "Documents and Settings" (the older layout), "Documents"
// for any other (C:\Users\name, C:\users\name under Wine).
std::wstring DocumentsFolderOf(const std::wstring& profile);

// The folder on the fixed drive for folder `path` of the removable drive
// (a full path without a trailing "\"; a root is "E:").
// - A profile's documents folder and everything below it go into the
//   documents folder of `profile`: "X:\<any>\<any>\My Documents\..." (the
//   older layout, recognised by its fourth field alone) and
//   "X:\Users\<name>\Documents\..." (the current layout). Between profiles
//   of the older layout the folder keeps its name as stored on the drive.
// - Every other folder keeps its path on `fixedDrive` (a letter).
// An empty `profile` redirects nothing, and neither does a shared profile's
// documents folder (IsSharedProfile): it keeps its path.
std::wstring UploadFolder(const std::wstring& path, const std::wstring& fixedDrive,
                          const std::wstring& profile);

// The profiles every user shares, or that only serve to make new ones
// ("Public", "Default", "Default User", "All Users"): nobody's own.
bool IsSharedProfile(std::wstring_view name);

// A folder the system keeps at the root of a drive ("System Volume
// Information", "$RECYCLE.BIN", "RECYCLER"): nothing of the user's.
bool IsDriveSystemFolder(std::wstring_view name);

// Whether `name`, from a listing of the removable drive, can name a file of
// the fixed drive as it is: no control character, no separator, no colon
// (a drive written outside Windows can hold such names).
bool IsWindowsFileName(std::wstring_view name);

// The name of the `number`-th saved version of file `name`, from 2 on:
// "x.doc" gives "x (2).doc".
std::wstring SavedVersionName(const std::wstring& name, int number);

// The path below its drive's root ("E:\a\b.doc" gives "a\b.doc").
std::wstring BelowRoot(const std::wstring& path);

}  // namespace ferrimond

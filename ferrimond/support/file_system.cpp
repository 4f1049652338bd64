#include "ferrimond/support/file_system.h"

#include <algorithm>

#include "common/numbered_error.h"
#include "ferrimond/support/file_system_errors.h"
#include "ferrimond/support/file_system_handle.h"
#include "ferrimond/support/file_system_internal.h"
#include "ferrimond/support/file_system_paths.h"
#include "ferrimond/support/file_times.h"

namespace ferrimond {

namespace fs_internal {

void ForEachEntry(const std::wstring& folder, const std::function<void(const WIN32_FIND_DATAW&)>& fn,
                  const std::wstring& pattern) {
  WIN32_FIND_DATAW data;
  HANDLE find = FindFirstFileExW(SystemPath(JoinPath(folder, pattern)).c_str(), FindExInfoBasic, &data,
                                 FindExSearchNameMatch, nullptr, FIND_FIRST_EX_LARGE_FETCH);
  if (find == INVALID_HANDLE_VALUE) {
    // Nothing matches (a root without entries has not even "." and "..").
    if (GetLastError() == ERROR_FILE_NOT_FOUND) return;
    RaiseLastFileSystemError();
  }
  struct Closer {
    HANDLE h;
    ~Closer() { FindClose(h); }
  } closer{find};
  do {
    const wchar_t* n = data.cFileName;
    if (n[0] == L'.' && (n[1] == 0 || (n[1] == L'.' && n[2] == 0))) continue;
    fn(data);
  } while (FindNextFileW(find, &data));
  if (GetLastError() != ERROR_NO_MORE_FILES) RaiseLastFileSystemError();
}

FileIdentity IdentityOf(const BY_HANDLE_FILE_INFORMATION& info) {
  return {info.dwVolumeSerialNumber, (uint64_t{info.nFileIndexHigh} << 32) | info.nFileIndexLow, 0};
}

uint64_t FileIndexOf(HANDLE h) {
  // NtQueryInformationFile(FileInternalInformation): the index alone, without
  // the volume's serial number.
  using Query = LONG(NTAPI*)(HANDLE, void*, void*, ULONG, int);
  static const Query query =
      reinterpret_cast<Query>(reinterpret_cast<void*>(
          GetProcAddress(GetModuleHandleW(L"ntdll.dll"), "NtQueryInformationFile")));
  constexpr int kFileInternalInformation = 6;
  struct {
    ULONG_PTR status;
    ULONG_PTR information;
  } io{};
  LARGE_INTEGER index{};
  if (query && query(h, &io, &index, sizeof index, kFileInternalInformation) >= 0)
    return static_cast<uint64_t>(index.QuadPart);
  BY_HANDLE_FILE_INFORMATION info;
  return GetFileInformationByHandle(h, &info) ? IdentityOf(info).low : 0;
}

bool SameFile(HANDLE a, HANDLE b) {
  const uint64_t index = FileIndexOf(a);
  if (index == 0 || index != FileIndexOf(b)) return false;
  BY_HANDLE_FILE_INFORMATION infoA, infoB;
  return GetFileInformationByHandle(a, &infoA) && GetFileInformationByHandle(b, &infoB) &&
         IdentityOf(infoA) == IdentityOf(infoB);
}

}  // namespace fs_internal

using fs_internal::AttributesOf;

namespace {

bool IsDirectory(DWORD attributes) { return (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0; }

// The drive letter of "E", "E:" or "E:\"; 0 for anything else.
wchar_t DriveLetterOf(const std::wstring& name) {
  if (name.empty() || name.size() > 3 || !iswalpha(name[0])) return 0;
  if (name.size() >= 2 && name[1] != L':') return 0;
  if (name.size() == 3 && name[2] != L'\\') return 0;
  return static_cast<wchar_t>(towupper(name[0]));
}

bool DriveInUse(wchar_t letter) { return (GetLogicalDrives() >> (letter - L'A')) & 1; }

}  // namespace

// ---- Drive ----

Drive::Drive(wchar_t letter) : letter_(static_cast<wchar_t>(towupper(letter))) {}

std::wstring Drive::RootPath() const { return std::wstring(1, letter_) + L":\\"; }

int32_t Drive::DriveType() const {
  switch (GetDriveTypeW(RootPath().c_str())) {
    case DRIVE_REMOVABLE: return DriveRemovable;
    case DRIVE_FIXED: return DriveFixed;
    case DRIVE_REMOTE: return DriveNetwork;
    case DRIVE_CDROM: return DriveCdRom;
    case DRIVE_RAMDISK: return DriveRamDisk;
    default: return DriveUnknown;
  }
}

uint64_t Drive::FreeSpace() const {
  ULARGE_INTEGER available{}, total{}, free{};
  if (!GetDiskFreeSpaceExW(RootPath().c_str(), &available, &total, &free)) RaiseLastFileSystemError();
  return available.QuadPart;
}

namespace {
std::function<std::wstring(const std::wstring&)>& FileSystemNameQuery() {
  static std::function<std::wstring(const std::wstring&)> query;
  return query;
}
}  // namespace

void SetFileSystemNameQueryForTests(std::function<std::wstring(const std::wstring& root)> query) {
  FileSystemNameQuery() = std::move(query);
}

std::wstring Drive::FileSystemName() const {
  if (FileSystemNameQuery()) return FileSystemNameQuery()(RootPath());
  wchar_t name[MAX_PATH + 1] = {};
  if (!GetVolumeInformationW(RootPath().c_str(), nullptr, 0, nullptr, nullptr, nullptr, name, MAX_PATH + 1))
    return {};
  return name;
}

uint32_t Drive::SerialNumber() const {
  DWORD serial = 0;
  if (!GetVolumeInformationW(RootPath().c_str(), nullptr, 0, &serial, nullptr, nullptr, nullptr, 0))
    RaiseLastFileSystemError();
  return serial;
}

bool FileSystemHoldsSize(const std::wstring& fileSystemName, uint64_t size) {
  if (size <= 0xFFFFFFFFu) return true;
  for (const wchar_t* fat : {L"FAT", L"FAT12", L"FAT16", L"FAT32"})
    if (_wcsicmp(fileSystemName.c_str(), fat) == 0) return false;
  return true;
}

// ---- File ----

File::File(const std::wstring& folder, const WIN32_FIND_DATAW& data)
    : name_(data.cFileName),
      path_(JoinPath(folder, name_)),
      size_((uint64_t{data.nFileSizeHigh} << 32) | data.nFileSizeLow),
      attributes_(data.dwFileAttributes),
      lastWrite_(data.ftLastWriteTime),
      created_(data.ftCreationTime) {}

Folder File::ParentFolder() const { return FileSystem().GetFolder(ParentPath(path_)); }

common::DateTime File::DateLastModified() const { return FileTimeToDate(lastWrite_, true); }

void File::Delete(bool force) const { fs_internal::RemoveFile(path_, force); }

// ---- Folder ----

std::wstring Folder::Name() const { return LastComponent(path_); }

bool Folder::IsRootFolder() const { return IsRootPath(path_); }

std::vector<File> Folder::Files() const {
  std::vector<File> files;
  fs_internal::ForEachEntry(path_, [&](const WIN32_FIND_DATAW& data) {
    if (!IsDirectory(data.dwFileAttributes)) files.push_back(File(path_, data));
  });
  return files;
}

std::vector<Folder> Folder::SubFolders() const {
  std::vector<Folder> folders;
  fs_internal::ForEachEntry(path_, [&](const WIN32_FIND_DATAW& data) {
    if (IsDirectory(data.dwFileAttributes))
      folders.push_back(Folder(JoinPath(path_, data.cFileName), data.dwFileAttributes));
  });
  return folders;
}

namespace {

// Lists `folder` through its handle: the entries with the identities the
// file system gives them in the listing, so that a walker needs no open of
// each sub-folder to know it. 0 where the file system gives none.
void ForEachEntryWithIndex(const std::wstring& folder,
                           const std::function<void(const WIN32_FIND_DATAW&, uint64_t)>& fn) {
  ScopedHandle dir(CreateFileW(SystemPath(folder).c_str(), FILE_LIST_DIRECTORY | SYNCHRONIZE,
                               FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                               FILE_FLAG_BACKUP_SEMANTICS, nullptr));
  if (!dir.ok()) {
    const DWORD code = GetLastError();
    // A folder that is not there is a path not found, as a listing says.
    RaiseFileSystemError(code == ERROR_FILE_NOT_FOUND ? ERROR_PATH_NOT_FOUND : code);
  }
  alignas(8) static thread_local unsigned char buffer[64 * 1024];
  WIN32_FIND_DATAW data{};
  for (;;) {
    if (!GetFileInformationByHandleEx(dir.get(), FileIdBothDirectoryInfo, buffer, sizeof buffer)) {
      const DWORD code = GetLastError();
      if (code == ERROR_NO_MORE_FILES) return;
      // A handle listing the system does not offer: the plain listing.
      if (code == ERROR_INVALID_PARAMETER || code == ERROR_NOT_SUPPORTED) {
        fs_internal::ForEachEntry(folder, [&](const WIN32_FIND_DATAW& entry) { fn(entry, 0); });
        return;
      }
      RaiseFileSystemError(code);
    }
    for (size_t offset = 0;;) {
      const auto* entry = reinterpret_cast<const FILE_ID_BOTH_DIR_INFO*>(buffer + offset);
      const size_t length = entry->FileNameLength / sizeof(wchar_t);
      const wchar_t* name = entry->FileName;
      const bool dots = (length == 1 && name[0] == L'.') || (length == 2 && name[0] == L'.' && name[1] == L'.');
      if (!dots && length < MAX_PATH) {
        data.dwFileAttributes = entry->FileAttributes;
        data.ftCreationTime = {entry->CreationTime.LowPart, static_cast<DWORD>(entry->CreationTime.HighPart)};
        data.ftLastAccessTime = {entry->LastAccessTime.LowPart, static_cast<DWORD>(entry->LastAccessTime.HighPart)};
        data.ftLastWriteTime = {entry->LastWriteTime.LowPart, static_cast<DWORD>(entry->LastWriteTime.HighPart)};
        data.nFileSizeHigh = static_cast<DWORD>(entry->EndOfFile.QuadPart >> 32);
        data.nFileSizeLow = static_cast<DWORD>(entry->EndOfFile.QuadPart);
        std::copy(name, name + length, data.cFileName);
        data.cFileName[length] = 0;
        fn(data, static_cast<uint64_t>(entry->FileId.QuadPart));
      }
      if (entry->NextEntryOffset == 0) break;
      offset += entry->NextEntryOffset;
    }
  }
}

}  // namespace

FolderListing Folder::List() const {
  FolderListing listing;
  ForEachEntryWithIndex(path_, [&](const WIN32_FIND_DATAW& data, uint64_t index) {
    if (IsDirectory(data.dwFileAttributes)) {
      Folder sub(JoinPath(path_, data.cFileName), data.dwFileAttributes);
      sub.listedIndex_ = index;
      listing.subFolders.push_back(std::move(sub));
    } else {
      listing.files.push_back(File(path_, data));
    }
  });
  return listing;
}

std::optional<Folder> Folder::ParentFolder() const {
  if (IsRootFolder()) return std::nullopt;
  return FileSystem().GetFolder(ParentPath(path_));
}

namespace {

ScopedHandle OpenToQuery(const std::wstring& path) {
  ScopedHandle h(CreateFileW(SystemPath(path).c_str(), FILE_READ_ATTRIBUTES,
                             FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                             FILE_FLAG_BACKUP_SEMANTICS, nullptr));
  if (!h.ok()) RaiseLastFileSystemError();
  return h;
}

// FILE_ID_INFO and its class, which the headers offer only from Windows 8 on.
struct FileIdInfo {
  ULONGLONG volumeSerial;
  uint64_t id[2];
};
constexpr auto kFileIdInfo = static_cast<FILE_INFO_BY_HANDLE_CLASS>(18);

}  // namespace

FileIdentity Folder::Identity() const {
  ScopedHandle h = OpenToQuery(path_);
  FileIdInfo id;
  if (GetFileInformationByHandleEx(h.get(), kFileIdInfo, &id, sizeof id) &&
      FileIdentity{id.volumeSerial, id.id[0], id.id[1]}.Known())
    return {id.volumeSerial, id.id[0], id.id[1]};
  // Before Windows 8, and on file systems without 128-bit ids.
  BY_HANDLE_FILE_INFORMATION info;
  if (!GetFileInformationByHandle(h.get(), &info)) RaiseLastFileSystemError();
  return fs_internal::IdentityOf(info);
}

FileIdentity Drive::Medium() const {
  // The serial is asked of the letter, not of a handle: Wine finds a
  // handle's drive in a table of drive roots that it renews once a second,
  // so a letter just given another folder would answer for another drive.
  return {SerialNumber(), fs_internal::FileIndexOf(OpenToQuery(RootPath()).get()), 0};
}

std::optional<FileIdentity> FileSystem::MediumIn(const std::wstring& drive) const {
  try {
    return GetDrive(drive).Medium();
  } catch (const common::NumberedError&) {
    return std::nullopt;
  }
}

uint64_t Folder::FileIndex() const {
  // A link's entry in a listing names the link, not where it leads.
  if (listedIndex_ != 0 && !IsReparsePoint()) return listedIndex_;
  ScopedHandle h = OpenToQuery(path_);
  return fs_internal::FileIndexOf(h.get());
}

void Folder::Delete(bool force) const { fs_internal::RemoveTree(path_, force); }

// ---- FileSystem ----

std::vector<Drive> FileSystem::Drives() const {
  std::vector<Drive> drives;
  const DWORD mask = GetLogicalDrives();
  for (int i = 0; i < 26; ++i)
    if (mask & (1u << i)) drives.emplace_back(static_cast<wchar_t>(L'A' + i));
  return drives;
}

bool FileSystem::DriveExists(const std::wstring& drive) const {
  const wchar_t letter = DriveLetterOf(drive);
  return letter != 0 && DriveInUse(letter);
}

Drive FileSystem::GetDrive(const std::wstring& drive) const {
  const wchar_t letter = DriveLetterOf(drive);
  if (letter == 0) RaiseFileSystemNumber(common::ErrInvalidArgument);
  if (!DriveInUse(letter)) RaiseFileSystemError(ERROR_DEV_NOT_EXIST);
  return Drive(letter);
}

bool FileSystem::FolderExists(const std::wstring& path) const {
  const DWORD attributes = AttributesOf(FullPath(path));
  return attributes != INVALID_FILE_ATTRIBUTES && IsDirectory(attributes);
}

bool FileSystem::FileExists(const std::wstring& path) const {
  const DWORD attributes = AttributesOf(FullPath(path));
  return attributes != INVALID_FILE_ATTRIBUTES && !IsDirectory(attributes);
}

uint32_t FileSystem::Attributes(const std::wstring& path) const { return AttributesOf(FullPath(path)); }

Folder FileSystem::GetFolder(const std::wstring& path) const {
  std::wstring full = FullPath(path);
  const DWORD attributes = AttributesOf(full);
  if (attributes == INVALID_FILE_ATTRIBUTES) {
    const DWORD code = GetLastError();
    if (code != ERROR_FILE_NOT_FOUND) RaiseFileSystemError(code);
  }
  if (attributes == INVALID_FILE_ATTRIBUTES || !IsDirectory(attributes))
    RaiseFileSystemNumber(common::ErrPathNotFound);
  return Folder(std::move(full), attributes);
}

namespace {

// The full path of a file to look up; 53 for nothing, a root or a wildcard.
std::wstring FilePathToLookUp(const std::wstring& path) {
  std::wstring full = FullPath(path);
  if (full.empty() || IsRootPath(full) || full.find_first_of(L"*?") != std::wstring::npos)
    RaiseFileSystemNumber(common::ErrFileNotFound);
  return full;
}

// A lookup that failed: a folder missing on the way is a missing file, 53.
[[noreturn]] void RaiseLookupFailure() {
  const DWORD code = GetLastError();
  if (code == ERROR_PATH_NOT_FOUND) RaiseFileSystemNumber(common::ErrFileNotFound);
  RaiseFileSystemError(code);
}

}  // namespace

File FileSystem::GetFile(const std::wstring& path) const {
  const std::wstring full = FilePathToLookUp(path);
  WIN32_FIND_DATAW data;
  HANDLE find = FindFirstFileExW(SystemPath(full).c_str(), FindExInfoBasic, &data, FindExSearchNameMatch,
                                 nullptr, 0);
  if (find == INVALID_HANDLE_VALUE) RaiseLookupFailure();
  FindClose(find);
  if (IsDirectory(data.dwFileAttributes)) RaiseFileSystemNumber(common::ErrFileNotFound);
  return File(ParentPath(full), data);
}

File FileSystem::GetListedFile(const std::wstring& path) const {
  const std::wstring full = FilePathToLookUp(path);
  WIN32_FILE_ATTRIBUTE_DATA attributes;
  if (!GetFileAttributesExW(SystemPath(full).c_str(), GetFileExInfoStandard, &attributes)) RaiseLookupFailure();
  if (IsDirectory(attributes.dwFileAttributes)) RaiseFileSystemNumber(common::ErrFileNotFound);
  const std::wstring name = LastComponent(full);
  WIN32_FIND_DATAW data{};
  if (name.size() >= MAX_PATH) RaiseFileSystemNumber(common::ErrFileNotFound);
  name.copy(data.cFileName, name.size());
  data.dwFileAttributes = attributes.dwFileAttributes;
  data.ftCreationTime = attributes.ftCreationTime;
  data.ftLastAccessTime = attributes.ftLastAccessTime;
  data.ftLastWriteTime = attributes.ftLastWriteTime;
  data.nFileSizeHigh = attributes.nFileSizeHigh;
  data.nFileSizeLow = attributes.nFileSizeLow;
  return File(ParentPath(full), data);
}

Folder FileSystem::CreateFolder(const std::wstring& path) const {
  std::wstring full = FullPath(path);
  if (!CreateDirectoryW(SystemPath(full).c_str(), nullptr)) RaiseLastFileSystemError();
  return Folder(std::move(full), FILE_ATTRIBUTE_DIRECTORY);
}

void FileSystem::DeleteFile(const std::wstring& path, bool force) const {
  fs_internal::RemoveFile(FullPath(path), force);
}

void FileSystem::DeleteFolder(const std::wstring& path, bool force, const DeleteProgress& progress,
                              KeepNewer* keep) const {
  fs_internal::RemoveTree(FullPath(path), force, progress, keep);
}

}  // namespace ferrimond

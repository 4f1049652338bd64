// Removing files and folder trees without ever acting on what a link points
// to.
//
// Every entry is opened as itself (FILE_FLAG_OPEN_REPARSE_POINT) and removed
// through that handle. Before that, the name the handle resolved to, drive
// included, must be the entry's own: on Windows a link opened this way is the link, but Wine
// resolves links whatever the flags say, so there a handle "to a link" is a
// handle to its target, and deleting through it would delete the target.
// Such an entry is refused with 70. Folders are entered only when they are
// no link and not already on the current path (by file identity).
#include <algorithm>
#include <vector>

#include "common/numbered_error.h"
#include "ferrimond/support/file_system_errors.h"
#include "ferrimond/support/file_system_handle.h"
#include "ferrimond/support/file_system_internal.h"
#include "ferrimond/support/file_system_paths.h"

namespace ferrimond::fs_internal {

namespace {

constexpr DWORD kShareAll = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;

ScopedHandle OpenSelf(const std::wstring& path, DWORD access, bool isFolder = false) {
  ScopedHandle h(CreateFileW(SystemPath(path).c_str(), access, kShareAll, nullptr, OPEN_EXISTING,
                             FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OPEN_REPARSE_POINT, nullptr));
  if (!h.ok()) {
    const DWORD code = GetLastError();
    RaiseFileSystemError(isFolder && code == ERROR_FILE_NOT_FOUND ? ERROR_PATH_NOT_FOUND : code);
  }
  return h;
}

// The system's name of the open file or folder as it resolved it, volume
// included ("\\??\\E:\\a\\b" under Wine, "\\Device\\HarddiskVolume3\\a\\b" on
// Windows): a link that leads to the same path on another drive is told by
// its volume. (GetFinalPathNameByHandleW would do as well, but Wine fails it
// for paths over MAX_PATH.)
std::wstring ResolvedName(HANDLE h) {
  static const HMODULE ntdll = GetModuleHandleW(L"ntdll.dll");
  using Query = LONG(NTAPI*)(HANDLE, int, void*, ULONG, ULONG*);
  using ToError = ULONG(NTAPI*)(LONG);
  static const Query query = reinterpret_cast<Query>(reinterpret_cast<void*>(GetProcAddress(ntdll, "NtQueryObject")));
  static const ToError toError =
      reinterpret_cast<ToError>(reinterpret_cast<void*>(GetProcAddress(ntdll, "RtlNtStatusToDosError")));
  if (!query || !toError) RaiseFileSystemNumber(common::ErrPermissionDenied);
  constexpr int kObjectNameInformation = 1;
  // STATUS_BUFFER_OVERFLOW, STATUS_INFO_LENGTH_MISMATCH, STATUS_BUFFER_TOO_SMALL
  constexpr ULONG kTooSmall[] = {0x80000005, 0xC0000004, 0xC0000023};
  struct Name {
    USHORT length, maximumLength;
    const wchar_t* buffer;
  };
  std::vector<char> buffer(sizeof(Name) + 2 * MAX_PATH * sizeof(wchar_t));
  for (;;) {
    ULONG needed = 0;
    const LONG status = query(h, kObjectNameInformation, buffer.data(), static_cast<ULONG>(buffer.size()), &needed);
    if (status >= 0) {
      const auto* name = reinterpret_cast<const Name*>(buffer.data());
      return std::wstring(name->buffer, name->length / sizeof(wchar_t));
    }
    if (std::find(std::begin(kTooSmall), std::end(kTooSmall), static_cast<ULONG>(status)) == std::end(kTooSmall) ||
        buffer.size() >= 128 * 1024)
      RaiseFileSystemError(toError(status));
    buffer.resize(std::max<size_t>(needed, buffer.size() * 4));
  }
}

bool SamePath(const std::wstring& a, const std::wstring& b) {
  return CompareStringOrdinal(a.c_str(), static_cast<int>(a.size()), b.c_str(), static_cast<int>(b.size()),
                              TRUE) == CSTR_EQUAL;
}

BY_HANDLE_FILE_INFORMATION InfoOf(HANDLE h) {
  BY_HANDLE_FILE_INFORMATION info;
  if (!GetFileInformationByHandle(h, &info)) RaiseLastFileSystemError();
  return info;
}

// An entry opened for removal, proven to be the entry itself.
struct Entry {
  ScopedHandle handle;
  BY_HANDLE_FILE_INFORMATION info;
  std::wstring resolved;
};

// The folder whose entries are being removed, held open (without deletion
// access, which the system's folder listing would not share).
struct Parent {
  ScopedHandle handle;
  std::wstring resolved;
};

Parent OpenParent(const std::wstring& path) {
  Parent p{OpenSelf(path, FILE_READ_ATTRIBUTES, true), {}};
  p.resolved = ResolvedName(p.handle.get());
  return p;
}

constexpr DWORD kDeleteAccess = DELETE | FILE_READ_ATTRIBUTES | FILE_WRITE_ATTRIBUTES;

// `path` with the dots and blanks at the end of each name removed.
std::wstring WithoutNameEndings(const std::wstring& path) {
  std::wstring out;
  size_t begin = 0;
  while (begin <= path.size()) {
    size_t end = path.find(L'\\', begin);
    if (end == std::wstring::npos) end = path.size();
    size_t keep = end;
    while (keep > begin && (path[keep - 1] == L'.' || path[keep - 1] == L' ')) --keep;
    out.append(path, begin, keep - begin);
    if (end < path.size()) out += L'\\';
    begin = end + 1;
  }
  return out;
}

// Whether another entry of the folder, whose name differs from `name` only
// in dots and blanks at the end, is the very file or folder `info` describes.
bool IsReachedThroughATwin(const std::wstring& path, const BY_HANDLE_FILE_INFORMATION& info) {
  const std::wstring folder = ParentPath(path);
  const std::wstring name = LastComponent(path);
  const std::wstring bare = WithoutNameEndings(name);
  std::vector<std::wstring> twins;
  ForEachEntry(folder, [&](const WIN32_FIND_DATAW& d) {
    if (name != d.cFileName && SamePath(bare, WithoutNameEndings(d.cFileName))) twins.push_back(d.cFileName);
  });
  for (const std::wstring& twin : twins) {
    ScopedHandle h(CreateFileW(SystemPath(JoinPath(folder, twin)).c_str(), FILE_READ_ATTRIBUTES, kShareAll,
                               nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr));
    BY_HANDLE_FILE_INFORMATION other;
    if (h.ok() && GetFileInformationByHandle(h.get(), &other) && IdentityOf(other) == IdentityOf(info))
      return true;
  }
  return false;
}

// Opens the entry `name` of `parent`; 70 when the handle leads anywhere but
// to the entry itself, that is through a link. `info` is read only when
// asked for: under Wine it costs a query of the volume's serial number, three
// times the rest of a file's removal.
Entry OpenEntry(const std::wstring& path, Parent& parent, DWORD access, bool withInfo = true) {
  Entry e{OpenSelf(path, access), {}, {}};
  e.resolved = ResolvedName(e.handle.get());
  const std::wstring name = LastComponent(path);
  if (!SamePath(e.resolved, JoinPath(parent.resolved, name))) {
    // Where one folder is reachable through two drive letters, Wine names
    // it after either, and may switch when drive mappings change (it keeps
    // the drives it knows for a second): ask again for both names, which
    // the switch may have come between.
    parent.resolved = ResolvedName(parent.handle.get());
    e.resolved = ResolvedName(e.handle.get());
    const std::wstring expected = JoinPath(parent.resolved, name);
    if (!SamePath(e.resolved, expected)) {
      // Wine drops the endings that the short path forms drop from the names
      // it reports ("\old.\readme." comes back as "\old\readme"), so two
      // names that differ only there look alike. Such an entry is taken as
      // itself unless its handle is that of a twin in the same folder ("readme"
      // beside a link "readme." to it).
      if (!SamePath(WithoutNameEndings(e.resolved), WithoutNameEndings(expected)))
        RaiseFileSystemNumber(common::ErrPermissionDenied);
      e.info = InfoOf(e.handle.get());
      if (IsReachedThroughATwin(path, e.info)) RaiseFileSystemNumber(common::ErrPermissionDenied);
      return e;
    }
  }
  if (withInfo) e.info = InfoOf(e.handle.get());
  return e;
}

// Marks the open entry for removal; it goes when its handle is closed.
// `attributes` are the entry's own.
void MarkDeleted(HANDLE handle, DWORD attributes, bool force) {
  if (attributes & FILE_ATTRIBUTE_READONLY) {
    if (!force) RaiseFileSystemNumber(common::ErrPermissionDenied);
    FILE_BASIC_INFO basic{};  // zero times: left as they are
    basic.FileAttributes = attributes & ~FILE_ATTRIBUTE_READONLY;
    if (basic.FileAttributes == 0) basic.FileAttributes = FILE_ATTRIBUTE_NORMAL;
    if (!SetFileInformationByHandle(handle, FileBasicInfo, &basic, sizeof basic)) RaiseLastFileSystemError();
  }
  FILE_DISPOSITION_INFO disposition{TRUE};
  if (!SetFileInformationByHandle(handle, FileDispositionInfo, &disposition, sizeof disposition))
    RaiseLastFileSystemError();
}

bool IsDirectory(DWORD attributes) { return (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0; }
bool IsLink(DWORD attributes) { return (attributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0; }

// What one tree removal carries down: the folders on the current path (by
// identity), whether read-only entries go too, and what runs after each
// entry removed.
struct Removal {
  std::vector<FileIdentity> onPath;
  bool force = false;
  const DeleteProgress& progress;
  KeepNewer* keep = nullptr;
};

// Whether the listed file stays: created or written since the cut-off.
bool Kept(const WIN32_FIND_DATAW& d, const KeepNewer* keep) {
  return keep && !(d.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) && keep->Keeps(d.ftCreationTime, d.ftLastWriteTime);
}

bool RemoveContents(const std::wstring& path, Parent& folder, Removal& removal);

// Removes one entry of `parent`; `listedAttributes` are those the folder
// listing showed (Wine marks a Unix symlink to a folder there only). False
// when a folder stays for a file kept in it.
bool RemoveEntry(const std::wstring& path, Parent& parent, DWORD listedAttributes, Removal& removal) {
  std::vector<FileIdentity>& onPath = removal.onPath;
  if (IsDirectory(listedAttributes) && !IsLink(listedAttributes)) {
    Entry entry = OpenEntry(path, parent, FILE_READ_ATTRIBUTES);
    if (!IsLink(entry.info.dwFileAttributes)) {
      const FileIdentity id = IdentityOf(entry.info);
      if (std::find(onPath.begin(), onPath.end(), id) != onPath.end())
        RaiseFileSystemNumber(common::ErrPermissionDenied);
      Parent folder{std::move(entry.handle), entry.resolved};
      onPath.push_back(id);
      const bool emptied = RemoveContents(path, folder, removal);
      onPath.pop_back();
      if (!emptied) return false;
    }
  }
  // The listing's attributes serve for the read-only test. The entry goes
  // when its handle closes, at the end of this statement.
  MarkDeleted(OpenEntry(path, parent, kDeleteAccess, false).handle.get(), listedAttributes, removal.force);
  if (removal.progress) removal.progress();
  return true;
}

// True when everything in the folder went.
bool RemoveContents(const std::wstring& path, Parent& folder, Removal& removal) {
  struct Listed {
    std::wstring name;
    DWORD attributes;
  };
  std::vector<Listed> listed;
  bool emptied = true;
  ForEachEntry(path, [&](const WIN32_FIND_DATAW& d) {
    if (Kept(d, removal.keep)) {
      removal.keep->kept.push_back(JoinPath(path, d.cFileName));
      emptied = false;
    } else {
      listed.push_back({d.cFileName, d.dwFileAttributes});
    }
  });
  for (const Listed& item : listed)
    emptied = RemoveEntry(JoinPath(path, item.name), folder, item.attributes, removal) && emptied;
  return emptied;
}

}  // namespace

void RemoveFile(const std::wstring& fullPath, bool force) {
  if (IsRootPath(fullPath)) RaiseFileSystemNumber(common::ErrFileNotFound);
  Parent parent = OpenParent(ParentPath(fullPath));
  Entry e = OpenEntry(fullPath, parent, kDeleteAccess);
  if (IsDirectory(e.info.dwFileAttributes)) RaiseFileSystemNumber(common::ErrFileNotFound);
  MarkDeleted(e.handle.get(), e.info.dwFileAttributes, force);
}

void RemoveTree(const std::wstring& fullPath, bool force, const DeleteProgress& progress, KeepNewer* keep) {
  if (IsRootPath(fullPath)) RaiseFileSystemNumber(common::ErrPermissionDenied);
  const DWORD attributes = GetFileAttributesW(SystemPath(fullPath).c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES || !IsDirectory(attributes))
    RaiseFileSystemNumber(common::ErrPathNotFound);
  Parent parent = OpenParent(ParentPath(fullPath));
  Removal removal{{}, force, progress, keep};
  RemoveEntry(fullPath, parent, attributes, removal);
}

}  // namespace ferrimond::fs_internal

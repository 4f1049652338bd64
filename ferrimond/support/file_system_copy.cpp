// Copying a file so that its target is at every moment either the complete
// copy or what it was before.
//
// The copy is written beside the target under its temporary name
// (PartialCopyName), given the source's times and attributes, and then
// renamed over the target through its still-open handle, which replaces the
// target in one step. Any failure up to and including that rename (a full
// disk, a drive pulled out, a source that cannot be read, a target in use)
// removes the temporary and leaves the target as it was; a copy cut short
// where nothing runs any more (a power cut) leaves only the temporary, which
// RemovePartialCopies clears later. A truncated file under the real name,
// with the current time, would pass for newer than a good copy elsewhere.
//
// Under Wine every open, close and rename costs a round trip to the server
// (about 50 µs), and so does the first use of a handle. The common path makes
// seven, for a new target and a replaced one alike: two opens, the first use
// of each handle, the rename and two closes. Existence and attribute checks
// are made only where something failed (and before a copy that must not
// replace anything).
#include <cstddef>
#include <cstring>
#include <memory>
#include <new>
#include <vector>

#include "common/numbered_error.h"
#include "ferrimond/support/file_system.h"
#include "ferrimond/support/file_system_errors.h"
#include "ferrimond/support/file_system_handle.h"
#include "ferrimond/support/file_system_internal.h"
#include "ferrimond/support/file_system_paths.h"

namespace ferrimond {

using fs_internal::AttributesOf;

namespace {

constexpr DWORD kShareAll = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;
// What makes the system refuse to replace or recreate a file.
constexpr DWORD kProtectingAttributes = FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM;
// What a copy takes over from its source (the others describe how the
// source is stored, not the file).
constexpr DWORD kCopiedAttributes = kProtectingAttributes | FILE_ATTRIBUTE_ARCHIVE | FILE_ATTRIBUTE_TEMPORARY |
                                    FILE_ATTRIBUTE_OFFLINE | FILE_ATTRIBUTE_NOT_CONTENT_INDEXED;
constexpr DWORD kBlockSize = 1 << 20;

char* CopyBuffer() {
  thread_local std::unique_ptr<char[]> buffer;
  if (!buffer) buffer = std::make_unique<char[]>(kBlockSize);
  return buffer.get();
}

bool IsPlainFile(DWORD attributes) {
  return attributes != INVALID_FILE_ATTRIBUTES &&
         !(attributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT));
}

// Sets the attributes of the file at `fullPath`; keeps the last error of
// the caller either way.
bool SetAttributesKeepingError(const std::wstring& fullPath, DWORD attributes) {
  const DWORD code = GetLastError();
  const DWORD settable = attributes & kCopiedAttributes;
  const bool done = SetFileAttributesW(SystemPath(fullPath).c_str(), settable ? settable : FILE_ATTRIBUTE_NORMAL);
  SetLastError(code);
  return done;
}

ScopedHandle OpenSource(const std::wstring& from) {
  ScopedHandle h(CreateFileW(SystemPath(from).c_str(), GENERIC_READ, kShareAll, nullptr, OPEN_EXISTING,
                             FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
  if (h.ok()) return h;
  const DWORD code = GetLastError();
  // A folder does not open as a file; it is no file to copy.
  if (code == ERROR_ACCESS_DENIED) {
    const DWORD attributes = AttributesOf(from);
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY))
      RaiseFileSystemNumber(common::ErrFileNotFound);
  }
  RaiseFileSystemError(code);
}

// The copy under its temporary name: removed when it goes unless it was
// renamed into place.
class PartialCopy {
 public:
  explicit PartialCopy(const std::wstring& path) : handle_(Create(path)) {
    // A leftover recreated in place may keep the attributes it had.
    leftover_ = GetLastError() == ERROR_ALREADY_EXISTS;
    if (handle_.ok()) return;
    leftover_ = true;
    const DWORD code = GetLastError();
    // A temporary left by an earlier copy that was cut short after it took
    // over a read-only or hidden source's attributes refuses to be recreated.
    if (code == ERROR_ACCESS_DENIED && IsPlainFile(AttributesOf(path)) &&
        SetAttributesKeepingError(path, FILE_ATTRIBUTE_NORMAL)) {
      handle_ = ScopedHandle(Create(path));
      if (handle_.ok()) return;
      RaiseLastFileSystemError();
    }
    RaiseFileSystemError(code);
  }
  ~PartialCopy() {
    if (handle_.ok() && !placed_) Discard();
  }
  PartialCopy(const PartialCopy&) = delete;
  PartialCopy& operator=(const PartialCopy&) = delete;

  void Fill(HANDLE source) {
    char* buffer = CopyBuffer();
    for (;;) {
      DWORD got = 0, put = 0;
      if (!ReadFile(source, buffer, kBlockSize, &got, nullptr)) RaiseLastFileSystemError();
      if (got == 0) return;
      if (!WriteFile(handle_.get(), buffer, got, &put, nullptr)) RaiseLastFileSystemError();
      if (put != got) RaiseFileSystemError(ERROR_DISK_FULL);
    }
  }

  // Gives the copy the source's creation and last-write times and its
  // attributes; nothing may be written after this.
  void TakeOver(const FILE_BASIC_INFO& source) {
    FILE_BASIC_INFO basic{};  // times left at zero stay as they are
    basic.CreationTime = source.CreationTime;
    basic.LastWriteTime = source.LastWriteTime;
    // A new file is an archive already; other attributes are set only where
    // the source has them (setting them costs several system calls under
    // Wine for every file).
    basic.FileAttributes = source.FileAttributes & kCopiedAttributes & ~FILE_ATTRIBUTE_ARCHIVE;
    if (basic.FileAttributes != 0 || leftover_) {
      basic.FileAttributes |= source.FileAttributes & FILE_ATTRIBUTE_ARCHIVE;
      if (basic.FileAttributes == 0) basic.FileAttributes = FILE_ATTRIBUTE_NORMAL;
    }
    if (!SetFileInformationByHandle(handle_.get(), FileBasicInfo, &basic, sizeof basic))
      RaiseLastFileSystemError();
    protected_ = (basic.FileAttributes & kProtectingAttributes) != 0;
  }

  // Renames the copy to `target`, replacing what is there when `replace` is
  // set; false (with the system's error) when refused.
  bool PlaceAs(const std::wstring& target, bool replace) {
    const std::wstring name = NtPath(target);
    const DWORD nameBytes = static_cast<DWORD>(name.size() * sizeof(wchar_t));
    std::vector<std::byte> buffer(offsetof(FILE_RENAME_INFO, FileName) + nameBytes + sizeof(wchar_t));
    auto* info = new (buffer.data()) FILE_RENAME_INFO{};
    info->ReplaceIfExists = replace;
    info->RootDirectory = nullptr;
    info->FileNameLength = nameBytes;
    std::memcpy(info->FileName, name.c_str(), nameBytes + sizeof(wchar_t));
    if (!SetFileInformationByHandle(handle_.get(), FileRenameInfo, info, static_cast<DWORD>(buffer.size())))
      return false;
    placed_ = true;
    return true;
  }

 private:
  static HANDLE Create(const std::wstring& path) {
    return CreateFileW(SystemPath(path).c_str(), GENERIC_WRITE | DELETE, 0, nullptr, CREATE_ALWAYS,
                       FILE_ATTRIBUTE_NORMAL | FILE_FLAG_SEQUENTIAL_SCAN, nullptr);
  }

  // Marks the copy for removal when its handle closes; a read-only file
  // cannot be marked. Failures are left to RemovePartialCopies.
  void Discard() noexcept {
    const DWORD code = GetLastError();
    if (protected_) {
      FILE_BASIC_INFO basic{};
      basic.FileAttributes = FILE_ATTRIBUTE_NORMAL;
      SetFileInformationByHandle(handle_.get(), FileBasicInfo, &basic, sizeof basic);
    }
    FILE_DISPOSITION_INFO disposition{TRUE};
    SetFileInformationByHandle(handle_.get(), FileDispositionInfo, &disposition, sizeof disposition);
    handle_.Close();
    SetLastError(code);
  }

  ScopedHandle handle_;
  bool leftover_ = false;
  bool protected_ = false;
  bool placed_ = false;
};

// The copy belongs on the drive in place of a read-only, hidden or system
// target, which the system refuses to replace: such a target loses those
// attributes and the rename is tried again. A target that still cannot be
// replaced gets its attributes back.
bool PlaceOverProtectedTarget(PartialCopy& copy, const std::wstring& to) {
  const DWORD attributes = AttributesOf(to);
  if (!IsPlainFile(attributes) || !(attributes & kProtectingAttributes)) return false;
  if (!SetAttributesKeepingError(to, attributes & ~kProtectingAttributes)) return false;
  if (copy.PlaceAs(to, true)) return true;
  SetAttributesKeepingError(to, attributes);
  return false;
}

}  // namespace

void FileSystem::CopyFile(const std::wstring& source, const std::wstring& target, bool overwrite) const {
  const std::wstring from = FullPath(source);
  const bool intoFolder = !target.empty() && (target.back() == L'\\' || target.back() == L'/');
  const std::wstring to = intoFolder ? JoinPath(FullPath(target), LastComponent(from)) : FullPath(target);
  if (IsRootPath(to)) RaiseFileSystemNumber(common::ErrPermissionDenied);
  if (!overwrite && AttributesOf(to) != INVALID_FILE_ATTRIBUTES) RaiseFileSystemError(ERROR_FILE_EXISTS);

  ScopedHandle in = OpenSource(from);
  FILE_BASIC_INFO basic;
  if (!GetFileInformationByHandleEx(in.get(), FileBasicInfo, &basic, sizeof basic)) RaiseLastFileSystemError();
  // A missing target folder fails here, as 76.
  PartialCopy copy(JoinPath(ParentPath(to), PartialCopyName(LastComponent(to))));
  copy.Fill(in.get());
  copy.TakeOver(basic);
  if (copy.PlaceAs(to, overwrite)) return;
  const DWORD code = GetLastError();
  if (overwrite && code == ERROR_ACCESS_DENIED && PlaceOverProtectedTarget(copy, to)) return;
  RaiseFileSystemError(code);
}

void FileSystem::RemovePartialCopies(const std::wstring& folder) const {
  const std::wstring full = FullPath(folder);
  std::vector<std::wstring> found;
  try {
    fs_internal::ForEachEntry(
        full,
        [&](const WIN32_FIND_DATAW& data) {
          if (IsPlainFile(data.dwFileAttributes) && IsPartialCopyName(data.cFileName))
            found.push_back(JoinPath(full, data.cFileName));
        },
        L"*" + std::wstring(kPartialCopySuffix));
  } catch (const common::NumberedError&) {
    // A missing or unreadable folder is left alone; what a listing cut short found still goes.
  }
  for (const std::wstring& path : found) {
    try {
      // Removes the file as itself, never what a link leads to.
      fs_internal::RemoveFile(path, true);
    } catch (const common::NumberedError&) {
    }
  }
}

}  // namespace ferrimond

// Copying a file so that its target is at every moment either the complete
// copy or what it was before.
//
// The copy is written beside the target under its temporary name
// (PartialCopyName), given the source's times and attributes, flushed to the
// medium, and then renamed over the target through its still-open handle,
// which replaces the target in one step. Any failure up to and including
// that rename (a full disk, a drive pulled out, a source that cannot be read,
// a target in use) removes the temporary and leaves the target as it was; a
// copy cut short where nothing runs any more (a power cut) leaves only the
// temporary, which RemovePartialCopies clears later. A truncated file under
// the real name, with the current time, would pass for newer than a good
// copy elsewhere. The source's size and last-write time are read before and
// after its data, so that a file written to meanwhile is not taken for a
// consistent copy.
//
// Under Wine every open, close and rename costs a round trip to the server
// (about 50 µs), and so does the first use of a handle; later queries, the
// flush and setting the times work on the handle's cached Unix file. The
// common path makes seven, for a new target and a replaced one alike: two
// opens, the first use of each handle, the rename and two closes. Existence
// and attribute checks are made only where something failed (and before a
// copy that must not replace anything). A copy that first looks whether the
// target holds the source's bytes already reads the source for that through
// the handle it copies from: three more (the target's open, first use and
// close), not six.
#include <algorithm>
#include <cstddef>
#include <cstring>
#include <memory>
#include <new>
#include <unordered_set>
#include <utility>
#include <vector>

#include "common/numbered_error.h"
#include "ferrimond/support/case_fold.h"
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
// source is stored or kept, not the file: an offline or temporary copy
// would be left to a storage manager or to the cache).
constexpr DWORD kCopiedAttributes =
    kProtectingAttributes | FILE_ATTRIBUTE_ARCHIVE | FILE_ATTRIBUTE_NOT_CONTENT_INDEXED;
constexpr DWORD kBlockSize = 1 << 20;

void WINAPI FreeCopyBuffer(void* buffer) { delete[] static_cast<char*>(buffer); }

// The calling thread's copy buffer, freed when the thread ends. A fiber-local
// slot, not a thread_local: those go through emulated TLS with this
// compiler, which cost more than all of a small file's path work.
char* CopyBuffer() {
  static const DWORD slot = FlsAlloc(FreeCopyBuffer);
  if (slot != FLS_OUT_OF_INDEXES) {
    if (auto* buffer = static_cast<char*>(FlsGetValue(slot))) return buffer;
    auto buffer = std::make_unique<char[]>(kBlockSize);
    if (FlsSetValue(slot, buffer.get())) return buffer.release();
  }
  // No slot to be had.
  thread_local std::unique_ptr<char[]> fallback;
  if (!fallback) fallback = std::make_unique<char[]>(kBlockSize);
  return fallback.get();
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

[[noreturn]] void RaiseSourceError(DWORD code) { throw SourceFailure(FileSystemFailureFor(code)); }

ScopedHandle OpenSource(const PathForms& from) {
  ScopedHandle h(CreateFileW(from.System().c_str(), GENERIC_READ, kShareAll, nullptr, OPEN_EXISTING,
                             FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
  if (h.ok()) return h;
  const DWORD code = GetLastError();
  // A folder does not open as a file; it is no file to copy.
  if (code == ERROR_ACCESS_DENIED) {
    const DWORD attributes = AttributesOf(from.Full());
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY))
      throw SourceFailure(common::ErrFileNotFound, {});
  }
  RaiseSourceError(code);
}

// What tells whether the source was written to: its size and last-write time.
struct SourceState {
  FILE_BASIC_INFO basic;
  uint64_t size;
  bool SameAs(const SourceState& other) const {
    return size == other.size && basic.LastWriteTime.QuadPart == other.basic.LastWriteTime.QuadPart;
  }
};

SourceState StateOf(HANDLE source) {
  SourceState state;
  FILE_STANDARD_INFO standard;
  if (!GetFileInformationByHandleEx(source, FileBasicInfo, &state.basic, sizeof state.basic) ||
      !GetFileInformationByHandleEx(source, FileStandardInfo, &standard, sizeof standard))
    RaiseSourceError(GetLastError());
  state.size = static_cast<uint64_t>(standard.EndOfFile.QuadPart);
  return state;
}

// The copy under its temporary name: removed when it goes unless it was
// renamed into place.
class PartialCopy {
 public:
  // `target`: the file the copy will be.
  PartialCopy(const PathForms& path, const std::wstring& target) : handle_(Create(path, CREATE_NEW)) {
    if (handle_.ok()) return;
    const DWORD code = GetLastError();
    // Another copy's temporary is there (or, denied, may be).
    const bool there = code == ERROR_FILE_EXISTS || code == ERROR_ALREADY_EXISTS || code == ERROR_ACCESS_DENIED;
    if (!there || !IsPlainFile(AttributesOf(path.Full()))) RaiseFileSystemError(code);
    // Where the file itself is missing, the temporary may be all that is left
    // of it (a power cut on FAT between the removal of the old file and the
    // rename of the new one). Otherwise it is a leftover, replaced.
    if (AttributesOf(target) == INVALID_FILE_ATTRIBUTES)
      RaiseFileSystemNumber(ErrPartialCopyKept, L"The unfinished copy \"" + path.Full() +
                                                    L"\" was kept because the file itself is missing.");
    // A leftover may keep the attributes it had.
    leftover_ = true;
    handle_ = ScopedHandle(Create(path, CREATE_ALWAYS));
    if (handle_.ok()) return;
    // A leftover that took over a read-only or hidden source's attributes
    // refuses to be recreated.
    if (GetLastError() == ERROR_ACCESS_DENIED && SetAttributesKeepingError(path.Full(), FILE_ATTRIBUTE_NORMAL))
      handle_ = ScopedHandle(Create(path, CREATE_ALWAYS));
    if (!handle_.ok()) RaiseLastFileSystemError();
  }
  ~PartialCopy() {
    if (handle_.ok() && !placed_) Discard();
  }
  PartialCopy(const PartialCopy&) = delete;
  PartialCopy& operator=(const PartialCopy&) = delete;

  // Copies `size` bytes of `source` from where it stands (fewer where it
  // ends sooner).
  void Fill(HANDLE source, uint64_t size) {
    char* buffer = CopyBuffer();
    for (uint64_t left = size; left > 0; ) {
      DWORD got = 0, put = 0;
      if (!ReadFile(source, buffer, static_cast<DWORD>(std::min<uint64_t>(left, kBlockSize)), &got, nullptr))
        RaiseSourceError(GetLastError());
      if (got == 0) return;
      if (!WriteFile(handle_.get(), buffer, got, &put, nullptr)) RaiseLastFileSystemError();
      if (put != got) RaiseFileSystemError(ERROR_DISK_FULL);
      left -= got;
    }
  }

  // Empties the copy and rewinds `source`, for a copy from the start.
  void Restart(HANDLE source) {
    const LARGE_INTEGER start{};
    if (!SetFilePointerEx(source, start, nullptr, FILE_BEGIN)) RaiseSourceError(GetLastError());
    if (!SetFilePointerEx(handle_.get(), start, nullptr, FILE_BEGIN) || !SetEndOfFile(handle_.get()))
      RaiseLastFileSystemError();
  }

  // Writes what the system still holds of the copy to the medium, so that a
  // power cut after the rename cannot leave a file of the right name and
  // date with missing data.
  void Flush() {
    if (!FlushFileBuffers(handle_.get())) RaiseLastFileSystemError();
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
  static HANDLE Create(const PathForms& path, DWORD disposition) {
    return CreateFileW(path.System().c_str(), GENERIC_WRITE | DELETE, 0, nullptr, disposition,
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

// The paths of a copy's source and target (see CopyFile).
struct CopyPaths {
  PathForms from, to;
};
CopyPaths PathsOf(const std::wstring& source, const std::wstring& target) {
  std::wstring from = FullPath(source);
  const bool intoFolder = !target.empty() && (target.back() == L'\\' || target.back() == L'/');
  std::wstring to = intoFolder ? JoinPath(FullPath(target), LastComponent(from)) : FullPath(target);
  return {PathForms(std::move(from)), PathForms(std::move(to))};
}

// True when the file at `to` holds the bytes that `source`, of `size`
// bytes, holds from where it stands, and both end there; false also where
// `to` cannot be read, or is the source itself.
bool TargetHolds(HANDLE source, uint64_t size, const PathForms& to) {
  ScopedHandle target(CreateFileW(to.System().c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                  OPEN_EXISTING, FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
  LARGE_INTEGER targetSize{};
  if (!target.ok() || !GetFileSizeEx(target.get(), &targetSize) || static_cast<uint64_t>(targetSize.QuadPart) != size)
    return false;
  // A link at `to` that leads to the source is no copy of it.
  if (fs_internal::SameFile(source, target.get())) return false;
  char* ours = CopyBuffer();
  char* theirs = ours + kBlockSize / 2;
  for (uint64_t left = size; left > 0;) {
    const DWORD block = static_cast<DWORD>(std::min<uint64_t>(left, kBlockSize / 2));
    DWORD a = 0, b = 0;
    if (!ReadFile(source, ours, block, &a, nullptr)) RaiseSourceError(GetLastError());
    if (!ReadFile(target.get(), theirs, block, &b, nullptr) || a != b || a == 0 || std::memcmp(ours, theirs, a) != 0)
      return false;
    left -= a;
  }
  // Both at their end: one that grew meanwhile holds more than was compared.
  DWORD a = 0, b = 0;
  return ReadFile(source, ours, 1, &a, nullptr) && a == 0 && ReadFile(target.get(), theirs, 1, &b, nullptr) && b == 0;
}

// A root is no file to copy onto.
void RefuseRoot(const PathForms& target) {
  if (IsRootPath(target.Full())) RaiseFileSystemNumber(common::ErrPermissionDenied);
}

// Copies the open source, last seen in `state`, to `to` (not a root).
void CopyOpened(HANDLE in, SourceState state, const PathForms& to, bool overwrite) {
  // A missing target folder fails here, as 76.
  const std::wstring_view name = std::wstring_view(to.Full()).substr(to.Full().find_last_of(L'\\') + 1);
  PartialCopy copy(to.Beside(PartialCopyName(name)), to.Full());
  for (int copies = 1;; ++copies) {
    copy.Fill(in, state.size);
    const SourceState after = StateOf(in);
    const bool unchanged = after.SameAs(state);
    state = after;
    if (unchanged) break;
    if (copies == 2) throw SourceFailure(ErrChangedWhileCopied, {});
    copy.Restart(in);
  }
  copy.TakeOver(state.basic);
  copy.Flush();
  if (copy.PlaceAs(to.Full(), overwrite)) return;
  const DWORD code = GetLastError();
  if (overwrite && code == ERROR_ACCESS_DENIED && PlaceOverProtectedTarget(copy, to.Full())) return;
  RaiseFileSystemError(code);
}

}  // namespace

void FileSystem::CopyFile(const std::wstring& source, const std::wstring& target, bool overwrite) const {
  const CopyPaths paths = PathsOf(source, target);
  // A target that is there fails before the source is read; one that comes
  // meanwhile, at the rename.
  RefuseRoot(paths.to);
  if (!overwrite && GetFileAttributesW(paths.to.System().c_str()) != INVALID_FILE_ATTRIBUTES)
    RaiseFileSystemError(ERROR_FILE_EXISTS);
  CopyFile(paths.from, paths.to, overwrite);
}

void FileSystem::CopyFile(const PathForms& source, const PathForms& target, bool overwrite) const {
  RefuseRoot(target);
  ScopedHandle in = OpenSource(source);
  CopyOpened(in.get(), StateOf(in.get()), target, overwrite);
}

bool FileSystem::CopyFileUnlessSame(const std::wstring& source, const std::wstring& target) const {
  const CopyPaths paths = PathsOf(source, target);
  return CopyFileUnlessSame(paths.from, paths.to);
}

bool FileSystem::CopyFileUnlessSame(const PathForms& source, const PathForms& target) const {
  RefuseRoot(target);
  ScopedHandle in = OpenSource(source);
  const SourceState state = StateOf(in.get());
  // A source written to while it was compared is copied all the same.
  if (TargetHolds(in.get(), state.size, target) && StateOf(in.get()).SameAs(state)) return false;
  const LARGE_INTEGER start{};
  if (!SetFilePointerEx(in.get(), start, nullptr, FILE_BEGIN)) RaiseSourceError(GetLastError());
  CopyOpened(in.get(), state, target, true);
  return true;
}

bool FileSystem::SameBytes(const std::wstring& a, const std::wstring& b) const {
  ScopedHandle in(CreateFileW(SystemPath(FullPath(a)).c_str(), GENERIC_READ, kShareAll, nullptr, OPEN_EXISTING,
                              FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
  LARGE_INTEGER size{};
  if (!in.ok() || !GetFileSizeEx(in.get(), &size)) return false;
  try {
    return TargetHolds(in.get(), static_cast<uint64_t>(size.QuadPart), PathForms(FullPath(b)));
  } catch (const common::NumberedError&) {
    return false;
  }
}

bool FileSystem::SameFile(const std::wstring& a, const std::wstring& b) const {
  auto open = [](const std::wstring& path) {
    return ScopedHandle(CreateFileW(SystemPath(FullPath(path)).c_str(), FILE_READ_ATTRIBUTES, kShareAll, nullptr,
                                    OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr));
  };
  const ScopedHandle first = open(a), second = open(b);
  return first.ok() && second.ok() && fs_internal::SameFile(first.get(), second.get());
}

std::vector<std::wstring> FileSystem::RemovePartialCopies(const std::wstring& folder) const {
  const std::wstring full = FullPath(folder);
  std::vector<std::wstring> found, kept;
  // The temporary names of the files there (in upper case): a temporary's
  // own name may be cut short, so it is matched, not taken apart.
  std::unordered_set<std::wstring> wanted;
  try {
    fs_internal::ForEachEntry(
        full,
        [&](const WIN32_FIND_DATAW& data) {
          if (IsPlainFile(data.dwFileAttributes) && IsPartialCopyName(data.cFileName)) found.push_back(data.cFileName);
        },
        L"*" + std::wstring(kPartialCopySuffix));
    if (found.empty()) return kept;
    fs_internal::ForEachEntry(full, [&](const WIN32_FIND_DATAW& data) {
      if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) return;
      // (A temporary whose name was cut short would be its own file.)
      std::wstring name = PartialCopyName(data.cFileName);
      if (name != data.cFileName) wanted.insert(UpperText(name));
    });
  } catch (const common::NumberedError&) {
    // A missing or unreadable folder is left alone; of a listing cut short,
    // what it found (kept where its file was not seen).
  }
  for (const std::wstring& name : found) {
    const std::wstring path = JoinPath(full, name);
    if (!wanted.contains(UpperText(name))) {
      kept.push_back(path);
      continue;
    }
    try {
      // Removes the file as itself, never what a link leads to.
      fs_internal::RemoveFile(path, true);
    } catch (const common::NumberedError&) {
    }
  }
  return kept;
}

}  // namespace ferrimond

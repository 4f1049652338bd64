#pragma once
// The file-system service: drives, folders and files over the system's
// wide-character calls, so any file name works and paths may be longer than
// the classic 260-character limit.
//
// Failures raise FileSystemFailure (a common::NumberedError) with the
// numbers of FileSystemErrorNumber (file_system_errors.h): 53, 70, 71, 76,
// common::ErrDiskFull and ErrWriteProtected among them.
//
// Files() and SubFolders() carry what the folder listing returned (name,
// size, attributes, times), so walking a tree costs one listing per folder
// and no call per file.
#include <windows.h>

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "common/ole_date.h"
#include "ferrimond/support/file_identity.h"
#include "ferrimond/support/file_system_paths.h"

// The service's CopyFile and DeleteFile are names of their own, not the
// system's ANSI/wide switching macros (call CopyFileW / DeleteFileW directly).
#undef CopyFile
#undef DeleteFile

namespace ferrimond {

// Runs after each file or folder that a delete has removed: the place where
// a long delete yields to the window's loop.
using DeleteProgress = std::function<void()>;

// What a delete of a tree leaves in place: the files created or last
// written at or after `since` (UTC), and the folders that hold them. Their
// paths are added to `kept`.
struct KeepNewer {
  FILETIME since{};
  std::vector<std::wstring> kept;
  bool Keeps(const FILETIME& created, const FILETIME& written) const {
    return CompareFileTime(&created, &since) >= 0 || CompareFileTime(&written, &since) >= 0;
  }
};

enum DriveTypeNumber : int32_t {
  DriveUnknown = 0,
  DriveRemovable = 1,
  DriveFixed = 2,
  DriveNetwork = 3,
  DriveCdRom = 4,
  DriveRamDisk = 5,
};

class Drive {
 public:
  explicit Drive(wchar_t letter);

  // One upper-case letter, no colon.
  std::wstring DriveLetter() const { return std::wstring(1, letter_); }
  // "E:\"
  std::wstring RootPath() const;
  // DriveTypeNumber.
  int32_t DriveType() const;
  // Bytes the current user may still write; 71 when there is no medium.
  uint64_t FreeSpace() const;
  // "NTFS", "FAT32", "exFAT", ...; empty when the system does not tell (no
  // medium; Wine for a removable drive that is a folder).
  std::wstring FileSystemName() const;
  // The volume's serial number; 71 when there is no medium.
  uint32_t SerialNumber() const;
  // The medium in the drive: its volume's serial number with its root
  // folder's index. Raises 71 when there is no medium.
  FileIdentity Medium() const;

 private:
  wchar_t letter_;
};

class Folder;
struct FolderListing;

class File {
 public:
  // Name in the letter case of the file system.
  const std::wstring& Name() const { return name_; }
  const std::wstring& Path() const { return path_; }
  Folder ParentFolder() const;
  uint64_t Size() const { return size_; }
  uint32_t Attributes() const { return attributes_; }
  bool IsReparsePoint() const { return (attributes_ & FILE_ATTRIBUTE_REPARSE_POINT) != 0; }
  // Last write and creation, UTC.
  const FILETIME& LastWriteTime() const { return lastWrite_; }
  const FILETIME& CreationTime() const { return created_; }
  // Last write as a local date-time, to the second.
  common::DateTime DateLastModified() const;
  // A read-only file raises 70 unless `force` is set.
  void Delete(bool force = false) const;

 private:
  friend class Folder;
  friend class FileSystem;
  File(const std::wstring& folder, const WIN32_FIND_DATAW& data);

  std::wstring name_, path_;
  uint64_t size_ = 0;
  uint32_t attributes_ = 0;
  FILETIME lastWrite_{}, created_{};
};

class Folder {
 public:
  // Full path; a root as "E:\" with its backslash, others without one.
  const std::wstring& Path() const { return path_; }
  // Last component; empty for a root.
  std::wstring Name() const;
  uint32_t Attributes() const { return attributes_; }
  // A junction or symbolic link (also a Unix symlink to a folder under Wine).
  bool IsReparsePoint() const { return (attributes_ & FILE_ATTRIBUTE_REPARSE_POINT) != 0; }
  bool IsRootFolder() const;

  std::vector<File> Files() const;
  std::vector<Folder> SubFolders() const;
  // Both from one listing (a listing costs about half a millisecond under
  // Wine).
  FolderListing List() const;
  // None for a root.
  std::optional<Folder> ParentFolder() const;
  // The identity of what the path leads to (links followed): the 128-bit id
  // where the system gives one, else the 64-bit index.
  FileIdentity Identity() const;
  // The 64-bit index alone, 0 when unknown: asking for the volume's serial
  // number costs about half a millisecond under Wine, four times the rest.
  // Folders on different volumes may share an index. A folder that came
  // from List() knows it from the listing (but for a link) and opens nothing.
  uint64_t FileIndex() const;
  // Removes the folder and everything in it; see FileSystem::DeleteFolder.
  void Delete(bool force = false) const;

 private:
  friend class File;
  friend class FileSystem;
  Folder(std::wstring fullPath, uint32_t attributes) : path_(std::move(fullPath)), attributes_(attributes) {}

  std::wstring path_;
  uint32_t attributes_ = 0;
  // The index its parent's listing gave it; 0 when unknown.
  uint64_t listedIndex_ = 0;
};

struct FolderListing {
  std::vector<File> files;
  std::vector<Folder> subFolders;
};

class FileSystem {
 public:
  // Every drive, in letter order.
  std::vector<Drive> Drives() const;
  // `drive` is "E", "E:" or "E:\" (any letter case).
  bool DriveExists(const std::wstring& drive) const;
  // 5 for a text that is not a drive name, 68 for a letter not in use.
  Drive GetDrive(const std::wstring& drive) const;
  // The medium in `drive` now (Drive::Medium); none where the letter is gone
  // or its medium cannot be read.
  std::optional<FileIdentity> MediumIn(const std::wstring& drive) const;

  bool FolderExists(const std::wstring& path) const;
  bool FileExists(const std::wstring& path) const;
  // The attributes of a file or folder; INVALID_FILE_ATTRIBUTES when absent.
  uint32_t Attributes(const std::wstring& path) const;
  // 76 when there is no such folder.
  Folder GetFolder(const std::wstring& path) const;
  // 53 when there is no such file.
  File GetFile(const std::wstring& path) const;
  // GetFile for a path whose name is known to be spelt as the file system
  // spells it (it came from a listing): the name is taken as given, so one
  // attribute query does instead of a listing of the folder.
  File GetListedFile(const std::wstring& path) const;
  // Makes one folder whose parent exists: 76 when the parent is missing,
  // 58 when the folder already exists.
  Folder CreateFolder(const std::wstring& path) const;

  // Copies one file. `target` is either a folder path ending in "\" (the
  // copy keeps the source's name) or the full path of the copy. The copy
  // keeps the source's creation and last-write times and its attributes
  // (not offline or temporary). It is written under a temporary name beside
  // the target (PartialCopyName), flushed, and renamed into place only when
  // complete, so a copy that fails or is cut short never leaves a truncated
  // file under the target's name: after a failure the temporary is gone and
  // an existing target is as it was. An existing target is replaced in one
  // step, also when it is read-only, hidden or system; with `overwrite`
  // false it raises 58 instead. A missing target folder raises 76, a full
  // disk common::ErrDiskFull. Failures opening, querying or reading the
  // source raise SourceFailure; a source whose size or last-write time
  // changes during the copy is copied once more, and raises
  // ErrChangedWhileCopied (a SourceFailure) if it changes again. A temporary
  // found where the target is missing may be the only copy left by a power
  // cut: it is kept, and the copy raises ErrPartialCopyKept naming it.
  void CopyFile(const std::wstring& source, const std::wstring& target, bool overwrite = true) const;
  // CopyFile with `overwrite`, unless the target holds the source's bytes
  // already: then nothing is written, the target stays as it is (times and
  // attributes too) and the answer is false. The source is compared through
  // the handle it is copied from.
  bool CopyFileUnlessSame(const std::wstring& source, const std::wstring& target) const;
  // Both, for a source and a target whose forms a walk has worked out
  // already (a target ending in "\" is no folder here). Without `overwrite`
  // a target that is there fails only at the rename, after the copy: the
  // walk has just looked.
  void CopyFile(const PathForms& source, const PathForms& target, bool overwrite = true) const;
  bool CopyFileUnlessSame(const PathForms& source, const PathForms& target) const;
  // True when the files at `a` and `b` hold the same bytes; false also
  // where either cannot be read, or where both lead to one file (a link
  // is no copy). Raises nothing.
  bool SameBytes(const std::wstring& a, const std::wstring& b) const;
  // True when the paths `a` and `b` lead to one file (links followed).
  bool SameFile(const std::wstring& a, const std::wstring& b) const;
  // Removes the temporaries of copies that were cut short (IsPartialCopyName)
  // directly in `folder`, from one listing, where their file is there too;
  // links and folders are left alone, and so is a temporary that cannot be
  // removed. Returns the full paths of the temporaries kept because their
  // file is missing (see CopyFile). Raises nothing.
  std::vector<std::wstring> RemovePartialCopies(const std::wstring& folder) const;

  // Where a junction or a symbolic link to a folder leads, as a full path
  // ("\\?\Volume{...}\" for a volume without a drive letter); none where it
  // cannot be read (Wine does not read Unix symlinks this way).
  std::optional<std::wstring> LinkTarget(const std::wstring& path) const;
  // The path the system reaches through `path`, links followed, as a full
  // path ("E:\...", "\\server\share\..."); none when it cannot open it.
  std::optional<std::wstring> FinalPath(const std::wstring& path) const;
  // Whether the volume of `path` (its drive root or \\server\share\) answers.
  bool VolumeReachable(const std::wstring& path) const;

  // A read-only file or folder raises 70 unless `force` is set; so does one
  // in use.
  void DeleteFile(const std::wstring& path, bool force = false) const;
  // Removes a whole tree, stopping at the first failure (what was removed
  // before it stays removed). Links inside the tree (junctions, symbolic
  // links) are never followed: each is removed as the link itself, and where
  // the system cannot remove a link without touching what it points to (Wine
  // resolves every link it opens) the delete stops with 70 and the link and
  // its target stay as they were. A drive root cannot be deleted (70).
  // `progress` runs after every entry removed. With `keep`, newer files stay.
  void DeleteFolder(const std::wstring& path, bool force = false, const DeleteProgress& progress = {},
                    KeepNewer* keep = nullptr) const;
};

// Whether a file system of that name ("FAT32", from Drive::FileSystemName)
// can hold a file of `size` bytes: the FAT family holds less than 4 GiB.
bool FileSystemHoldsSize(const std::wstring& fileSystemName, uint64_t size);

// Test seams: what Drive::FileSystemName and FileSystem::LinkTarget answer
// (given the drive's root, the link's full path); an empty function restores
// the system's answer. Not for use while other threads use the service.
void SetFileSystemNameQueryForTests(std::function<std::wstring(const std::wstring& root)> query);
void SetLinkTargetQueryForTests(std::function<std::optional<std::wstring>(const std::wstring& link)> query);

}  // namespace ferrimond

// The folder walk of a backup: every file of a chosen folder (and, with
// IncludeSubDirs, of its sub-folders) through the exclusion, type and date
// tests; the paths that pass go into SelectionList.
#include <algorithm>
#include <optional>

#include "common/numbered_error.h"
#include "ferrimond/mainwindow/frmbackup.h"
#include "ferrimond/support/file_system_errors.h"
#include "ferrimond/support/file_system_handle.h"
#include "ferrimond/support/file_system_paths.h"
#include "ferrimond/support/file_times.h"

namespace ferrimond {

namespace {

constexpr wchar_t kPausePrompt[] = L"Would you like to abort the backup ?";
constexpr wchar_t kPauseTitle[] = L"Ferrimond is paused";
constexpr wchar_t kPathNotFoundMessage[] =
    L"Make sure you have a directory on removable disk!\r\n Make sure the file you are accessing is closed!";
constexpr wchar_t kDiskNotReadyMessage[] = L"Please make sure a disk is inserted and then click the OK button";

// The hidden system links that profiles keep for old programs ("My
// Documents", "Application Data" inside a profile and the like): they lead
// to folders the walk reaches anyway, and refuse to be listed.
bool IsCompatibilityLink(const Folder& folder) {
  constexpr uint32_t kHiddenSystem = FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM;
  return folder.IsReparsePoint() && (folder.Attributes() & kHiddenSystem) == kHiddenSystem;
}

// A file's last-write time as it is now, read from its attributes: no
// handle is opened (under Wine each open is a round trip to the server),
// and the time is current even where a listing lags behind (NTFS brings a
// listed time up to date only when the writer closes the file). A file
// link is read through: the copy copies what it leads to, so the date test
// looks at that too.
struct WriteTime {
  std::optional<FILETIME> time;  // none when it could not be read
  bool gone = false;             // the file is not there any more
  std::optional<uint64_t> size;  // read with the time (not through a link)
};
WriteTime WrittenNow(const std::wstring& path, bool link) {
  const std::wstring system = SystemPath(path);
  if (link) {
    ScopedHandle h(CreateFileW(system.c_str(), FILE_READ_ATTRIBUTES,
                               FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                               FILE_FLAG_BACKUP_SEMANTICS, nullptr));
    FILE_BASIC_INFO basic;
    if (h.ok() && GetFileInformationByHandleEx(h.get(), FileBasicInfo, &basic, sizeof basic))
      return {FILETIME{basic.LastWriteTime.LowPart, static_cast<DWORD>(basic.LastWriteTime.HighPart)}, false,
              std::nullopt};
  } else {
    WIN32_FILE_ATTRIBUTE_DATA data;
    if (GetFileAttributesExW(system.c_str(), GetFileExInfoStandard, &data))
      return {data.ftLastWriteTime, false, (uint64_t{data.nFileSizeHigh} << 32) | data.nFileSizeLow};
  }
  const DWORD code = GetLastError();
  return {std::nullopt, code == ERROR_FILE_NOT_FOUND || code == ERROR_PATH_NOT_FOUND, std::nullopt};
}

// The date test: the file, by the name it is listed under, was last written
// strictly later than the marker. A file held open without sharing is
// selected like any other, and so is one whose time cannot be read (a link
// to a share that is offline): the copy then reports it as not copied,
// rather than the run leaving a changed file out without a word. A file
// gone since the listing is not selected. `size` gets the file's size where
// it was read too.
bool WrittenAfter(const File& file, const FILETIME& threshold, std::optional<uint64_t>& size) {
  const WriteTime written = WrittenNow(file.Path(), file.IsReparsePoint());
  size = written.size;
  if (!written.time) return !written.gone;
  return CompareFileTime(&*written.time, &threshold) == 1;
}

// A walk never goes deeper than the drive's mirror can (FolderLevels).
constexpr int kMaxDepth = 99;

}  // namespace

void Frmbackup::IterateFolders(const Folder& folder, int16_t depth) {
  const std::wstring real =
      folder.IsReparsePoint() ? FileSystem().FinalPath(folder.Path()).value_or(std::wstring()) : std::wstring();
  if (AncestorExcluded(real)) return;
  walkThreshold_.reset();
  IterateFolders(folder, depth, real);
}

std::optional<FileIdentity> Frmbackup::FolderIdentity(const std::wstring& path) const {
  if (FolderProbe.identity) return FolderProbe.identity(path);
  try {
    return FileSystem().GetFolder(path).Identity();
  } catch (const common::NumberedError&) {
    return std::nullopt;
  }
}

// The index alone is cheap to ask for; only where it matches a walked
// folder's are the whole identities compared.
bool Frmbackup::AlreadyWalked(const Folder& folder) {
  uint64_t index = 0;
  try {
    index = FolderProbe.index ? FolderProbe.index(folder) : folder.FileIndex();
  } catch (const common::NumberedError&) {
    // Unknown: the guard asks for the whole identity.
  }
  return WalkedFolders.EnteredBefore(folder.Path(), index);
}

bool Frmbackup::Excluded(const std::wstring& path, const std::wstring& realPath) const {
  if (CheckFolder(path)) return true;
  return !realPath.empty() && CheckFolder(realPath);
}

bool Frmbackup::AncestorExcluded(const std::wstring& realPath) const {
  for (std::wstring level = realPath; !level.empty() && !IsRootPath(level); level = ParentPath(level)) {
    if (CheckFolder(level)) return true;
  }
  return false;
}

bool Frmbackup::LinkLeadsNowhere(const Folder& link, const common::NumberedError& failure) const {
  const auto* system = dynamic_cast<const FileSystemFailure*>(&failure);
  const DWORD code = system ? system->SystemCode() : 0;
  if (code != ERROR_PATH_NOT_FOUND && code != ERROR_FILE_NOT_FOUND) return false;
  // Only a target known to be absent from a volume that answers: a drive
  // unplugged or a share offline leaves its folders unread, not empty.
  const std::optional<std::wstring> target = FileSystem().LinkTarget(link.Path());
  return target && FileSystem().VolumeReachable(*target);
}

bool Frmbackup::WalkFailureGoesOn(int32_t errorNumber) {
  switch (errorNumber) {
    case common::ErrPermissionDenied:
      return true;
    case common::ErrPathNotFound:
      Ui().MsgBox(kPathNotFoundMessage);
      return false;
    case common::ErrDiskNotReady:
      Ui().MsgBox(kDiskNotReadyMessage);
      CmdContinue.SetValue(true);
      return false;
    default:
      return false;
  }
}

// Each step runs under the folder's failure handler: a step that fails with
// "permission denied" is passed over, any other failure ends this folder.
// A nested walk handles its own failures, so its caller goes on.
void Frmbackup::IterateFolders(const Folder& folder, int16_t depth, const std::wstring& realPath) {
  if (!SelectionList) SelectionList = std::make_unique<List>();

  // A link the system does not report as one (a bind mount, say) can lead
  // back up the tree as well as a link can: a folder the run has walked is
  // not walked again.
  if (AlreadyWalked(folder)) return;

  // Files and sub-folders from one listing. A folder that cannot be listed
  // is passed over, and the run reports it as not backed up.
  FolderListing listing;
  try {
    listing = folder.List();
  } catch (const common::NumberedError& failure) {
    // A link below a chosen folder may lead nowhere; a chosen folder that
    // does is reported.
    if (depth > 0 && folder.IsReparsePoint() && LinkLeadsNowhere(folder, failure)) return;
    FoldersNotRead.push_back({folder.Path(), L"The folder could not be read: " + failure.Description()});
    if (!WalkFailureGoesOn(failure.Number())) return;
  }
  const std::vector<File>& files = listing.files;

  if (depth > kMaxDepth) {
    FoldersNotRead.push_back({folder.Path(), L"The folder lies more than 100 levels deep."});
    return;
  }
  for (const File& file : files) {
    try {
      // Each new text is a redraw (a server round trip under Wine): the box
      // shows the run's first file, then the file of the moment every 100 ms.
      if (const ULONGLONG now = GetTickCount64(); FilesChecked == 0 || now - progressShownAt_ >= 100) {
        progressShownAt_ = now;
        txtPrgBar.SetText(file.Path());
      }
      forms::DoEventsPaced();
      ++FilesChecked;
      if (PauseFlag) {
        if (Ui().MsgBox(kPausePrompt, forms::MsgButtons::YesNo, forms::MsgIcon::None, kPauseTitle) ==
            forms::MsgResult::Yes) {
          CmdStop.SetValue(true);
        } else {
          CmdPause.SetValue(true);
        }
        PauseHandler();
      }
      // Every further folder is left the same way at its first file.
      if (AbortFlag) return;
      if (CheckFileName(file.Name())) continue;
      if (!CheckFiles(StrArray, file.Name())) continue;
      // The marker is read at the first file that comes to the date test,
      // once for the walk of a chosen folder (for every file it doubled the
      // cost of the test, and for every folder it cost a tenth).
      if (!walkThreshold_) {
        walkThreshold_ = WrittenNow(kThresholdMarker, false).time;
        // Without the start time nothing can be judged: the folder is
        // reported, not passed over as holding nothing new.
        if (!walkThreshold_) {
          FoldersNotRead.push_back({folder.Path(), L"The time to back up from could not be read."});
          return;
        }
      }
      std::optional<uint64_t> size;
      if (WrittenAfter(file, *walkThreshold_, size)) {
        SelectionList->Add(file.Path());
        if (size) SizedFiles.insert_or_assign(file.Path(), SizedEntry{*size, false});
      }
    } catch (const common::NumberedError& failure) {
      if (!WalkFailureGoesOn(failure.Number())) return;
    }
  }

  if (!IncludeSubDirs) return;
  for (const Folder& sub : listing.subFolders) {
    try {
      forms::DoEventsPaced();
      if (IsCompatibilityLink(sub)) continue;
      // Folder links (junctions, symbolic links) are followed: reading
      // through them is safe, and the guard above keeps the walk from
      // looping or walking one folder twice. Below a link the walk knows
      // where it really is, for the exclusions.
      std::wstring real = realPath.empty() ? std::wstring() : JoinPath(realPath, sub.Name());
      if (sub.IsReparsePoint()) {
        real = FileSystem().FinalPath(sub.Path()).value_or(std::wstring());
        // A link into an excluded folder, at any depth, brings none of it back.
        if (AncestorExcluded(real)) continue;
      }
      if (Excluded(sub.Path(), real)) continue;
      IterateFolders(sub, static_cast<int16_t>(depth + 1), real);
    } catch (const common::NumberedError& failure) {
      if (!WalkFailureGoesOn(failure.Number())) return;
    }
  }
}

}  // namespace ferrimond

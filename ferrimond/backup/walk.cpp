// The folder walk of a backup: every file of a chosen folder (and, with
// IncludeSubDirs, of its sub-folders) through the exclusion, type and date
// tests; the paths that pass go into SelectionList.
#include <algorithm>
#include <optional>

#include "common/numbered_error.h"
#include "ferrimond/mainwindow/frmbackup.h"
#include "ferrimond/support/file_system_paths.h"
#include "ferrimond/support/file_times.h"

namespace ferrimond {

namespace {

constexpr wchar_t kPausePrompt[] = L"Would you like to abort the backup ?";
constexpr wchar_t kPauseTitle[] = L"Ferrimond is paused";
constexpr wchar_t kPathNotFoundMessage[] =
    L"Make sure you have a directory on removable disk!\r\n Make sure the file you are accessing is closed!";
constexpr wchar_t kDiskNotReadyMessage[] = L"Please make sure a disk is inserted and then click the OK button";

// A guard that keeps a folder on the walk's current path while it is walked.
class OnPath {
 public:
  OnPath(std::vector<Frmbackup::WalkedFolder>& path, Frmbackup::WalkedFolder folder) : path_(path) {
    path_.push_back(std::move(folder));
  }
  ~OnPath() { path_.pop_back(); }
  OnPath(const OnPath&) = delete;
  OnPath& operator=(const OnPath&) = delete;

 private:
  std::vector<Frmbackup::WalkedFolder>& path_;
};

// True when `folder`, whose index is `index`, is one of the folders on the
// path. The index alone is cheap to ask for; only where it matches are the
// whole identities (volume and index) compared.
bool AlreadyOnPath(const Folder& folder, uint64_t index, const std::vector<Frmbackup::WalkedFolder>& path) {
  std::optional<FileIdentity> identity;
  for (const Frmbackup::WalkedFolder& walked : path) {
    if (walked.index != index) continue;
    try {
      if (!identity) identity = folder.Identity();
      if (FileSystem().GetFolder(walked.path).Identity() == *identity) return true;
    } catch (const common::NumberedError&) {
      // A folder that cannot be identified is walked all the same.
      return false;
    }
  }
  return false;
}

// A file's last-write time as it is now, read from its attributes: no
// handle is opened (under Wine each open is a round trip to the server),
// and the time is current even where a listing lags behind (NTFS brings a
// listed time up to date only when the writer closes the file). None when
// the file cannot be read.
std::optional<FILETIME> WrittenNow(const std::wstring& path) {
  WIN32_FILE_ATTRIBUTE_DATA data;
  if (!GetFileAttributesExW(SystemPath(path).c_str(), GetFileExInfoStandard, &data)) return std::nullopt;
  return data.ftLastWriteTime;
}

// The date test: the file, by the name it is listed under, was last written
// strictly later than the marker. A file held open without sharing is
// selected like any other; the copy then reports it as not copied, rather
// than the run leaving a changed file out without a word. A file gone since
// the listing is not selected.
bool WrittenAfter(const File& file, const FILETIME& threshold) {
  const std::optional<FILETIME> written = WrittenNow(file.Path());
  return written && CompareFileTime(&*written, &threshold) == 1;
}

}  // namespace

void Frmbackup::IterateFolders(const Folder& folder, int16_t depth) {
  std::vector<WalkedFolder> path;
  IterateFolders(folder, depth, path);
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
void Frmbackup::IterateFolders(const Folder& folder, int16_t depth, std::vector<WalkedFolder>& path) {
  if (!SelectionList) SelectionList = std::make_unique<List>();

  // A link the system does not report as one (a bind mount, say) can still
  // lead back up the tree: a folder already on the path is not walked
  // again. A folder that cannot be identified is walked all the same; if it
  // cannot be read either, the listing below meets that failure.
  std::optional<OnPath> onPath;
  try {
    const uint64_t index = folder.FileIndex();
    if (AlreadyOnPath(folder, index, path)) return;
    onPath.emplace(path, WalkedFolder{index, folder.Path()});
  } catch (const common::NumberedError&) {
  }

  // Files and sub-folders from one listing; a folder that cannot be
  // listed and is passed over has neither.
  FolderListing listing;
  try {
    listing = folder.List();
  } catch (const common::NumberedError& failure) {
    if (!WalkFailureGoesOn(failure.Number())) return;
  }
  const std::vector<File>& files = listing.files;

  // The marker is read at the first file of the folder that comes to the
  // date test, not for every file (that doubled the cost of the test); a
  // change to it shows from the next folder on.
  bool markerRead = false;
  std::optional<FILETIME> threshold;
  for (const File& file : files) {
    try {
      if (FilesChecked % 10 == 0) txtPrgBar.SetText(file.Path());
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
      if (!markerRead) {
        threshold = WrittenNow(kThresholdMarker);
        markerRead = true;
      }
      if (threshold && WrittenAfter(file, *threshold)) SelectionList->Add(file.Path());
    } catch (const common::NumberedError& failure) {
      if (!WalkFailureGoesOn(failure.Number())) return;
    }
  }

  if (!IncludeSubDirs) return;
  for (const Folder& sub : listing.subFolders) {
    try {
      forms::DoEventsPaced();
      // Links (junctions, symbolic links) are never followed: they lead
      // elsewhere on the disk or back up the tree. (A chosen folder that is
      // itself a link is walked: the user picked it.)
      if (sub.IsReparsePoint()) continue;
      if (!CheckFolder(sub.Path())) IterateFolders(sub, static_cast<int16_t>(depth + 1), path);
    } catch (const common::NumberedError& failure) {
      if (!WalkFailureGoesOn(failure.Number())) return;
    }
  }
}

}  // namespace ferrimond

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
  IterateFolders(folder, depth, false);
}

// The index alone is cheap to ask for; only where it matches a walked
// folder's are the whole identities (volume and index) compared.
bool Frmbackup::AlreadyWalked(const Folder& folder) {
  const uint64_t index = folder.FileIndex();
  std::optional<FileIdentity> identity;
  auto [first, last] = WalkedFolders.equal_range(index);
  for (auto it = first; it != last; ++it) {
    try {
      if (!identity) identity = folder.Identity();
      if (FileSystem().GetFolder(it->second).Identity() == *identity) return true;
    } catch (const common::NumberedError&) {
      // A folder that cannot be identified is walked all the same.
      return false;
    }
  }
  WalkedFolders.emplace(index, folder.Path());
  return false;
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
void Frmbackup::IterateFolders(const Folder& folder, int16_t depth, bool viaLink) {
  if (!SelectionList) SelectionList = std::make_unique<List>();

  // A link the system does not report as one (a bind mount, say) can lead
  // back up the tree as well as a link can: a folder the run has walked is
  // not walked again. A folder that cannot be identified is walked all the
  // same; if it cannot be read either, the listing below meets that failure.
  try {
    if (AlreadyWalked(folder)) return;
  } catch (const common::NumberedError&) {
  }

  // Files and sub-folders from one listing. A folder that cannot be listed
  // is passed over, and the run reports it as not backed up.
  FolderListing listing;
  try {
    listing = folder.List();
  } catch (const common::NumberedError& failure) {
    const int32_t number = failure.Number();
    if (viaLink && (number == common::ErrPathNotFound || number == common::ErrFileNotFound)) return;
    FoldersNotRead.push_back({folder.Path(), L"The folder could not be read: " + failure.Description()});
    if (!WalkFailureGoesOn(number)) return;
  }
  const std::vector<File>& files = listing.files;

  // The marker is read at the first file of the folder that comes to the
  // date test, not for every file (that doubled the cost of the test); a
  // change to it shows from the next folder on.
  bool markerRead = false;
  std::optional<FILETIME> threshold;
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
      // Folder links (junctions, symbolic links) are followed: reading
      // through them is safe, and the guard above keeps the walk from
      // looping or walking one folder twice.
      if (IsCompatibilityLink(sub) || CheckFolder(sub.Path())) continue;
      IterateFolders(sub, static_cast<int16_t>(depth + 1), sub.IsReparsePoint());
    } catch (const common::NumberedError& failure) {
      if (!WalkFailureGoesOn(failure.Number())) return;
    }
  }
}

}  // namespace ferrimond

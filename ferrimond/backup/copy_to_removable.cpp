// Copy of the run's list to the removable drive, and the folder makers.
#include <windows.h>

#include <string>
#include <vector>

#include "common/numbered_error.h"
#include "ferrimond/backup/run_text.h"
#include "ferrimond/backup/run_wait.h"
#include "ferrimond/mainwindow/frmbackup.h"
#include "ferrimond/support/file_system_paths.h"

namespace ferrimond {

namespace {

constexpr size_t kMaxLevels = 100;
constexpr int32_t kSubscriptOutOfRange = 9;
constexpr int32_t kDriveNotFound = 68;

const wchar_t kDriveFullText[] =
    L"There is no more free space for backing up files. Change removable drive or choose new "
    L"drive and then hit CONTINUE on the button to the right.";
const wchar_t kPausedText[] = L"Backup paused by user; click \"OK\" to go on,\"Cancel\" to abort";
const wchar_t kPathNotFoundText[] =
    L"Make sure you have a directory on removable disk!\r\n Make sure the file you are accessing "
    L"is closed!";
const wchar_t kDiskNotReadyText[] = L"Please make sure a disk is inserted and then click the OK button";

// The free space of the removable drive for the free-space test. Asking
// the system costs about a millisecond a time under Wine, more than the
// copy of a small file, so between reads the gauge lowers its last reading
// by what was copied, each file rounded up to whole 64 KB (the largest
// usual cluster) plus one for the folder entry: while only this copy
// writes to the drive the estimate never exceeds the real free space. The
// drive is read again for another letter, after anything that may have
// changed it (a prompt, a wait, a nested pass), 250 ms after the last read,
// and before any file is refused, so a refusal always rests on a reading.
class FreeSpaceGauge {
 public:
  uint64_t Estimate(const FileSystem& fs, const std::wstring& letter) {
    if (!known_ || letter != letter_ || GetTickCount64() - readAt_ >= 250) Read(fs, letter);
    return free_;
  }
  uint64_t Read(const FileSystem& fs, const std::wstring& letter) {
    try {
      free_ = fs.GetDrive(letter).FreeSpace();
    } catch (const common::NumberedError& e) {
      // A drive that went away is a drive without a medium.
      if (e.Number() == kDriveNotFound) common::Raise(common::ErrDiskNotReady);
      throw;
    }
    letter_ = letter;
    readAt_ = GetTickCount64();
    known_ = true;
    return free_;
  }
  void Spent(uint64_t bytes) {
    const uint64_t used = (bytes + kCluster - 1) / kCluster * kCluster + kCluster;
    free_ = free_ > used ? free_ - used : 0;
  }
  void Forget() { known_ = false; }

 private:
  static constexpr uint64_t kCluster = 65536;
  bool known_ = false;
  std::wstring letter_;
  uint64_t free_ = 0;
  uint64_t readAt_ = 0;
};

// Makes the mirror of `folderPath` and of each of its ancestors below the
// root on the drive selected in lstRemovable, top down. Files of one
// folder come one after another in the list, so the levels are looked at
// from the deepest up: the first that exists has all of its ancestors.
void MakeMirrorFolders(Frmbackup& w, const std::wstring& folderPath) {
  std::vector<std::wstring> paths;
  for (std::wstring level = FullPath(folderPath); !level.empty() && !IsRootPath(level);
       level = ParentPath(level)) {
    if (paths.size() == kMaxLevels) common::Raise(kSubscriptOutOfRange);
    paths.push_back(level);
  }
  if (paths.empty()) return;
  const std::wstring letter = w.lstRemovable.Text();
  if (letter.empty()) common::Raise(common::ErrDiskNotReady);
  FileSystem& fs = w.FileSys();
  size_t missing = 0;
  while (missing < paths.size() && !fs.FolderExists(MirrorFolder(paths[missing], letter[0]))) ++missing;
  while (missing > 0) fs.CreateFolder(MirrorFolder(paths[--missing], letter[0]));
}

}  // namespace

void Frmbackup::CopyFilefromList(std::shared_ptr<ListItem> first, const std::wstring& driveText) {
  RecopyFlag = false;
  std::shared_ptr<ListItem> item = std::move(first);
  std::wstring lastOpened;
  FileSystem& fs = FileSys();
  FreeSpaceGauge gauge;
  // The mirror folder of the last file copied, known to exist.
  std::wstring mirrored;
  // After anything that may have changed the drive, it is read again and
  // the mirror looked for again.
  auto forgetDrive = [&] {
    gauge.Forget();
    mirrored.clear();
  };

  // Waits until Continue or Stop, with the buttons for a drive change.
  auto waitForDrive = [&] {
    CmdPause.SetEnabled(false);
    CmdCToE.SetEnabled(false);
    CmdStop.SetEnabled(true);
    CmdContinue.SetEnabled(true);
    ContinueFlag = false;
    while (!ContinueFlag) {
      WaitBriefly();
      if (IsUnloaded()) AbortFlag = ContinueFlag = true;
    }
    forgetDrive();
  };
  // Times the removable drive was found not ready for the current entry.
  int notReady = 0;

  while (item) {
    if (AbortFlag) return;
    if (!item->Value.empty()) {
      bool full = false;
      bool atTarget = false;
      try {
        const File source = fs.GetListedFile(item->Value);
        lastOpened = source.Path();
        atTarget = true;
        // The drive is read at every file: Continue may have changed it.
        const std::wstring letter = lstRemovable.Text();
        if (letter.empty()) common::Raise(common::ErrDiskNotReady);
        const double needed = static_cast<double>(source.Size()) * SpaceFactor;
        bool fits = static_cast<double>(gauge.Estimate(fs, letter)) > needed;
        if (!fits) fits = static_cast<double>(gauge.Read(fs, letter)) > needed;
        if (fits) {
          // CheckAndBuild1 on the file's folder, without opening it again.
          // Files of one folder come one after another: the mirror made or
          // found for the previous file serves, unless the copy finds it
          // gone (the drive was changed or cleaned); then it is made again.
          const std::wstring folder = ParentPath(source.Path());
          const std::wstring mirror = MirrorFolder(folder, letter[0]);
          auto makeMirror = [&] {
            mirrored.clear();
            MakeMirrorFolders(*this, folder);
            mirrored = mirror;
          };
          const bool reused = mirror == mirrored;
          if (!reused) makeMirror();
          const CopyTarget target = MirrorTarget(folder, source.Name(), letter[0]);
          try {
            try {
              fs.CopyFile(target.source, target.destinationFolder, true);
            } catch (const common::NumberedError& e) {
              if (!reused || e.Number() != common::ErrPathNotFound) throw;
              makeMirror();
              fs.CopyFile(target.source, target.destinationFolder, true);
            }
            gauge.Spent(source.Size());
          } catch (const common::NumberedError& e) {
            // Cluster rounding can defeat the free-space test; the service
            // has removed the partial copy, and this file waits for the
            // next drive like one that failed the test.
            if (e.Number() != common::ErrDiskFull) throw;
            full = true;
          }
        } else {
          full = true;
        }
        if (full) {
          Ui().MsgBox(kDriveFullText, forms::MsgButtons::Ok, forms::MsgIcon::Exclamation,
                      L"Change Drive");
          waitForDrive();
        } else {
          notReady = 0;
          LastItemDone = item;
          item = item->NextItem;
        }
      } catch (const common::NumberedError& e) {
        bool again = false;
        switch (e.Number()) {
          case common::ErrPathNotFound:
            Ui().MsgBox(kPathNotFoundText);
            for (auto rest = item; rest; rest = rest->NextItem)
              if (!rest->Value.empty()) ++FilesNotCopied;
            return;
          case common::ErrDiskNotReady:
            Ui().MsgBox(kDiskNotReadyText);
            // Pressing Continue here would start a pass that meets the same
            // missing drive and asks again, with no way out. The file is
            // tried again at once after the OK; if the drive is still not
            // ready, the pass waits as for a full drive (Continue on another
            // drive, or Stop). A source that is not ready is passed over.
            if (atTarget) {
              again = true;
              if (++notReady > 1) waitForDrive();
            }
            break;
          case common::ErrPermissionDenied:
            break;
          default:
            Ui().MsgBox(std::to_wstring(e.Number()) + e.Description());
            break;
        }
        forgetDrive();
        if (!again) {
          // The file is passed over.
          ++FilesNotCopied;
          notReady = 0;
          LastItemDone = item;
          item = item->NextItem;
        }
      }
    } else {
      LastItemDone = item;
      item = item->NextItem;
    }

    const std::wstring progress = ProgressText(lastOpened);
    forms::DoEventsPaced();
    if (PauseFlag) {
      const forms::MsgResult answer = Ui().MsgBox(kPausedText, forms::MsgButtons::OkCancel);
      if (answer == forms::MsgResult::Ok) {
        CmdPause.SetValue(true);
      } else {
        CmdStop.SetValue(true);
      }
      PauseHandler();
      forgetDrive();
    }
    lblDir.SetCaption(progress);
    forms::DoEventsPaced();
  }

  TotalSeconds = WholeSeconds(Watch().EndTimer());
  WriteSeconds = TotalSeconds - SearchSeconds;
  LastItemDone.reset();
  CmdCToE.SetEnabled(true);
}

void Frmbackup::CheckAndBuild1(const Folder& folder, bool toRemovable) {
  // The upload maps its folders with its own rule; only the backup's
  // mirror is made here.
  if (!toRemovable) common::Raise(common::ErrInvalidArgument);
  MakeMirrorFolders(*this, folder.Path());
}

void Frmbackup::BuildDir(const std::wstring& path) {
  std::vector<std::wstring> levels{path};
  std::wstring rest = path;
  for (size_t cut = rest.rfind(L'\\'); cut != std::wstring::npos; cut = rest.rfind(L'\\')) {
    rest.erase(cut);
    if (levels.size() == kMaxLevels) common::Raise(kSubscriptOutOfRange);
    levels.push_back(rest);
  }
  FileSystem& fs = FileSys();
  for (auto it = levels.rbegin(); it != levels.rend(); ++it) {
    if (it->empty()) continue;
    const bool driveName = it->size() == 2 && (*it)[1] == L':';
    if (!driveName && !fs.FolderExists(*it)) fs.CreateFolder(*it);
  }
}

}  // namespace ferrimond

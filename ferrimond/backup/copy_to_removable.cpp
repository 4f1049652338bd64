// Copy of the run's list to the removable drive, and the folder makers.
#include <windows.h>

#include <string>
#include <utility>
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

// The wait for a drive that went away (removed, or its letter gone).
std::wstring DriveGoneText(const std::wstring& letter) {
  return L"The removable drive " + (letter.empty() ? std::wstring() : letter + L": ") +
         L"cannot be reached. Insert it again or choose another drive, and then hit CONTINUE on "
         L"the button to the right.";
}

// True when the drive of `letter` is there and answers.
bool DriveAnswers(const std::wstring& letter) {
  if (letter.empty()) return false;
  ULARGE_INTEGER available{};
  return GetDiskFreeSpaceExW((letter.substr(0, 1) + L":\\").c_str(), &available, nullptr, nullptr) != FALSE;
}

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

// Makes the mirror of `folderPath` on the drive selected in lstRemovable,
// every missing level top down; true when the mirror was there before.
// Files of one folder come one after another in the list, so the levels
// are looked at from the deepest up: the first that exists has all of its
// ancestors.
bool MakeMirrorFolders(Frmbackup& w, const std::wstring& folderPath) {
  const std::wstring letter = w.lstRemovable.Text();
  if (letter.empty()) common::Raise(common::ErrDiskNotReady);
  const std::vector<std::wstring> levels = FolderLevels(FullPath(MirrorFolder(FullPath(folderPath), letter[0])));
  FileSystem& fs = w.FileSys();
  size_t missing = 0;
  while (missing < levels.size() && !fs.FolderExists(levels[missing])) ++missing;
  const bool existed = missing == 0;
  while (missing > 0) fs.CreateFolder(levels[--missing]);
  return existed;
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
  // The path-not-found message is shown once a pass, not for every file.
  bool pathMessageShown = false;
  bool progressShown = false;
  auto passOver = [&](const common::NumberedError& e) {
    std::wstring reason = e.Description();
    if (e.Number() == common::ErrPermissionDenied) reason += L" (the file may be open in another program)";
    CopyFailures[item.get()] = std::move(reason);
    notReady = 0;
    LastItemDone = item;
    item = item->NextItem;
  };

  while (item) {
    if (AbortFlag) return;
    if (!item->Value.empty()) {
      bool full = false;
      bool atTarget = false;
      std::wstring letter;
      try {
        const File source = fs.GetListedFile(item->Value);
        lastOpened = source.Path();
        atTarget = true;
        // The drive is read at every file: Continue may have changed it.
        letter = lstRemovable.Text();
        if (letter.empty()) common::Raise(common::ErrDiskNotReady);
        const double needed = static_cast<double>(source.Size()) * SpaceFactor;
        bool fits = static_cast<double>(gauge.Estimate(fs, letter)) > needed;
        if (!fits) fits = static_cast<double>(gauge.Read(fs, letter)) > needed;
        if (fits) {
          // CheckAndBuild1 on the file's folder, without opening it again.
          // Files of one folder come one after another: the mirror made or
          // found for the previous file serves, unless the copy finds it
          // gone (the drive was changed or cleaned); then it is made again.
          // Copies cut short in a folder that was there before are removed
          // once a run, so that none is ever taken for a copy.
          const std::wstring folder = ParentPath(source.Path());
          const std::wstring mirror = MirrorFolder(folder, letter[0]);
          auto makeMirror = [&] {
            mirrored.clear();
            if (MakeMirrorFolders(*this, folder) && FoldersCleaned.insert(mirror).second)
              fs.RemovePartialCopies(mirror);
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
          // A failure of an earlier pass no longer counts (FilesNotBackedUp
          // passes over copied entries).
          ItemsCopied.insert(item.get());
          notReady = 0;
          LastItemDone = item;
          item = item->NextItem;
        }
      } catch (const common::NumberedError& e) {
        // A failure at the removable drive while the drive does not answer
        // is the drive gone (removed, or its letter taken away), whatever
        // the system called it.
        int32_t number = e.Number();
        if (atTarget && number != common::ErrDiskNotReady && !DriveAnswers(letter))
          number = common::ErrDiskNotReady;
        forgetDrive();
        switch (number) {
          case common::ErrPathNotFound:
            // One entry that cannot be copied does not end the pass for
            // the others.
            if (!std::exchange(pathMessageShown, true)) Ui().MsgBox(kPathNotFoundText);
            passOver(e);
            break;
          case common::ErrDiskNotReady:
            if (!atTarget) {
              // A source that is not ready is passed over.
              Ui().MsgBox(kDiskNotReadyText);
              passOver(e);
            } else if (++notReady == 1) {
              // Pressing Continue here would start a pass that meets the
              // same missing drive and asks again, with no way out. The
              // file is tried again at once after the OK; if the drive is
              // still not there, the pass waits as for a full drive
              // (Continue on another drive, or Stop).
              Ui().MsgBox(kDiskNotReadyText);
            } else {
              Ui().MsgBox(DriveGoneText(letter), forms::MsgButtons::Ok, forms::MsgIcon::Exclamation,
                          L"Change Drive");
              waitForDrive();
              notReady = 0;
            }
            break;
          case common::ErrPermissionDenied:
            passOver(e);
            break;
          default:
            Ui().MsgBox(std::to_wstring(e.Number()) + e.Description());
            passOver(e);
            break;
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
    // Each caption is a redraw, under Wine a server round trip that costs
    // as much as the copy of a small file: the first file shows at once,
    // then the file of the moment every 100 ms.
    if (const ULONGLONG now = GetTickCount64(); !progressShown || now - progressShownAt_ >= 100) {
      progressShown = true;
      progressShownAt_ = now;
      lblDir.SetCaption(progress);
    }
    forms::DoEventsPaced();
  }

  TotalSeconds = WholeSeconds(Watch().EndTimer());
  WriteSeconds = TotalSeconds - SearchSeconds;
  LastItemDone.reset();
  CmdCToE.SetEnabled(true);
}

std::vector<Frmbackup::NotBackedUp> Frmbackup::FilesNotBackedUp() const {
  std::vector<NotBackedUp> missing;
  if (!SelectionList) return missing;
  for (const ListItem* item = SelectionList->Head().get(); item; item = item->NextItem.get()) {
    if (item->Value.empty() || ItemsCopied.count(item)) continue;
    const auto failure = CopyFailures.find(item);
    missing.push_back({item->Value, failure != CopyFailures.end() ? failure->second : L"Not copied."});
  }
  return missing;
}

void Frmbackup::CheckAndBuild1(const Folder& folder, bool toRemovable) {
  if (toRemovable) {
    MakeMirrorFolders(*this, folder.Path());
  } else {
    UploadFolderChain(folder.Path());
  }
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

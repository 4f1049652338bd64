// Copy of the run's list to the removable drive, and the folder makers.
#include <windows.h>

#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "common/numbered_error.h"
#include "ferrimond/backup/run_text.h"
#include "ferrimond/backup/run_wait.h"
#include "ferrimond/mainwindow/frmbackup.h"
#include "ferrimond/support/file_system_errors.h"
#include "ferrimond/support/file_system_handle.h"
#include "ferrimond/support/file_system_paths.h"

namespace ferrimond {

namespace {

constexpr int32_t kDriveNotFound = 68;

const wchar_t kDriveFullText[] =
    L"There is no more free space for backing up files. Change removable drive or choose new "
    L"drive and then hit CONTINUE on the button to the right.";
const wchar_t kPausedText[] = L"Backup paused by user; click \"OK\" to go on,\"Cancel\" to abort";
const wchar_t kPathNotFoundText[] =
    L"Make sure you have a directory on removable disk!\r\n Make sure the file you are accessing "
    L"is closed!";
const wchar_t kDiskNotReadyText[] = L"Please make sure a disk is inserted and then click the OK button";
const wchar_t kLeftoverKeptText[] =
    L"A copy cut short by an earlier backup, kept because the file it was for is missing from the "
    L"removable drive: it may be the drive's only copy. Check it, and delete it when it is no longer needed.";

// The wait for a drive that went away (removed, or its letter gone).
std::wstring DriveGoneText(const std::wstring& letter) {
  return L"The removable drive " + (letter.empty() ? std::wstring() : letter + L": ") +
         L"cannot be reached. Insert it again or choose another drive, and then hit CONTINUE on "
         L"the button to the right.";
}

// True when `folder` on the removable drive refuses any new file: a
// write-protected medium (Wine reports one as access denied, as Windows
// may for a stick's lock switch).
bool FolderRefusesWrites(const std::wstring& folder) {
  const std::wstring probe = SystemPath(JoinPath(folder, L"ferrimond-write-probe.tmp"));
  HANDLE h = CreateFileW(probe.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                         FILE_ATTRIBUTE_HIDDEN | FILE_FLAG_DELETE_ON_CLOSE, nullptr);
  if (h != INVALID_HANDLE_VALUE) {
    CloseHandle(h);
    return false;
  }
  const DWORD code = GetLastError();
  return code == ERROR_WRITE_PROTECT || code == ERROR_ACCESS_DENIED;
}

// The size of the file at `path`, listed as `listedSize`: for a file link,
// that of what it leads to (the listing gives the link's own).
uint64_t TargetSize(const std::wstring& path, uint64_t listedSize, bool link) {
  if (!link) return listedSize;
  ScopedHandle h(CreateFileW(SystemPath(path).c_str(), FILE_READ_ATTRIBUTES,
                             FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING, 0,
                             nullptr));
  LARGE_INTEGER size{};
  return h.ok() && GetFileSizeEx(h.get(), &size) ? static_cast<uint64_t>(size.QuadPart) : listedSize;
}

// The place a source takes on the drive, in the system's upper case: the
// drive compares names without regard to case.
std::wstring PlaceKey(const std::wstring& source) {
  std::wstring key = MirrorPlace(FullPath(source));
  if (!key.empty()) CharUpperBuffW(key.data(), static_cast<DWORD>(key.size()));
  return key;
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

// A mirror folder on the drive that is a link: the copy would land where
// the link leads, off the drive or onto other files. Never written through.
constexpr int32_t kErrLinkOnDrive = 32710;

// Raises unless `level`, with `attributes`, is a real folder.
void RequireRealFolder(const std::wstring& level, uint32_t attributes) {
  if (attributes & FILE_ATTRIBUTE_REPARSE_POINT) {
    throw common::NumberedError(kErrLinkOnDrive, L"The folder " + level +
                                                     L" on the removable drive is a link; nothing is copied "
                                                     L"through a link.");
  }
}

// Makes the mirror of `folderPath` on the drive selected in lstRemovable,
// every missing level top down; true when the mirror was there before.
// Files of one folder come one after another in the list, so the levels
// are looked at from the deepest up: the first that exists has all of its
// ancestors. Every existing level is checked once a run (until the drive
// changes) for being a real folder, not a link. In a folder that the pass
// made, a level is not looked for but made (under Wine a look for a name
// that is not there reads the whole folder); one that another program made
// meanwhile is checked like any found.
bool MakeMirrorFolders(Frmbackup& w, const std::wstring& folderPath) {
  const std::wstring letter = w.lstRemovable.Text();
  if (letter.empty()) common::Raise(common::ErrDiskNotReady);
  const std::vector<std::wstring> levels = FolderLevels(FullPath(MirrorFolder(FullPath(folderPath), letter[0])));
  FileSystem& fs = w.FileSys();
  auto& checked = w.MirrorLevelsChecked;
  auto made = [&](size_t i) {
    const auto found = checked.find(levels[i]);
    return found != checked.end() && found->second;
  };
  size_t missing = 0;
  for (; missing < levels.size() && !checked.count(levels[missing]); ++missing) {
    if (missing + 1 < levels.size() && made(missing + 1)) continue;
    const uint32_t attributes = fs.Attributes(levels[missing]);
    if (attributes == INVALID_FILE_ATTRIBUTES) continue;
    for (size_t i = missing; i < levels.size() && !checked.count(levels[i]); ++i) {
      RequireRealFolder(levels[i], i == missing ? attributes : fs.Attributes(levels[i]));
      checked.emplace(levels[i], false);
    }
    break;
  }
  const bool existed = missing == 0;
  while (missing > 0) {
    const std::wstring& level = levels[--missing];
    bool madeHere = true;
    try {
      fs.CreateFolder(level);
    } catch (const common::NumberedError& e) {
      const uint32_t attributes =
          e.Number() == common::ErrAlreadyExists ? fs.Attributes(level) : INVALID_FILE_ATTRIBUTES;
      if (attributes == INVALID_FILE_ATTRIBUTES) throw;
      RequireRealFolder(level, attributes);
      madeHere = false;
    }
    checked.emplace(level, madeHere);
  }
  return existed;
}

std::wstring TooLargeText(const std::wstring& fileSystem) {
  return L"The file is 4 GB or larger, and the removable drive's file system (" + fileSystem +
         L") cannot hold a file that large.";
}

const wchar_t kWriteProtectedText[] =
    L"The removable drive is write-protected. Remove the protection or choose another drive, and then "
    L"hit CONTINUE on the button to the right.";

}  // namespace

void Frmbackup::CopyFilefromList(std::shared_ptr<ListItem> first, const std::wstring& driveText) {
  RecopyFlag = false;
  // What this pass finds on the drive it finds for itself: a pass that
  // Continue starts may see another medium.
  MirrorLevelsChecked.clear();
  std::shared_ptr<ListItem> item = std::move(first);
  std::wstring lastOpened;
  FileSystem& fs = FileSys();
  // A pass that Continue starts inside one of this pass's yields may have
  // met another medium: what this pass knew of the drive is then forgotten.
  int pass = ++CopyPasses;
  FreeSpaceGauge gauge;
  // The mirror folder of the last file copied, known to exist.
  std::wstring mirrored;
  // The file system of the drive, asked for only before a file of 4 GB or
  // more: FAT cannot hold one.
  std::wstring fileSystemOf, fileSystem;
  // After anything that may have changed the drive, it is read again and
  // the mirror looked for again.
  auto forgetDrive = [&] {
    gauge.Forget();
    mirrored.clear();
    fileSystemOf.clear();
    MirrorLevelsChecked.clear();
  };

  // Waits until Continue or Stop, with the buttons for a drive change.
  auto waitForDrive = [&] {
    CmdPause.SetEnabled(false);
    CmdCToE.SetEnabled(false);
    CmdStop.SetEnabled(true);
    CmdContinue.SetEnabled(true);
    ShowRunPhase(RunPhase::DriveWait);
    ContinueFlag = false;
    // Stopped while the message was open (an unattended run's answer):
    // there is nothing to wait for.
    while (!ContinueFlag && !AbortFlag) {
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
  auto next = [&] {
    notReady = 0;
    LastItemDone = item;
    item = item->NextItem;
  };
  auto passOverFor = [&](std::wstring reason) {
    CopyFailures[item.get()] = std::move(reason);
    next();
  };
  auto passOver = [&](const common::NumberedError& e) {
    std::wstring reason = e.Description();
    if (e.Number() == common::ErrPermissionDenied) reason += L" (the file may be open in another program)";
    passOverFor(std::move(reason));
  };
  // The source that took this entry's place on the drive before it, if
  // another one did. Two names of one file (a path typed in another letter
  // case, say) are one entry; two files whose names differ only in case (a
  // folder that tells case apart) are two, and the drive holds one of them.
  auto placeTakenBy = [&]() -> const std::wstring* {
    const auto [taken, first] = PlacesTaken.emplace(PlaceKey(item->Value), item->Value);
    if (first || taken->second == item->Value || fs.SameFile(taken->second, item->Value)) return nullptr;
    return &taken->second;
  };

  while (item) {
    if (AbortFlag) return;
    if (item->Value.empty() || ItemsCopied.count(item.get())) {
      // Nothing to copy, or whole on a drive already: a pass that Continue
      // started has copied it, and a second copy would only take room.
      LastItemDone = item;
      item = item->NextItem;
    } else if (const std::wstring* other = placeTakenBy()) {
      passOverFor(L"Not copied: " + *other + L" takes the same place on the removable drive.");
    } else {
      bool full = false;
      bool atTarget = false;
      std::wstring letter;
      try {
        // The run's last reading of the file serves (one gone since fails
        // at its copy, as a source); a file that seems not to fit is read
        // again, so that no file is refused on an old reading.
        std::wstring path;
        uint64_t size = 0;
        bool readNow = false;
        auto read = [&] {
          atTarget = false;
          const File source = fs.GetListedFile(item->Value);
          path = source.Path();
          size = TargetSize(path, source.Size(), source.IsReparsePoint());
          readNow = true;
        };
        if (const auto sized = SizedFiles.find(item->Value); sized != SizedFiles.end()) {
          path = FullPath(item->Value);
          size = TargetSize(path, sized->second.size, sized->second.link);
        } else {
          read();
        }
        lastOpened = path;
        atTarget = true;
        // The drive is read at every file: Continue may have changed it.
        letter = lstRemovable.Text();
        if (letter.empty()) common::Raise(common::ErrDiskNotReady);
        auto tooLarge = [&] {
          if (size <= 0xFFFFFFFFull) return false;
          if (fileSystemOf != letter) {
            fileSystem = fs.GetDrive(letter).FileSystemName();
            fileSystemOf = letter;
          }
          return !FileSystemHoldsSize(fileSystem, size);
        };
        auto fits = [&] {
          const double needed = static_cast<double>(size) * SpaceFactor;
          return static_cast<double>(gauge.Estimate(fs, letter)) > needed ||
                 static_cast<double>(gauge.Read(fs, letter)) > needed;
        };
        if (!readNow && (tooLarge() || !fits())) {
          read();
          atTarget = true;
        }
        if (tooLarge()) {
          passOverFor(TooLargeText(fileSystem));
        } else if (fits()) {
          // CheckAndBuild1 on the file's folder, without opening it again.
          // Files of one folder come one after another: the mirror made or
          // found for the previous file serves, unless the copy finds it
          // gone (the drive was changed or cleaned); then it is made again.
          // Copies cut short in a folder that was there before are removed
          // once a run, so that none is ever taken for a copy; one whose
          // file is missing may be the drive's only copy of it, and stays.
          const std::wstring folder = ParentPath(path);
          const std::wstring mirror = MirrorFolder(folder, letter[0]);
          auto makeMirror = [&] {
            mirrored.clear();
            if (MakeMirrorFolders(*this, folder) && FoldersCleaned.insert(mirror).second) {
              for (std::wstring& kept : fs.RemovePartialCopies(mirror))
                LeftoversKept.push_back({std::move(kept), kLeftoverKeptText});
            }
            mirrored = mirror;
          };
          const bool reused = mirror == mirrored;
          if (!reused) makeMirror();
          const CopyTarget target = MirrorTarget(folder, LastComponent(path), letter[0]);
          try {
            try {
              fs.CopyFile(target.source, target.destinationFolder, true);
            } catch (const common::NumberedError& e) {
              // Only a mirror found gone is made again: a source folder
              // removed since the walk fails as the source.
              if (!reused || e.Number() != common::ErrPathNotFound || dynamic_cast<const SourceFailure*>(&e))
                throw;
              MirrorLevelsChecked.clear();
              makeMirror();
              fs.CopyFile(target.source, target.destinationFolder, true);
            }
            gauge.Spent(size);
          } catch (const common::NumberedError& e) {
            // Cluster rounding can defeat the free-space test; the service
            // has removed the partial copy, and this file waits for the
            // next drive like one that failed the test.
            if (e.Number() != common::ErrDiskFull || dynamic_cast<const SourceFailure*>(&e)) throw;
            // On the walk's reading the file may have grown since, past the
            // room or past what the drive's file system holds: one that has
            // is judged again on what it is now before another drive is
            // asked for (once; one unchanged is not copied a second time).
            if (!readNow) {
              const uint64_t walkSize = size;
              read();
              atTarget = true;
              if (size != walkSize) {
                SizedFiles.erase(item->Value);
                gauge.Forget();
                continue;
              }
            }
            full = true;
          }
          if (!full) {
            // A failure of an earlier pass no longer counts (FilesNotBackedUp
            // passes over copied entries).
            ItemsCopied.insert(item.get());
            next();
          }
        } else {
          full = true;
        }
        if (full) {
          Ui().MsgBox(kDriveFullText, forms::MsgButtons::Ok, forms::MsgIcon::Exclamation,
                      kChangeDriveTitle);
          waitForDrive();
        }
      } catch (const common::NumberedError& e) {
        // A source that fails is passed over; it says nothing of the drive.
        if (dynamic_cast<const SourceFailure*>(&e)) atTarget = false;
        // A failure at the removable drive while the drive does not answer
        // is the drive gone (removed, or its letter taken away), whatever
        // the system called it.
        int32_t number = e.Number();
        if (atTarget && number != common::ErrDiskNotReady && !DriveAnswers(letter))
          number = common::ErrDiskNotReady;
        const auto* system = dynamic_cast<const FileSystemFailure*>(&e);
        if (atTarget && number == common::ErrPermissionDenied && system &&
            system->SystemCode() == ERROR_ACCESS_DENIED &&
            FolderRefusesWrites(mirrored.empty() ? letter.substr(0, 1) + L":\\" : mirrored))
          number = ErrWriteProtected;
        forgetDrive();
        switch (number) {
          case common::ErrPathNotFound:
            // One entry that cannot be copied does not end the pass for
            // the others. A source folder gone since the walk, found so by
            // the copy, is no fault of the drive's.
            if (!dynamic_cast<const SourceFailure*>(&e) && !std::exchange(pathMessageShown, true))
              Ui().MsgBox(kPathNotFoundText);
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
                          kChangeDriveTitle);
              waitForDrive();
              notReady = 0;
            }
            break;
          case ErrWriteProtected:
            if (atTarget) {
              // Every file would fail the same way: another drive is needed.
              Ui().MsgBox(kWriteProtectedText, forms::MsgButtons::Ok, forms::MsgIcon::Exclamation,
                          kChangeDriveTitle);
              waitForDrive();
            } else {
              passOver(e);
            }
            break;
          case common::ErrPermissionDenied:
          case ErrChangedWhileCopied:
          case ErrPartialCopyKept:
          case kErrLinkOnDrive:
            // Listed with the reason; a message for each would say no more.
            passOver(e);
            break;
          default:
            Ui().MsgBox(std::to_wstring(e.Number()) + e.Description());
            passOver(e);
            break;
        }
      }
    }

    auto yield = [&] {
      forms::DoEventsPaced();
      if (std::exchange(pass, CopyPasses) != CopyPasses) forgetDrive();
    };
    yield();
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
      lblDir.SetCaption(ProgressText(lastOpened));
    }
    yield();
  }

  TotalSeconds = WholeSeconds(Watch().EndTimer());
  WriteSeconds = TotalSeconds - SearchSeconds;
  LastItemDone.reset();
  CmdCToE.SetEnabled(true);
}

std::vector<Frmbackup::NotBackedUp> Frmbackup::FilesNotBackedUp() const {
  std::vector<NotBackedUp> missing;
  if (SelectionList) {
    for (const ListItem* item = SelectionList->Head().get(); item; item = item->NextItem.get()) {
      if (item->Value.empty() || ItemsCopied.count(item)) continue;
      const auto failure = CopyFailures.find(item);
      missing.push_back({item->Value, failure != CopyFailures.end() ? failure->second : L"Not copied."});
    }
  }
  missing.insert(missing.end(), LeftoversKept.begin(), LeftoversKept.end());
  return missing;
}

void Frmbackup::CheckAndBuild1(const Folder& folder, bool toRemovable) {
  if (toRemovable) {
    MakeMirrorFolders(*this, folder.Path());
  } else {
    // The folders of the place the files go, not those of the drive's path:
    // documents redirected into the chosen profile make no folder for the
    // profile they came from.
    BuildDir(changeDirbasedOnUser(FullPath(folder.Path())));
  }
}

void Frmbackup::BuildDir(const std::wstring& path) {
  // Up from the deepest level to the first that is there, then the missing
  // ones down: mostly the folder is there, and one look does.
  const std::vector<std::wstring> levels = FolderLevels(FullPath(path));
  FileSystem& fs = FileSys();
  size_t missing = 0;
  while (missing < levels.size() && !fs.FolderExists(levels[missing])) ++missing;
  while (missing > 0) fs.CreateFolder(levels[--missing]);
}

}  // namespace ferrimond

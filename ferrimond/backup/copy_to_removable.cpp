// Copy of the run's list to the removable drive, and the folder makers.
#include <windows.h>

#include <string>
#include <vector>

#include "common/numbered_error.h"
#include "ferrimond/backup/run_text.h"
#include "ferrimond/backup/run_wait.h"
#include "ferrimond/mainwindow/frmbackup.h"

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

}  // namespace

void Frmbackup::CopyFilefromList(std::shared_ptr<ListItem> first, const std::wstring& driveText) {
  RecopyFlag = false;
  std::shared_ptr<ListItem> item = std::move(first);
  std::wstring lastOpened;
  FileSystem& fs = FileSys();

  while (item) {
    if (AbortFlag) return;
    if (!item->Value.empty()) {
      bool full = false;
      try {
        const File source = fs.GetFile(item->Value);
        lastOpened = source.Path();
        // The drive is read at every file: Continue may have changed it.
        const std::wstring letter = lstRemovable.Text();
        if (letter.empty()) common::Raise(common::ErrDiskNotReady);
        uint64_t freeSpace = 0;
        try {
          freeSpace = fs.GetDrive(letter).FreeSpace();
        } catch (const common::NumberedError& e) {
          // A drive that went away is a drive without a medium.
          if (e.Number() == kDriveNotFound) common::Raise(common::ErrDiskNotReady);
          throw;
        }
        if (static_cast<double>(freeSpace) > static_cast<double>(source.Size()) * SpaceFactor) {
          const Folder folder = source.ParentFolder();
          CheckAndBuild1(folder, true);
          const CopyTarget target = MirrorTarget(folder.Path(), source.Name(), letter[0]);
          try {
            fs.CopyFile(target.source, target.destinationFolder, true);
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
          CmdPause.SetEnabled(false);
          CmdCToE.SetEnabled(false);
          CmdStop.SetEnabled(true);
          CmdContinue.SetEnabled(true);
          Ui().MsgBox(kDriveFullText, forms::MsgButtons::Ok, forms::MsgIcon::Exclamation,
                      L"Change Drive");
          ContinueFlag = false;
          while (!ContinueFlag) {
            WaitBriefly();
            if (IsUnloaded()) AbortFlag = ContinueFlag = true;
          }
        } else {
          LastItemDone = item;
          item = item->NextItem;
        }
      } catch (const common::NumberedError& e) {
        switch (e.Number()) {
          case common::ErrPathNotFound:
            Ui().MsgBox(kPathNotFoundText);
            return;
          case common::ErrDiskNotReady:
            Ui().MsgBox(kDiskNotReadyText);
            CmdContinue.SetValue(true);
            return;
          case common::ErrPermissionDenied:
            break;
          default:
            Ui().MsgBox(std::to_wstring(e.Number()) + e.Description());
            break;
        }
        // The file is passed over.
        LastItemDone = item;
        item = item->NextItem;
      }
    } else {
      LastItemDone = item;
      item = item->NextItem;
    }

    const std::wstring progress = ProgressText(lastOpened);
    forms::DoEvents();
    if (PauseFlag) {
      const forms::MsgResult answer = Ui().MsgBox(kPausedText, forms::MsgButtons::OkCancel);
      if (answer == forms::MsgResult::Ok) {
        CmdPause.SetValue(true);
      } else {
        CmdStop.SetValue(true);
      }
      PauseHandler();
    }
    lblDir.SetCaption(progress);
    forms::DoEvents();
  }

  TotalSeconds = WholeSeconds(Watch().EndTimer());
  WriteSeconds = TotalSeconds - SearchSeconds;
  LastItemDone.reset();
  CmdCToE.SetEnabled(true);
}

void Frmbackup::CheckAndBuild1(const Folder& folder, bool toRemovable) {
  // The folder and its ancestors, deepest first, the root left out.
  std::vector<std::wstring> paths;
  std::optional<Folder> level = folder;
  while (level && !level->IsRootFolder()) {
    if (paths.size() == kMaxLevels) common::Raise(kSubscriptOutOfRange);
    paths.push_back(level->Path());
    level = level->ParentFolder();
  }
  // The upload maps its folders with its own rule; only the backup's
  // mirror is made here.
  if (!toRemovable) common::Raise(common::ErrInvalidArgument);
  const std::wstring letter = lstRemovable.Text();
  if (letter.empty()) common::Raise(common::ErrDiskNotReady);
  FileSystem& fs = FileSys();
  for (auto it = paths.rbegin(); it != paths.rend(); ++it) {
    const std::wstring target = MirrorFolder(*it, letter[0]);
    if (!fs.FolderExists(target)) fs.CreateFolder(target);
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

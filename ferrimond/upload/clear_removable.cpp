// Clearing the removable drive: "&Delete files on removable drive", also
// offered at the end of every upload.
#include <windows.h>

#include <optional>
#include <string>

#include "common/numbered_error.h"
#include "ferrimond/mainwindow/frmbackup.h"
#include "ferrimond/support/at_exit.h"
#include "ferrimond/support/case_fold.h"
#include "ferrimond/support/file_system_errors.h"

namespace ferrimond {

namespace {

constexpr wchar_t kNoDisk[] = L"Check if removable disk is inserted!";
// The letter is no longer in use: the drive has been taken away.
constexpr int32_t kDeviceUnavailable = 68;

// A wipe may go ahead only on a drive the system reports as removable, or on
// a RAM disk: never on a fixed disk, a network share, a CD or a drive of
// unknown kind, whatever the list of removable drives said when it was made.
bool MayBeCleared(int32_t driveType) { return driveType == DriveRemovable || driveType == DriveRamDisk; }

std::wstring RefusalText(const std::wstring& root, int32_t driveType) {
  if (driveType == DriveFixed) return L"This program cannot erase a harddrive!";
  const wchar_t* kind = driveType == DriveNetwork ? L"a network drive"
                        : driveType == DriveCdRom ? L"a CD-ROM drive"
                                                  : L"a drive of unknown type";
  return L"Drive " + root + L" is " + kind + L", not a removable drive. Nothing has been deleted.";
}

std::wstring FailureText(const common::NumberedError& e) {
  switch (e.Number()) {
    case common::ErrPathNotFound:
    case common::ErrDiskNotReady:
    case kDeviceUnavailable:
      return kNoDisk;
    case common::ErrPermissionDenied:
    case ErrWriteProtected:
      return L"Permission denied, cannot delete files!\rTry manually after exiting the program.";
    default:
      return L"Error code " + std::to_wstring(e.Number()) + L" was generated\r\n" + e.Description();
  }
}

// The volume's own folder at the root of an NTFS or FAT drive: the system
// keeps it, no program may delete it, and it holds nothing of the user's.
bool IsVolumeFolder(const Folder& folder) {
  return SameTextIgnoringCase(folder.Name(), L"System Volume Information");
}

}  // namespace

void Frmbackup::mnuClear_Click() {
  if (RunActive) return;
  {
    // The clear is a run from its question on: nothing pressed inside the
    // question may start a backup onto the drive that is about to be wiped,
    // and the drive is the one picked when the command was chosen.
    RunActive = true;
    nothingToPause_ = true;
    const AtExit idle([this] {
      nothingToPause_ = false;
      RunActive = false;
      ShowRunPhase(RunPhase::Idle);
    });
    ShowRunPhase(RunPhase::Running);
    ClearRemovableDrive(lstRemovable.Text());
  }
  // Closing was asked for while the drive was wiped.
  if (closeAfterRun_) Shutdown();
}

void Frmbackup::ClearRemovableDrive(const std::wstring& letter, std::optional<FileIdentity> medium) {
  if (letter.empty()) {
    // No removable drive to name in the question.
    Ui().MsgBox(kNoDisk);
    return;
  }
  const std::wstring root = letter + L":\\";
  // The Yes is for the medium in the drive now (or the one uploaded from):
  // a stick swapped while the question shows is not wiped.
  const bool uploaded = medium.has_value();
  if (!uploaded) medium = FileSys().MediumIn(root);
  if (Ui().MsgBox(L"Do you really want to delete everything on the removable drive " + root + L" ?",
                  forms::MsgButtons::YesNo, forms::MsgIcon::None, L"Clear Prompt") != forms::MsgResult::Yes)
    return;

  std::wstring message;
  {
    // Busy: no other command (the window takes no input, and RunActive turns
    // away the commands that code presses), the hourglass shown. Idle again
    // before any message, however the wipe ends.
    const bool wasActive = RunActive;
    const HWND focus = GetFocus();
    RunActive = true;
    clearing_ = true;
    SetMousePointer(forms::Pointer::Hourglass);
    forms::SetScreenMousePointer(forms::Pointer::Hourglass);
    SetEnabled(false);
    AtExit idle([&] {
      SetEnabled(true);
      if (focus && IsWindow(focus) && !GetFocus() && GetActiveWindow() == Hwnd()) SetFocus(focus);
      ShowDefaultPointers();
      clearing_ = false;
      RunActive = wasActive;
    });
    try {
      const int32_t driveType = FileSys().GetDrive(root).DriveType();
      if (!MayBeCleared(driveType)) {
        message = RefusalText(root, driveType);
      } else if (const std::optional<FileIdentity> now = FileSys().MediumIn(root); !now) {
        // A medium that cannot be told now may be another one still waking.
        message = kNoDisk;
      } else if (now != medium) {
        message = L"Drive " + root + L" holds another medium than the one " +
                  (uploaded ? L"uploaded from" : L"you were asked about") + L". Nothing has been deleted.";
      } else {
        // What was written on the drive while the upload ran was not
        // uploaded: it stays.
        std::optional<KeepNewer> keep;
        if (uploaded) keep = KeepNewer{UploadStartUtc, {}};
        cleardirectory(root, keep ? &*keep : nullptr);
        if (keep && !keep->kept.empty()) {
          message = std::to_wstring(keep->kept.size()) +
                    L" file(s) written on the removable drive during the upload, which may not have been "
                    L"uploaded, were kept there, for example " +
                    keep->kept.front() + L". Everything else on the drive has been deleted.";
          lblDir.SetCaption(L"Files written during the upload were kept on the removable drive.");
        } else {
          lblDir.SetCaption(L"All files on removable drive have been deleted!");
        }
      }
    } catch (const common::NumberedError& e) {
      message = FailureText(e);
    }
  }
  if (!message.empty()) Ui().MsgBox(message);
}

void Frmbackup::cleardirectory(const std::wstring& s1, KeepNewer* keep) {
  // A large drive takes minutes: the window is repainted between entries.
  const DeleteProgress paced = [] { forms::DoEventsPaced(); };
  FileSystem& fs = FileSys();
  const Folder folder = fs.GetFolder(s1);
  const bool root = folder.IsRootFolder();
  const FolderListing listing = folder.List();
  for (const File& file : listing.files) {
    if (keep && keep->Keeps(file.CreationTime(), file.LastWriteTime())) {
      keep->kept.push_back(file.Path());
      continue;
    }
    file.Delete();
    paced();
  }
  // Each tree goes in one delete, which opens each folder once for all of
  // its entries.
  for (const Folder& sub : listing.subFolders) {
    if (!(root && IsVolumeFolder(sub))) fs.DeleteFolder(sub.Path(), false, paced, keep);
  }
}

}  // namespace ferrimond

// Frmbackup: the drive lists and the user-profile box.
#include <algorithm>
#include <cwctype>

#include "common/numbered_error.h"
#include "ferrimond/mainwindow/drive_scan.h"
#include "ferrimond/mainwindow/frmbackup.h"

namespace ferrimond {

namespace {

std::wstring Lower(std::wstring text) {
  std::transform(text.begin(), text.end(), text.begin(),
                 [](wchar_t c) { return static_cast<wchar_t>(std::towlower(c)); });
  return text;
}

std::vector<DriveInfo> DriveSnapshot(const FileSystem& fs) {
  std::vector<DriveInfo> drives;
  for (const Drive& drive : fs.Drives()) {
    drives.push_back({drive.DriveLetter()[0], drive.DriveType()});
  }
  return drives;
}

void FillList(forms::ListBox& list, const std::vector<std::wstring>& entries, int selected) {
  for (const std::wstring& entry : entries) list.AddItem(entry);
  if (selected >= 0) list.SetListIndex(selected);
}

}  // namespace

void Frmbackup::FillDriveLists() {
  const DriveLists lists = ScanDrives(DriveSnapshot(FileSys()));
  FillList(lstRemovable, lists.removable, lists.removableIndex);
  FillList(lstFixed, lists.fixed, lists.fixedIndex);
}

void Frmbackup::mnuRefresh_Click() {
  const DriveLists lists = ScanDrives(DriveSnapshot(FileSys()));
  lstRemovable.Clear();
  FillList(lstRemovable, lists.removable, lists.removableIndex);
}

void Frmbackup::lstFixed_Click() {
  SysInfo.emplace();
  cmbUsers.Clear();
  try {
    const std::wstring profiles = Lower(lstFixed.Text()) + L":\\documents and settings";
    FileSystem& fs = FileSys();
    if (!fs.FolderExists(profiles)) return;
    for (const Folder& profile : fs.GetFolder(profiles).SubFolders()) {
      try {
        for (const Folder& sub : profile.SubFolders()) {
          if (Lower(sub.Name()).find(L"documents") != std::wstring::npos) {
            cmbUsers.AddItem(profile.Path());
          }
        }
      } catch (const common::NumberedError& e) {
        // A profile the user may not read is skipped.
        if (e.Number() != common::ErrPermissionDenied) throw;
      }
    }
    cmbUsers.SetText(cmbUsers.ListCount() > 0 ? cmbUsers.List(0) : std::wstring());
  } catch (const common::NumberedError&) {
  }
}

void Frmbackup::lstFixed_Validate(bool& cancel) {
  SysInfo.emplace();
  SetCurrentUserFolder();
}

void Frmbackup::SetCurrentUserFolder() {
  cmbUsers.SetText(CurrentUserFolder(lstFixed.Text(), SysInfo->UserName()));
}

}  // namespace ferrimond

// Frmbackup: the drive lists and the user-profile box.
#include <windows.h>

#include <algorithm>
#include <cwctype>
#include <iterator>
#include <string>
#include <vector>

#include "common/numbered_error.h"
#include "ferrimond/mainwindow/drive_scan.h"
#include "ferrimond/mainwindow/frmbackup.h"
#include "ferrimond/upload/upload_paths.h"

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

namespace {

// The profile folders the system knows of (its profile list), on drive
// `letter`, as they are spelt there.
std::vector<std::wstring> SystemProfilesOn(const std::wstring& letter) {
  std::vector<std::wstring> profiles;
  if (letter.empty()) return profiles;
  HKEY list = nullptr;
  if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, L"SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\ProfileList", 0,
                    KEY_READ, &list) != ERROR_SUCCESS) {
    return profiles;
  }
  wchar_t sid[256];
  for (DWORD i = 0;; ++i) {
    DWORD sidLength = static_cast<DWORD>(std::size(sid));
    if (RegEnumKeyExW(list, i, sid, &sidLength, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS) break;
    wchar_t raw[MAX_PATH * 2];
    DWORD bytes = sizeof raw;
    if (RegGetValueW(list, sid, L"ProfileImagePath", RRF_RT_REG_SZ | RRF_RT_REG_EXPAND_SZ | RRF_NOEXPAND,
                     nullptr, raw, &bytes) != ERROR_SUCCESS) {
      continue;
    }
    wchar_t path[MAX_PATH * 2];
    const DWORD length = ExpandEnvironmentStringsW(raw, path, static_cast<DWORD>(std::size(path)));
    if (length == 0 || length > std::size(path)) continue;
    if (towupper(path[0]) == towupper(letter[0]) && path[1] == L':') profiles.push_back(path);
  }
  RegCloseKey(list);
  return profiles;
}

}  // namespace

void Frmbackup::lstFixed_Click() {
  SysInfo.emplace();
  cmbUsers.Clear();
  const std::wstring letter = lstFixed.Text();
  FileSystem& fs = FileSys();
  // A profile is a folder of a profiles folder holding a documents folder:
  // "Documents and Settings" in the older layout, "Users" in the current
  // one. A profile with two such folders appears twice in the older layout.
  const struct {
    const wchar_t* folder;
    bool older;
  } layouts[] = {{L":\\documents and settings", true}, {L":\\users", false}};
  for (const auto& layout : layouts) {
    try {
      const std::wstring profiles = Lower(letter) + layout.folder;
      if (letter.empty() || !fs.FolderExists(profiles)) continue;
      for (const Folder& profile : fs.GetFolder(profiles).SubFolders()) {
        // Public, Default and the like belong to nobody: not offered.
        if (IsSharedProfile(profile.Name())) continue;
        try {
          for (const Folder& sub : profile.SubFolders()) {
            if (Lower(sub.Name()).find(L"documents") == std::wstring::npos) continue;
            cmbUsers.AddItem(profile.Path());
            if (!layout.older) break;
          }
        } catch (const common::NumberedError& e) {
          // A profile the user may not read is skipped.
          if (e.Number() != common::ErrPermissionDenied) throw;
        }
      }
    } catch (const common::NumberedError&) {
    }
  }
  // Profiles the system keeps elsewhere on the drive.
  for (const std::wstring& profile : SystemProfilesOn(letter)) {
    if (IsSharedProfile(profile.substr(profile.find_last_of(L'\\') + 1))) continue;
    const std::wstring lower = Lower(profile);
    bool listed = false;
    for (int i = 0; i < cmbUsers.ListCount() && !listed; ++i) listed = Lower(cmbUsers.List(i)) == lower;
    if (!listed && fs.FolderExists(profile)) cmbUsers.AddItem(profile);
  }
  cmbUsers.SetText(cmbUsers.ListCount() > 0 ? cmbUsers.List(0) : std::wstring());
}

void Frmbackup::lstFixed_Validate(bool& cancel) {
  SysInfo.emplace();
  SetCurrentUserFolder();
}

void Frmbackup::SetCurrentUserFolder() {
  const std::wstring letter = lstFixed.Text();
  const std::wstring user = SysInfo->UserName();
  const std::wstring older = CurrentUserFolder(letter, user);
  // Where the older layout's folder is not there, the user's own profile
  // on that drive, or the current layout's folder of that name.
  std::wstring folder = older;
  FileSystem& fs = FileSys();
  if (!letter.empty() && !fs.FolderExists(older)) {
    wchar_t own[MAX_PATH];
    DWORD length = GetEnvironmentVariableW(L"USERPROFILE", own, MAX_PATH);
    const std::wstring current = letter + L":\\Users\\" + user;
    if (length > 2 && length < MAX_PATH && towupper(own[0]) == towupper(letter[0]) && fs.FolderExists(own)) {
      folder = own;
    } else if (fs.FolderExists(current)) {
      folder = current;
    }
  }
  cmbUsers.SetText(folder);
}

}  // namespace ferrimond

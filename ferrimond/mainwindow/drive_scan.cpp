#include "ferrimond/mainwindow/drive_scan.h"

namespace ferrimond {

DriveLists ScanDrives(const std::vector<DriveInfo>& drives) {
  DriveLists out;
  const DriveInfo* driveC = nullptr;
  for (const DriveInfo& d : drives) {
    if (d.letter == L'C') driveC = &d;
  }
  for (const DriveInfo& d : drives) {
    const std::wstring letter(1, d.letter);
    if (d.type == kDriveRemovable) {
      out.removable.push_back(letter);
      out.removableIndex = static_cast<int>(out.removable.size()) - 1;
    } else if (d.type == kDriveFixed) {
      out.fixed.push_back(letter);
      if (!driveC || d.letter == L'C') out.fixedIndex = static_cast<int>(out.fixed.size()) - 1;
    }
  }
  return out;
}

std::wstring CurrentUserFolder(const std::wstring& driveLetter, const std::wstring& userName) {
  return driveLetter + L":\\Documents and Settings\\" + userName;
}

}  // namespace ferrimond

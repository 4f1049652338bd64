#pragma once
// What the drive lists hold: removable drives for the backup, fixed drives
// for the upload, each entry a single upper-case letter.
#include <string>
#include <vector>

namespace ferrimond {

// Drive kinds as the file-system service reports them; only these two are
// ever listed.
enum ScriptDriveType { kDriveRemovable = 1, kDriveFixed = 2 };

struct DriveInfo {
  wchar_t letter;  // upper case
  int type;        // ScriptDriveType or any other kind
};

struct DriveLists {
  std::vector<std::wstring> removable;
  int removableIndex = -1;  // the last removable drive
  std::vector<std::wstring> fixed;
  // C when C: is fixed; the last fixed drive when there is no C:; nothing
  // when C: exists but is not fixed.
  int fixedIndex = -1;
};

// `drives` in drive-letter order.
DriveLists ScanDrives(const std::vector<DriveInfo>& drives);

// cmbUsers' proposal for the current user: "C:\Documents and Settings\name".
std::wstring CurrentUserFolder(const std::wstring& driveLetter, const std::wstring& userName);

}  // namespace ferrimond

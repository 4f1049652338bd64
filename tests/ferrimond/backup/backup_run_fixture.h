#pragma once
// Shared set-up of the whole-run tests: sources on the prefix's C:, a
// removable E: mapped before the window starts, prompts answered by a
// script, and readers of what a run leaves in the program folder.
#include <windows.h>

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "common/ole_date.h"
#include "ferrimond/mainwindow/frmbackup.h"
#include "tests/ferrimond/mainwindow/mainwindow_fixture.h"
#include "tests/harness/temp_dir.h"
#include "tests/harness/wine_drives.h"

namespace ferrimond::brtest {

using forms::MsgResult;
using forms::testing::Prompt;
using Strings = std::vector<std::wstring>;

inline const std::wstring kLogFolder = L"c:\\program files\\Ferrimond\\log\\";
inline const std::wstring kStatistics = kLogFolder + L"backupsta.sta";
inline const std::wstring kLastBackup = L"c:\\program files\\Ferrimond\\LastBackupT.tim";
inline const std::wstring kSuccess = L"Backup finished successfully!";

// Runs `action` at the next yield of the window's loops that comes at least
// a timer tick later: the way to act while a run waits.
void AtNextYield(std::function<void()> action);
// Runs `action` at the first such yield at which `ready` holds.
void WhenReady(std::function<bool()> ready, std::function<void()> action);

// Selects `entry` in `list`, which must hold it.
void SelectEntry(forms::ListBox& list, const std::wstring& entry);

// A file of `size` bytes (its folders made), last written `daysAgo` days ago.
void MakeFile(const std::wstring& path, size_t size, int daysAgo = 0, char fill = 'x');

bool Exists(const std::wstring& path);

// The path on drive `letter` that mirrors `path`.
inline std::wstring On(wchar_t letter, const std::wstring& path) {
  return std::wstring(1, letter) + path.substr(1);
}

struct StatisticsLine {
  common::DateTime written;
  int32_t checked, selected;
  double size;
  int32_t search, write, total;
  std::wstring drives;
};
std::vector<StatisticsLine> ReadStatistics();

// Presses `key` once, when the walk first shows a file in the progress box.
void PressAtFirstProgress(Frmbackup& w, int key);

// The day's list file: the selected paths, the start line and the header.
Strings FnmLines(const Frmbackup& w);
Strings FnmOfOneRun(const Frmbackup& w, Strings selected);

common::DateTime TodayOneSecond();

// The last-backup stamp's date; the zero date when there is none.
common::DateTime LastBackupStamp();

// The window is ready for the next command, however the run ended.
void ExpectIdle(const Frmbackup& w);

class BackupRunTest : public mwtest::MainWindowTest {
 protected:
  // The window with files from today on and close-after-backup off.
  Frmbackup& Ready();

  // The copy pass of a run over `paths`, to `drive`.
  void Copy(const Strings& paths, const std::wstring& drive);

  Strings Messages() { return Ui().Messages(); }

  harness::MappedDrive e_{L'E', harness::DriveKind::Removable};
  harness::TempDir c_;
  Frmbackup* w_ = nullptr;
  std::unique_ptr<List> list_;
};

}  // namespace ferrimond::brtest

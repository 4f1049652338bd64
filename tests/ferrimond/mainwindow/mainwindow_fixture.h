#pragma once
// The main window in-process for tests: a program folder of the test's own
// on the prefix's C: (any earlier one, and any threshold marker, put aside
// and restored), the window created hidden with process hooks that only
// count, prompts answered by a script. Whole runs add a removable E:
// mapped before the window starts, sources on C:, and readers of what a
// run leaves in the program folder.
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

// What the tests of the window use besides.
#include "common/date_text.h"
#include "common/ole_date.h"
#include "common/text_codec.h"
#include "ferrimond/mainwindow/frmbackup.h"
#include "ferrimond/support/file_system.h"
#include "ferrimond/support/file_system_paths.h"
#include "ferrimond/support/file_times.h"
#include "ferrimond/support/record_line.h"
#include "tests/ferrimond/forms/scripted_user_interaction.h"
#include "tests/harness/expect.h"
#include "tests/harness/temp_dir.h"
#include "tests/harness/wine_drives.h"

namespace ferrimond::mwtest {

using forms::MsgResult;
using forms::testing::Entries;
using forms::testing::Prompt;
using Strings = std::vector<std::wstring>;

inline const std::wstring kLogFolder = L"c:\\program files\\Ferrimond\\log\\";
inline const std::wstring kStatistics = kLogFolder + L"backupsta.sta";
inline const std::wstring kSuccess = L"Backup finished successfully!";

class MainWindowTest : public ::testing::Test {
 public:
  void SetUp() override;
  void TearDown() override;
  // Creates the main window (hidden), runs its Load and sets w_.
  Frmbackup& Start();
  // Destroys the window and forgets the prompts.
  void Close() { window_.reset(), w_ = nullptr, ui_->ClearRecord(); }

  forms::testing::ScriptedUserInteraction& Ui() { return *ui_; }
  Strings Messages() const { return ui_->Messages(); }
  // Texts of the message boxes shown so far, each an OK box with the title.
  Strings Prompts() const;
  void ExpectMessages(size_t count) {
    for (size_t i = 0; i < count; ++i) ui_->AnswerMsgBox(MsgResult::Ok);
  }
  // Answers the next message box and runs `then` at the next yield after it.
  void AnswerThen(MsgResult answer, std::function<void()> then);
  // Answers the next message box (a drive change), then selects `drive` in
  // the removable list and presses Continue.
  void ContinueOn(const wchar_t* drive);
  // Writes a stamp file (the last upload's unless told), making its folder.
  static void WriteStamp(const std::string& bytes, const wchar_t* path = kLastUploadStamp);

  forms::AxSource DatePickerSource = ProcessHooks().datePicker;
  int EndProcessCalls = 0;
  // The Task Scheduler of "Schedule backup..."; none: the system's.
  std::function<std::unique_ptr<ScheduleService>()> ScheduleServiceFactory;
  Frmbackup* w_ = nullptr;

 private:
  std::unique_ptr<forms::testing::ScriptedUserInteraction> ui_;
  std::unique_ptr<Frmbackup> window_;
  bool folderPutAside_ = false;
};

// The window started by SetUp, which saw no prompt on the way.
class StartedWindowTest : public MainWindowTest {
 public:
  void SetUp() override;
};

class BackupRunTest : public MainWindowTest {
 public:
  // The window with files from today on and close-after-backup off.
  Frmbackup& Ready();
  // The copy pass of a run over `paths`, to `drive`.
  void Copy(const Strings& paths, const std::wstring& drive);

  harness::MappedDrive e_{L'E', harness::DriveKind::Removable};
  harness::TempDir c_;
  std::unique_ptr<List> list_;
};

// Selects `entry` in `list`, which must hold it.
void SelectEntry(forms::ListBox& list, const std::wstring& entry);

// Runs `action` at the next yield of the window's loops that comes at least
// a timer tick later (the way to act while a run waits), or at the first
// such yield at which `ready` holds.
void AtNextYield(std::function<void()> action);
inline void WhenReady(std::function<bool()> ready, std::function<void()> action) {
  AtNextYield([ready, action] { ready() ? action() : WhenReady(ready, action); });
}
// Runs `action` once, when a run first shows a file in the progress box.
void AtFirstProgress(Frmbackup& w, std::function<void()> action);
inline void PressAtFirstProgress(Frmbackup& w, int key) { AtFirstProgress(w, [&w, key] { w.OnKeyDown(key, 0); }); }

// A file of `size` bytes (its folders made), last written `daysAgo` days
// ago (also a name that is a device elsewhere); a path ending in "\" is
// only a folder.
void MakeFile(const std::wstring& path, size_t size, int daysAgo = 0, char fill = 'x');
// `count` files "f<first>.doc", ... in `folder`, of different contents.
Strings MakeFiles(const std::wstring& folder, int count, size_t size = 3000, int first = 100);
// Also for long paths and names ending in a dot.
using harness::Exists;
// The path on drive `letter` that mirrors `path`.
inline std::wstring On(wchar_t letter, std::wstring path) { return path[0] = letter, path; }
// Every file below `folder` as "path=contents" and every empty folder as
// "path\", the paths relative to `folder`, in character-code order.
Strings Tree(const std::wstring& folder);
// A file held open without sharing until the object goes.
struct Lock {
  explicit Lock(const std::wstring& path) : h(harness::HoldUnshared(path)) {
    EXPECT_NE(h, INVALID_HANDLE_VALUE) << GetLastError();
  }
  ~Lock() { CloseHandle(h); }
  HANDLE h;
};
using harness::UnixLink;

struct StatisticsLine {
  common::DateTime written;
  int32_t checked, selected;
  double size;
  int32_t search, write, total;
  std::wstring drives;
};
std::vector<StatisticsLine> ReadStatistics();
// The day's list file: the selected paths, the start line and the header.
Strings FnmLines(const Frmbackup& w);
Strings FnmOfOneRun(const Frmbackup& w, Strings selected);
// That day, or today, at 00:00:01.
common::DateTime DayOneSecond(int y, int m, int d);
common::DateTime TodayOneSecond();
// The last-backup stamp's date; the zero date when there is none.
common::DateTime LastBackupStamp();
// The window is ready for the next command, however the run ended.
void ExpectIdle(const Frmbackup& w);

}  // namespace ferrimond::mwtest

// Whole backup runs on the real main window: sources on C: and D:, a
// removable E:, a small removable F: that really fills up, prompts answered
// by a script, the program folder on the prefix's C:.
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "common/date_text.h"
#include "common/numbered_error.h"
#include "ferrimond/mainwindow/frmbackup.h"
#include "ferrimond/support/file_times.h"
#include "ferrimond/support/record_line.h"
#include "tests/ferrimond/mainwindow/mainwindow_fixture.h"
#include "tests/harness/expect.h"
#include "tests/harness/temp_dir.h"
#include "tests/harness/wine_drives.h"

namespace ferrimond {
namespace {

using forms::MsgResult;
using forms::testing::Prompt;

const std::wstring kLogFolder = L"c:\\program files\\Ferrimond\\log\\";
const std::wstring kStatistics = kLogFolder + L"backupsta.sta";
const std::wstring kLastBackup = L"c:\\program files\\Ferrimond\\LastBackupT.tim";

// Runs `action` at the next yield of the window's loops that comes at least
// a timer tick later: the way to act while a run waits.
std::function<void()> g_atYield;
void CALLBACK AtYieldProc(HWND, UINT, UINT_PTR id, DWORD) {
  KillTimer(nullptr, id);
  auto action = std::move(g_atYield);
  g_atYield = nullptr;
  if (action) action();
}
void AtNextYield(std::function<void()> action) {
  g_atYield = std::move(action);
  SetTimer(nullptr, 0, 1, AtYieldProc);
}

void MakeFolders(const std::wstring& path) {
  for (size_t pos = path.find(L'\\', 3); pos != std::wstring::npos; pos = path.find(L'\\', pos + 1)) {
    CreateDirectoryW(path.substr(0, pos).c_str(), nullptr);
  }
  CreateDirectoryW(path.c_str(), nullptr);
}

// A file of `size` bytes (its folders made), last written `daysAgo` days ago.
void MakeFile(const std::wstring& path, size_t size, int daysAgo = 0, char fill = 'x') {
  MakeFolders(path.substr(0, path.rfind(L'\\')));
  harness::WriteFile(path, std::string(size, fill));
  if (daysAgo) {
    ASSERT_TRUE(SetFileTimes(path, common::Now().AddDays(-daysAgo), FileTimeWritten));
  }
}

bool Exists(const std::wstring& path) {
  return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

// The path on drive `letter` that mirrors `path`.
std::wstring On(wchar_t letter, const std::wstring& path) { return std::wstring(1, letter) + path.substr(1); }

struct StatisticsLine {
  common::DateTime written;
  int32_t checked, selected;
  double size;
  int32_t search, write, total;
  std::wstring drives;
};

std::vector<StatisticsLine> ReadStatistics() {
  std::vector<StatisticsLine> lines;
  if (!Exists(kStatistics)) return lines;
  RecordReader reader(harness::ReadFile(kStatistics));
  while (!reader.AtEnd()) {
    StatisticsLine l;
    l.written = reader.ReadDate();
    l.checked = reader.ReadLong();
    l.selected = reader.ReadLong();
    l.size = reader.ReadDouble();
    l.search = reader.ReadLong();
    l.write = reader.ReadLong();
    l.total = reader.ReadLong();
    l.drives = reader.ReadString();
    lines.push_back(l);
  }
  return lines;
}

// Presses `key` once, when the walk first shows a file in the progress box.
void PressAtFirstProgress(Frmbackup& w, int key) {
  auto pressed = std::make_shared<bool>(false);
  w.txtPrgBar.OnChange = [&w, pressed, key] {
    if (!*pressed) {
      *pressed = true;
      w.OnKeyDown(key, 0);
    }
  };
}

std::vector<std::wstring> FnmLines(const Frmbackup& w) {
  std::vector<std::wstring> out;
  const std::wstring path = kLogFolder + w.DateTag + L".fnm";
  if (!Exists(path)) return out;
  RecordReader reader(harness::ReadFile(path));
  while (!reader.AtEnd()) out.push_back(reader.ReadString());
  return out;
}

const std::wstring kHeader =
    L"look in backupsta.sta, time,File checked,file selected,totalsize of files, search time, "
    L"write time, total time, Drive";

class BackupRunTest : public mwtest::MainWindowTest {
 protected:
  // The window with the removable drives mapped before it starts, files
  // from today on, close-after-backup off unless a test wants it.
  Frmbackup& Ready() {
    Frmbackup& w = Start();
    if (w.mnuCloseAutomatically.Checked()) w.mnuCloseAutomatically.Click();
    w.OptDateToday.SetValue(true);
    return w;
  }

  std::vector<std::wstring> MessageTexts() { return Ui().Messages(); }
};

// ---- A complete run ----

TEST_F(BackupRunTest, FoldersOnCAndDGoToTheSamePathsOnTheRemovableDrive) {
  harness::MappedDrive d(L'D', harness::DriveKind::Fixed);
  harness::MappedDrive e(L'E', harness::DriveKind::Removable);
  harness::TempDir c;
  const std::wstring data = c / L"data";
  MakeFile(data + L"\\a.doc", 1000);
  MakeFile(data + L"\\sub\\b.doc", 2000);
  MakeFile(data + L"\\old.doc", 300, 30);
  MakeFile(data + L"\\c.txt", 10);
  MakeFile(d / L"docs\\d.doc", 400);
  MakeFile(d / L"root.xls", 50, 30);  // a single file: no date test
  // A stale copy on the drive is replaced without a question.
  MakeFile(On(L'E', data + L"\\a.doc"), 5, 0, 'o');

  Frmbackup& w = Ready();
  w.LstDir.AddItem(data);
  w.LstDir.AddItem(d / L"docs");
  w.Lstfile.AddItem(d / L"root.xls");
  w.CmdCToE.SetValue(true);

  EXPECT_TRUE(MessageTexts().empty());
  EXPECT_EQ(w.lblDir.Caption(), L"Backup finished successfully!");
  EXPECT_EQ(w.lblStatus.Caption(), L"");
  EXPECT_EQ(harness::ReadFile(On(L'E', data + L"\\a.doc")), std::string(1000, 'x'));
  EXPECT_EQ(harness::ReadFile(On(L'E', data + L"\\sub\\b.doc")).size(), 2000u);
  EXPECT_EQ(harness::ReadFile(L"E:\\docs\\d.doc").size(), 400u);
  EXPECT_EQ(harness::ReadFile(L"E:\\root.xls").size(), 50u);
  EXPECT_FALSE(Exists(On(L'E', data + L"\\old.doc")));
  EXPECT_FALSE(Exists(On(L'E', data + L"\\c.txt")));
  EXPECT_FALSE(Exists(kThresholdMarker));
  EXPECT_FALSE(w.CmdStop.Enabled() || w.CmdPause.Enabled());
  EXPECT_TRUE(w.OptLastBackup.Enabled() && w.optDatePicker.Enabled());
  EXPECT_TRUE(w.CmdCToE.Enabled());
  EXPECT_FALSE(w.IsUnloaded());

  // Threshold: today at 00:00:01.
  const common::DateTime todayOneSecond(common::Now().DatePart().Value() +
                                        common::DateTime::TimeSerial(0, 0, 1));
  EXPECT_EQ(w.Threshold, todayOneSecond);
  EXPECT_EQ(w.lblBackup.Caption(), common::DateText(todayOneSecond));

  std::vector<std::wstring> selected = {data + L"\\a.doc", data + L"\\sub\\b.doc",
                                        d / L"docs\\d.doc", d / L"root.xls"};
  std::sort(selected.begin(), selected.end());
  std::vector<std::wstring> fnm = selected;
  fnm.push_back(L"start backup at: " + common::DateText(w.RunStart));
  fnm.push_back(kHeader);
  EXPECT_EQ(FnmLines(w), fnm);

  const std::vector<StatisticsLine> stats = ReadStatistics();
  ASSERT_EQ(stats.size(), 1u);
  EXPECT_LE(w.RunStart, stats[0].written);
  EXPECT_EQ(stats[0].checked, 5);  // four in data, one in docs
  EXPECT_EQ(stats[0].selected, 4);
  EXPECT_EQ(stats[0].size, 3450);
  EXPECT_EQ(stats[0].search, w.SearchSeconds);
  EXPECT_EQ(stats[0].total, w.TotalSeconds);
  EXPECT_EQ(stats[0].write, stats[0].total - stats[0].search);
  EXPECT_EQ(stats[0].drives, L"E");
  EXPECT_EQ(harness::ReadFile(kLogFolder + w.DateTag + L"_backup.sta"), harness::ReadFile(kStatistics));

  const common::DateParts p = w.RunStart.Parts();
  char stamp[40];
  snprintf(stamp, sizeof stamp, "#%04d-%02d-%02d %02d:%02d:%02d#\r\n", p.year, p.month, p.day,
           p.hour, p.minute, p.second);
  EXPECT_EQ(harness::ReadFile(kLastBackup), stamp);
}

TEST_F(BackupRunTest, TwoRunsInOneSessionEachRecordOnlyTheirOwn) {
  harness::MappedDrive e(L'E', harness::DriveKind::Removable);
  harness::TempDir c;
  MakeFile(c / L"one.doc", 100);
  MakeFile(c / L"two.doc", 200);
  Frmbackup& w = Ready();
  w.LstDir.AddItem(c.Path());
  w.CmdCToE.SetValue(true);
  w.CmdCToE.SetValue(true);
  const std::vector<StatisticsLine> stats = ReadStatistics();
  ASSERT_EQ(stats.size(), 2u);
  for (const StatisticsLine& line : stats) {
    EXPECT_EQ(line.checked, 2);
    EXPECT_EQ(line.selected, 2);
    EXPECT_EQ(line.size, 300);
    EXPECT_EQ(line.drives, L"E");
  }
  EXPECT_EQ(FnmLines(w).size(), 8u);
  EXPECT_TRUE(MessageTexts().empty());
}

TEST_F(BackupRunTest, BothListsEmptyStillRecordTheRun) {
  harness::MappedDrive e(L'E', harness::DriveKind::Removable);
  Frmbackup& w = Ready();
  // A second press while the first run shows its message starts nothing.
  Ui().AnswerMsgBox(MsgResult::Ok, [&](const Prompt&) { w.CmdCToE.SetValue(true); });
  w.CmdCToE.SetValue(true);
  EXPECT_EQ(MessageTexts(), std::vector<std::wstring>{L"You did not choose any directories to backup"});
  EXPECT_EQ(w.lblDir.Caption(), L"Backup finished successfully!");
  EXPECT_EQ(FnmLines(w), (std::vector<std::wstring>{L"start backup at: " + common::DateText(w.RunStart), kHeader}));
  ASSERT_EQ(ReadStatistics().size(), 1u);
  EXPECT_EQ(ReadStatistics()[0].selected, 0);
  EXPECT_TRUE(Exists(kLastBackup));
}

TEST_F(BackupRunTest, AFileTheCopyPassesOverIsReportedAndKeepsTheProgramOpen) {
  harness::MappedDrive e(L'E', harness::DriveKind::Removable);
  harness::TempDir c;
  MakeFile(c / L"busy.xls", 10);
  MakeFile(c / L"fine.xls", 10);
  // Another program holds the file open without sharing: it cannot be read.
  const std::wstring busy = c / L"busy.xls";
  HANDLE lock = CreateFileW(busy.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(lock, INVALID_HANDLE_VALUE);
  Frmbackup& w = Ready();
  if (!w.mnuCloseAutomatically.Checked()) w.mnuCloseAutomatically.Click();
  w.Lstfile.AddItem(busy);
  w.Lstfile.AddItem(c / L"fine.xls");
  w.CmdCToE.SetValue(true);
  CloseHandle(lock);
  EXPECT_EQ(w.lblDir.Caption(), L"Backup finished, but 1 file(s) could not be copied.");
  EXPECT_TRUE(Exists(On(L'E', c / L"fine.xls")));
  EXPECT_FALSE(Exists(On(L'E', busy)));
  EXPECT_FALSE(w.IsUnloaded());
}

TEST_F(BackupRunTest, ASuccessfulRunClosesTheProgramWhenAskedAnAbortedOneDoesNot) {
  harness::MappedDrive e(L'E', harness::DriveKind::Removable);
  harness::TempDir c;
  MakeFile(c / L"a.doc", 10);
  {
    Frmbackup& w = Start();
    ASSERT_TRUE(w.mnuCloseAutomatically.Checked());
    w.OptDateToday.SetValue(true);
    w.LstDir.AddItem(c.Path());
    // Esc at the first file of the walk.
    PressAtFirstProgress(w, VK_ESCAPE);
    w.CmdCToE.SetValue(true);
    EXPECT_EQ(w.lblStatus.Caption(), L"Backup aborted");
    EXPECT_FALSE(w.IsUnloaded());
    EXPECT_EQ(w.ClosingSplash(), nullptr);
  }
  Frmbackup& w = Start();
  w.OptDateToday.SetValue(true);
  w.LstDir.AddItem(c.Path());
  w.CmdCToE.SetValue(true);
  EXPECT_TRUE(w.IsUnloaded());
  EXPECT_NE(w.ClosingSplash(), nullptr);
}

// ---- The date criterion ----

TEST_F(BackupRunTest, EachDateOptionStampsItsThresholdOnTheMarker) {
  harness::MappedDrive e(L'E', harness::DriveKind::Removable);
  Frmbackup& w = Ready();
  const common::DateTime today(common::Now().DatePart().Value() +
                               common::DateTime::TimeSerial(0, 0, 1));
  // Every run below has nothing to walk and says so.
  auto run = [&] {
    Ui().AnswerMsgBox(MsgResult::Ok);
    w.CmdCToE.SetValue(true);
    EXPECT_EQ(w.lblDir.Caption(), L"Backup finished successfully!");
    return w.Threshold;
  };

  w.UserSetTime = harness::At(2026, 1, 2, 3, 4, 5);
  w.OptAnyTime.SetValue(true);
  EXPECT_EQ(run(), harness::At(2026, 1, 2, 3, 4, 5));

  WriteStamp(RecordWriter().Date(harness::At(2025, 11, 30, 22, 15, 0)).EndRecord().Bytes());
  w.OptLastUpload.SetValue(true);
  EXPECT_EQ(run(), harness::At(2025, 11, 30, 22, 15, 0));

  w.optDateText.SetValue(true);
  w.txtdays.SetText(L"2");
  EXPECT_EQ(run(), today.AddDays(-2));
  w.txtdays.SetText(L"abc");
  EXPECT_EQ(run(), today);

  w.optDatePicker.SetValue(true);
  w.PickedDate = harness::At(2025, 6, 7, 15, 30, 0);
  EXPECT_EQ(run(), harness::At(2025, 6, 7, 0, 0, 1));
  w.PickedDate = common::DateTime();
  EXPECT_EQ(run(), today);

  // The last run's start, as its stamp keeps it.
  const common::DateTime lastStart = w.RunStart;
  w.OptLastBackup.SetValue(true);
  EXPECT_EQ(run(), lastStart);
  EXPECT_EQ(w.lblBackup.Caption(), common::DateText(lastStart));
  EXPECT_EQ(Ui().Messages().size(), 7u);
}

TEST_F(BackupRunTest, AnUploadStampWithoutATimeDeselectsItsOptionAndTheRunWaits) {
  harness::MappedDrive e(L'E', harness::DriveKind::Removable);
  Frmbackup& w = Ready();
  WriteStamp("#00:00:00#\r\n");
  w.OptLastUpload.SetValue(true);
  Ui().AnswerMsgBox(MsgResult::Ok);  // not kept correctly
  Ui().AnswerMsgBox(MsgResult::Ok, [&](const Prompt&) {
    AtNextYield([&] { w.OptDateToday.SetValue(true); });
  });
  Ui().AnswerMsgBox(MsgResult::Ok);  // nothing to walk
  w.CmdCToE.SetValue(true);
  EXPECT_EQ(MessageTexts(), (std::vector<std::wstring>{
                                L"Last update time was not kept correctly!",
                                L"Please choose a time from which to back up your files!",
                                L"You did not choose any directories to backup"}));
  EXPECT_FALSE(w.OptLastUpload.Value());
  EXPECT_EQ(w.lblDir.Caption(), L"Backup finished successfully!");
}

// ---- Stopping ----

TEST_F(BackupRunTest, EscDuringTheWalkAbortsButStillRecordsTheRun) {
  harness::MappedDrive e(L'E', harness::DriveKind::Removable);
  harness::TempDir c;
  for (int i = 0; i < 5; ++i) MakeFile(c / (L"f" + std::to_wstring(i) + L".doc"), 10);
  MakeFile(c / L"single.xls", 7, 30);
  Frmbackup& w = Ready();
  w.LstDir.AddItem(c.Path());
  w.Lstfile.AddItem(c / L"single.xls");
  PressAtFirstProgress(w, VK_ESCAPE);
  w.CmdCToE.SetValue(true);

  EXPECT_EQ(w.lblStatus.Caption(), L"Backup aborted");
  EXPECT_EQ(w.lblDir.Caption(), L"Backup has been interrupted.");
  EXPECT_TRUE(MessageTexts().empty());
  const std::vector<StatisticsLine> stats = ReadStatistics();
  ASSERT_EQ(stats.size(), 1u);
  EXPECT_EQ(stats[0].checked, 1);
  EXPECT_EQ(stats[0].selected, 1);  // the single file, never copied
  EXPECT_EQ(stats[0].write, 0);
  EXPECT_EQ(stats[0].total, 0);
  EXPECT_FALSE(Exists(On(L'E', c / L"single.xls")));
  EXPECT_EQ(RecordReader(harness::ReadFile(kLastBackup)).ReadDate(), w.RunStart);
  EXPECT_FALSE(Exists(kThresholdMarker));
  // Idle again, ready for another run.
  EXPECT_FALSE(w.CmdStop.Enabled() || w.CmdPause.Enabled() || w.CmdContinue.Enabled());
  EXPECT_TRUE(w.OptDateToday.Enabled());
}

TEST_F(BackupRunTest, APPressedBeforeTheRunDoesNotTurnTheRunsFirstPauseIntoAResume) {
  harness::MappedDrive e(L'E', harness::DriveKind::Removable);
  harness::TempDir c;
  MakeFile(c / L"a.doc", 10);
  Frmbackup& w = Ready();
  w.OnKeyDown('P', 0);  // while idle
  w.LstDir.AddItem(c.Path());
  PressAtFirstProgress(w, 'P');
  Ui().AnswerMsgBox(MsgResult::No);  // the walk's pause prompt: go on
  w.CmdCToE.SetValue(true);
  ASSERT_EQ(MessageTexts(), std::vector<std::wstring>{L"Would you like to abort the backup ?"});
  EXPECT_FALSE(w.PauseFlag);
  EXPECT_EQ(w.lblDir.Caption(), L"Backup finished successfully!");
  EXPECT_TRUE(Exists(On(L'E', c / L"a.doc")));
}

TEST_F(BackupRunTest, StopWhilePausedInTheCopyFinishesAContinuePassFirst) {
  harness::MappedDrive e(L'E', harness::DriveKind::Removable);
  harness::TempDir c;
  List list;
  for (int i = 0; i < 4; ++i) {
    const std::wstring path = c / (L"p" + std::to_wstring(i) + L".doc");
    MakeFile(path, 100 + i);
    list.Add(path);
  }
  Frmbackup& w = Ready();
  w.Watch().StartTimer();
  w.CmdPause.SetValue(true);  // paused before the first progress check
  ASSERT_TRUE(w.PauseFlag);
  Ui().AnswerMsgBox(MsgResult::Cancel);  // the pause prompt: Cancel presses Stop
  w.LastItemDone = list.Head();
  w.CopyFilefromList(list.Head(), L"E");

  ASSERT_EQ(Ui().Prompts().size(), 1u);
  EXPECT_EQ(Ui().Prompts()[0].text,
            L"Backup paused by user; click \"OK\" to go on,\"Cancel\" to abort");
  EXPECT_EQ(Ui().Prompts()[0].buttons, forms::MsgButtons::OkCancel);
  EXPECT_FALSE(w.PauseFlag);
  EXPECT_TRUE(w.AbortFlag);
  // Stop ended the pause, which ran Continue: every file was copied.
  for (int i = 0; i < 4; ++i) {
    EXPECT_EQ(harness::ReadFile(On(L'E', c / (L"p" + std::to_wstring(i) + L".doc"))).size(),
              static_cast<size_t>(100 + i));
  }
}

TEST_F(BackupRunTest, AMirrorFolderRemovedDuringTheCopyIsMadeAgainForTheNextFile) {
  harness::MappedDrive e(L'E', harness::DriveKind::Removable);
  harness::TempDir c;
  List list;
  for (int i = 0; i < 60; ++i) {
    const std::wstring path = c / (L"sub\\f" + std::to_wstring(100 + i) + L".doc");
    MakeFile(path, 2000);
    list.Add(path);
  }
  Frmbackup& w = Ready();
  w.Watch().StartTimer();
  w.LastItemDone = list.Head();
  std::wstring lastBefore;
  AtNextYield([&] {
    if (w.LastItemDone) lastBefore = w.LastItemDone->Value;
    harness::RemoveTree(On(L'E', c / L"sub"));
  });
  w.CopyFilefromList(list.Head(), L"E");
  ASSERT_FALSE(lastBefore.empty()) << "the copy never yielded";
  EXPECT_TRUE(Ui().Prompts().empty());
  EXPECT_EQ(w.FilesNotCopied, 0);
  bool after = false;
  int copiedAfter = 0;
  for (auto item = list.Head(); item; item = item->NextItem) {
    if (after) {
      EXPECT_TRUE(Exists(On(L'E', item->Value))) << item->Value;
      ++copiedAfter;
    }
    after = after || item->Value == lastBefore;
  }
  EXPECT_GT(copiedAfter, 0);
}

// ---- Failures of the run ----

TEST_F(BackupRunTest, TooManyDaysIsAnOverflowBeforeAnyWalk) {
  harness::MappedDrive e(L'E', harness::DriveKind::Removable);
  harness::TempDir c;
  MakeFile(c / L"a.doc", 10);
  Frmbackup& w = Ready();
  w.optDateText.SetValue(true);
  w.txtdays.SetText(L"40000");
  w.LstDir.AddItem(c.Path());
  Ui().AnswerMsgBox(MsgResult::Ok);
  w.CmdCToE.SetValue(true);
  EXPECT_EQ(MessageTexts(), std::vector<std::wstring>{L"Error code 6 was generated \r\n" +
                                                      common::RuntimeDescription(6)});
  EXPECT_EQ(w.FilesChecked, 0);
  EXPECT_TRUE(ReadStatistics().empty());
  // The run is over: another press starts a new one.
  EXPECT_FALSE(w.RunActive);
}

TEST_F(BackupRunTest, AMissingChosenFolderEndsTheRunWithItsMessage) {
  harness::MappedDrive e(L'E', harness::DriveKind::Removable);
  Frmbackup& w = Ready();
  w.LstDir.AddItem(L"C:\\no such folder here");
  Ui().AnswerMsgBox(MsgResult::Ok);
  w.CmdCToE.SetValue(true);
  EXPECT_EQ(MessageTexts(), std::vector<std::wstring>{L"Some of your directories or files do not exist. Please check."});
  // The marker made for the run stays, as nothing after the failure runs.
  EXPECT_TRUE(Exists(kThresholdMarker));
  DeleteFileW(kThresholdMarker);
}

// ---- A full removable drive ----

TEST_F(BackupRunTest, AFullDriveWaitsForAnotherAndNothingIsLost) {
  harness::MappedDrive e(L'E', harness::DriveKind::Removable);
  FERRIMOND_SMALL_DRIVE_OR_SKIP(f, L'F');
  harness::TempDir c;
  std::vector<std::wstring> files;
  for (int i = 0; i < 4; ++i) {
    files.push_back(c / (L"big" + std::to_wstring(i) + L".doc"));
    MakeFile(files.back(), 100000, 0, static_cast<char>('a' + i));
  }
  Frmbackup& w = Ready();
  ASSERT_EQ(w.lstRemovable.Text(), L"F");
  w.LstDir.AddItem(c.Path());
  Ui().AnswerMsgBox(MsgResult::Ok, [&](const Prompt&) {
    AtNextYield([&] {
      EXPECT_TRUE(w.CmdContinue.Enabled());
      EXPECT_FALSE(w.CmdPause.Enabled() || w.CmdCToE.Enabled());
      w.lstRemovable.SetListIndex(0);
      ASSERT_EQ(w.lstRemovable.Text(), L"E");
      w.CmdContinue.SetValue(true);
    });
  });
  w.CmdCToE.SetValue(true);

  ASSERT_EQ(Ui().Prompts().size(), 1u);
  const Prompt& prompt = Ui().Prompts()[0];
  EXPECT_EQ(prompt.text,
            L"There is no more free space for backing up files. Change removable drive or choose "
            L"new drive and then hit CONTINUE on the button to the right.");
  EXPECT_EQ(prompt.title, L"Change Drive");
  EXPECT_EQ(prompt.icon, forms::MsgIcon::Exclamation);
  for (size_t i = 0; i < files.size(); ++i) {
    const std::string expected(100000, static_cast<char>('a' + i));
    const bool onF = Exists(On(L'F', files[i])) && harness::ReadFile(On(L'F', files[i])) == expected;
    const bool onE = Exists(On(L'E', files[i])) && harness::ReadFile(On(L'E', files[i])) == expected;
    EXPECT_TRUE(onF || onE) << i;
  }
  ASSERT_EQ(ReadStatistics().size(), 1u);
  EXPECT_EQ(ReadStatistics()[0].drives, L"FE");
  EXPECT_EQ(w.lblDir.Caption(), L"Backup finished successfully!");
}

TEST_F(BackupRunTest, ACopyThatHitsAFullDriveWaitsAndCopiesThatFileAgain) {
  harness::MappedDrive e(L'E', harness::DriveKind::Removable);
  FERRIMOND_SMALL_DRIVE_OR_SKIP(f, L'F');
  harness::TempDir c;
  List list;
  const std::wstring first = c / L"first.doc", second = c / L"second.doc";
  MakeFile(first, 150000, 0, '1');
  MakeFile(second, 150000, 0, '2');
  list.Add(first);
  list.Add(second);
  Frmbackup& w = Ready();
  w.Watch().StartTimer();
  // As if cluster rounding fooled the free-space test: it passes, the
  // copy itself runs out of space.
  w.SpaceFactor = 0.5;
  w.DriveText = L"F";
  Ui().AnswerMsgBox(MsgResult::Ok, [&](const Prompt&) {
    AtNextYield([&] {
      // The partial copy is gone before the user changes drives.
      EXPECT_FALSE(Exists(On(L'F', second)));
      w.lstRemovable.SetListIndex(0);
      w.CmdContinue.SetValue(true);
    });
  });
  w.LastItemDone = list.Head();
  w.CopyFilefromList(list.Head(), w.DriveText);

  ASSERT_EQ(Ui().Prompts().size(), 1u);
  EXPECT_EQ(Ui().Prompts()[0].title, L"Change Drive");
  EXPECT_EQ(harness::ReadFile(On(L'F', first)), std::string(150000, '1'));
  EXPECT_EQ(harness::ReadFile(On(L'E', second)), std::string(150000, '2'));
  EXPECT_FALSE(Exists(On(L'F', second)));
  EXPECT_EQ(w.DriveText, L"FE");
}

TEST_F(BackupRunTest, AFileIsCopiedOnlyWhenTheDriveHasATenthMoreThanItsSizeFree) {
  FERRIMOND_SMALL_DRIVE_OR_SKIP(f, L'F');
  harness::TempDir c;
  Frmbackup& w = Ready();
  ULARGE_INTEGER freeBytes{};
  ASSERT_TRUE(GetDiskFreeSpaceExW(L"F:\\", &freeBytes, nullptr, nullptr));
  const double free = static_cast<double>(freeBytes.QuadPart);
  // The largest size that passes and the smallest that does not.
  size_t fits = static_cast<size_t>(free / 1.1);
  while (fits * 1.1 >= free) --fits;
  const size_t tooBig = fits + 1;
  ASSERT_GE(tooBig * 1.1, free);

  MakeFile(c / L"big.doc", tooBig);
  List big;
  big.Add(c / L"big.doc");
  w.Watch().StartTimer();
  Ui().AnswerMsgBox(MsgResult::Ok, [&](const Prompt&) { AtNextYield([&] { w.CmdStop.SetValue(true); }); });
  w.CopyFilefromList(big.Head(), L"F");
  EXPECT_EQ(Ui().Prompts().size(), 1u);
  EXPECT_FALSE(Exists(On(L'F', c / L"big.doc")));

  w.AbortFlag = false;
  MakeFile(c / L"fits.doc", fits);
  List fitting;
  fitting.Add(c / L"fits.doc");
  w.CopyFilefromList(fitting.Head(), L"F");
  EXPECT_EQ(Ui().Prompts().size(), 1u);
  EXPECT_EQ(harness::ReadFile(On(L'F', c / L"fits.doc")).size(), fits);
}

TEST_F(BackupRunTest, WithoutARemovableDriveTheCopyAsksOnceMoreThenWaitsForOne) {
  harness::MappedDrive e(L'E', harness::DriveKind::Removable);
  harness::TempDir c;
  MakeFile(c / L"a.doc", 10);
  List list;
  list.Add(c / L"a.doc");
  Frmbackup& w = Ready();
  w.lstRemovable.Clear();  // no drive chosen (none was found, say)
  w.DriveText = L"";
  w.Watch().StartTimer();
  Ui().AnswerMsgBox(MsgResult::Ok);
  Ui().AnswerMsgBox(MsgResult::Ok, [&](const Prompt&) {
    AtNextYield([&] {
      EXPECT_TRUE(w.CmdContinue.Enabled() && w.CmdStop.Enabled());
      w.lstRemovable.AddItem(L"E");
      w.lstRemovable.SetListIndex(0);
      w.CmdContinue.SetValue(true);
    });
  });
  w.LastItemDone = list.Head();
  w.CopyFilefromList(list.Head(), w.DriveText);
  EXPECT_EQ(MessageTexts(),
            std::vector<std::wstring>(2, L"Please make sure a disk is inserted and then click the OK button"));
  EXPECT_EQ(harness::ReadFile(On(L'E', c / L"a.doc")).size(), 10u);
  EXPECT_EQ(w.DriveText, L"E");
}

// ---- Records ----

TEST_F(BackupRunTest, LargeTotalsAreWrittenAsWholeNumbers) {
  Frmbackup& w = Ready();
  CreateDirectoryW(L"c:\\program files\\Ferrimond\\log", nullptr);
  w.DriveText = L"EF";
  w.TotalSize = 1000000;
  w.Write_Statistics();
  w.TotalSize = 1500000000;
  w.Write_Statistics();
  const std::string text = harness::ReadFile(kStatistics);
  EXPECT_NE(text.find(",1000000,"), std::string::npos) << text;
  EXPECT_NE(text.find(",1500000000,"), std::string::npos) << text;
  EXPECT_NE(text.find(",\"EF\"\r\n"), std::string::npos) << text;
}

TEST_F(BackupRunTest, SizingCoversEveryEntryOfALongList) {
  harness::TempDir c;
  MakeFile(c / L"one.doc", 3);
  Frmbackup& w = Ready();
  List list;
  // Past the 32,768 entries a 16-bit counter could reach; the same file
  // many times is enough.
  const int count = 33000;
  for (int i = 0; i < count; ++i) list.Add(c / L"one.doc");
  w.FilesSelected = count;
  w.TotalSize = 0;
  w.Size_file(list);
  EXPECT_EQ(w.TotalSize, 3.0 * count);
  EXPECT_EQ(w.FileSizes.size(), static_cast<size_t>(count) + 1);
  EXPECT_EQ(w.FileSizes[count - 1], 3);
}

}  // namespace
}  // namespace ferrimond

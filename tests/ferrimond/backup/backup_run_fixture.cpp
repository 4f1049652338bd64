#include "tests/ferrimond/backup/backup_run_fixture.h"

#include <algorithm>
#include <utility>

#include "common/date_text.h"
#include "ferrimond/support/file_times.h"
#include "ferrimond/support/record_line.h"
#include "tests/harness/expect.h"

namespace ferrimond::brtest {

namespace {
std::function<void()> g_atYield;
}  // namespace

void AtNextYield(std::function<void()> action) {
  g_atYield = std::move(action);
  SetTimer(nullptr, 0, 1, [](HWND, UINT, UINT_PTR id, DWORD) {
    KillTimer(nullptr, id);
    if (auto run = std::exchange(g_atYield, nullptr)) run();
  });
}

void WhenReady(std::function<bool()> ready, std::function<void()> action) {
  AtNextYield([ready, action] { ready() ? action() : WhenReady(ready, action); });
}

void SelectEntry(forms::ListBox& list, const std::wstring& entry) {
  for (int i = 0; i < list.ListCount(); ++i) {
    if (list.List(i) == entry) list.SetListIndex(i);
  }
  ASSERT_EQ(list.Text(), entry);
}

void MakeFile(const std::wstring& path, size_t size, int daysAgo, char fill) {
  for (size_t pos = path.find(L'\\', 3); pos != std::wstring::npos; pos = path.find(L'\\', pos + 1))
    CreateDirectoryW(path.substr(0, pos).c_str(), nullptr);
  harness::WriteFile(path, std::string(size, fill));
  if (daysAgo) {
    ASSERT_TRUE(SetFileTimes(path, common::Now().AddDays(-daysAgo), FileTimeWritten));
  }
}

bool Exists(const std::wstring& path) { return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

std::vector<StatisticsLine> ReadStatistics() {
  std::vector<StatisticsLine> lines;
  if (!Exists(kStatistics)) return lines;
  RecordReader r(harness::ReadFile(kStatistics));
  while (!r.AtEnd()) {
    StatisticsLine l;
    l.written = r.ReadDate();
    l.checked = r.ReadLong(), l.selected = r.ReadLong();
    l.size = r.ReadDouble();
    l.search = r.ReadLong(), l.write = r.ReadLong(), l.total = r.ReadLong();
    l.drives = r.ReadString();
    lines.push_back(l);
  }
  return lines;
}

void PressAtFirstProgress(Frmbackup& w, int key) {
  auto pressed = std::make_shared<bool>(false);
  w.txtPrgBar.OnChange = [&w, pressed, key] {
    if (!std::exchange(*pressed, true)) w.OnKeyDown(key, 0);
  };
}

Strings FnmLines(const Frmbackup& w) {
  Strings out;
  const std::wstring path = kLogFolder + w.DateTag + L".fnm";
  if (!Exists(path)) return out;
  RecordReader reader(harness::ReadFile(path));
  while (!reader.AtEnd()) out.push_back(reader.ReadString());
  return out;
}

Strings FnmOfOneRun(const Frmbackup& w, Strings selected) {
  std::sort(selected.begin(), selected.end());
  selected.push_back(L"start backup at: " + common::DateText(w.RunStart));
  selected.push_back(
      L"look in backupsta.sta, time,File checked,file selected,totalsize of files, search time, "
      L"write time, total time, Drive");
  return selected;
}

common::DateTime TodayOneSecond() {
  return common::DateTime(common::Now().DatePart().Value() + common::DateTime::TimeSerial(0, 0, 1));
}

common::DateTime LastBackupStamp() {
  if (!Exists(kLastBackup)) return common::DateTime();
  return RecordReader(harness::ReadFile(kLastBackup)).ReadDate();
}

void ExpectIdle(const Frmbackup& w) {
  EXPECT_FALSE(w.RunActive);
  EXPECT_TRUE(w.CmdCToE.Enabled());
  EXPECT_FALSE(w.CmdStop.Enabled() || w.CmdPause.Enabled() || w.CmdContinue.Enabled());
  for (const forms::OptionButton* option : {&w.OptLastUpload, &w.optDateText, &w.OptAnyTime,
                                            &w.OptDateToday, &w.optDatePicker, &w.OptLastBackup})
    EXPECT_TRUE(option->Enabled()) << option->Name();
  EXPECT_TRUE(w.txtdays.CausesValidation());
  EXPECT_FALSE(w.PauseFlag);
  EXPECT_EQ(w.Frame1.BackColor(), forms::kColorButtonFace);
  EXPECT_EQ(w.MousePointer(), forms::Pointer::Default);
  EXPECT_EQ(forms::ScreenMousePointer(), forms::Pointer::Default);
  EXPECT_NE(w.lblStatus.Caption(), L"Checking files");
  EXPECT_NE(w.lblStatus.Caption(), L"Writing files");
}

Frmbackup& BackupRunTest::Ready() {
  Frmbackup& w = Start();
  if (w.mnuCloseAutomatically.Checked()) w.mnuCloseAutomatically.Click();
  w.OptDateToday.SetValue(true);
  w.Watch().StartTimer();
  w_ = &w;
  return w;
}

void BackupRunTest::Copy(const Strings& paths, const std::wstring& drive) {
  list_ = std::make_unique<List>();
  for (const std::wstring& path : paths) list_->Add(path);
  w_->LastItemDone = list_->Head();
  // The pass runs inside a run: only then do Stop, Pause and Continue act.
  w_->RunActive = true;
  w_->CopyFilefromList(list_->Head(), drive);
  w_->RunActive = false;
}

}  // namespace ferrimond::brtest

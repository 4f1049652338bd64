#include "tests/ferrimond/mainwindow/mainwindow_fixture.h"

namespace ferrimond::mwtest {

namespace {

const std::wstring kFolderAside = std::wstring(kProgramFolder) + L".before-mainwindow-tests";
const std::wstring kMarkerAside = std::wstring(kThresholdMarker) + L".before-mainwindow-tests";
std::function<void()> g_atYield;

}  // namespace

void MainWindowTest::SetUp() {
  ui_ = std::make_unique<forms::testing::ScriptedUserInteraction>();
  // A run that crashed earlier may have left the real folder aside.
  if (Exists(kFolderAside) && !Exists(kProgramFolder)) MoveFileW(kFolderAside.c_str(), kProgramFolder);
  if ((folderPutAside_ = Exists(kProgramFolder))) {
    harness::RemoveTree(kFolderAside);
    ASSERT_TRUE(MoveFileW(kProgramFolder, kFolderAside.c_str()));
  }
  // Likewise a marker that a run left behind.
  if (Exists(kThresholdMarker)) MoveFileExW(kThresholdMarker, kMarkerAside.c_str(), MOVEFILE_REPLACE_EXISTING);
}

void MainWindowTest::TearDown() {
  window_.reset();
  harness::RemoveTree(kProgramFolder);
  if (folderPutAside_) MoveFileW(kFolderAside.c_str(), kProgramFolder);
  DeleteFileW(kThresholdMarker);
  if (Exists(kMarkerAside)) MoveFileW(kMarkerAside.c_str(), kThresholdMarker);
}

Frmbackup& MainWindowTest::Start() {
  Close();
  ProcessHooks hooks;
  hooks.anotherInstanceRunning = [] { return false; };
  hooks.endProcess = [this] { ++EndProcessCalls; };
  hooks.datePicker = DatePickerSource;
  hooks.scheduleService = ScheduleServiceFactory;
  window_ = std::make_unique<Frmbackup>(*ui_, hooks);
  w_ = window_.get();
  window_->Load();
  return *window_;
}

Strings MainWindowTest::Prompts() const {
  for (const Prompt& prompt : ui_->Prompts()) {
    EXPECT_TRUE(prompt.kind == forms::testing::PromptKind::MsgBox && prompt.buttons == forms::MsgButtons::Ok &&
                prompt.title == forms::AppTitle());
  }
  return ui_->Messages();
}

void MainWindowTest::AnswerThen(MsgResult answer, std::function<void()> then) {
  ui_->AnswerMsgBox(answer, [then](const Prompt&) { AtNextYield(then); });
}

void MainWindowTest::ContinueOn(const wchar_t* drive) {
  AnswerThen(MsgResult::Ok, [this, drive] {
    SelectEntry(w_->lstRemovable, drive);
    w_->CmdContinue.SetValue(true);
  });
}

void MainWindowTest::WriteStamp(const std::string& bytes, const wchar_t* path) {
  MakeFile(std::wstring(kProgramFolder) + L"\\", 0);
  harness::WriteFile(path, bytes);
}

void StartedWindowTest::SetUp() {
  MainWindowTest::SetUp();
  if (HasFatalFailure()) return;
  Start();
  ASSERT_TRUE(Prompts().empty());
}

Frmbackup& BackupRunTest::Ready() {
  Frmbackup& w = Start();
  if (w.mnuCloseAutomatically.Checked()) w.mnuCloseAutomatically.Click();
  w.OptDateToday.SetValue(true);
  w.Watch().StartTimer();
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

void SelectEntry(forms::ListBox& list, const std::wstring& entry) {
  for (int i = 0; i < list.ListCount(); ++i)
    if (list.List(i) == entry) list.SetListIndex(i);
  ASSERT_EQ(list.Text(), entry);
}

void AtNextYield(std::function<void()> action) {
  g_atYield = std::move(action);
  SetTimer(nullptr, 0, 1, [](HWND, UINT, UINT_PTR id, DWORD) {
    KillTimer(nullptr, id);
    if (auto run = std::exchange(g_atYield, nullptr)) run();
  });
}

void AtFirstProgress(Frmbackup& w, std::function<void()> action) {
  w.txtPrgBar.OnChange = [action, done = std::make_shared<bool>(false)] {
    if (!std::exchange(*done, true)) action();
  };
}

void MakeFile(const std::wstring& path, size_t size, int daysAgo, char fill) {
  for (size_t pos = path.find(L'\\', 3); pos != std::wstring::npos; pos = path.find(L'\\', pos + 1))
    CreateDirectoryW(harness::Literal(path.substr(0, pos)).c_str(), nullptr);
  if (path.back() == L'\\') return;
  harness::WriteFile(harness::Literal(path), std::string(size, fill));
  ASSERT_TRUE(!daysAgo || SetFileTimes(path, common::Now().AddDays(-daysAgo), FileTimeWritten));
}

Strings MakeFiles(const std::wstring& folder, int count, size_t size, int first) {
  Strings files;
  for (int i = 0; i < count; ++i) {
    files.push_back(folder + L"\\f" + std::to_wstring(first + i) + L".doc");
    MakeFile(files.back(), size, 0, static_cast<char>('a' + i % 26));
  }
  return files;
}

Strings Tree(const std::wstring& folder) {
  Strings out;
  const std::wstring root = folder.back() == L'\\' ? folder : folder + L"\\";
  std::function<void(const std::wstring&)> list = [&](const std::wstring& below) {
    WIN32_FIND_DATAW found;
    const HANDLE h = FindFirstFileW(harness::Literal(root + below + L"*").c_str(), &found);
    const size_t before = out.size();
    for (BOOL more = h != INVALID_HANDLE_VALUE; more; more = FindNextFileW(h, &found)) {
      const std::wstring path = below + found.cFileName;
      if (found.cFileName == std::wstring(L".") || found.cFileName == std::wstring(L"..")) continue;
      if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) list(path + L"\\");
      else out.push_back(path + L"=" + common::WideFromBytes(harness::ReadFile(harness::Literal(root + path))));
    }
    if (h != INVALID_HANDLE_VALUE) FindClose(h);
    if (out.size() == before && !below.empty()) out.push_back(below);
  };
  list(L"");
  std::sort(out.begin(), out.end());
  return out;
}

std::vector<StatisticsLine> ReadStatistics() {
  std::vector<StatisticsLine> lines;
  const std::string bytes = Exists(kStatistics) ? harness::ReadFile(kStatistics) : "";
  for (RecordReader r(bytes); !r.AtEnd();) {
    StatisticsLine& l = lines.emplace_back();
    l.written = r.ReadDate();
    l.checked = r.ReadLong(), l.selected = r.ReadLong(), l.size = r.ReadDouble();
    l.search = r.ReadLong(), l.write = r.ReadLong(), l.total = r.ReadLong(), l.drives = r.ReadString();
  }
  return lines;
}

Strings FnmLines(const Frmbackup& w) {
  Strings out;
  const std::wstring path = kLogFolder + w.DateTag + L".fnm";
  const std::string bytes = Exists(path) ? harness::ReadFile(path) : "";
  for (RecordReader reader(bytes); !reader.AtEnd();) out.push_back(reader.ReadString());
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

common::DateTime DayOneSecond(int y, int m, int d) {
  return common::DateTime(common::DateTime::Serial(y, m, d).Value() + common::DateTime::TimeSerial(0, 0, 1));
}

common::DateTime TodayOneSecond() {
  return common::DateTime(common::Now().DatePart().Value() + common::DateTime::TimeSerial(0, 0, 1));
}

common::DateTime LastBackupStamp() {
  return Exists(kLastBackupStamp) ? RecordReader(harness::ReadFile(kLastBackupStamp)).ReadDate() : common::DateTime();
}

void ExpectIdle(const Frmbackup& w) {
  EXPECT_TRUE(!w.RunActive && w.Enabled() && w.CmdCToE.Enabled() && w.txtdays.CausesValidation() && !w.PauseFlag);
  EXPECT_FALSE(w.CmdStop.Enabled() || w.CmdPause.Enabled() || w.CmdContinue.Enabled());
  for (const forms::OptionButton* option : {&w.OptLastUpload, &w.optDateText, &w.OptAnyTime,
                                            &w.OptDateToday, &w.optDatePicker, &w.OptLastBackup})
    EXPECT_TRUE(option->Enabled()) << option->Name();
  EXPECT_EQ(w.Frame1.BackColor(), forms::kColorButtonFace);
  EXPECT_TRUE(w.MousePointer() == forms::Pointer::Default && forms::ScreenMousePointer() == forms::Pointer::Default);
  EXPECT_TRUE(w.lblStatus.Caption() != L"Checking files" && w.lblStatus.Caption() != L"Writing files");
}

}  // namespace ferrimond::mwtest

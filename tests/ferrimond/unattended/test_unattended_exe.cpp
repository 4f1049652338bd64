// Ferrimond.exe as a process: /backup as the Task Scheduler starts it (every
// exit code, the report it leaves, and no window or message box at any
// time), and the window a user starts, with the selections of default.log.
#include <windows.h>

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>
#include <tuple>
#include <vector>

#include "tests/harness/temp_dir.h"
#include "tests/harness/wine_drives.h"

namespace {

const std::wstring kProgramFolder = L"C:\\Program Files\\Ferrimond";
const std::wstring kAside = kProgramFolder + L".before-exe-tests";

// Under Wine the build's Unix path, elsewhere already a Windows path.
std::wstring ProgramPath() {
  const std::wstring dos = harness::DosPath(FERRIMOND_EXE);
  return dos.empty() ? harness::WideUnix(FERRIMOND_EXE) : dos;
}

bool Exists(const std::wstring& path) { return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES; }
std::string Narrow(const std::wstring& s) { return std::string(s.begin(), s.end()); }
std::wstring Caption(HWND h) {
  wchar_t text[128] = L"";
  GetWindowTextW(h, text, 128);
  return text;
}

// A selection log: "for the last 9999 days", "*.*", one folder; or the
// options, the "*.*" box and the folders given.
std::string LogFor(const std::wstring& folder, const char* options = "#FALSE#,#TRUE#,#FALSE#,\"9999\",1",
                   bool withFolder = true) {
  std::string bytes = "#FALSE#\r\n" + std::string(options) + "\r\n";
  for (int i = 0; i < 13; ++i) bytes += "0\r\n";
  if (!withFolder) return bytes + "0\r\n0\r\n0\r\n0\r\n";
  return bytes + "1\r\n\"" + Narrow(folder) + "\"\r\n0\r\n0\r\n0\r\n";
}

// Ferrimond.exe started with `args`, ended when the test leaves it running.
struct Process {
  explicit Process(const std::wstring& args) {
    started = harness::StartProcess(ProgramPath().c_str(), L"\"" + ProgramPath() + L"\" " + args, pi);
    EXPECT_TRUE(started) << "Ferrimond.exe did not start";
  }
  ~Process() {
    if (started) Finish(), CloseHandle(pi.hThread), CloseHandle(pi.hProcess);
  }
  // The exit code, or STILL_ACTIVE when it did not end within the time.
  DWORD WaitForExit(DWORD ms) const {
    DWORD code = STILL_ACTIVE;
    if (started) WaitForSingleObject(pi.hProcess, ms), GetExitCodeProcess(pi.hProcess, &code);
    return code;
  }
  // Ends it if it still runs; its exit code.
  DWORD Finish() const {
    if (WaitForExit(0) == STILL_ACTIVE) TerminateProcess(pi.hProcess, 99);
    return WaitForExit(5000);
  }
  std::vector<HWND> Windows() const {  // its top-level windows
    std::vector<HWND> found;
    for (HWND h = GetTopWindow(nullptr); h; h = GetWindow(h, GW_HWNDNEXT)) {
      DWORD owner = 0;
      if (GetWindowThreadProcessId(h, &owner), owner == pi.dwProcessId) found.push_back(h);
    }
    return found;
  }
  // A visible window titled "Ferrimond", waiting up to `ms`: a message box,
  // or else the main window (the one with a menu).
  HWND WaitForWindow(bool messageBox, DWORD ms) const {
    for (const DWORD start = GetTickCount();; Sleep(50)) {
      for (HWND h : Windows()) {
        wchar_t kind[16] = L"";
        GetClassNameW(h, kind, 16);
        if (IsWindowVisible(h) && Caption(h) == L"Ferrimond" && (messageBox == !wcscmp(kind, L"#32770")) &&
            (messageBox || GetMenu(h)))
          return h;
      }
      if (GetTickCount() - start >= ms) return nullptr;
    }
  }
  PROCESS_INFORMATION pi{};
  bool started = false;
};

// Whether a list box among the window's descendants holds `entry`.
bool Lists(HWND parent, const std::wstring& entry) {
  for (HWND c = FindWindowExW(parent, nullptr, nullptr, nullptr); c; c = FindWindowExW(parent, c, nullptr, nullptr)) {
    wchar_t kind[32] = L"";
    GetClassNameW(c, kind, 32);
    if (!_wcsicmp(kind, L"ListBox") && SendMessageW(c, LB_FINDSTRINGEXACT, static_cast<WPARAM>(-1),
                                                    reinterpret_cast<LPARAM>(entry.c_str())) >= 0)
      return true;
    if (Lists(c, entry)) return true;
  }
  return false;
}

struct Outcome {
  DWORD exitCode = STILL_ACTIVE;
  std::vector<std::wstring> visibleWindows;  // captions of windows seen while it ran
};

// Runs the program with `args` and watches its top-level windows until it
// ends; `closeHidden`: also asks its hidden main window to close, as
// Windows does when the session ends.
Outcome RunProgram(const std::wstring& args, bool closeHidden = false) {
  Outcome out;
  const Process p(args);
  for (const ULONGLONG start = GetTickCount64(); p.WaitForExit(5) == STILL_ACTIVE && GetTickCount64() - start < 60000;) {
    for (HWND h : p.Windows()) {
      // A visible window is answered, so that the test ends and names it.
      if (IsWindowVisible(h)) out.visibleWindows.push_back(Caption(h));
      if (IsWindowVisible(h) || (closeHidden && Caption(h) == L"Ferrimond")) PostMessageW(h, WM_CLOSE, 0, 0);
    }
  }
  out.exitCode = p.Finish();
  return out;
}

// The day's report, all blocks.
std::string Reports() {
  WIN32_FIND_DATAW found;
  HANDLE find = FindFirstFileW((kProgramFolder + L"\\log\\*_unattended.txt").c_str(), &found);
  if (find == INVALID_HANDLE_VALUE) return {};
  FindClose(find);
  return harness::ReadFile(kProgramFolder + L"\\log\\" + found.cFileName);
}

// A program folder of the test's own (the prefix's put aside) with logs
// over one source folder of two files.
class UnattendedExe : public ::testing::Test {
 public:
  void SetUp() override {
    ASSERT_TRUE(Exists(ProgramPath())) << "no program at " << FERRIMOND_EXE;
    if (Exists(kAside) && !Exists(kProgramFolder)) MoveFileW(kAside.c_str(), kProgramFolder.c_str());
    if ((putAside_ = Exists(kProgramFolder))) {
      harness::RemoveTree(kAside);
      ASSERT_TRUE(MoveFileW(kProgramFolder.c_str(), kAside.c_str()));
    }
    CreateDirectoryW(kProgramFolder.c_str(), nullptr);
    CreateDirectoryW((source / L"docs").c_str(), nullptr);
    harness::WriteFile(source / L"docs\\a.txt", "first");
    harness::WriteFile(source / L"docs\\b.txt", "second");
    // b.txt last changed five days ago: only "for last" and older times take it.
    HANDLE b = CreateFileW((source / L"docs\\b.txt").c_str(), FILE_WRITE_ATTRIBUTES, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    FILETIME t;
    GetSystemTimeAsFileTime(&t);
    t.dwHighDateTime -= 1006;  // 5 days and a little: 1006 * 2^32 * 100 ns
    SetFileTime(b, nullptr, nullptr, &t), CloseHandle(b);
    // "from today" chosen, the days box holding 9999 as it did before; nothing
    // selected; no file type ticked.
    for (auto [name, options, folder] : {std::tuple{L"good", "#FALSE#,#TRUE#,#FALSE#,\"9999\",1", true},
                                         {L"today", "#TRUE#,#FALSE#,#FALSE#,\"9999\",1", true},
                                         {L"nothing", "#FALSE#,#TRUE#,#FALSE#,\"9\",1", false},
                                         {L"notypes", "#FALSE#,#TRUE#,#FALSE#,\"9\",0", true}})
      harness::WriteFile(kProgramFolder + L"\\" + name + L".log", LogFor(source / L"docs", options, folder));
  }
  void TearDown() override {
    SetCurrentDirectoryW(L"C:\\");
    harness::RemoveTree(kProgramFolder);
    if (putAside_) MoveFileW(kAside.c_str(), kProgramFolder.c_str());
  }
  // Where a source file lands on drive `letter`.
  std::wstring OnDrive(wchar_t letter, const std::wstring& name) const {
    return std::wstring(1, letter) + (source / L"docs\\").substr(1) + name;
  }

  harness::TempDir source;
  std::wstring volume;  // a /volume: argument for the run, made with its drive
  bool putAside_ = false;
};

std::shared_ptr<void> Removable(wchar_t letter) {
  return std::make_shared<harness::MappedDrive>(letter, harness::DriveKind::Removable);
}

// Keeps `drive` and `handle` for the run, then closes the handle.
std::shared_ptr<void> Holding(std::shared_ptr<void> drive, HANDLE handle) {
  return std::shared_ptr<void>(handle, [drive](HANDLE h) { CloseHandle(h); });
}

// A removable E:, and the run held to its medium or to another one.
std::function<std::shared_ptr<void>(UnattendedExe&)> OnMedium(bool another) {
  return [another](UnattendedExe& t) {
    std::shared_ptr<void> drive = Removable(L'e');
    DWORD serial = 0;
    GetVolumeInformationW(L"E:\\", nullptr, 0, &serial, nullptr, nullptr, nullptr, 0);
    wchar_t text[24];
    swprintf(text, 24, L" /volume:%08X", static_cast<unsigned>(another ? ~serial : serial));
    t.volume = text;
    return drive;
  };
}

struct Case {
  const char* name;
  std::wstring args;
  DWORD exitCode;
  const char* reportSays;
  bool copied;  // a.txt reaches drive E
  // Set up before the run (drives, files held open, ...); returns what to
  // keep alive during it. None: one removable drive E.
  std::function<std::shared_ptr<void>(UnattendedExe&)> arrange = {};
  bool closeHidden = false;  // Windows asks the run to close
};

TEST_F(UnattendedExe, EveryEndingHasItsCodeAReportAndNoWindow) {
  const std::wstring good = L"/backup \"/log:" + kProgramFolder + L"\\good.log\"";
  auto log = [](const wchar_t* name) { return L"/backup \"/log:" + kProgramFolder + L"\\" + name + L"\" /drive:E"; };
  const std::vector<Case> cases = {
      // The time to back up from: the log's, or the command line's over it;
      // the log's own option is kept whatever its days box holds.
      {"complete, drive named", good + L" /drive:E", 0, "(for last 9999 days)\r\nFiles selected: 2\r\nFiles backed up: 2", true},
      {"the command line's time wins", good + L" /drive:E /from:today", 0, "(from today)\r\nFiles selected: 1", true},
      {"the log's option stands", log(L"today.log"), 0, "(from today)\r\nFiles selected: 1", true},
      {"nothing selected", log(L"nothing.log"), 3, "name no folder and no file", false},
      {"no file type", log(L"notypes.log"), 3, "tick no file type", false},
      {"Windows asks it to close", good + L" /drive:E", 2, "Windows asked Ferrimond to close", false, {}, true},
      {"complete, the only removable drive", good, 0, "Drive: E:", true},
      // The backup goes only to the medium the schedule was saved with:
      // another medium given the same letter gets nothing.
      {"the scheduled medium", good + L" /drive:E", 0, "Files backed up: 2", true, OnMedium(false)},
      {"another medium in the drive", good + L" /drive:E", 3, "holds another medium", false, OnMedium(true)},
      {"a file held open is not backed up", good + L" /drive:e:", 1, "Files not backed up: 1", true,
       [](UnattendedExe& t) {
         return Holding(Removable(L'e'), CreateFileW((t.source / L"docs\\b.txt").c_str(), GENERIC_READ, 0, nullptr,
                                                     OPEN_EXISTING, 0, nullptr));
       }},
      {"named drive not there", good + L" /drive:Q", 2, "Drive Q: is not there", false},
      {"no removable drive", good, 2, "No removable drive is present", false,
       [](auto&) { return std::shared_ptr<void>(); }},
      {"several removable drives, none named", good, 3, "name the one to use with /drive:", false,
       [](auto&) { return std::make_shared<std::pair<std::shared_ptr<void>, std::shared_ptr<void>>>(Removable(L'e'), Removable(L'f')); }},
      {"named drive is fixed", good + L" /drive:F", 3, "F: is not a removable drive", false,
       [](auto&) { return std::make_shared<harness::MappedDrive>(L'f', harness::DriveKind::Fixed); }},
      {"no default.log", L"/backup /drive:E", 3, "default.log does not exist", false},
      // The damaged log is named relative to the program's folder of work.
      {"damaged log", L"/backup /log:bad.log /drive:E", 3, "is damaged", false,
       [](auto&) { return harness::WriteFile(kProgramFolder + L"\\bad.log", "#FALSE#\r\nnot a log\r\n"), Removable(L'e'); }},
      // A log cut short is refused too: part of a selection is no selection.
      {"short log", log(L"short.log"), 3, "is damaged", false,
       [](auto&) { return harness::WriteFile(kProgramFolder + L"\\short.log", "#FALSE#\r\n"), Removable(L'e'); }},
      {"unknown argument", good + L" /drive:E /fast", 3, "Unknown argument: /fast", false},
      {"Ferrimond already open", good + L" /drive:E", 3, "Ferrimond is already running", false,
       [](auto&) { return Holding(Removable(L'e'), CreateMutexW(nullptr, TRUE, L"Global\\Ferrimond.Instance")); }},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    harness::RemoveTree(kProgramFolder + L"\\log");
    Outcome outcome;
    bool copied = false;
    {
      SetCurrentDirectoryW(kProgramFolder.c_str());
      volume.clear();
      std::shared_ptr<void> kept = c.arrange ? c.arrange(*this) : Removable(L'e');
      outcome = RunProgram(c.args + volume, c.closeHidden);
      copied = Exists(OnDrive(L'E', L"a.txt"));
    }
    EXPECT_EQ(outcome.exitCode, c.exitCode);
    EXPECT_TRUE(outcome.visibleWindows.empty()) << "a window appeared: " << Narrow(outcome.visibleWindows.front());
    EXPECT_EQ(copied, c.copied);
    const std::string report = Reports();
    EXPECT_NE(report.find(c.reportSays), std::string::npos) << report;
    EXPECT_NE(report.find("Exit code: " + std::to_string(c.exitCode)), std::string::npos) << report;
    EXPECT_TRUE(c.exitCode != 1 || report.find("_notcopied.txt") != std::string::npos) << "no list of what was missed";
  }
}

// A drive that fills up ends the run as Stop would: the files that fitted
// are on it, the run's records are written, and the code is 2.
TEST_F(UnattendedExe, AFullDriveStopsTheRunWithItsRecords) {
  FERRIMOND_SMALL_DRIVE_OR_SKIP(drive, L'e');
  harness::WriteFile(source / L"docs\\c.bin", std::string(400 * 1024, 'x'));
  const Outcome outcome = RunProgram(L"/backup \"/log:" + kProgramFolder + L"\\good.log\" /drive:E");
  EXPECT_TRUE(outcome.exitCode == 2 && outcome.visibleWindows.empty());
  const std::string report = Reports();
  EXPECT_NE(report.find("The removable drive was full"), std::string::npos) << report;
  EXPECT_NE(report.find("Message: Change Drive: There is no more free space"), std::string::npos) << report;
  EXPECT_TRUE(Exists(kProgramFolder + L"\\log\\backupsta.sta"));
}

// Started by the user: the window lists default.log's folder, a second
// start is refused with a message and leaves the first alone, and the close
// box ends it through the closing splash, two seconds later.
TEST_F(UnattendedExe, TheWindowStartsWithDefaultLogRefusesASecondInstanceAndEndsFromItsCloseBox) {
  harness::WriteFile(kProgramFolder + L"\\default.log", LogFor(source / L"docs"));
  Process first(L"");
  const HWND main = first.WaitForWindow(false, 20000);
  ASSERT_NE(main, nullptr) << "the main window did not appear";
  EXPECT_TRUE(Lists(main, source / L"docs")) << "the folder of default.log is not in the folder list";

  Process second(L"");
  const HWND message = second.WaitForWindow(true, 20000);
  ASSERT_NE(message, nullptr) << "the second start showed no message";
  EXPECT_NE(FindWindowExW(message, nullptr, L"Static", L"Only one instance of this program may run at any time"),
            nullptr);
  EXPECT_EQ(second.WaitForWindow(false, 0), nullptr);
  PostMessageW(message, WM_COMMAND, IDOK, 0);
  EXPECT_EQ(second.WaitForExit(10000), 0u);
  EXPECT_TRUE(first.WaitForExit(0) == STILL_ACTIVE && IsWindow(main));

  const DWORD closedAt = GetTickCount();
  PostMessageW(main, WM_CLOSE, 0, 0);
  EXPECT_EQ(first.WaitForExit(15000), 0u);
  EXPECT_GE(GetTickCount() - closedAt, 1500u);
}

}  // namespace

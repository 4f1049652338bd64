// Ferrimond.exe as a user meets it: started as a process with the
// selections of default.log, its main window found by caption, a second
// start refused with a message, and the program ended through its close box.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>

#include "tests/harness/wine_drives.h"

namespace {

// Under Wine the build's Unix path, elsewhere already a Windows path.
std::wstring ProgramPath() {
  const std::wstring dos = harness::DosPath(FERRIMOND_EXE);
  return dos.empty() ? harness::WideUnix(FERRIMOND_EXE) : dos;
}

// A started process, ended when the test leaves it running.
struct Process {
  explicit Process(std::wstring exe) {
    STARTUPINFOW si{};
    si.cb = sizeof si;
    std::wstring cmd = L"\"" + exe + L"\"";
    started = CreateProcessW(exe.c_str(), cmd.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi);
  }
  ~Process() {
    if (!started) return;
    if (WaitForSingleObject(pi.hProcess, 0) == WAIT_TIMEOUT) TerminateProcess(pi.hProcess, 99);
    WaitForSingleObject(pi.hProcess, 5000);
    CloseHandle(pi.hThread);
    CloseHandle(pi.hProcess);
  }
  // The exit code, or STILL_ACTIVE when it did not end within the time.
  DWORD WaitForExit(DWORD ms) const {
    WaitForSingleObject(pi.hProcess, ms);
    DWORD code = STILL_ACTIVE;
    GetExitCodeProcess(pi.hProcess, &code);
    return code;
  }
  // A visible top-level window of the process titled "Ferrimond", waiting up
  // to `ms`: a message box, or else the main window (the one with a menu).
  HWND WaitForWindow(bool messageBox, DWORD ms) const {
    const DWORD start = GetTickCount();
    do {
      for (HWND h = nullptr; (h = FindWindowExW(nullptr, h, messageBox ? L"#32770" : nullptr, L"Ferrimond"));) {
        DWORD owner = 0;
        GetWindowThreadProcessId(h, &owner);
        if (owner == pi.dwProcessId && IsWindowVisible(h) && (messageBox || GetMenu(h))) return h;
      }
      Sleep(50);
    } while (GetTickCount() - start < ms);
    return nullptr;
  }
  PROCESS_INFORMATION pi{};
  bool started = false;
};

TEST(FerrimondExe, StartsWithDefaultLogRefusesASecondInstanceAndEndsFromItsCloseBox) {
  const std::wstring exe = ProgramPath();
  ASSERT_NE(GetFileAttributesW(exe.c_str()), INVALID_FILE_ATTRIBUTES) << "no program at " << FERRIMOND_EXE;
  // Help opens the guide from the program's own folder.
  EXPECT_NE(GetFileAttributesW((exe.substr(0, exe.find_last_of(L'\\') + 1) + L"Ferrimond.html").c_str()),
            INVALID_FILE_ATTRIBUTES);
  const std::wstring log = L"C:\\Program files\\Ferrimond\\default.log", kept = log + L".kept-by-test";
  CreateDirectoryW(L"C:\\Program files\\Ferrimond", nullptr);
  MoveFileExW(log.c_str(), kept.c_str(), MOVEFILE_REPLACE_EXISTING);
  std::string bytes = "#FALSE#\r\n#FALSE#,#TRUE#,#FALSE#,\"7\",0\r\n";
  for (int i = 0; i < 13; ++i) bytes += "0\r\n";
  bytes += "1\r\n\"C:\\fm-default-folder\"\r\n0\r\n0\r\n0\r\n";
  HANDLE file = CreateFileW(log.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
  DWORD written = 0;
  ASSERT_TRUE(WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr));
  CloseHandle(file);

  Process first(exe);
  ASSERT_TRUE(first.started);
  // Start-up messages about the stamps other tests left in the prefix are
  // answered on the way.
  HWND main = nullptr;
  for (int i = 0; i < 200 && !main; ++i) {
    if (HWND box = first.WaitForWindow(true, 0)) PostMessageW(box, WM_COMMAND, IDOK, 0);
    main = first.WaitForWindow(false, 100);
  }
  ASSERT_NE(main, nullptr) << "the main window did not appear";
  bool listed = false;
  EnumChildWindows(
      main,
      [](HWND child, LPARAM found) -> BOOL {
        wchar_t kind[32];
        GetClassNameW(child, kind, 32);
        if (_wcsicmp(kind, L"ListBox") == 0 && SendMessageW(child, LB_FINDSTRINGEXACT, static_cast<WPARAM>(-1),
                                                            reinterpret_cast<LPARAM>(L"C:\\fm-default-folder")) >= 0)
          *reinterpret_cast<bool*>(found) = true;
        return TRUE;
      },
      reinterpret_cast<LPARAM>(&listed));
  EXPECT_TRUE(listed) << "the folder of default.log is not in the folder list";

  Process second(exe);
  ASSERT_TRUE(second.started);
  HWND message = second.WaitForWindow(true, 20000);
  ASSERT_NE(message, nullptr) << "the second start showed no message";
  EXPECT_NE(FindWindowExW(message, nullptr, L"Static", L"Only one instance of this program may run at any time"),
            nullptr);
  EXPECT_EQ(second.WaitForWindow(false, 0), nullptr);
  PostMessageW(message, WM_COMMAND, IDOK, 0);
  EXPECT_EQ(second.WaitForExit(10000), 0u);
  // The first one is untouched by all this.
  EXPECT_EQ(first.WaitForExit(0), static_cast<DWORD>(STILL_ACTIVE));
  EXPECT_TRUE(IsWindow(main));

  // The close box ends it through the closing splash, two seconds later.
  const DWORD closedAt = GetTickCount();
  PostMessageW(main, WM_CLOSE, 0, 0);
  EXPECT_EQ(first.WaitForExit(15000), 0u);
  EXPECT_GE(GetTickCount() - closedAt, 1500u);
  DeleteFileW(log.c_str());
  MoveFileExW(kept.c_str(), log.c_str(), 0);
}

}  // namespace

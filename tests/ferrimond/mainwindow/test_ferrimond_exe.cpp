// Ferrimond.exe as a user meets it: started as a process, its main window
// found by caption, a second start refused with a message, and the program
// ended through its close box.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>

namespace {

std::wstring ProgramPath() {
  using Fn = WCHAR*(CDECL*)(LPCSTR);
  auto toDos = reinterpret_cast<Fn>(reinterpret_cast<void*>(
      GetProcAddress(GetModuleHandleW(L"kernel32.dll"), "wine_get_dos_file_name")));
  const std::string path = FERRIMOND_EXE;
  if (!toDos) return std::wstring(path.begin(), path.end());  // already a Windows path
  WCHAR* dos = toDos(path.c_str());
  std::wstring out = dos ? dos : L"";
  if (dos) HeapFree(GetProcessHeap(), 0, dos);
  return out;
}

// A started process, ended when the test leaves it running.
struct Process {
  explicit Process(const std::wstring& exe) {
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
  PROCESS_INFORMATION pi{};
  bool started = false;
};

const wchar_t kInstanceMessage[] = L"Only one instance of this program may run at any time";

// A visible top-level window of the process titled "Ferrimond", waiting up
// to `ms`: a message box, or else the main window (the one with a menu).
HWND WaitForWindow(const Process& process, bool messageBox, DWORD ms) {
  const DWORD start = GetTickCount();
  do {
    for (HWND h = nullptr; (h = FindWindowExW(nullptr, h, messageBox ? L"#32770" : nullptr, L"Ferrimond"));) {
      DWORD owner = 0;
      GetWindowThreadProcessId(h, &owner);
      if (owner == process.pi.dwProcessId && IsWindowVisible(h) && (messageBox || GetMenu(h))) return h;
    }
    Sleep(50);
  } while (GetTickCount() - start < ms);
  return nullptr;
}

TEST(FerrimondExe, SecondInstanceIsRefusedAndTheFirstEndsFromItsCloseBox) {
  const std::wstring exe = ProgramPath();
  ASSERT_NE(GetFileAttributesW(exe.c_str()), INVALID_FILE_ATTRIBUTES) << "no program at " << FERRIMOND_EXE;
  Process first(exe);
  ASSERT_TRUE(first.started);
  // Start-up messages about the stamps other tests left in the prefix are
  // answered on the way.
  HWND main = nullptr;
  for (int i = 0; i < 200; ++i) {
    if ((main = WaitForWindow(first, false, 0))) break;
    if (HWND box = WaitForWindow(first, true, 0)) PostMessageW(box, WM_COMMAND, IDOK, 0);
    Sleep(100);
  }
  ASSERT_NE(main, nullptr) << "the main window did not appear";

  Process second(exe);
  ASSERT_TRUE(second.started);
  HWND message = WaitForWindow(second, true, 20000);
  ASSERT_NE(message, nullptr) << "the second start showed no message";
  EXPECT_NE(FindWindowExW(message, nullptr, L"Static", kInstanceMessage), nullptr);
  EXPECT_EQ(WaitForWindow(second, false, 0), nullptr);
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
}

// Help opens the guide from the program's own folder.
TEST(FerrimondExe, TheUserGuideLiesBesideTheProgram) {
  const std::wstring exe = ProgramPath();
  const std::wstring guide = exe.substr(0, exe.find_last_of(L'\\') + 1) + L"Ferrimond.html";
  EXPECT_NE(GetFileAttributesW(guide.c_str()), INVALID_FILE_ATTRIBUTES);
}

}  // namespace

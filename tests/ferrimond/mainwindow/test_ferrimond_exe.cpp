// Ferrimond.exe as a user meets it: started as a process, its main window
// found by caption, a second start refused with a message, and the program
// ended through its close box.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

std::wstring ProgramPath() {
  using Fn = WCHAR*(CDECL*)(LPCSTR);
  auto toDos = reinterpret_cast<Fn>(reinterpret_cast<void*>(
      GetProcAddress(GetModuleHandleW(L"kernel32.dll"), "wine_get_dos_file_name")));
  if (!toDos) {
    // Native Windows: the path is already a Windows path.
    const std::string path = FERRIMOND_EXE;
    return std::wstring(path.begin(), path.end());
  }
  WCHAR* dos = toDos(FERRIMOND_EXE);
  std::wstring out = dos ? dos : L"";
  if (dos) HeapFree(GetProcessHeap(), 0, dos);
  return out;
}

class Process {
 public:
  explicit Process(const std::wstring& exe) {
    STARTUPINFOW si{};
    si.cb = sizeof si;
    std::wstring cmd = L"\"" + exe + L"\"";
    started_ = CreateProcessW(exe.c_str(), cmd.data(), nullptr, nullptr, FALSE, 0, nullptr,
                              nullptr, &si, &pi_) != 0;
  }
  ~Process() {
    if (!started_) return;
    if (WaitForSingleObject(pi_.hProcess, 0) == WAIT_TIMEOUT) {
      TerminateProcess(pi_.hProcess, 99);
      WaitForSingleObject(pi_.hProcess, 5000);
    }
    CloseHandle(pi_.hThread);
    CloseHandle(pi_.hProcess);
  }
  bool Started() const { return started_; }
  DWORD Id() const { return pi_.dwProcessId; }
  // The exit code, or STILL_ACTIVE when it did not end within the time.
  DWORD WaitForExit(DWORD ms) const {
    WaitForSingleObject(pi_.hProcess, ms);
    DWORD code = STILL_ACTIVE;
    GetExitCodeProcess(pi_.hProcess, &code);
    return code;
  }

 private:
  PROCESS_INFORMATION pi_{};
  bool started_ = false;
};

std::wstring WindowText(HWND hwnd) {
  wchar_t text[512] = {};
  GetWindowTextW(hwnd, text, 512);
  return text;
}

// A visible top-level window of the process that passes `match`, waiting up
// to `ms`.
HWND WaitForWindow(DWORD pid, bool (*match)(HWND), DWORD ms) {
  struct Search {
    DWORD pid;
    bool (*match)(HWND);
    HWND found;
  };
  const DWORD start = GetTickCount();
  do {
    Search search{pid, match, nullptr};
    EnumWindows(
        [](HWND hwnd, LPARAM param) -> BOOL {
          auto* s = reinterpret_cast<Search*>(param);
          DWORD owner = 0;
          GetWindowThreadProcessId(hwnd, &owner);
          if (owner != s->pid || !IsWindowVisible(hwnd) || !s->match(hwnd)) return TRUE;
          s->found = hwnd;
          return FALSE;
        },
        reinterpret_cast<LPARAM>(&search));
    if (search.found) return search.found;
    Sleep(50);
  } while (GetTickCount() - start < ms);
  return nullptr;
}

bool IsMainWindow(HWND hwnd) { return WindowText(hwnd) == L"Ferrimond" && GetMenu(hwnd); }

bool IsMessageBox(HWND hwnd) {
  wchar_t cls[64] = {};
  GetClassNameW(hwnd, cls, 64);
  return std::wstring(cls) == L"#32770";
}

// The main window of the process; start-up messages about the stamps that
// other tests left in the prefix are answered on the way.
HWND WaitForMainWindow(DWORD pid) {
  for (int i = 0; i < 200; ++i) {
    if (HWND main = WaitForWindow(pid, IsMainWindow, 0)) return main;
    if (HWND box = WaitForWindow(pid, IsMessageBox, 0)) PostMessageW(box, WM_COMMAND, IDOK, 0);
    Sleep(100);
  }
  return nullptr;
}

bool IsInstanceMessage(HWND hwnd) {
  if (WindowText(hwnd) != L"Ferrimond") return false;
  bool found = false;
  EnumChildWindows(
      hwnd,
      [](HWND child, LPARAM param) -> BOOL {
        if (WindowText(child) == L"Only one instance of this program may run at any time") {
          *reinterpret_cast<bool*>(param) = true;
          return FALSE;
        }
        return TRUE;
      },
      reinterpret_cast<LPARAM>(&found));
  return found;
}

TEST(FerrimondExe, SecondInstanceIsRefusedAndTheFirstEndsFromItsCloseBox) {
  const std::wstring exe = ProgramPath();
  ASSERT_NE(GetFileAttributesW(exe.c_str()), INVALID_FILE_ATTRIBUTES) << "no program at " << FERRIMOND_EXE;

  Process first(exe);
  ASSERT_TRUE(first.Started());
  HWND main = WaitForMainWindow(first.Id());
  ASSERT_NE(main, nullptr) << "the main window did not appear";

  Process second(exe);
  ASSERT_TRUE(second.Started());
  HWND message = WaitForWindow(second.Id(), IsInstanceMessage, 20000);
  ASSERT_NE(message, nullptr) << "the second start showed no single-instance message";
  EXPECT_EQ(WaitForWindow(second.Id(), IsMainWindow, 0), nullptr);
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

}  // namespace

// Starts an installed or unpacked Ferrimond.exe as a user does and reports
// what a script cannot see from outside, one line per finding:
//   package_probe <Ferrimond.exe> [<command lines to run while it is open>...]
// answers start-up message boxes, finds the main window, its date picker and
// the Almanix.dll loaded, runs each command and prints its exit code, and
// closes the program (exit 0: the window had its picker, the program ended).
//   package_probe --hold <library> <command line>: the same while it holds the library.
#include <windows.h>
#include <tlhelp32.h>

#include <cstdio>
#include <string>
#include <vector>

namespace {

std::wstring ClassOf(HWND h) {
  wchar_t name[64] = L"";
  GetClassNameW(h, name, 64);
  return name;
}

// The process's visible top-level windows: a message box, and the main
// window (the one with a menu).
struct Found {
  DWORD pid;
  HWND main = nullptr, box = nullptr;
};
BOOL CALLBACK TopLevel(HWND h, LPARAM param) {
  auto* f = reinterpret_cast<Found*>(param);
  DWORD owner = 0;
  GetWindowThreadProcessId(h, &owner);
  if (owner != f->pid || !IsWindowVisible(h)) return TRUE;
  if (ClassOf(h) == L"#32770") f->box = h;
  else if (GetMenu(h)) f->main = h;
  return TRUE;
}

std::vector<HWND> ChildrenOf(HWND parent, const wchar_t* kind) {
  std::vector<HWND> all, found;
  EnumChildWindows(parent, [](HWND h, LPARAM all) {
    reinterpret_cast<std::vector<HWND>*>(all)->push_back(h);
    return TRUE;
  }, reinterpret_cast<LPARAM>(&all));
  for (HWND h : all)
    if (ClassOf(h) == kind) found.push_back(h);
  return found;
}

// The path of the Almanix.dll the process has loaded.
std::wstring LoadedAlmanix(DWORD pid) {
  HANDLE snap = CreateToolhelp32Snapshot(TH32CS_SNAPMODULE, pid);
  MODULEENTRY32W m{};
  m.dwSize = sizeof m;
  std::wstring path;
  for (BOOL ok = Module32FirstW(snap, &m); ok; ok = Module32NextW(snap, &m))
    if (_wcsicmp(m.szModule, L"Almanix.dll") == 0) path = m.szExePath;
  CloseHandle(snap);
  return path;
}

// No process handle when the command could not start. Wine answers
// ERROR_INTERNAL_ERROR when the new process died before its start-up was
// done without an exit code of its own (seen once on CI, the same program
// starting normally before and after): that start is tried again, and said.
PROCESS_INFORMATION Start(std::wstring cmd) {
  STARTUPINFOW si{};
  si.cb = sizeof si;
  PROCESS_INFORMATION pi{};
  for (int tries = 3; tries > 0; --tries) {
    if (CreateProcessW(nullptr, cmd.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi) ||
        GetLastError() != ERROR_INTERNAL_ERROR || tries == 1)
      break;
    wprintf(L"start failed inside Wine (error %lu): started again\n", GetLastError());
    Sleep(500);
  }
  return pi;
}

// Waits for a process and closes it; STILL_ACTIVE when it does not end in time.
DWORD Finish(const PROCESS_INFORMATION& pi, DWORD ms) {
  DWORD code = STILL_ACTIVE;
  if (WaitForSingleObject(pi.hProcess, ms) == WAIT_OBJECT_0) GetExitCodeProcess(pi.hProcess, &code);
  else TerminateProcess(pi.hProcess, 99);
  CloseHandle(pi.hThread);
  CloseHandle(pi.hProcess);
  return code;
}

DWORD Run(const std::wstring& cmd) {
  PROCESS_INFORMATION pi = Start(cmd);
  return pi.hProcess ? Finish(pi, 60000) : 0xFFFFFFFF;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  if (argc < 2) return 2;
  if (argc == 4 && wcscmp(argv[1], L"--hold") == 0) {
    HMODULE held = LoadLibraryW(argv[2]);
    if (held) wprintf(L"while loaded: exit %lu\n", Run(argv[3]));
    else wprintf(L"not loaded: error %lu\n", GetLastError());
    return held ? (FreeLibrary(held), 0) : 1;
  }
  PROCESS_INFORMATION pi = Start(L"\"" + std::wstring(argv[1]) + L"\"");
  if (!pi.hProcess) return wprintf(L"not started: error %lu\n", GetLastError()), 1;
  int status = 0;
  Found f{pi.dwProcessId};
  for (int i = 0; i < 300 && !f.main; ++i) {
    f.box = nullptr;
    EnumWindows(TopLevel, reinterpret_cast<LPARAM>(&f));
    if (f.box) {
      std::wstring text;
      for (HWND h : ChildrenOf(f.box, L"Static")) {
        wchar_t buf[1024] = L"";
        GetWindowTextW(h, buf, 1024);
        text += buf;
      }
      wprintf(L"message: %ls\n", text.c_str());
      if (text.find(L"date picker") != std::wstring::npos || text.find(L"administrator") != std::wstring::npos)
        status = 1;
      PostMessageW(f.box, WM_COMMAND, IDOK, 0);
      Sleep(300);
    }
    if (!f.main) Sleep(100);
  }
  if (!f.main) {
    wprintf(L"main window: no\n");
    Finish(pi, 0);
    return 1;
  }
  const bool picker = !ChildrenOf(f.main, L"AlmanixDatePicker").empty();
  wprintf(L"main window: yes\ndate picker: %ls\nlibrary: %ls\n", picker ? L"yes" : L"no",
          LoadedAlmanix(pi.dwProcessId).c_str());
  fflush(stdout);
  for (int i = 2; i < argc; ++i) {
    wprintf(L"while open: exit %lu\n", Run(argv[i]));
    fflush(stdout);
  }
  PostMessageW(f.main, WM_CLOSE, 0, 0);
  if (Finish(pi, 20000) == STILL_ACTIVE) {
    wprintf(L"ended: no\n");
    status = 1;
  }
  return picker ? status : 1;
}

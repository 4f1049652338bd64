// Starts an installed or unpacked Ferrimond.exe the way a user does and
// reports what a test script cannot see from outside:
//   package_probe <Ferrimond.exe> [<command lines to run while it is open>...]
//   package_probe --hold <library> <command line>
// Answers start-up message boxes, waits for the main window, looks for the
// date picker on it and the Almanix.dll loaded, runs the commands one after
// another and prints their exit codes, and closes the program through its
// close box: one line per finding; exits 0 when the window appeared with
// its date picker and the program ended cleanly. With --hold it loads the
// library, as any host of it does, runs the command meanwhile and prints
// its exit code.
#include <windows.h>
#include <tlhelp32.h>

#include <cstdio>
#include <string>

namespace {

struct Found {
  DWORD pid;
  HWND main = nullptr;
  HWND box = nullptr;
};

std::wstring TextOf(HWND h) {
  wchar_t buf[1024] = L"";
  GetWindowTextW(h, buf, 1024);
  return buf;
}

BOOL CALLBACK TopLevel(HWND h, LPARAM param) {
  auto* f = reinterpret_cast<Found*>(param);
  DWORD owner = 0;
  GetWindowThreadProcessId(h, &owner);
  if (owner != f->pid || !IsWindowVisible(h)) return TRUE;
  wchar_t kind[64] = L"";
  GetClassNameW(h, kind, 64);
  if (wcscmp(kind, L"#32770") == 0) f->box = h;
  else if (GetMenu(h)) f->main = h;
  return TRUE;
}

BOOL CALLBACK FindPicker(HWND h, LPARAM param) {
  wchar_t kind[64] = L"";
  GetClassNameW(h, kind, 64);
  if (wcscmp(kind, L"AlmanixDatePicker") == 0) {
    *reinterpret_cast<HWND*>(param) = h;
    return FALSE;
  }
  return TRUE;
}

BOOL CALLBACK BoxText(HWND h, LPARAM param) {
  wchar_t kind[64] = L"";
  GetClassNameW(h, kind, 64);
  if (wcscmp(kind, L"Static") == 0) *reinterpret_cast<std::wstring*>(param) += TextOf(h);
  return TRUE;
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

DWORD Run(std::wstring cmd, DWORD ms) {
  STARTUPINFOW si{};
  si.cb = sizeof si;
  PROCESS_INFORMATION pi{};
  if (!CreateProcessW(nullptr, cmd.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi)) return 0xFFFFFFFF;
  WaitForSingleObject(pi.hProcess, ms);
  DWORD code = STILL_ACTIVE;
  GetExitCodeProcess(pi.hProcess, &code);
  CloseHandle(pi.hThread);
  CloseHandle(pi.hProcess);
  return code;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  if (argc < 2) return 2;
  if (argc == 4 && wcscmp(argv[1], L"--hold") == 0) {
    HMODULE held = LoadLibraryW(argv[2]);
    if (!held) {
      wprintf(L"not loaded: error %lu\n", GetLastError());
      return 1;
    }
    wprintf(L"while loaded: exit %lu\n", Run(argv[3], 60000));
    FreeLibrary(held);
    return 0;
  }
  const std::wstring exe = argv[1];
  STARTUPINFOW si{};
  si.cb = sizeof si;
  PROCESS_INFORMATION pi{};
  std::wstring cmd = L"\"" + exe + L"\"";
  if (!CreateProcessW(exe.c_str(), cmd.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi)) {
    wprintf(L"not started: error %lu\n", GetLastError());
    return 1;
  }
  int status = 0;
  Found f{pi.dwProcessId};
  for (int i = 0; i < 300 && !f.main; ++i) {
    f.box = nullptr;
    EnumWindows(TopLevel, reinterpret_cast<LPARAM>(&f));
    if (f.box) {
      std::wstring text;
      EnumChildWindows(f.box, BoxText, reinterpret_cast<LPARAM>(&text));
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
    TerminateProcess(pi.hProcess, 99);
    return 1;
  }
  HWND picker = nullptr;
  EnumChildWindows(f.main, FindPicker, reinterpret_cast<LPARAM>(&picker));
  wprintf(L"main window: yes\ndate picker: %ls\nlibrary: %ls\n", picker ? L"yes" : L"no",
          LoadedAlmanix(pi.dwProcessId).c_str());
  if (!picker) status = 1;
  fflush(stdout);

  for (int i = 2; i < argc; ++i) {
    wprintf(L"while open: exit %lu\n", Run(argv[i], 60000));
    fflush(stdout);
  }

  PostMessageW(f.main, WM_CLOSE, 0, 0);
  if (WaitForSingleObject(pi.hProcess, 20000) != WAIT_OBJECT_0) {
    wprintf(L"ended: no\n");
    TerminateProcess(pi.hProcess, 99);
    status = 1;
  }
  CloseHandle(pi.hThread);
  CloseHandle(pi.hProcess);
  return status;
}

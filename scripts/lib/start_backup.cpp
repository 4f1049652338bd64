// Presses "Start Backup" in the open Ferrimond window as a user would (for
// scripts/run --backup), waits until the run has ended and prints how: the
// window's status line, or the text of a message box it opened (left open,
// so that a screenshot shows it).
// Exit codes: 0 "Backup finished successfully!"; 1 the run ended otherwise,
// or a message box waits; 2 no Ferrimond window or no Start Backup button;
// 3 the run did not end within ten minutes.
#include <windows.h>

#include <cstdio>
#include <string>
#include <vector>

namespace {

std::wstring TextOf(HWND h) {
  wchar_t buf[1024] = L"";
  GetWindowTextW(h, buf, 1024);
  return buf;
}

std::wstring ClassOf(HWND h) {
  wchar_t buf[64] = L"";
  GetClassNameW(h, buf, 64);
  return buf;
}

DWORD ProcessOf(HWND h) {
  DWORD pid = 0;
  GetWindowThreadProcessId(h, &pid);
  return pid;
}

// The visible main window (titled Ferrimond, with a menu) and a message box
// (a dialog) of the same program.
struct TopLevels {
  HWND main = nullptr;
  HWND box = nullptr;
};

TopLevels FindTopLevels() {
  std::vector<HWND> visible;
  EnumWindows(
      [](HWND h, LPARAM param) -> BOOL {
        if (IsWindowVisible(h)) reinterpret_cast<std::vector<HWND>*>(param)->push_back(h);
        return TRUE;
      },
      reinterpret_cast<LPARAM>(&visible));
  TopLevels found;
  for (HWND h : visible)
    if (TextOf(h) == L"Ferrimond" && GetMenu(h)) found.main = h;
  for (HWND h : visible)
    if (found.main && ClassOf(h) == L"#32770" && ProcessOf(h) == ProcessOf(found.main)) found.box = h;
  return found;
}

std::vector<HWND> Children(HWND parent) {
  std::vector<HWND> out;
  EnumChildWindows(
      parent,
      [](HWND h, LPARAM param) -> BOOL {
        reinterpret_cast<std::vector<HWND>*>(param)->push_back(h);
        return TRUE;
      },
      reinterpret_cast<LPARAM>(&out));
  return out;
}

bool StartsWith(const std::wstring& text, const wchar_t* start) { return text.rfind(start, 0) == 0; }

}  // namespace

int wmain() {
  TopLevels top;
  for (int i = 0; i < 300 && !top.main; ++i, Sleep(100)) top = FindTopLevels();
  HWND button = nullptr;
  if (top.main) {
    for (HWND h : Children(top.main))
      if (ClassOf(h) == L"Button" && TextOf(h) == L"Start Backup") button = h;
  }
  if (!button) {
    wprintf(L"no Ferrimond window with a Start Backup button\n");
    return 2;
  }
  PostMessageW(button, BM_CLICK, 0, 0);
  // The run ends with one of these in the window's status lines.
  const wchar_t* const ends[] = {L"Backup finished", L"The backup stopped", L"Backup aborted"};
  for (int i = 0; i < 3000; ++i, Sleep(200)) {
    top = FindTopLevels();
    if (!top.main) {
      wprintf(L"the Ferrimond window has closed\n");
      return 1;
    }
    if (top.box) {
      std::wstring text;
      for (HWND h : Children(top.box))
        if (ClassOf(h) == L"Static") text += TextOf(h);
      wprintf(L"message box: %ls\n", text.c_str());
      return 1;
    }
    for (HWND h : Children(top.main)) {
      const std::wstring text = TextOf(h);
      for (const wchar_t* end : ends) {
        if (ClassOf(h) != L"Static" || !StartsWith(text, end)) continue;
        wprintf(L"%ls\n", text.c_str());
        return text == L"Backup finished successfully!" ? 0 : 1;
      }
    }
  }
  wprintf(L"the backup did not end within ten minutes\n");
  return 3;
}

// Wiping a removable drive through the real main window's "&Delete files on
// removable drive" (hidden window, the question answered by a script)
// against Wine's "cmd /c rd /s /q" of the same tree. Workload: 20,000 files
// of 2 KB in 1,000 folders, all under one top folder of a removable E:, so
// that both remove exactly the same entries. Prints both wall times, their
// ratio, the cost per entry of the wipe and of the file-system service's own
// delete without a window (the floor), and the longest time the window went
// without yielding during the wipe.
#include <windows.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <string>

#include "bench/bench_support.h"
#include "bench/bench_window.h"
#include "ferrimond/mainwindow/frmbackup.h"
#include "tests/ferrimond/forms/scripted_user_interaction.h"
#include "tests/harness/temp_dir.h"
#include "tests/harness/wine_drives.h"

namespace {

using bench::Clock;
using bench::Seconds;
constexpr int kFolders = 1000, kFilesPerFolder = 20;

int64_t NowNs() {
  return std::chrono::duration_cast<std::chrono::nanoseconds>(Clock::now().time_since_epoch()).count();
}

// The probe: a 1 ms timer of the main window. WM_TIMER comes only when the
// window's queue is looked at, so the longest gap between two of them is
// the longest the window went without yielding. (A thread posting messages
// would load the Wine server that every call of the wipe goes through.)
int64_t g_lastTick = 0;
int64_t g_longestGap = 0;  // nanoseconds

void CALLBACK Tick(HWND, UINT, UINT_PTR, DWORD) {
  const int64_t now = NowNs();
  if (g_lastTick) g_longestGap = std::max(g_longestGap, now - g_lastTick);
  g_lastTick = now;
}

// The tree: E:\w\f<0..19>\d<n>\file<i>.doc.
void BuildTree(const std::wstring& top) {
  const std::string content(2048, 'w');
  CreateDirectoryW(top.c_str(), nullptr);
  for (int f = 0; f < kFolders; ++f) {
    const std::wstring group = top + L"\\f" + std::to_wstring(f / 50);
    const std::wstring folder = group + L"\\d" + std::to_wstring(f);
    CreateDirectoryW(group.c_str(), nullptr);
    CreateDirectoryW(folder.c_str(), nullptr);
    for (int i = 0; i < kFilesPerFolder; ++i)
      harness::WriteFile(folder + L"\\file" + std::to_wstring(i) + L".doc", content);
  }
}

}  // namespace

int wmain() {
  using namespace ferrimond;
  forms::InitializeApplication();

  const bench::ProgramFolderAside aside;
  harness::MappedDrive e(L'E', harness::DriveKind::Removable);
  harness::TempDir scratch;
  const std::wstring top = e / L"w";
  const int entries = kFolders * kFilesPerFolder + kFolders + kFolders / 50 + 1;
  int result = 0;

  auto start = Clock::now();
  BuildTree(top);
  std::printf("tree built in %.1f s: %d files in %d folders\n", Seconds(Clock::now() - start),
              kFolders * kFilesPerFolder, kFolders);
  bench::SettleDisk(scratch);

  forms::testing::ScriptedUserInteraction ui;
  const ProcessHooks hooks = bench::QuietHooks();
  double clearSeconds = 0;
  {
    Frmbackup w(ui, hooks);
    w.Load();
    w.lstRemovable.SetListIndex(-1);
    bench::SelectDrive(w.lstRemovable, L"E");
    SetTimer(w.Hwnd(), 1, 1, Tick);
    ui.AnswerMsgBox(forms::MsgResult::Yes);
    start = Clock::now();
    g_lastTick = NowNs();
    w.mnuClear.Click();
    clearSeconds = Seconds(Clock::now() - start);
    KillTimer(w.Hwnd(), 1);
    const bool ok = w.lblDir.Caption() == L"All files on removable drive have been deleted!" &&
                    ui.Prompts().size() == 1 && GetFileAttributesW(top.c_str()) == INVALID_FILE_ATTRIBUTES;
    std::printf("ferrimond clear: %.3f s, %.1f us per entry, %s\n", clearSeconds, clearSeconds * 1e6 / entries,
                ok ? "all deleted" : "DID NOT FINISH AS EXPECTED");
    std::printf("longest time without a yield during the wipe: %.1f ms\n", g_longestGap / 1e6);
    if (!ok) result = 1;
  }

  // The service's own delete of the same tree, without a window: the floor
  // the handler stands on.
  BuildTree(top);
  bench::SettleDisk(scratch);
  start = Clock::now();
  FileSystem().DeleteFolder(top);
  const double bareSeconds = Seconds(Clock::now() - start);
  std::printf("bare FileSystem::DeleteFolder: %.3f s, %.1f us per entry\n", bareSeconds, bareSeconds * 1e6 / entries);

  BuildTree(top);
  bench::SettleDisk(scratch);
  const double rdSeconds = bench::RunTimed(L"cmd.exe /c rd /s /q " + top);
  if (rdSeconds < 0) {
    std::printf("cmd could not be started (%lu)\n", GetLastError());
    result = 1;
  } else {
    const bool gone = GetFileAttributesW(top.c_str()) == INVALID_FILE_ATTRIBUTES;
    std::printf("rd /s /q: %.3f s%s\n", rdSeconds, gone ? "" : " (LEFT FILES BEHIND)");
    std::printf("ratio clear/rd: %.2f\n", clearSeconds / rdSeconds);
  }

  return result;
}

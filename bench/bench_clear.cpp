// Wiping a removable drive through the real main window's "&Delete files on
// removable drive" (hidden window, the question answered by a script)
// against Wine's "cmd /c rd /s /q" of the same tree. Workload: 20,000 files
// of 2 KB in 1,000 folders, all under one top folder of a removable E:, so
// that both remove exactly the same entries, on a drive in memory where the
// system allows. The wipe, rd and the file-system service's own delete
// without a window (the floor) run in turns over three rounds. Prints every
// time with its cost per entry, the ratios of the best runs and of the
// medians, and the longest time the window went without yielding during the
// wipe.
//
// usage: bench_clear [rounds]
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

int wmain(int argc, wchar_t** argv) {
  const int rounds = argc > 1 ? _wtoi(argv[1]) : 3;
  using namespace ferrimond;
  // Each figure reaches the pipe as it is printed, whatever ends the process.
  std::setvbuf(stdout, nullptr, _IONBF, 0);
  forms::InitializeApplication();

  const bench::ProgramFolderAside aside;
  const bench::InMemoryDrive e(L'E', harness::DriveKind::Removable);
  harness::TempDir scratch;
  const std::wstring top = e / L"w";
  const int entries = kFolders * kFilesPerFolder + kFolders + kFolders / 50 + 1;

  forms::testing::ScriptedUserInteraction ui;
  const ProcessHooks hooks = bench::QuietHooks();
  Frmbackup w(ui, hooks);
  w.Load();
  w.lstRemovable.SetListIndex(-1);
  bench::SelectDrive(w.lstRemovable, L"E");

  const auto gone = [&] { return GetFileAttributesW(top.c_str()) == INVALID_FILE_ATTRIBUTES; };
  const auto clearRun = [&] {
    ui.ClearRecord();
    ui.AnswerMsgBox(forms::MsgResult::Yes);
    SetTimer(w.Hwnd(), 1, 1, Tick);
    const auto start = Clock::now();
    g_lastTick = NowNs();
    w.mnuClear.Click();
    const double seconds = Seconds(Clock::now() - start);
    KillTimer(w.Hwnd(), 1);
    const bool ok = w.lblDir.Caption() == L"All files on removable drive have been deleted!" &&
                    ui.Prompts().size() == 1 && gone();
    std::printf("ferrimond clear: %.3f s, %.1f us per entry, %s\n", seconds, seconds * 1e6 / entries,
                ok ? "all deleted" : "DID NOT FINISH AS EXPECTED");
    return ok ? seconds : -1;
  };
  const auto rdRun = [&] {
    const double seconds = bench::RunTimed(L"cmd.exe /c rd /s /q " + top);
    if (seconds < 0) {
      std::printf("cmd could not be started (%lu)\n", GetLastError());
    } else {
      std::printf("rd /s /q: %.3f s%s\n", seconds, gone() ? "" : " (LEFT FILES BEHIND)");
    }
    return seconds;
  };
  // The service's own delete of the same tree, without a window: the floor
  // the handler stands on.
  const auto bareRun = [&] {
    const auto start = Clock::now();
    FileSystem().DeleteFolder(top);
    const double seconds = Seconds(Clock::now() - start);
    std::printf("bare FileSystem::DeleteFolder: %.3f s, %.1f us per entry\n", seconds, seconds * 1e6 / entries);
    return seconds;
  };

  const auto times = bench::TakeTurns(rounds, {clearRun, rdRun, bareRun}, [&] {
    BuildTree(top);
    bench::SettleDisk(scratch);
  });
  if (times.Failed()) return 1;
  bench::PrintRatio("clear/rd", times.wall[0], times.wall[1]);
  bench::PrintRatio("clear/floor", times.wall[0], times.wall[2]);
  bench::PrintCpuRatio("clear/floor", times.cpu[0], times.cpu[2]);
  std::printf("longest time without a yield during the wipe: %.1f ms\n", g_longestGap / 1e6);
  return 0;
}

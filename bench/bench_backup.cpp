// A whole backup through the real main window (hidden, prompts scripted)
// against Wine's xcopy on the same tree. Workload W1: 20,000 files of 2 KB
// in 1,000 folders on C:, 2,000 *.doc changed yesterday, the rest 30 days
// old; "Backup files for last" 2 days, *.doc only, onto a removable E:.
// E: lives in memory where the system allows. The backup, xcopy and the
// bare calls run in turns, three rounds unless the second argument says.
// Prints every time, the ratios of the best runs and of the medians, files
// checked per second and the longest time a message posted to the main
// window waited during the walk.
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include "bench/bench_support.h"
#include "bench/bench_window.h"

#include "common/date_text.h"
#include "ferrimond/mainwindow/frmbackup.h"
#include "ferrimond/support/file_times.h"
#include "tests/ferrimond/forms/scripted_user_interaction.h"
#include "tests/harness/temp_dir.h"
#include "tests/harness/wine_drives.h"

namespace {

using bench::Clock;
using bench::Seconds;
constexpr int kFilesPerFolder = 20, kChangedPerFolder = 2;
// W1 has 1,000 folders; a smaller count (the first argument) helps when
// tracing the server requests of a run.
int kFolders = 1000;

// The bare calls any backup of W1 makes, without a window or a prompt: one
// listing per folder, the date and type tests on the listing's data, then
// a folder made and CopyFileW for every selected file. Returns the files
// copied.
int BareCopy(const std::wstring& from, const std::wstring& to, const FILETIME& since) {
  CreateDirectoryW(to.c_str(), nullptr);
  int copied = 0;
  bool made = false;
  for (const std::wstring& sub : bench::ListFolder(from, [&](const WIN32_FIND_DATAW& data) {
         const std::wstring name = data.cFileName;
         if (!name.ends_with(L".doc") || CompareFileTime(&data.ftLastWriteTime, &since) <= 0) return;
         if (!made) made = CreateDirectoryW(to.c_str(), nullptr) || GetLastError() == ERROR_ALREADY_EXISTS;
         copied += CopyFileW((from + L"\\" + name).c_str(), (to + L"\\" + name).c_str(), FALSE) ? 1 : 0;
       })) {
    copied += BareCopy(from + L"\\" + sub, to + L"\\" + sub, since);
  }
  return copied;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  using namespace ferrimond;
  if (argc > 1) kFolders = _wtoi(argv[1]);
  // Each figure reaches the pipe as it is printed, whatever ends the process.
  std::setvbuf(stdout, nullptr, _IONBF, 0);
  forms::InitializeApplication();

  const bench::ProgramFolderAside aside;

  const bench::InMemoryDrive e(L'E', harness::DriveKind::Removable);
  harness::TempDir source;
  const common::DateTime now = common::Now();
  const common::DateTime yesterday = now.AddDays(-1), old = now.AddDays(-30);
  const auto buildStart = Clock::now();
  const std::string content(2048, 'w');
  for (int f = 0; f < kFolders; ++f) {
    const std::wstring folder = source / (L"f" + std::to_wstring(f / 50) + L"\\d" + std::to_wstring(f));
    CreateDirectoryW(folder.substr(0, folder.rfind(L'\\')).c_str(), nullptr);
    CreateDirectoryW(folder.c_str(), nullptr);
    for (int i = 0; i < kFilesPerFolder; ++i) {
      const bool changed = i < kChangedPerFolder;
      const std::wstring path =
          folder + L"\\file" + std::to_wstring(i) + (changed || i % 2 ? L".doc" : L".txt");
      harness::WriteFile(path, content);
      SetFileTimes(path, changed ? yesterday : old, FileTimeWritten);
    }
  }
  std::printf("W1 built in %.1f s: %d files in %d folders\n", Seconds(Clock::now() - buildStart),
              kFolders * kFilesPerFolder, kFolders);
  harness::TempDir scratch;
  bench::SettleDisk(scratch);

  forms::testing::ScriptedUserInteraction ui;
  const ProcessHooks hooks = bench::QuietHooks();
  Frmbackup w(ui, hooks);
  w.Load();
  if (w.mnuCloseAutomatically.Checked()) w.mnuCloseAutomatically.Click();
  w.optDateText.SetValue(true);
  w.txtdays.SetText(L"2");
  for (int i : w.Check1.Indexes()) w.Check1[i].SetValue(i == 0 ? forms::kChecked : forms::kUnchecked);
  w.LstDir.AddItem(source.Path());

  // One backup of W1 onto an empty E:, through the window.
  double longestWaitMs = 0;
  const auto ferrimondRun = [&] {
    Clock::time_point writingSeen{};
    // The probe times the walk's waits and sees where the copy begins.
    bench::MessageProbe probe(w.Hwnd(), [&] {
      if (writingSeen == Clock::time_point{} && w.lblStatus.Caption() == L"Writing files")
        writingSeen = Clock::now();
      return w.lblStatus.Caption() == L"Checking files";
    });
    const auto start = Clock::now();
    w.CmdCToE.SetValue(true);
    const double seconds = Seconds(Clock::now() - start);
    if (writingSeen == Clock::time_point{}) writingSeen = start;
    const double walkSeconds = Seconds(writingSeen - start);
    longestWaitMs = std::max(longestWaitMs, probe.LongestWaitMs());
    const bool ok = w.lblDir.Caption() == L"Backup finished successfully!" && ui.Prompts().empty();
    std::printf("ferrimond: %.3f s (walk about %.2f s, copy about %.2f s), %d checked, %d selected, %s\n",
                seconds, walkSeconds, seconds - walkSeconds, w.FilesChecked, w.FilesSelected,
                ok ? "finished successfully" : "DID NOT FINISH AS EXPECTED");
    return ok ? seconds : -1;
  };
  // xcopy copies files changed on or after the date: the same 2,000.
  const common::DateParts since = now.AddDays(-2).Parts();
  const std::wstring xcopyLine = L"xcopy.exe \"" + source.Path() + L"\" E:\\xcopy /S /I /Y /Q /D:" +
                                 std::to_wstring(since.month) + L"-" + std::to_wstring(since.day) + L"-" +
                                 std::to_wstring(since.year);
  const auto xcopyRun = [&] {
    const double seconds = bench::RunTimed(xcopyLine);
    if (seconds < 0) {
      std::printf("xcopy could not be started (%lu)\n", GetLastError());
    } else {
      std::printf("xcopy: %.3f s\n", seconds);
    }
    return seconds;
  };
  // What the system calls alone cost, as a floor for both.
  FILETIME cutoff{};
  DateToFileTime(now.AddDays(-2), cutoff, true);
  const auto bareRun = [&] {
    const auto start = Clock::now();
    const int copied = BareCopy(source.Path(), L"E:\\bare", cutoff);
    const double seconds = Seconds(Clock::now() - start);
    std::printf("bare listing, folders and CopyFileW: %.3f s for %d files\n", seconds, copied);
    return seconds;
  };

  const int rounds = argc > 2 ? _wtoi(argv[2]) : 3;
  const auto times = bench::TakeTurns(rounds, {ferrimondRun, xcopyRun, bareRun}, [&] {
    harness::EmptyFolder(e.Root());
    bench::SettleDisk(scratch);
  });
  if (times.empty()) return 1;
  const std::vector<double>&ferrimondTimes = times[0], &xcopyTimes = times[1], &bareTimes = times[2];
  std::printf("best of %d: ferrimond %.3f s, xcopy %.3f s, floor %.3f s\n", rounds, bench::Best(ferrimondTimes),
              bench::Best(xcopyTimes), bench::Best(bareTimes));
  bench::PrintRatio("ferrimond/xcopy", ferrimondTimes, xcopyTimes);
  bench::PrintRatio("bare/xcopy", bareTimes, xcopyTimes);
  bench::PrintRatio("ferrimond/floor", ferrimondTimes, bareTimes);
  std::printf("files checked per second: %.0f\n", w.FilesChecked / bench::Best(ferrimondTimes));
  std::printf("longest message wait during the walk: %.1f ms\n", longestWaitMs);
  return 0;
}

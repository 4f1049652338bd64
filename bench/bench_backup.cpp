// A whole backup through the real main window (hidden, prompts scripted)
// against Wine's xcopy on the same tree. Workload W1: 20,000 files of 2 KB
// in 1,000 folders on C:, 2,000 *.doc changed yesterday, the rest 30 days
// old; "Backup files for last" 2 days, *.doc only, onto a removable E:.
// Prints both wall times, their ratio, files checked per second and the
// longest time a message posted to the main window waited during the walk.
#include <windows.h>

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
  forms::InitializeApplication();

  const bench::ProgramFolderAside aside;

  harness::MappedDrive e(L'E', harness::DriveKind::Removable);
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
  int result = 0;
  {
    Frmbackup w(ui, hooks);
    w.Load();
    if (w.mnuCloseAutomatically.Checked()) w.mnuCloseAutomatically.Click();
    w.optDateText.SetValue(true);
    w.txtdays.SetText(L"2");
    for (int i : w.Check1.Indexes()) w.Check1[i].SetValue(i == 0 ? forms::kChecked : forms::kUnchecked);
    w.LstDir.AddItem(source.Path());

    double ferrimondSeconds = 0;
    Clock::time_point writingSeen{};
    double longestWaitMs = 0;
    {
      // The probe times the walk's waits and sees where the copy begins.
      bench::MessageProbe probe(w.Hwnd(), [&] {
        if (writingSeen == Clock::time_point{} && w.lblStatus.Caption() == L"Writing files")
          writingSeen = Clock::now();
        return w.lblStatus.Caption() == L"Checking files";
      });
      const auto start = Clock::now();
      w.CmdCToE.SetValue(true);
      ferrimondSeconds = Seconds(Clock::now() - start);
      if (writingSeen == Clock::time_point{}) writingSeen = start;
      const double walkSeconds = Seconds(writingSeen - start);
      longestWaitMs = probe.LongestWaitMs();

      const bool ok = w.lblDir.Caption() == L"Backup finished successfully!" && ui.Prompts().empty();
      std::printf("ferrimond: %.3f s (search %d s, write %d s), %d checked, %d selected, %s\n",
                  ferrimondSeconds, w.SearchSeconds, w.WriteSeconds, w.FilesChecked, w.FilesSelected,
                  ok ? "finished successfully" : "DID NOT FINISH AS EXPECTED");
      if (!ok) result = 1;
      std::printf("walk about %.2f s, copy about %.2f s\n", walkSeconds, ferrimondSeconds - walkSeconds);
    }

    // xcopy copies files changed on or after the date: the same 2,000.
    const common::DateParts since = now.AddDays(-2).Parts();
    bench::SettleDisk(scratch);
    const double xcopySeconds =
        bench::RunTimed(L"xcopy.exe \"" + source.Path() + L"\" E:\\xcopy /S /I /Y /Q /D:" +
                        std::to_wstring(since.month) + L"-" + std::to_wstring(since.day) + L"-" +
                        std::to_wstring(since.year));
    if (xcopySeconds < 0) {
      std::printf("xcopy could not be started (%lu)\n", GetLastError());
      result = 1;
    } else {
      std::printf("xcopy: %.3f s\n", xcopySeconds);
      std::printf("ratio ferrimond/xcopy: %.2f\n", ferrimondSeconds / xcopySeconds);

      // What the system calls alone cost, as a floor for both.
      bench::SettleDisk(scratch);
      FILETIME cutoff{};
      DateToFileTime(now.AddDays(-2), cutoff, true);
      const auto bareStart = Clock::now();
      const int bareCopied = BareCopy(source.Path(), L"E:\\bare", cutoff);
      const double bareSeconds = Seconds(Clock::now() - bareStart);
      std::printf("bare listing, folders and CopyFileW: %.3f s for %d files, ratio bare/xcopy: %.2f\n",
                  bareSeconds, bareCopied, bareSeconds / xcopySeconds);
      std::printf("ratio ferrimond/floor: %.2f\n", ferrimondSeconds / bareSeconds);
    }
    std::printf("files checked per second: %.0f\n", w.FilesChecked / ferrimondSeconds);
    std::printf("longest message wait during the walk: %.1f ms\n", longestWaitMs);
  }
  return result;
}

// Whole backups through the real main window (hidden, prompts scripted)
// against the bare system calls of the same work (the floor), from a fixed
// F: onto a removable E:, both in memory where the system allows; "Backup
// files for last" 2 days, *.doc only. Files of 2 KB, 20 to a folder, half of them *.doc,
// last written 30 days ago except two *.doc in each changed folder,
// written yesterday:
//   W1:  20,000 files in 1,000 folders, every folder changed (2,000 files
//        selected), also against Wine's xcopy /S /D and, for reference,
//        against a floor that copies with CopyFileW (which can leave a
//        truncated file under the real name);
//   W10: 200,000 files in 10,000 folders, every tenth folder changed (the
//        same 2,000 to copy), to see that the run grows with the tree and
//        no faster (xcopy would take minutes).
// The floor makes the calls that the backup's result needs and no others:
// one listing per folder, the date test on each candidate's attributes as
// they are now, the target's folders made, and a fail-safe copy of every
// selected file (a temporary beside the target, the source's size and time
// read through its handle before and after its data, the copy flushed and
// renamed over the target), with the window's inputs greyed for the run
// (the backup must lock them).
// The trees are made on the Unix side (make_tree.py). The runs of each
// workload take turns over three rounds. Prints every time, the ratios of
// the best runs and of the medians (also of the processor time, steadier
// on a busy machine), files checked per second, the cost per checked file,
// the peak working set, and the longest time a message posted to the main
// window waited during a run, from a run of its own, so that the timed runs
// carry nothing of the probe.
//
// usage: bench_backup [W1 folders [rounds [W10 folders, 0 for none]]]
// (fewer folders help when tracing the server requests of a run).
#include <windows.h>
// psapi.h needs windows.h first.
#include <commctrl.h>
#include <psapi.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <cwchar>
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

// A workload's source tree in `folder`, made by make_tree.py (beside this
// file) and removed on the Unix side: through Wine's file calls W10 alone
// would take minutes either way.
class SourceTree {
 public:
  SourceTree(std::wstring folder, int folders, int changedEvery) : path_(std::move(folder)) {
    const auto start = Clock::now();
    CreateDirectoryW(path_.c_str(), nullptr);
    unix_ = harness::UnixPath(path_);
    const std::wstring marker = path_ + L".made";
    const auto made = [&] { return GetFileAttributesW(marker.c_str()) != INVALID_FILE_ATTRIBUTES; };
    // Wine splits the line into the arguments by the Windows rules.
    const std::wstring command = L"/usr/bin/python3 \"" + harness::WideUnix(FERRIMOND_BENCH_DIR) +
                                 L"/make_tree.py\" \"" + harness::WideUnix(unix_) + L"\" " +
                                 std::to_wstring(folders) + L" " + std::to_wstring(changedEvery) + L" \"" +
                                 harness::WideUnix(unix_) + L".made\"";
    if (!unix_.empty() && bench::RunUnixUntil(command, made, 600)) {
      const std::string result = harness::ReadFile(marker);
      made_ = result == "ok";
      if (!made_) std::printf("make_tree.py: %s\n", result.c_str());
    } else {
      std::printf("make_tree.py could not be run (python3 is needed)\n");
    }
    DeleteFileW(marker.c_str());
    seconds_ = bench::Seconds(Clock::now() - start);
  }
  ~SourceTree() {
    if (unix_.empty()) return;
    bench::RunUnixUntil(L"/bin/rm -rf \"" + harness::WideUnix(unix_) + L"\"",
                        [&] { return GetFileAttributesW(path_.c_str()) == INVALID_FILE_ATTRIBUTES; }, 120);
  }
  SourceTree(const SourceTree&) = delete;
  SourceTree& operator=(const SourceTree&) = delete;

  const std::wstring& Path() const { return path_; }
  bool Made() const { return made_; }
  double MadeInSeconds() const { return seconds_; }

 private:
  std::wstring path_;
  std::string unix_;
  bool made_ = false;
  double seconds_ = 0;
};

// Where a run's walk begins and ends: the status line says "Checking files"
// and then "Writing files". Read from the label's own WM_SETTEXT, which
// costs the run nothing.
class WalkClock {
 public:
  explicit WalkClock(HWND status) : status_(status) {
    SetWindowSubclass(status_, Proc, 1, reinterpret_cast<DWORD_PTR>(this));
  }
  ~WalkClock() { RemoveWindowSubclass(status_, Proc, 1); }
  WalkClock(const WalkClock&) = delete;
  WalkClock& operator=(const WalkClock&) = delete;

  void Start() { checking_ = writing_ = {}; }
  // From "Checking files" to "Writing files", or to `end` when the run
  // wrote nothing.
  double WalkSeconds(Clock::time_point end) const {
    return Seconds((writing_ == Clock::time_point{} ? end : writing_) - checking_);
  }

 private:
  static LRESULT CALLBACK Proc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR, DWORD_PTR self) {
    if (message == WM_SETTEXT && lParam) {
      auto* clock = reinterpret_cast<WalkClock*>(self);
      const auto* text = reinterpret_cast<const wchar_t*>(lParam);
      if (std::wcscmp(text, L"Checking files") == 0) clock->checking_ = Clock::now();
      if (std::wcscmp(text, L"Writing files") == 0) clock->writing_ = Clock::now();
    }
    return DefSubclassProc(hwnd, message, wParam, lParam);
  }
  HWND status_;
  Clock::time_point checking_{}, writing_{};
};

PROCESS_MEMORY_COUNTERS MemoryCounters() {
  PROCESS_MEMORY_COUNTERS counters{};
  counters.cb = sizeof counters;
  GetProcessMemoryInfo(GetCurrentProcess(), &counters, sizeof counters);
  return counters;
}

// Makes `folder` and whatever is missing above it.
bool MakeFolder(const std::wstring& folder) {
  if (CreateDirectoryW(folder.c_str(), nullptr) || GetLastError() == ERROR_ALREADY_EXISTS) return true;
  const size_t cut = folder.rfind(L'\\');
  return GetLastError() == ERROR_PATH_NOT_FOUND && cut != std::wstring::npos && MakeFolder(folder.substr(0, cut)) &&
         CreateDirectoryW(folder.c_str(), nullptr);
}

// The bare calls any backup of these trees makes, without a window or a
// prompt: one listing per folder, the type test on the listing's name, the
// date test on the file's attributes as they are now (a listed time lags
// behind while a writer holds the file open), then the target's folders
// made where a file is copied into them and a SafeCopy (or, not `safe`,
// CopyFileW) for every selected file. Returns the files copied; adds the
// time of the folders made and the copies to `copySeconds`.
int BareCopy(const std::wstring& from, const std::wstring& to, const FILETIME& since, bool safe,
             double& copySeconds) {
  int copied = 0;
  bool made = false;
  for (const std::wstring& sub : bench::ListFolder(from, [&](const WIN32_FIND_DATAW& data) {
         const std::wstring name = data.cFileName;
         if (!name.ends_with(L".doc")) return;
         WIN32_FILE_ATTRIBUTE_DATA now;
         if (!GetFileAttributesExW((from + L"\\" + name).c_str(), GetFileExInfoStandard, &now) ||
             CompareFileTime(&now.ftLastWriteTime, &since) <= 0)
           return;
         const auto start = Clock::now();
         if (!made) made = MakeFolder(to);
         const std::wstring source = from + L"\\" + name, target = to + L"\\" + name;
         const bool done = safe ? bench::SafeCopy(source, target) == bench::Copy::Made
                                : CopyFileW(source.c_str(), target.c_str(), FALSE) != FALSE;
         copied += done ? 1 : 0;
         copySeconds += Seconds(Clock::now() - start);
       })) {
    copied += BareCopy(from + L"\\" + sub, to + L"\\" + sub, since, safe, copySeconds);
  }
  return copied;
}

// What one workload's runs gave.
struct Figures {
  double best = 0;           // the best backup, seconds
  double walkPerFileUs = 0;  // of that run's walk
  int checked = 0;
};

}  // namespace

int wmain(int argc, wchar_t** argv) {
  using namespace ferrimond;
  const int w1Folders = argc > 1 ? _wtoi(argv[1]) : 1000;
  const int rounds = argc > 2 ? _wtoi(argv[2]) : 3;
  const int w10Folders = argc > 3 ? _wtoi(argv[3]) : 10000;
  // Each figure reaches the pipe as it is printed, whatever ends the process.
  std::setvbuf(stdout, nullptr, _IONBF, 0);
  forms::InitializeApplication();

  const bench::ProgramFolderAside aside;
  const bench::InMemoryDrive e(L'E', harness::DriveKind::Removable);
  // The trees are read, but making and removing W10 on this disk took a
  // minute and a half, far longer than its runs.
  const bench::InMemoryDrive f(L'F', harness::DriveKind::Fixed);
  std::printf("E: (target) %s, F: (sources) %s\n", e.InMemory() ? "in memory" : "on disk (no /dev/shm)",
              f.InMemory() ? "in memory" : "on disk");
  harness::TempDir scratch;

  forms::testing::ScriptedUserInteraction ui;
  const ProcessHooks hooks = bench::QuietHooks();
  Frmbackup w(ui, hooks);
  w.Load();
  if (w.mnuCloseAutomatically.Checked()) w.mnuCloseAutomatically.Click();
  w.optDateText.SetValue(true);
  w.txtdays.SetText(L"2");
  for (int i : w.Check1.Indexes()) w.Check1[i].SetValue(i == 0 ? forms::kChecked : forms::kUnchecked);
  WalkClock walkClock(w.lblStatus.Hwnd());

  const common::DateTime now = common::Now();
  FILETIME cutoff{};
  DateToFileTime(now.AddDays(-2), cutoff, true);
  // xcopy copies files changed on or after the day: the same ones.
  const common::DateParts since = now.AddDays(-2).Parts();
  const std::wstring xcopyDay = std::to_wstring(since.month) + L"-" + std::to_wstring(since.day) + L"-" +
                                std::to_wstring(since.year);

  // Runs one workload; false when a run failed.
  const auto runWorkload = [&](const char* name, int folders, int changedEvery, bool withXcopy,
                               Figures& figures) {
    const SourceTree source(f / std::wstring(name, name + std::strlen(name)), folders, changedEvery);
    if (!source.Made()) return false;
    std::printf("== %s: %d files in %d folders, made in %.1f s\n", name, folders * 20, folders, source.MadeInSeconds());
    w.LstDir.Clear();
    w.LstDir.AddItem(source.Path());
    const auto prepare = [&] {
      harness::EmptyFolder(e.Root());
      bench::SettleDisk(scratch);
    };
    prepare();

    // One backup onto an empty E:, through the window.
    double bestWalk = 0;
    const auto backup = [&] {
      walkClock.Start();
      const auto start = Clock::now();
      w.CmdCToE.SetValue(true);
      const auto end = Clock::now();
      const double seconds = Seconds(end - start), walk = walkClock.WalkSeconds(end);
      const bool ok = w.lblDir.Caption() == L"Backup finished successfully!" && ui.Prompts().empty();
      std::printf("ferrimond: %.3f s (walk %.3f s), %d checked, %d selected, %s\n", seconds, walk,
                  w.FilesChecked, w.FilesSelected, ok ? "finished successfully" : "DID NOT FINISH AS EXPECTED");
      if (figures.best == 0 || seconds < figures.best) {
        figures.best = seconds;
        bestWalk = walk;
      }
      figures.checked = w.FilesChecked;
      return ok ? seconds : -1;
    };
    const auto xcopy = [&] {
      const double seconds =
          bench::RunTimed(L"xcopy.exe \"" + source.Path() + L"\" E:\\xcopy /S /I /Y /Q /D:" + xcopyDay);
      if (seconds < 0) {
        std::printf("xcopy could not be started (%lu)\n", GetLastError());
      } else {
        std::printf("xcopy: %.3f s\n", seconds);
      }
      return seconds;
    };
    const auto bareRun = [&](bool safe) {
      double copySeconds = 0;
      const auto start = Clock::now();
      int copied = 0;
      {
        const bench::InputsLocked locked(w);
        copied = BareCopy(source.Path(), L"E:\\bare", cutoff, safe, copySeconds);
      }
      const double seconds = Seconds(Clock::now() - start);
      std::printf("bare listing, attributes, folders and %s: %.3f s (walk %.3f s) for %d files\n",
                  safe ? "safe copies (the floor)" : "CopyFileW", seconds, seconds - copySeconds, copied);
      return seconds;
    };
    const auto floor = [&] { return bareRun(true); };
    const auto copyFileFloor = [&] { return bareRun(false); };

    const PROCESS_MEMORY_COUNTERS before = MemoryCounters();
    std::vector<std::function<double()>> runs{backup, floor};
    if (withXcopy) runs.insert(runs.end(), {xcopy, copyFileFloor});
    const bench::Turns turns = bench::TakeTurns(rounds, runs, prepare);
    if (turns.Failed()) return false;
    const auto& times = turns.wall;
    const PROCESS_MEMORY_COUNTERS after = MemoryCounters();
    figures.walkPerFileUs = bestWalk * 1e6 / figures.checked;

    const std::string prefix = name;
    std::printf("%s best of %d: ferrimond %.3f s, floor %.3f s", name, rounds, bench::Best(times[0]),
                bench::Best(times[1]));
    if (withXcopy) std::printf(", xcopy %.3f s, CopyFileW floor %.3f s", bench::Best(times[2]), bench::Best(times[3]));
    std::printf("\n");
    bench::PrintRatio((prefix + " ferrimond/floor").c_str(), times[0], times[1]);
    bench::PrintCpuRatio((prefix + " ferrimond/floor").c_str(), turns.cpu[0], turns.cpu[1]);
    if (withXcopy) {
      bench::PrintRatio((prefix + " ferrimond/xcopy").c_str(), times[0], times[2]);
      bench::PrintRatio((prefix + " floor/xcopy").c_str(), times[1], times[2]);
      // For reference: what the fail-safe copy costs over copies that can
      // leave a truncated file under the real name.
      bench::PrintRatio((prefix + " ferrimond/CopyFileW floor").c_str(), times[0], times[3]);
      bench::PrintRatio((prefix + " floor/CopyFileW floor").c_str(), times[1], times[3]);
    }
    std::printf("%s files checked per second: %.0f in the walk, %.0f over the whole run\n", name,
                figures.checked / bestWalk, figures.checked / figures.best);
    std::printf("%s cost per checked file: %.2f us (whole run), %.2f us (walk)\n", name,
                figures.best * 1e6 / figures.checked, figures.walkPerFileUs);
    std::printf("%s peak working set: %.1f MB, %.0f bytes per selected entry above the working set before\n",
                name, after.PeakWorkingSetSize / 1048576.0,
                (static_cast<double>(after.PeakWorkingSetSize) - static_cast<double>(before.WorkingSetSize)) /
                    std::max(w.FilesSelected, 1));

    // One more backup with the probe, for the waits alone.
    prepare();
    {
      bench::MessageProbe probe(w.Hwnd(), [&] { return w.RunActive; }, [&] {
        return L"\"" + w.lblStatus.Caption() + L"\", " + std::to_wstring(w.FilesChecked) + L" checked, " +
               std::to_wstring(w.ItemsCopied.size()) + L" copied";
      });
      w.CmdCToE.SetValue(true);
      std::printf("%s longest message wait during a run (probed run of its own): %.1f ms (at %ls)\n", name,
                  probe.LongestWaitMs(), probe.LongestWhere().c_str());
    }
    return true;
  };

  Figures w1, w10;
  if (!runWorkload("W1", w1Folders, 1, true, w1)) return 1;
  if (w10Folders > 0) {
    if (!runWorkload("W10", w10Folders, 10, false, w10)) return 1;
    std::printf("W10/W1 cost per checked file: %.2f (whole run), %.2f (walk)\n",
                (w10.best / w10.checked) / (w1.best / w1.checked), w10.walkPerFileUs / w1.walkPerFileUs);
  }
  return 0;
}

// A whole backup through the real main window (hidden, prompts scripted)
// against Wine's xcopy on the same tree. Workload W1: 20,000 files of 2 KB
// in 1,000 folders on C:, 2,000 *.doc changed yesterday, the rest 30 days
// old; "Backup files for last" 2 days, *.doc only, onto a removable E:.
// Prints both wall times, their ratio, files checked per second and the
// longest time a message posted to the main window waited during the walk.
#include <windows.h>
#include <commctrl.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <string>
#include <thread>
#include <vector>

#include "common/date_text.h"
#include "ferrimond/mainwindow/frmbackup.h"
#include "ferrimond/support/file_times.h"
#include "tests/ferrimond/forms/scripted_user_interaction.h"
#include "tests/harness/temp_dir.h"
#include "tests/harness/wine_drives.h"

namespace {

using Clock = std::chrono::steady_clock;
constexpr UINT kProbe = WM_APP + 0x51;
constexpr int kFolders = 1000, kFilesPerFolder = 20, kChangedPerFolder = 2;

double Seconds(Clock::duration d) { return std::chrono::duration<double>(d).count(); }

// The probe: one message at a time is posted from another thread; the
// window measures how long it waited in the queue.
std::atomic<int64_t> g_postedAt{0};
std::atomic<bool> g_pending{false};
int64_t g_longestWalkWait = 0;  // nanoseconds
int64_t g_writingSeen = 0;      // when the probe first saw "Writing files"
ferrimond::Frmbackup* g_window = nullptr;

int64_t NowNs() { return std::chrono::duration_cast<std::chrono::nanoseconds>(Clock::now().time_since_epoch()).count(); }

LRESULT CALLBACK ProbeProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR, DWORD_PTR) {
  if (message == kProbe) {
    const int64_t waited = NowNs() - g_postedAt.load();
    if (g_window && g_window->lblStatus.Caption() == L"Checking files" && waited > g_longestWalkWait) {
      g_longestWalkWait = waited;
    }
    if (g_window && !g_writingSeen && g_window->lblStatus.Caption() == L"Writing files") g_writingSeen = NowNs();
    g_pending = false;
    return 0;
  }
  return DefSubclassProc(hwnd, message, wParam, lParam);
}


// Writes every dirty page to disk, so that neither run pays for the
// writing-back of what came before it (building W1, or the other run).
void SettleDisk(const harness::TempDir& scratch) {
  const std::wstring done = scratch / L"synced";
  DeleteFileW(done.c_str());
  harness::RunUnix(L"/bin/sh -c \"sync && : > '" + harness::WideUnix(harness::UnixPath(done)) + L"'\"",
                   [&] { return GetFileAttributesW(done.c_str()) != INVALID_FILE_ATTRIBUTES; });
}

// The bare calls any backup of W1 makes, without a window or a prompt: one
// listing per folder, the date and type tests on the listing's data, then
// a folder made and CopyFileW for every selected file. Returns the files
// copied.
int BareCopy(const std::wstring& from, const std::wstring& to, const FILETIME& since) {
  CreateDirectoryW(to.c_str(), nullptr);
  WIN32_FIND_DATAW data;
  HANDLE find = FindFirstFileExW((from + L"\\*").c_str(), FindExInfoBasic, &data, FindExSearchNameMatch,
                                 nullptr, FIND_FIRST_EX_LARGE_FETCH);
  if (find == INVALID_HANDLE_VALUE) return 0;
  int copied = 0;
  bool made = false;
  std::vector<std::wstring> subFolders;
  do {
    const std::wstring name = data.cFileName;
    if (name == L"." || name == L"..") continue;
    if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
      subFolders.push_back(name);
    } else if (name.ends_with(L".doc") && CompareFileTime(&data.ftLastWriteTime, &since) > 0) {
      if (!made) made = CreateDirectoryW(to.c_str(), nullptr) || GetLastError() == ERROR_ALREADY_EXISTS;
      copied += CopyFileW((from + L"\\" + name).c_str(), (to + L"\\" + name).c_str(), FALSE) ? 1 : 0;
    }
  } while (FindNextFileW(find, &data));
  FindClose(find);
  for (const std::wstring& sub : subFolders) copied += BareCopy(from + L"\\" + sub, to + L"\\" + sub, since);
  return copied;
}

}  // namespace

int wmain() {
  using namespace ferrimond;
  forms::InitializeApplication();

  // The prefix's own program folder is put aside for the run.
  const std::wstring aside = std::wstring(kProgramFolder) + L".before-bench";
  const bool hadFolder = MoveFileW(kProgramFolder, aside.c_str()) != 0;

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
  SettleDisk(scratch);

  forms::testing::ScriptedUserInteraction ui;
  ProcessHooks hooks;
  hooks.anotherInstanceRunning = [] { return false; };
  hooks.endProcess = [] {};
  int result = 0;
  {
    Frmbackup w(ui, hooks);
    w.Load();
    g_window = &w;
    if (w.mnuCloseAutomatically.Checked()) w.mnuCloseAutomatically.Click();
    w.optDateText.SetValue(true);
    w.txtdays.SetText(L"2");
    for (int i : w.Check1.Indexes()) w.Check1[i].SetValue(i == 0 ? forms::kChecked : forms::kUnchecked);
    w.LstDir.AddItem(source.Path());
    SetWindowSubclass(w.Hwnd(), ProbeProc, 1, 0);

    std::atomic<bool> running{true};
    const HWND hwnd = w.Hwnd();
    std::thread poster([&] {
      while (running) {
        g_pending = true;
        g_postedAt = NowNs();
        PostMessageW(hwnd, kProbe, 0, 0);
        while (g_pending && running) std::this_thread::sleep_for(std::chrono::microseconds(200));
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
      }
    });
    const auto start = Clock::now();
    const int64_t startNs = NowNs();
    w.CmdCToE.SetValue(true);
    const double ferrimondSeconds = Seconds(Clock::now() - start);
    const double walkSeconds = g_writingSeen ? (g_writingSeen - startNs) / 1e9 : 0;
    running = false;
    poster.join();
    forms::DoEvents();
    RemoveWindowSubclass(w.Hwnd(), ProbeProc, 1);
    g_window = nullptr;

    const bool ok = w.lblDir.Caption() == L"Backup finished successfully!" && ui.Prompts().empty();
    std::printf("ferrimond: %.3f s (search %d s, write %d s), %d checked, %d selected, %s\n",
                ferrimondSeconds, w.SearchSeconds, w.WriteSeconds, w.FilesChecked,
                w.FilesSelected, ok ? "finished successfully" : "DID NOT FINISH AS EXPECTED");
    if (!ok) result = 1;
    // Split where the probe first saw the copy begin (to a few ms).
    std::printf("walk about %.2f s, copy about %.2f s\n", walkSeconds, ferrimondSeconds - walkSeconds);

    // xcopy copies files changed on or after the date: the same 2,000.
    const common::DateParts since = now.AddDays(-2).Parts();
    const std::wstring command = L"xcopy.exe \"" + source.Path() + L"\" E:\\xcopy /S /I /Y /Q /D:" +
                                 std::to_wstring(since.month) + L"-" + std::to_wstring(since.day) +
                                 L"-" + std::to_wstring(since.year);
    STARTUPINFOW si{};
    si.cb = sizeof si;
    si.dwFlags = STARTF_USESTDHANDLES;
    si.hStdOutput = si.hStdError = CreateFileW(L"NUL", GENERIC_WRITE, FILE_SHARE_WRITE, nullptr,
                                               OPEN_EXISTING, 0, nullptr);
    si.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
    PROCESS_INFORMATION pi{};
    std::wstring line = command;
    SettleDisk(scratch);
    const auto xStart = Clock::now();
    if (!CreateProcessW(nullptr, line.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr, &si, &pi)) {
      std::printf("xcopy could not be started (%lu)\n", GetLastError());
      result = 1;
    } else {
      WaitForSingleObject(pi.hProcess, INFINITE);
      const double xcopySeconds = Seconds(Clock::now() - xStart);
      CloseHandle(pi.hThread);
      CloseHandle(pi.hProcess);
      std::printf("xcopy: %.3f s\n", xcopySeconds);
      std::printf("ratio ferrimond/xcopy: %.2f\n", ferrimondSeconds / xcopySeconds);

      // What the system calls alone cost, as a floor for both.
      SettleDisk(scratch);
      FILETIME cutoff{};
      DateToFileTime(now.AddDays(-2), cutoff, true);
      const auto bareStart = Clock::now();
      const int bareCopied = BareCopy(source.Path(), L"E:\\bare", cutoff);
      const double bareSeconds = Seconds(Clock::now() - bareStart);
      std::printf("bare listing, folders and CopyFileW: %.3f s for %d files, ratio bare/xcopy: %.2f\n",
                  bareSeconds, bareCopied, bareSeconds / xcopySeconds);
    }
    CloseHandle(si.hStdOutput);
    std::printf("files checked per second: %.0f\n", w.FilesChecked / ferrimondSeconds);
    std::printf("longest message wait during the walk: %.1f ms\n", g_longestWalkWait / 1e6);
  }

  harness::RemoveTree(kProgramFolder);
  if (hadFolder) MoveFileW(aside.c_str(), kProgramFolder);
  return result;
}

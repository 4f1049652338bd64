// A whole upload through the real main window (hidden, prompts scripted)
// against Wine's xcopy on the same tree, and against the bare calls the
// same work must make. The removable E: holds what a backup of W1 leaves:
// 2,000 files of 2 KB in 1,000 folders, written yesterday; half of them
// are on the fixed D: already as copies 30 days old, of the same size and
// other contents, so the upload replaces them without a question once it
// has compared them. The floor makes the calls that the upload's result
// needs and no others: one listing per folder, the target's attributes,
// the folder made where missing, and a fail-safe copy of every file (no
// half-written file on the fixed drive), which first compares a target of
// the source's size with it (a file whose contents are already there is
// left as it is, whatever the times say; a link to the source is no copy), and the records the next runs
// read (the statistics line and the stamp), with the window's inputs greyed
// for the run (the upload must lock them) and its duties at each file (a
// paced look at the message queue, the file of the moment shown). For reference, also against a
// floor that copies with CopyFileW. Both drives live in memory where the
// system allows, and the runs take turns over eight rounds (the upload's
// distance to its floor is smaller than a busy machine's swings, which
// fewer rounds leave to chance). Prints every
// time, the ratios of the best runs and of the medians (also of the
// processor time, steadier on a busy machine), and the longest time a
// message posted to the main window waited.
//
// usage: bench_upload [rounds]
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
constexpr int kFolders = 1000, kFilesPerFolder = 2;

std::wstring FolderOf(wchar_t drive, int f) {
  return std::wstring(1, drive) + L":\\w1\\f" + std::to_wstring(f / 50) + L"\\d" + std::to_wstring(f);
}

// Makes folder `f` with its files: all of them on E:, the older half on D:.
void Fill(wchar_t drive, bool olderHalf, const common::DateTime& when) {
  const std::string content(2048, drive == L'E' ? 'n' : 'o');
  CreateDirectoryW((std::wstring(1, drive) + L":\\w1").c_str(), nullptr);
  for (int f = 0; f < kFolders; ++f) {
    const std::wstring folder = FolderOf(drive, f);
    CreateDirectoryW(folder.substr(0, folder.rfind(L'\\')).c_str(), nullptr);
    CreateDirectoryW(folder.c_str(), nullptr);
    for (int i = 0; i < (olderHalf ? 1 : kFilesPerFolder); ++i) {
      const std::wstring path = folder + L"\\file" + std::to_wstring(i) + L".doc";
      harness::WriteFile(path, content);
      ferrimond::SetFileTimes(path, when, ferrimond::FileTimeWritten);
    }
  }
}

// True when the files at `a` and `b`, of one size, hold the same bytes (the
// CopyFileW floor's comparison).
bool SameBytes(const std::wstring& a, const std::wstring& b) {
  const HANDLE ha = CreateFileW(a.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
  const HANDLE hb = CreateFileW(b.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
  bool same = ha != INVALID_HANDLE_VALUE && hb != INVALID_HANDLE_VALUE;
  static char ba[1 << 16], bb[1 << 16];
  for (DWORD ra = 1, rb = 0; same && ra > 0;) {
    same = ReadFile(ha, ba, sizeof ba, &ra, nullptr) && ReadFile(hb, bb, sizeof bb, &rb, nullptr) && ra == rb &&
           std::equal(ba, ba + ra, bb);
  }
  if (ha != INVALID_HANDLE_VALUE) CloseHandle(ha);
  if (hb != INVALID_HANDLE_VALUE) CloseHandle(hb);
  return same;
}

// The bare calls any upload of this tree makes: one listing per folder, the
// target folder's attributes, the target's attributes for the time
// comparison, the folder made where missing, the contents compared where the target has the source's size
// (an unchanged file stays as it is), and a safe copy (or, not `safe`,
// CopyFileW) of every other file, with the window's `duties` at each file.
// Returns the files uploaded.
int BareUpload(const std::wstring& from, const std::wstring& to, bool safe, bench::WindowDuties& duties) {
  int copied = 0;
  // The target folder's own attributes: one that is there needs no making,
  // and a link there must not lead back onto the removable drive (none
  // does here).
  const DWORD attributes = GetFileAttributesW(to.c_str());
  bool made = attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
  for (const std::wstring& sub : bench::ListFolder(from, [&](const WIN32_FIND_DATAW& data) {
         const std::wstring source = from + L"\\" + data.cFileName, target = to + L"\\" + data.cFileName;
         duties.AtFile(source);
         WIN32_FILE_ATTRIBUTE_DATA existing;
         const bool exists = GetFileAttributesExW(target.c_str(), GetFileExInfoStandard, &existing);
         if (!exists && !made) made = CreateDirectoryW(to.c_str(), nullptr) || GetLastError() == ERROR_ALREADY_EXISTS;
         const bool sameSize = exists && existing.nFileSizeLow == data.nFileSizeLow &&
                               existing.nFileSizeHigh == data.nFileSizeHigh;
         if (safe) {
           copied += bench::SafeCopy(source, target, sameSize) != bench::Copy::Failed ? 1 : 0;
         } else {
           copied += (sameSize && SameBytes(source, target)) || CopyFileW(source.c_str(), target.c_str(), FALSE);
         }
       })) {
    // Each sub-folder makes its own place at its first new file, as the
    // program does (here every place is there already).
    copied += BareUpload(from + L"\\" + sub, to + L"\\" + sub, safe, duties);
  }
  return copied;
}

// The records an upload leaves for the next runs: its statistics line
// appended to the running file and copied to the day's file, and the stamp
// "Backup from last upload" reads.
void WriteRecords(const harness::TempDir& folder) {
  auto write = [](const std::wstring& path, const std::string& bytes, DWORD disposition) {
    const HANDLE h = CreateFileW(path.c_str(), FILE_APPEND_DATA, FILE_SHARE_READ, nullptr, disposition, 0, nullptr);
    DWORD put = 0;
    WriteFile(h, bytes.data(), static_cast<DWORD>(bytes.size()), &put, nullptr);
    CloseHandle(h);
  };
  write(folder / L"uploadsta.sta", "#2026-12-07 16:00:00#,2000,4096000,1,\"E\"\r\n", OPEN_ALWAYS);
  CopyFileW((folder / L"uploadsta.sta").c_str(), (folder / L"day_upload.sta").c_str(), FALSE);
  write(folder / L"LastUploadT.tim", "#2026-12-07 16:00:00#\r\n", CREATE_ALWAYS);
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  const int rounds = argc > 1 ? _wtoi(argv[1]) : 8;
  using namespace ferrimond;
  // Each figure reaches the pipe as it is printed, whatever ends the process.
  std::setvbuf(stdout, nullptr, _IONBF, 0);
  forms::InitializeApplication();
  const bench::ProgramFolderAside aside;

  const bench::InMemoryDrive e(L'E', harness::DriveKind::Removable);
  const bench::InMemoryDrive d(L'D', harness::DriveKind::Fixed);
  harness::TempDir scratch;
  const common::DateTime now = common::Now();
  Fill(L'E', false, now.AddDays(-1));

  forms::testing::ScriptedUserInteraction ui;
  const ProcessHooks hooks = bench::QuietHooks();
  Frmbackup w(ui, hooks);
  w.Load();
  if (w.mnuCloseAutomatically.Checked()) w.mnuCloseAutomatically.Click();
  bench::SelectDrive(w.lstFixed, L"D");
  bench::SelectDrive(w.lstRemovable, L"E");
  w.cmbUsers.SetText(L"");

  const auto uploadRun = [&] {
    ui.AnswerMsgBox(forms::MsgResult::No);  // keep the drive for the next run
    const auto start = Clock::now();
    w.CmdCopyToC.SetValue(true);
    const double seconds = Seconds(Clock::now() - start);
    const bool ok = w.lblDir.Caption() == L"All files have been uploaded !" &&
                    w.UploadCount == kFolders * kFilesPerFolder;
    std::printf("upload: %.3f s, %d files uploaded, %s\n", seconds, w.UploadCount,
                ok ? "finished as expected" : "DID NOT FINISH AS EXPECTED");
    return ok ? seconds : -1;
  };
  const auto xcopyRun = [] {
    const double seconds = bench::RunTimed(L"xcopy.exe E:\\ D:\\ /S /Y /Q");
    if (seconds < 0) {
      std::printf("xcopy could not be started (%lu)\n", GetLastError());
    } else {
      std::printf("xcopy: %.3f s\n", seconds);
    }
    return seconds;
  };
  const auto bareRun = [&](bool safe) {
    const auto start = Clock::now();
    int copied = 0;
    {
      const bench::InputsLocked locked(w);
      bench::WindowDuties duties(w.txtPrgBar.Hwnd());
      copied = BareUpload(L"E:\\w1", L"D:\\w1", safe, duties);
      WriteRecords(scratch);
    }
    const double seconds = Seconds(Clock::now() - start);
    std::printf("bare listing, attributes, folders, comparisons and %s: %.3f s for %d files\n",
                safe ? "safe copies (the floor)" : "CopyFileW", seconds, copied);
    // A floor that skipped files would be quick for nothing.
    return copied == kFolders * kFilesPerFolder ? seconds : -1;
  };
  const auto floorRun = [&] { return bareRun(true); };
  const auto copyFileRun = [&] { return bareRun(false); };

  // Before every run D: holds the older half again, and nothing else.
  const auto prepare = [&] {
    harness::RemoveTree(L"D:\\w1");
    Fill(L'D', true, now.AddDays(-30));
    bench::SettleDisk(scratch);
  };
  const auto times = bench::TakeTurns(rounds, {uploadRun, floorRun, xcopyRun, copyFileRun}, prepare);
  if (times.Failed()) return 1;
  bench::PrintRatio("upload/floor", times.wall[0], times.wall[1]);
  bench::PrintCpuRatio("upload/floor", times.cpu[0], times.cpu[1]);
  bench::PrintRatio("upload/xcopy", times.wall[0], times.wall[2]);
  // For reference: what the fail-safe copy costs over copies that can
  // leave a truncated file under the real name.
  bench::PrintRatio("upload/CopyFileW floor", times.wall[0], times.wall[3]);
  bench::PrintRatio("floor/CopyFileW floor", times.wall[1], times.wall[3]);
  // One more upload with the probe, for the waits alone, so that the timed
  // runs carry nothing of it.
  prepare();
  {
    bench::MessageProbe probe(w.Hwnd(), [&] { return w.RunActive; });
    if (uploadRun() < 0) return 1;
    std::printf("longest message wait during the upload (probed run of its own): %.1f ms\n", probe.LongestWaitMs());
  }
  return 0;
}

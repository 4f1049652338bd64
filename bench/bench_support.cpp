#include "bench/bench_support.h"

#include <commctrl.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>

#include "ferrimond/support/file_system_internal.h"
#include "tests/harness/wine_drives.h"

namespace bench {

namespace {

constexpr UINT_PTR kProbeTimer = 0x51;

int64_t NowNs() {
  return std::chrono::duration_cast<std::chrono::nanoseconds>(Clock::now().time_since_epoch()).count();
}

}  // namespace

void SettleDisk(const harness::TempDir& scratch) {
  const std::wstring done = scratch / L"synced";
  DeleteFileW(done.c_str());
  const auto synced = [&] { return GetFileAttributesW(done.c_str()) != INVALID_FILE_ATTRIBUTES; };
  // A large write-back can take a while.
  RunUnixUntil(L"/bin/sh -c \"sync && : > '" + harness::WideUnix(harness::UnixPath(done)) + L"'\"", synced, 60);
}

bool RunUnixUntil(const std::wstring& commandLine, const std::function<bool()>& done, int maxSeconds) {
  // Wine starts Unix programs, but such a start cannot be waited on, and
  // the handles it gives back are no handles: closing them closed one of
  // this process's own (its standard output, once).
  STARTUPINFOW si{};
  si.cb = sizeof si;
  PROCESS_INFORMATION pi{};
  std::wstring line = commandLine;
  if (!CreateProcessW(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi)) return false;
  for (const auto until = Clock::now() + std::chrono::seconds(maxSeconds); !done() && Clock::now() < until;)
    Sleep(10);
  return done();
}

void Mark(const std::wstring& what) { CloseHandle(CreateEventW(nullptr, FALSE, FALSE, (L"bench-" + what).c_str())); }

double Best(const std::vector<double>& times) { return *std::min_element(times.begin(), times.end()); }

double Median(std::vector<double> times) {
  std::sort(times.begin(), times.end());
  const size_t n = times.size();
  return n % 2 ? times[n / 2] : (times[n / 2 - 1] + times[n / 2]) / 2;
}

InMemoryDrive::InMemoryDrive(wchar_t letter, harness::DriveKind kind) {
  const std::wstring folder = L"Z:\\dev\\shm\\ferrimond-bench-" + std::to_wstring(GetCurrentProcessId()) +
                              L"-" + std::wstring(1, letter);
  if (CreateDirectoryW(folder.c_str(), nullptr)) {
    memoryFolder_ = folder;
    drive_ = std::make_unique<harness::MappedDrive>(letter, kind, harness::UnixPath(folder));
  } else {
    drive_ = std::make_unique<harness::MappedDrive>(letter, kind);
  }
}

InMemoryDrive::~InMemoryDrive() {
  drive_.reset();
  if (!memoryFolder_.empty()) harness::RemoveTree(memoryFolder_);
}

namespace {

double ProcessCpuSeconds() {
  FILETIME created, exited, kernel, user;
  if (!GetProcessTimes(GetCurrentProcess(), &created, &exited, &kernel, &user)) return 0;
  auto seconds = [](const FILETIME& t) { return ((uint64_t{t.dwHighDateTime} << 32) | t.dwLowDateTime) / 1e7; };
  return seconds(kernel) + seconds(user);
}

}  // namespace

Turns TakeTurns(int rounds, const std::vector<std::function<double()>>& runs, const std::function<void()>& prepare) {
  Turns turns{std::vector<std::vector<double>>(runs.size()), std::vector<std::vector<double>>(runs.size())};
  const char* only = std::getenv("BENCH_ONLY");
  if (only && !*only) only = nullptr;
  for (int round = 1; round <= rounds; ++round) {
    std::printf("-- round %d\n", round);
    // Each round starts one run later: over as many rounds as there are
    // runs, every run takes every place in the order, and what a run leaves
    // behind (the server's caches, the machine's state) favours none.
    for (size_t k = 0; k < runs.size(); ++k) {
      const size_t i = (k + static_cast<size_t>(round - 1)) % runs.size();
      if (only && std::atoi(only) != static_cast<int>(i)) {
        turns.wall[i].push_back(1);
        turns.cpu[i].push_back(1);
        continue;
      }
      prepare();
      Mark(L"run-" + std::to_wstring(i));
      const double cpuBefore = ProcessCpuSeconds();
      const double seconds = runs[i]();
      const double cpu = ProcessCpuSeconds() - cpuBefore;
      Mark(L"end-" + std::to_wstring(i));
      if (seconds < 0) return {};
      turns.wall[i].push_back(seconds);
      turns.cpu[i].push_back(cpu);
    }
  }
  return turns;
}

namespace {

// The median of the ratios of one round's two times: a machine that is
// slower for a while slows both runs of a round.
double PairedRatio(const std::vector<double>& a, const std::vector<double>& b) {
  std::vector<double> ratios;
  for (size_t r = 0; r < a.size() && r < b.size(); ++r) ratios.push_back(a[r] / b[r]);
  return Median(ratios);
}

}  // namespace

void PrintRatio(const char* name, const std::vector<double>& a, const std::vector<double>& b) {
  std::printf("ratio %s: %.2f (medians %.2f, by round %.2f)\n", name, Best(a) / Best(b), Median(a) / Median(b),
              PairedRatio(a, b));
}

void PrintCpuRatio(const char* name, const std::vector<double>& a, const std::vector<double>& b) {
  std::printf("cpu ratio %s: %.2f (medians %.2f, by round %.2f; cpu %.3f s against %.3f s at best)\n", name,
              Best(a) / Best(b), Median(a) / Median(b), PairedRatio(a, b), Best(a), Best(b));
}

std::vector<std::wstring> ListFolder(const std::wstring& folder,
                                     const std::function<void(const WIN32_FIND_DATAW&)>& file) {
  std::vector<std::wstring> subFolders;
  WIN32_FIND_DATAW data;
  HANDLE find = FindFirstFileExW((folder + L"\\*").c_str(), FindExInfoBasic, &data, FindExSearchNameMatch,
                                 nullptr, FIND_FIRST_EX_LARGE_FETCH);
  if (find == INVALID_HANDLE_VALUE) return subFolders;
  do {
    const std::wstring name = data.cFileName;
    if (name == L"." || name == L"..") continue;
    if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
      subFolders.push_back(name);
    } else {
      file(data);
    }
  } while (FindNextFileW(find, &data));
  FindClose(find);
  return subFolders;
}

namespace {

// The source's size and last-write time, read through its handle.
bool StateOf(HANDLE source, FILE_BASIC_INFO& basic, LONGLONG& size) {
  FILE_STANDARD_INFO standard;
  if (!GetFileInformationByHandleEx(source, FileBasicInfo, &basic, sizeof basic) ||
      !GetFileInformationByHandleEx(source, FileStandardInfo, &standard, sizeof standard))
    return false;
  size = standard.EndOfFile.QuadPart;
  return true;
}

// True when the file at `to` holds the `size` bytes that `in` holds from
// where it stands, and is another file.
bool Holds(const std::wstring& to, HANDLE in, LONGLONG size) {
  const HANDLE target = CreateFileW(to.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                    OPEN_EXISTING, FILE_FLAG_SEQUENTIAL_SCAN, nullptr);
  if (target == INVALID_HANDLE_VALUE) return false;
  static char ours[1 << 16], theirs[1 << 16];
  LARGE_INTEGER theirSize{};
  // A link to the source is no copy of it: the indexes tell (the program's
  // own bare query).
  bool same = GetFileSizeEx(target, &theirSize) && theirSize.QuadPart == size &&
              !ferrimond::fs_internal::SameFile(in, target);
  for (LONGLONG left = size; same && left > 0;) {
    DWORD a = 0, b = 0;
    same = ReadFile(in, ours, sizeof ours, &a, nullptr) && ReadFile(target, theirs, sizeof theirs, &b, nullptr) &&
           a == b && a > 0 && std::equal(ours, ours + a, theirs);
    left -= a;
  }
  CloseHandle(target);
  return same;
}

}  // namespace

Copy SafeCopy(const std::wstring& from, const std::wstring& to, bool unlessSame) {
  constexpr DWORD kShareAll = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;
  const HANDLE in = CreateFileW(from.c_str(), GENERIC_READ, kShareAll, nullptr, OPEN_EXISTING,
                                FILE_FLAG_SEQUENTIAL_SCAN, nullptr);
  if (in == INVALID_HANDLE_VALUE) return Copy::Failed;
  FILE_BASIC_INFO basic, after;
  LONGLONG size = 0, sizeAfter = 0;
  const bool known = StateOf(in, basic, size);
  if (known && unlessSame) {
    if (Holds(to, in, size)) {
      CloseHandle(in);
      return Copy::AlreadyThere;
    }
    const LARGE_INTEGER start{};
    SetFilePointerEx(in, start, nullptr, FILE_BEGIN);
  }
  const HANDLE out = CreateFileW((to + L".part").c_str(), GENERIC_WRITE | DELETE, 0, nullptr, CREATE_ALWAYS,
                                 FILE_ATTRIBUTE_NORMAL | FILE_FLAG_SEQUENTIAL_SCAN, nullptr);
  bool ok = known && out != INVALID_HANDLE_VALUE;
  static char buffer[1 << 16];
  for (DWORD got = 0, put = 0; ok && ReadFile(in, buffer, sizeof buffer, &got, nullptr) && got > 0;)
    ok = WriteFile(out, buffer, got, &put, nullptr) && put == got;
  ok = ok && StateOf(in, after, sizeAfter) && sizeAfter == size &&
       after.LastWriteTime.QuadPart == basic.LastWriteTime.QuadPart;
  FILE_BASIC_INFO times{};
  times.CreationTime = basic.CreationTime;
  times.LastWriteTime = basic.LastWriteTime;
  ok = ok && SetFileInformationByHandle(out, FileBasicInfo, &times, sizeof times) && FlushFileBuffers(out);
  const std::wstring ntName = L"\\??\\" + to;
  std::vector<char> rename(sizeof(FILE_RENAME_INFO) + ntName.size() * sizeof(wchar_t));
  auto* info = reinterpret_cast<FILE_RENAME_INFO*>(rename.data());
  info->ReplaceIfExists = TRUE;
  info->FileNameLength = static_cast<DWORD>(ntName.size() * sizeof(wchar_t));
  std::copy(ntName.begin(), ntName.end(), info->FileName);
  ok = ok && SetFileInformationByHandle(out, FileRenameInfo, info, static_cast<DWORD>(rename.size()));
  if (!ok && out != INVALID_HANDLE_VALUE) {
    FILE_DISPOSITION_INFO gone{TRUE};
    SetFileInformationByHandle(out, FileDispositionInfo, &gone, sizeof gone);
  }
  if (out != INVALID_HANDLE_VALUE) CloseHandle(out);
  CloseHandle(in);
  return ok ? Copy::Made : Copy::Failed;
}

double RunTimed(const std::wstring& commandLine) {
  STARTUPINFOW si{};
  si.cb = sizeof si;
  si.dwFlags = STARTF_USESTDHANDLES;
  si.hStdOutput = si.hStdError =
      CreateFileW(L"NUL", GENERIC_WRITE, FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0, nullptr);
  si.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
  PROCESS_INFORMATION pi{};
  std::wstring line = commandLine;
  auto start = Clock::now();
  double seconds = -1;
  // Wine answers ERROR_INTERNAL_ERROR, now and then, for a process that died
  // before its start-up was done: it is started again, and timed from then.
  bool started = false;
  for (int tries = 3; !started && tries > 0; --tries) {
    start = Clock::now();
    started = CreateProcessW(nullptr, line.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr, &si, &pi);
    if (!started && (GetLastError() != ERROR_INTERNAL_ERROR || tries == 1)) break;
    if (!started) Sleep(500);
  }
  if (started) {
    WaitForSingleObject(pi.hProcess, INFINITE);
    seconds = Seconds(Clock::now() - start);
    CloseHandle(pi.hThread);
    CloseHandle(pi.hProcess);
  }
  CloseHandle(si.hStdOutput);
  return seconds;
}

MessageProbe::MessageProbe(HWND window, std::function<bool()> counts, std::function<std::wstring()> where)
    : window_(window), counts_(std::move(counts)), where_(std::move(where)) {
  SetWindowSubclass(window_, Proc, 1, reinterpret_cast<DWORD_PTR>(this));
  SetTimer(window_, kProbeTimer, 1, nullptr);
}

MessageProbe::~MessageProbe() {
  KillTimer(window_, kProbeTimer);
  RemoveWindowSubclass(window_, Proc, 1);
}

LRESULT CALLBACK MessageProbe::Proc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR,
                                    DWORD_PTR self) {
  if (message != WM_TIMER || wParam != kProbeTimer) return DefSubclassProc(hwnd, message, wParam, lParam);
  auto* probe = reinterpret_cast<MessageProbe*>(self);
  const int64_t now = NowNs();
  if (!probe->counts_()) {
    probe->lastTickNs_ = 0;
    return 0;
  }
  if (probe->lastTickNs_ && now - probe->lastTickNs_ > probe->longestNs_) {
    probe->longestNs_ = now - probe->lastTickNs_;
    if (probe->where_) probe->longestWhere_ = probe->where_();
  }
  probe->lastTickNs_ = now;
  return 0;
}

}  // namespace bench

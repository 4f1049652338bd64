#pragma once
// What the benchmarks share: wall-clock timing, drives in memory, runs
// timed in turns on a settled disk, a peer program run to its end, and a
// probe that measures how long a message posted to a window waits while
// that window is busy.
#include <windows.h>

#include <chrono>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "tests/harness/temp_dir.h"
#include "tests/harness/wine_drives.h"

namespace bench {

using Clock = std::chrono::steady_clock;

inline double Seconds(Clock::duration d) { return std::chrono::duration<double>(d).count(); }

// Writes every dirty page to disk, so that no timed run pays for the
// writing-back of what came before it.
void SettleDisk(const harness::TempDir& scratch);

// Starts the Unix command `commandLine` and waits until `done` holds, for
// at most `maxSeconds`; false when it did not come to that.
bool RunUnixUntil(const std::wstring& commandLine, const std::function<bool()>& done, int maxSeconds);

// Leaves `what` in a trace of the server's requests (a named event is
// made and closed: two requests), so that a trace of a short run can be
// cut into the runs that made it.
void Mark(const std::wstring& what);

// The shortest and the middle of a set of timings (not empty).
double Best(const std::vector<double>& times);
double Median(std::vector<double> times);

// A drive letter mapped to a folder in memory (/dev/shm) where the system
// has one, else to a temporary folder on disk, so that the disk's
// write-back, which varies by seconds between runs, does not drown what
// the programs themselves cost.
class InMemoryDrive {
 public:
  InMemoryDrive(wchar_t letter, harness::DriveKind kind);
  ~InMemoryDrive();
  InMemoryDrive(const InMemoryDrive&) = delete;
  InMemoryDrive& operator=(const InMemoryDrive&) = delete;
  std::wstring Root() const { return drive_->Root(); }
  bool InMemory() const { return !memoryFolder_.empty(); }
  std::wstring operator/(const std::wstring& relative) const { return Root() + relative; }

 private:
  std::wstring memoryFolder_;  // empty when on disk
  std::unique_ptr<harness::MappedDrive> drive_;
};

// The times of the runs that took turns, in the order of the runs: wall
// clock, and the processor time this process spent (its own calls and
// their work in the system; a run of another program counts nothing here),
// which a busy machine disturbs far less than the wall clock.
struct Turns {
  std::vector<std::vector<double>> wall, cpu;
  bool Failed() const { return wall.empty(); }
};

// Times `runs` in turns over `rounds` rounds, each run after `prepare`, so
// that a warm cache or a slow write-back favours none of them; each round
// starts one run later than the one before. A run
// returns its seconds, or a negative number when it failed, which ends the
// rounds (Failed()). Each run is marked in a trace of the server's requests
// as "bench-run-<index>" and "bench-end-<index>" (Mark); with the
// environment variable BENCH_ONLY=<index> only that run is made (the
// others count 1 s), for a profile or a trace of one run alone.
Turns TakeTurns(int rounds, const std::vector<std::function<double()>>& runs, const std::function<void()>& prepare);

// Prints "ratio <name>: " the ratio of the best times, that of the
// medians, and the median of the rounds' own ratios; "cpu ratio <name>" for
// processor times.
void PrintRatio(const char* name, const std::vector<double>& a, const std::vector<double>& b);
void PrintCpuRatio(const char* name, const std::vector<double>& a, const std::vector<double>& b);

// One listing of `folder`: `file` runs for each file, and the names of the
// sub-folders are returned.
std::vector<std::wstring> ListFolder(const std::wstring& folder,
                                     const std::function<void(const WIN32_FIND_DATAW&)>& file);

// The fail-safe copy that the backup and the upload must make, with the
// fewest calls: written under a temporary name beside `to`, the source's
// size and last-write time read through its handle before and after its
// data (a source written to meanwhile fails the copy), given the source's
// times, flushed and renamed over the target through its handle; a copy
// that fails is removed when its handle closes. With `unlessSame`, a target
// of the source's size is first compared with it, through the handle the
// copy then reads again, and left as it is when it holds the same bytes.
enum class Copy { Made, AlreadyThere, Failed };
Copy SafeCopy(const std::wstring& from, const std::wstring& to, bool unlessSame = false);

// Runs `commandLine` with its output discarded and waits for it; the wall
// time in seconds, or a negative number when it could not be started.
double RunTimed(const std::wstring& commandLine);

// Measures, for as long as the probe lives, how long a message posted to
// `window` can wait: a 1 ms timer of the window ticks whenever its queue is
// looked at, so the longest gap between two ticks while `counts()` held
// (checked on the window's thread) is the longest any message waited, kept
// with what `where()` said at its end. (A thread posting messages loads the
// Wine server that every call of the run goes through: it slowed the runs
// it watched up to fivefold, and its waits with them.)
class MessageProbe {
 public:
  MessageProbe(HWND window, std::function<bool()> counts, std::function<std::wstring()> where = {});
  ~MessageProbe();
  MessageProbe(const MessageProbe&) = delete;
  MessageProbe& operator=(const MessageProbe&) = delete;
  double LongestWaitMs() const { return longestNs_ / 1e6; }
  const std::wstring& LongestWhere() const { return longestWhere_; }

 private:
  static LRESULT CALLBACK Proc(HWND, UINT, WPARAM, LPARAM, UINT_PTR, DWORD_PTR);
  HWND window_;
  std::function<bool()> counts_;
  std::function<std::wstring()> where_;
  std::wstring longestWhere_;
  int64_t lastTickNs_ = 0;  // 0 while not counting
  int64_t longestNs_ = 0;
};

}  // namespace bench

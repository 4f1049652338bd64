// The stopwatch, file times, the user's name and whole-file text.
#include <windows.h>

#include <gtest/gtest.h>

#include <limits>

#include "ferrimond/support/at_exit.h"
#include "ferrimond/support/file_times.h"
#include "ferrimond/support/stop_watch.h"
#include "ferrimond/support/system_info.h"
#include "ferrimond/support/text_file.h"
#include "tests/harness/expect.h"
#include "tests/harness/temp_dir.h"

using namespace ferrimond;
using common::DateTime;
using harness::At;
using harness::ErrorNumberOf;
using harness::HoldUnshared;

// Milliseconds of the real clock; the tick count is 64 bits wide: no wrap
// after 24.8 or 49.7 days.
TEST(StopWatch, MeasuresMillisecondsAcrossTheOld32BitLimitsAndClampsBeyondTheRange) {
  StopWatch watch;
  watch.StartTimer();
  Sleep(60);
  const int32_t ms = watch.EndTimer();
  EXPECT_TRUE(ms >= 40 && ms < 10000) << ms;
  // Fake ticks: where a signed 32-bit count turns negative, where a 32-bit
  // count wraps to zero, and beyond the range.
  static uint64_t ticks = 0;
  StopWatch::SetTickSource([] { return ticks; });
  AtExit restore([] { StopWatch::SetTickSource(nullptr); });
  const struct { uint64_t start, end; int32_t ms; } cases[] = {
      {0x7FFFFF00u, 0x80000100u, 512}, {0xFFFFFF00u, 0x100000100ull, 512},
      {0, 0x100000000ull, std::numeric_limits<int32_t>::max()}};
  for (const auto& c : cases) {
    ticks = c.start;
    watch.StartTimer();
    ticks = c.end;
    EXPECT_EQ(watch.EndTimer(), c.ms) << c.end;
  }
}

// The login name without its terminator (the extended forms: the unattended
// run's report); a failed lookup raises, or gives an empty name when errors
// are switched off.
TEST(SystemInfo, UserNameIsTheLoginNameAndAFailedLookupRaisesOrIsEmptyByTheSwitch) {
  wchar_t login[256];
  const DWORD length = GetEnvironmentVariableW(L"USERNAME", login, 256);
  SystemInfo info;
  EXPECT_EQ(CompareStringOrdinal(info.UserName().c_str(), -1, login, length, TRUE), CSTR_EQUAL);
  const int32_t kBadFormat = 99;  // not an EXTENDED_NAME_FORMAT
  EXPECT_GT(ErrorNumberOf([&] { info.UserName(kBadFormat); }), 0);
  info.RaiseErrors = false;
  EXPECT_EQ(info.UserName(kBadFormat), L"");
}

// Only the selected stamp is set, read and compared. (Creation times cannot
// be set on the Linux file systems behind Wine; names with endings, long and
// non-ANSI ones: the file system's tests.) Failures show in the results only
// (-2, no date, false), also for a file held without sharing by another
// program, and no call leaves a handle open. Local dates follow the
// daylight rules of their own day (the test runs with TZ=Europe/Berlin: +1 h
// in winter, +2 h in summer).
TEST(FileTimes, SetGetAndCompareTheSelectedStampOnlyInLocalTimeAndFailuresShowInTheResults) {
  harness::TempDir dir;
  const std::wstring older = dir / L"older.txt", newer = dir / L"newer.txt";
  for (const auto& [path, year] : {std::pair{older, 2020}, std::pair{newer, 2021}}) {
    harness::WriteFile(path, "x");
    ASSERT_TRUE(SetFileTimes(path, At(year, 1, 2, 3, 4, 5), 7));
  }
  for (const auto& [local, utcHour] : {std::pair{At(2024, 1, 15, 12), 11}, std::pair{At(2024, 7, 15, 12), 10}}) {
    ASSERT_TRUE(SetFileTimes(older, local, FileTimeWritten));
    FILETIME written{};
    SYSTEMTIME utc{};
    HANDLE h = OpenFileHandle(older, GENERIC_READ);
    EXPECT_TRUE(GetFileTime(h, nullptr, nullptr, &written) && CloseHandle(h) && FileTimeToSystemTime(&written, &utc));
    EXPECT_TRUE(utc.wHour == utcHour && GetFileDate(older, FileTimeWritten) == local) << utc.wHour;
  }
  // Conversions drop milliseconds and refuse what they cannot hold.
  EXPECT_EQ(SystemTimeToDate({2024, 2, 0, 29, 23, 59, 58, 999}), At(2024, 2, 29, 23, 59, 58));
  EXPECT_TRUE(SystemTimeToDate({2024, 13, 0, 29, 0, 0, 0, 0}).IsNull());
  FILETIME ft{};
  EXPECT_TRUE(DateToFileTime(At(2001, 2, 3, 4, 5, 6), ft, false) && FileTimeToDate(ft, false) == At(2001, 2, 3, 4, 5, 6));
  EXPECT_FALSE(DateToFileTime(At(1500, 1, 1), ft, false));  // file times start in 1601
  ASSERT_TRUE(SetFileTimes(older, At(2019, 1, 1), FileTimeWritten));
  ASSERT_TRUE(SetFileTimes(older, At(2030, 1, 1), FileTimeAccessed));
  EXPECT_TRUE(GetFileDate(older, FileTimeWritten) == At(2019, 1, 1) && GetFileDate(older, FileTimeAccessed) == At(2030, 1, 1));
  EXPECT_TRUE(CompareFileTimes(older, older, FileTimeWritten) == 0 && CompareFileTimes(older, newer, FileTimeWritten) == -1 &&
              CompareFileTimes(newer, older, FileTimeWritten) == 1 && CompareFileTimes(older, newer, FileTimeAccessed) == 1);
  const std::wstring missing = dir / L"missing.txt";
  EXPECT_EQ(CompareFileTimes(older, missing, FileTimeWritten), -2);
  for (int16_t bad : {0, 3, 8, -1}) EXPECT_EQ(CompareFileTimes(older, older, bad), -2) << bad;
  EXPECT_TRUE(GetFileDate(missing, FileTimeWritten).IsNull() && GetFileDate(older, 3).IsNull());
  EXPECT_FALSE(SetFileTimes(missing, At(2020, 1, 1), 7));
  HANDLE locked = HoldUnshared(older);
  EXPECT_EQ(CompareFileTimes(older, newer, FileTimeWritten), -2);
  EXPECT_TRUE(GetFileDate(older, FileTimeWritten).IsNull() && !SetFileTimes(older, At(2020, 1, 1), 4));
  EXPECT_TRUE(CloseHandle(locked));
  EXPECT_TRUE(DeleteFileW(older.c_str()) && DeleteFileW(newer.c_str()));
}

// Appends create a missing file and wait for a writer that holds it a
// moment; record files read legacy bytes in the ANSI code page; failures
// carry the numbers handlers test.
TEST(TextFile, WriteReplacesAppendAddsAndWaitsAndFailuresCarryTheirNumbers) {
  harness::TempDir dir;
  const std::wstring sta = dir / L"backupsta.sta";
  AppendTextFile(sta, "one\r\n");
  HANDLE release = CreateThread(nullptr, 0, [](void* h) -> DWORD { return Sleep(300), CloseHandle(h), 0; },
                                HoldUnshared(sta), 0, nullptr);
  AppendTextFile(sta, "two\r\n");
  WaitForSingleObject(release, INFINITE), CloseHandle(release);
  EXPECT_EQ(ReadTextFile(sta), "one\r\ntwo\r\n");
  WriteTextFile(sta, "\"C:\\Caf\xE9\"\r\n");
  EXPECT_EQ(ReadRecordFile(sta).ReadString(), L"C:\\Caf\u00e9");
  EXPECT_EQ(ErrorNumberOf([&] { ReadTextFile(dir / L"missing.tim"); }), common::ErrFileNotFound);
  EXPECT_EQ(ErrorNumberOf([&] { WriteTextFile(dir / L"no\\such\\x.tim", "x"); }), common::ErrPathNotFound);
  // Held open without sharing by another program for longer than an append waits.
  HANDLE h = HoldUnshared(sta);
  EXPECT_EQ(ErrorNumberOf([&] { AppendTextFile(sta, "y"); }), common::ErrPermissionDenied);
  EXPECT_TRUE(CloseHandle(h));
}

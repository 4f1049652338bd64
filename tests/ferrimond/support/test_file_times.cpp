#include <windows.h>

#include <gtest/gtest.h>

#include "common/ole_date.h"
#include "ferrimond/support/file_system.h"
#include "ferrimond/support/file_times.h"
#include "tests/harness/expect.h"
#include "tests/harness/temp_dir.h"

using common::DateTime;
using harness::At;
using namespace ferrimond;

namespace {

class FileTimes : public ::testing::Test {
 protected:
  void SetUp() override {
    harness::WriteFile(older_, "old");
    harness::WriteFile(newer_, "new");
    ASSERT_TRUE(SetFileTimes(older_, At(2020, 1, 2, 3, 4, 5), 7));
    ASSERT_TRUE(SetFileTimes(newer_, At(2021, 1, 2, 3, 4, 5), 7));
  }
  harness::TempDir dir_;
  const std::wstring older_ = dir_ / L"older.txt", newer_ = dir_ / L"newer.txt";
};

}  // namespace

// Only the selected stamp is set, read and compared. (Creation times cannot
// be set on the Linux file systems behind Wine.)
TEST_F(FileTimes, SetGetAndCompareTheSelectedStampOnly) {
  ASSERT_TRUE(SetFileTimes(older_, At(2019, 1, 1), FileTimeWritten));
  ASSERT_TRUE(SetFileTimes(older_, At(2030, 1, 1), FileTimeAccessed));
  EXPECT_EQ(GetFileDate(older_, FileTimeWritten), At(2019, 1, 1));
  EXPECT_EQ(GetFileDate(older_, FileTimeAccessed), At(2030, 1, 1));
  EXPECT_EQ(CompareFileTimes(older_, older_, FileTimeWritten), 0);
  EXPECT_EQ(CompareFileTimes(older_, newer_, FileTimeWritten), -1);
  EXPECT_EQ(CompareFileTimes(newer_, older_, FileTimeWritten), 1);
  EXPECT_EQ(CompareFileTimes(older_, newer_, FileTimeAccessed), 1);
}

// Failures show in the results only (-2, no date, false), also for a file
// held without sharing by another program, and no call leaves a handle open.
TEST_F(FileTimes, FailuresShowInTheResultsOnlyAndLeaveNoHandleOpen) {
  const std::wstring missing = dir_ / L"missing.txt";
  EXPECT_EQ(CompareFileTimes(older_, missing, FileTimeWritten), -2);
  for (int16_t bad : {0, 3, 8, -1}) EXPECT_EQ(CompareFileTimes(older_, older_, bad), -2) << bad;
  EXPECT_TRUE(GetFileDate(missing, FileTimeWritten).IsNull() && GetFileDate(older_, 3).IsNull());
  EXPECT_FALSE(SetFileTimes(missing, At(2020, 1, 1), 7));
  HANDLE locked = CreateFileW(older_.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(locked, INVALID_HANDLE_VALUE);
  EXPECT_EQ(CompareFileTimes(older_, newer_, FileTimeWritten), -2);
  EXPECT_TRUE(GetFileDate(older_, FileTimeWritten).IsNull());
  EXPECT_FALSE(SetFileTimes(older_, At(2020, 1, 1), 4));
  CloseHandle(locked);
  EXPECT_TRUE(DeleteFileW(older_.c_str()) && DeleteFileW(newer_.c_str()));
}

// The test runs with TZ=Europe/Berlin: +1 h in winter, +2 h in summer.
TEST_F(FileTimes, LocalDatesFollowTheDaylightRulesOfTheirOwnDay) {
  const struct {
    DateTime local;
    WORD utcHour;
  } cases[] = {{At(2024, 1, 15, 12), 11}, {At(2024, 7, 15, 12), 10}};
  for (const auto& c : cases) {
    ASSERT_TRUE(SetFileTimes(older_, c.local, FileTimeWritten));
    HANDLE h = OpenFileHandle(older_, GENERIC_READ);
    FILETIME written{};
    SYSTEMTIME utc{};
    GetFileTime(h, nullptr, nullptr, &written);
    CloseHandle(h);
    FileTimeToSystemTime(&written, &utc);
    EXPECT_EQ(utc.wHour, c.utcHour);
    EXPECT_EQ(GetFileDate(older_, FileTimeWritten), c.local);
  }
}

TEST(FileTimeConversions, DropMillisecondsAndRejectWhatTheyCannotHold) {
  SYSTEMTIME st{2024, 2, 0, 29, 23, 59, 58, 999};
  EXPECT_EQ(SystemTimeToDate(st), At(2024, 2, 29, 23, 59, 58));
  st.wMonth = 13;
  EXPECT_TRUE(SystemTimeToDate(st).IsNull());
  FILETIME ft{};
  ASSERT_TRUE(DateToFileTime(At(2001, 2, 3, 4, 5, 6), ft, false));
  EXPECT_EQ(FileTimeToDate(ft, false), At(2001, 2, 3, 4, 5, 6));
  EXPECT_FALSE(DateToFileTime(At(1500, 1, 1), ft, false));  // file times start in 1601
}

// Beyond the classic length limit, outside the ANSI code page, and names
// ending in a dot or a blank beside twins without the ending: each call must
// reach the named file, never the twin.
TEST(FileTimesNames, WorkWithAnyNameLongPathsAndEndings) {
  harness::TempDir dir;
  std::wstring folder = dir.Path();
  while (folder.size() < 280) {
    folder += L"\\\u03b1\u03c1\u03c7\u03b5\u03af\u03b1_\u65e5\u672c\u8a9e_0123456789";
    ASSERT_TRUE(CreateDirectoryW((L"\\\\?\\" + folder).c_str(), nullptr));
  }
  const std::wstring twin = folder + L"\\\u03c6\u03ac\u03ba\u03b5\u03bb\u03bf\u03c2", dotted = twin + L".",
                     blank = folder + L"\\notes ";
  for (const std::wstring& file : {twin, dotted, blank, folder + L"\\notes"}) {
    harness::WriteFile(L"\\\\?\\" + file, "x");
    ASSERT_TRUE(SetFileTimes(file, At(2010, 1, 1), FileTimeWritten));
  }
  ASSERT_TRUE(SetFileTimes(dotted, At(2020, 5, 6, 7, 8, 9), FileTimeWritten));
  ASSERT_TRUE(SetFileTimes(blank, At(2021, 5, 6, 7, 8, 9), FileTimeWritten | FileTimeAccessed));
  EXPECT_EQ(GetFileDate(dotted, FileTimeWritten), At(2020, 5, 6, 7, 8, 9));
  EXPECT_EQ(GetFileDate(blank, FileTimeAccessed), At(2021, 5, 6, 7, 8, 9));
  EXPECT_EQ(GetFileDate(folder + L"\\notes", FileTimeWritten), At(2010, 1, 1));
  EXPECT_EQ(CompareFileTimes(dotted, blank, FileTimeWritten), -1);
  EXPECT_EQ(CompareFileTimes(dotted, twin, FileTimeWritten), 1);
  // Without its twin, a short form would find nothing at all.
  FileSystem().DeleteFile(twin);
  EXPECT_EQ(CompareFileTimes(dotted, dotted, FileTimeWritten), 0);
  HANDLE h = OpenFileHandle(dotted, GENERIC_READ);
  EXPECT_NE(h, INVALID_HANDLE_VALUE);
  CloseHandle(h);
  // The temporary folder's own cleanup cannot reach that deep.
  FileSystem().DeleteFolder(folder.substr(0, folder.find(L'\\', dir.Path().size() + 1)), true);
}

// The unattended command line and the report's text.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "ferrimond/unattended/command_line.h"
#include "ferrimond/unattended/report.h"

namespace ferrimond {
namespace {

TEST(UnattendedArgs, ReadsTheCommandOrSaysWhyNot) {
  struct Row {
    std::vector<std::wstring> args;
    bool backup;
    std::wstring log;
    wchar_t drive;
    std::wstring errorStart;  // empty: no error
    std::wstring date = L"";  // the time to back up from, as the argument reads back
    uint32_t volume = 0;
  } rows[] = {
      // Without /backup the window opens; other words are ignored as before.
      {{L"/drive:E", L"whatever"}, false, L"", 0, L""},
      {{L"-BACKUP", L"/LOG:C:\\a b\\x.log", L"/Drive:e"}, true, L"C:\\a b\\x.log", L'E', L""},
      {{L"/backup", L"/drive:EF"}, true, L"", 0, L"/drive:EF is not"},
      {{L"/backup", L"/log:"}, true, L"", 0, L"/log names no file"},
      {{L"/backup", L"/log:a", L"/log:b"}, true, L"b", 0, L"/log is given twice"},
      {{L"/backup", L"/logfile"}, true, L"", 0, L"Unknown argument: /logfile"},
      // The time to back up from and the medium, as the schedule writes them.
      {{L"/backup", L"/FROM:LastBackup", L"/volume:1a2B-3c4D"}, true, L"", 0, L"", L"/from:lastbackup", 0x1A2B3C4D},
      {{L"/backup", L"/days:32767"}, true, L"", 0, L"", L"/days:32767"},
      {{L"/backup", L"/since:2024-02-29"}, true, L"", 0, L"", L"/since:2024-02-29"},
      {{L"/backup", L"/since:2024-02-29T23:59:58"}, true, L"", 0, L"", L"/since:2024-02-29T23:59:58"},
      {{L"/backup", L"/days:32768"}, true, L"", 0, L"/days:32768 is not a time"},
      {{L"/backup", L"/since:2026-02-30"}, true, L"", 0, L"/since:2026-02-30 is not a time"},
      {{L"/backup", L"/from:yesterday"}, true, L"", 0, L"/from:yesterday is not a time"},
      {{L"/backup", L"/days:3", L"/from:today"}, true, L"", 0, L"Only one of /from", L"/from:today"},
      {{L"/backup", L"/volume:1234567"}, true, L"", 0, L"/volume:1234567 is not a volume"},
  };
  for (const Row& row : rows) {
    const UnattendedArgs a = ParseUnattendedArgs(row.args);
    SCOPED_TRACE(row.args.empty() ? std::string("(none)") : std::string(row.args.back().begin(), row.args.back().end()));
    EXPECT_EQ(a.backup, row.backup);
    EXPECT_EQ(a.log, row.log);
    EXPECT_EQ(a.drive, row.drive);
    EXPECT_EQ(a.date ? DateChoiceArgument(*a.date) : L"", row.date);
    EXPECT_EQ(a.volume.value_or(0), row.volume);
    EXPECT_TRUE(row.errorStart.empty() ? a.error.empty() : a.error.rfind(row.errorStart, 0) == 0)
        << std::string(a.error.begin(), a.error.end());
  }
}

// (The end-to-end runs read the counts, lists, messages and codes of their
// reports.)
TEST(UnattendedReport, TellsTheListMessagesAndNotesAndNoCountsBeforeAStart) {
  UnattendedReport r{.start = common::DateTime::Serial(2026, 3, 4).AddDays(common::DateTime::TimeSerial(22, 5, 9)),
                     .drive = L"E:", .ran = true, .selected = 5, .copied = 3, .notBackedUp = 2, .foldersNotRead = 1,
                     .notes = {L"No entry was written to the event log."}, .exit = UnattendedExit::Incomplete};
  r.end = r.start.AddDays(common::DateTime::TimeSerial(0, 1, 0));
  const std::wstring text = ReportText(r);
  for (const wchar_t* expected : {L"started 2026-03-04 22:05:09\r\n", L"Folders not read: 1\r\n",
                                  L"Note: No entry was written", L"Ended 2026-03-04 22:06:09\r\n"})
    EXPECT_NE(text.find(expected), std::wstring::npos) << std::string(expected, expected + wcslen(expected));
  EXPECT_NE(ReportSummary(r).find(L"3 of 5 selected file(s) backed up to E:"), std::wstring::npos);
  r.ran = false, r.exit = UnattendedExit::CouldNotStart, r.reason = L"Ferrimond is already running.";
  EXPECT_TRUE(ReportText(r).find(L"Files selected") == std::wstring::npos && ReportSummary(r).find(L"selected file") == std::wstring::npos);
}

}  // namespace
}  // namespace ferrimond

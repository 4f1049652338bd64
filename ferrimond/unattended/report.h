#pragma once
// What an unattended run tells afterwards: one block in the day's report
// file (log\<DateTag>_unattended.txt) and one entry in the system's event
// log, both with the same summary.
#include <cstddef>
#include <string>
#include <vector>

#include "common/ole_date.h"
#include "ferrimond/unattended/command_line.h"

namespace ferrimond {

struct UnattendedReport {
  common::DateTime start;
  common::DateTime end;
  std::wstring log;          // the selections' file
  std::wstring drive;        // "E:", or empty when none was taken
  // Why the run could not start or where it stopped, in words; empty for a
  // run that went to its end.
  std::wstring reason;
  bool ran = false;          // the backup itself ran (the counts mean something)
  size_t selected = 0;       // files selected
  size_t copied = 0;         // of them whole on the drive
  size_t notBackedUp = 0;    // files not backed up (with kept leftovers)
  size_t foldersNotRead = 0;
  // The time the backup started from, and the option that chose it.
  common::DateTime since;
  std::wstring dateOption;
  std::wstring notBackedUpList;  // the day's list naming them, when written
  std::vector<std::wstring> messages;  // every message the run would have shown
  std::vector<std::wstring> notes;     // about the report itself (event log)
  UnattendedExit exit = UnattendedExit::CouldNotStart;
};

// A date as yyyy-mm-dd hh:mm:ss.
std::wstring ReportDate(common::DateTime date);
// The short summary: the event log's text, and the head of the block.
std::wstring ReportSummary(const UnattendedReport& report);
// The whole block, lines ending in CR LF.
std::wstring ReportText(const UnattendedReport& report);

}  // namespace ferrimond

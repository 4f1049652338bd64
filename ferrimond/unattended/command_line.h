#pragma once
// The program's command line. With no "/backup" among the arguments the
// program opens its window as always (and ignores whatever else it was
// given); with it, one unattended backup runs:
//
//   Ferrimond.exe /backup [/log:<file>] [/drive:<letter>] [/volume:<serial>]
//                 [/from:lastbackup|lastupload|today | /days:<n> | /since:<date>]
//
// The time to back up from, when given, wins over the log's; the schedule
// window always gives it, with the volume serial of the drive it chose.
//
// Switches are read without regard to letter case; "-" may stand for "/".
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "common/ole_date.h"

namespace ferrimond {

// The exit codes of an unattended run.
enum class UnattendedExit : int {
  Complete = 0,      // every selected file is on the drive
  Incomplete = 1,    // finished, but files or folders were not backed up
  Stopped = 2,       // stopped: drive full, removed or missing, or an error
  CouldNotStart = 3, // log, rights, another Ferrimond running, bad arguments
};

// The meaning of an exit code in words, for the report.
std::wstring ExitMeaning(UnattendedExit code);

// The time a backup starts from, as the window's six options choose it.
struct DateChoice {
  enum class Kind { LastBackup, LastUpload, Today, Days, Since, At };
  Kind kind = Kind::Today;
  int days = 0;            // Days: "Backup files for last <days> days"
  common::DateTime when;   // Since: the picked day; At: the typed date and time
};

// The argument that carries the choice: /from:lastbackup, /from:lastupload,
// /from:today, /days:<n>, /since:yyyy-mm-dd or /since:yyyy-mm-ddThh:mm:ss.
std::wstring DateChoiceArgument(const DateChoice& choice);
// The choice in the window's words, for the report.
std::wstring DateChoiceWords(const DateChoice& choice);

struct UnattendedArgs {
  bool backup = false;
  std::wstring log;    // empty: default.log
  wchar_t drive = 0;   // upper-case letter; 0: the only removable drive
  std::optional<uint32_t> volume;  // the serial the drive's medium must have
  std::optional<DateChoice> date;  // none: the log's choice
  std::wstring error;  // non-empty: the arguments cannot be used, and why
};

// `args` without the program's own name, as CommandLineToArgvW splits them
// (quotes already removed).
UnattendedArgs ParseUnattendedArgs(const std::vector<std::wstring>& args);

}  // namespace ferrimond

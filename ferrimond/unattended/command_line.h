#pragma once
// The program's command line. With no "/backup" among the arguments the
// program opens its window as always (and ignores whatever else it was
// given); with it, one unattended backup runs:
//
//   Ferrimond.exe /backup [/log:<file>] [/drive:<letter>]
//
// Switches are read without regard to letter case; "-" may stand for "/".
#include <optional>
#include <string>
#include <vector>

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

struct UnattendedArgs {
  bool backup = false;
  std::wstring log;    // empty: default.log
  wchar_t drive = 0;   // upper-case letter; 0: the only removable drive
  std::wstring error;  // non-empty: the arguments cannot be used, and why
};

// `args` without the program's own name, as CommandLineToArgvW splits them
// (quotes already removed).
UnattendedArgs ParseUnattendedArgs(const std::vector<std::wstring>& args);

}  // namespace ferrimond

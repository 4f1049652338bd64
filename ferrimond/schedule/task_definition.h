#pragma once
// The scheduled backup as one Task Scheduler task, "Ferrimond backup": at a
// daily time on chosen days of the week it runs
//   Ferrimond.exe /backup /log:"<program folder>\scheduled.log" /drive:X
//                 /volume:<serial> <the time to back up from>
// with highest privileges (the program folder needs them), and starts as
// soon as it can after a missed start. The task is registered from the XML
// made here, so what is tested is what the system gets.
#include <cstdint>
#include <string>

namespace ferrimond {

inline constexpr wchar_t kScheduledTaskName[] = L"Ferrimond backup";
inline constexpr wchar_t kScheduledLogName[] = L"scheduled.log";

// Days of the week as the Task Scheduler counts them: bit 0 Sunday, bit 1
// Monday, ... bit 6 Saturday.
enum : unsigned { kSunday = 1, kMonday = 2, kSaturday = 64, kAllDays = 127 };

struct ScheduleDefinition {
  int hour = 0;
  int minute = 0;
  unsigned days = 0;
  std::wstring program;  // the full path of Ferrimond.exe
  std::wstring log;      // the full path of scheduled.log
  wchar_t drive = 0;     // upper-case letter
  uint32_t volume = 0;   // the serial of the medium the backups go to
  std::wstring dateArgument;  // /from:..., /days:... or /since:...
};

// Why the definition cannot be registered; empty when it can.
std::wstring ScheduleRefusal(const ScheduleDefinition& definition);
// The program's arguments.
std::wstring TaskArguments(const ScheduleDefinition& definition);
// The task's XML; `firstDay` (yyyy-mm-dd) is the day the schedule starts.
std::wstring TaskXml(const ScheduleDefinition& definition, const std::wstring& firstDay);
// A task's last result in words: the backup's exit codes, "has not run",
// "is running", or the system's code.
std::wstring LastResultText(int32_t result);

}  // namespace ferrimond

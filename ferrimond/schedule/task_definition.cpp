#include "ferrimond/schedule/task_definition.h"

#include <cstdio>

#include "ferrimond/unattended/command_line.h"

namespace ferrimond {

namespace {

constexpr const wchar_t* kDayNames[] = {L"Sunday",   L"Monday", L"Tuesday", L"Wednesday",
                                        L"Thursday", L"Friday", L"Saturday"};
constexpr int32_t kHasNotRun = 0x41303;  // SCHED_S_TASK_HAS_NOT_RUN
constexpr int32_t kRunning = 0x41301;    // SCHED_S_TASK_RUNNING

std::wstring Escaped(const std::wstring& text) {
  std::wstring out;
  for (wchar_t c : text) {
    switch (c) {
      case L'&': out += L"&amp;"; break;
      case L'<': out += L"&lt;"; break;
      case L'>': out += L"&gt;"; break;
      case L'"': out += L"&quot;"; break;
      case L'\'': out += L"&apos;"; break;
      default: out += c;
    }
  }
  return out;
}

std::wstring Folder(const std::wstring& path) {
  const size_t cut = path.find_last_of(L'\\');
  return cut == std::wstring::npos ? std::wstring() : path.substr(0, cut);
}

}  // namespace

std::wstring ScheduleRefusal(const ScheduleDefinition& d) {
  if ((d.days & kAllDays) == 0) return L"Choose at least one day of the week.";
  if (d.hour < 0 || d.hour > 23 || d.minute < 0 || d.minute > 59) return L"Choose a time of day.";
  if (d.drive < L'A' || d.drive > L'Z') return L"Choose the removable drive.";
  if (d.program.empty() || d.log.empty()) return L"The program's folder is not known.";
  if (d.dateArgument.empty()) return L"Choose the time to back up from in the main window.";
  // A quote would end the argument early: the task would read another file.
  if (d.log.find(L'"') != std::wstring::npos) return L"The log's path cannot hold a quotation mark.";
  return {};
}

std::wstring TaskArguments(const ScheduleDefinition& d) {
  wchar_t volume[16];
  std::swprintf(volume, 16, L"%08X", static_cast<unsigned>(d.volume));
  return L"/backup /log:\"" + d.log + L"\" /drive:" + std::wstring(1, d.drive) + L" /volume:" + volume + L" " +
         d.dateArgument;
}

std::wstring TaskXml(const ScheduleDefinition& d, const std::wstring& firstDay) {
  wchar_t time[16];
  std::swprintf(time, 16, L"T%02d:%02d:00", d.hour, d.minute);
  std::wstring days;
  for (int i = 0; i < 7; ++i) {
    if (d.days & (1u << i)) days += L"<" + std::wstring(kDayNames[i]) + L" />";
  }
  std::wstring x;
  auto line = [&](const std::wstring& s) { x += s + L"\r\n"; };
  line(L"<?xml version=\"1.0\" encoding=\"UTF-16\"?>");
  line(L"<Task version=\"1.2\" xmlns=\"http://schemas.microsoft.com/windows/2004/02/mit/task\">");
  line(L"  <RegistrationInfo>");
  line(L"    <Author>Ferrimond</Author>");
  line(L"    <Description>Ferrimond backs up the selections of " + Escaped(kScheduledLogName) +
       L" without showing a window.</Description>");
  line(L"  </RegistrationInfo>");
  line(L"  <Triggers>");
  line(L"    <CalendarTrigger>");
  line(L"      <StartBoundary>" + firstDay + time + L"</StartBoundary>");
  line(L"      <Enabled>true</Enabled>");
  line(L"      <ScheduleByWeek>");
  line(L"        <DaysOfWeek>" + days + L"</DaysOfWeek>");
  line(L"        <WeeksInterval>1</WeeksInterval>");
  line(L"      </ScheduleByWeek>");
  line(L"    </CalendarTrigger>");
  line(L"  </Triggers>");
  line(L"  <Principals>");
  line(L"    <Principal id=\"Author\">");
  line(L"      <LogonType>InteractiveToken</LogonType>");
  line(L"      <RunLevel>HighestAvailable</RunLevel>");
  line(L"    </Principal>");
  line(L"  </Principals>");
  line(L"  <Settings>");
  line(L"    <MultipleInstancesPolicy>IgnoreNew</MultipleInstancesPolicy>");
  line(L"    <DisallowStartIfOnBatteries>false</DisallowStartIfOnBatteries>");
  line(L"    <StopIfGoingOnBatteries>false</StopIfGoingOnBatteries>");
  line(L"    <StartWhenAvailable>true</StartWhenAvailable>");
  // A run that hangs is ended; nothing a backup does takes this long.
  line(L"    <ExecutionTimeLimit>PT12H</ExecutionTimeLimit>");
  line(L"    <Enabled>true</Enabled>");
  line(L"  </Settings>");
  line(L"  <Actions Context=\"Author\">");
  line(L"    <Exec>");
  line(L"      <Command>" + Escaped(d.program) + L"</Command>");
  line(L"      <Arguments>" + Escaped(TaskArguments(d)) + L"</Arguments>");
  line(L"      <WorkingDirectory>" + Escaped(Folder(d.program)) + L"</WorkingDirectory>");
  line(L"    </Exec>");
  line(L"  </Actions>");
  line(L"</Task>");
  return x;
}

std::wstring LastResultText(int32_t result) {
  switch (result) {
    case 0: case 1: case 2: case 3: {
      const auto code = static_cast<UnattendedExit>(result);
      return L"exit code " + std::to_wstring(result) + L": " + ExitMeaning(code);
    }
    case kHasNotRun: return L"has not run yet";
    case kRunning: return L"is running now";
  }
  wchar_t text[48];
  std::swprintf(text, 48, L"did not run as it should (code 0x%08X)", static_cast<unsigned>(result));
  return text;
}

}  // namespace ferrimond

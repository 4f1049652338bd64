#pragma once
// "Other > Schedule backup...": the daily time (an Almanix DatePicker in
// its time format), the days of the week, the removable drive, "Use the
// current selections" (which saves them to scheduled.log), Save and Remove,
// and what the Task Scheduler says of the task: its next run and last result.
// Where the Task Scheduler refuses, the window says so and nothing changes.
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "ferrimond/forms/forms.h"
#include "ferrimond/schedule/task_definition.h"
#include "ferrimond/schedule/task_scheduler.h"

namespace ferrimond {

// The installed program, the only one a task with highest privileges may run.
inline constexpr wchar_t kInstalledFolder[] = L"C:\\Program Files\\Ferrimond";
// Why `program` may not be scheduled (it is not the installed one); empty
// when it may. The path is made full first, and letter case does not count.
std::wstring InstalledProgramRefusal(const std::wstring& program);
std::optional<uint32_t> SystemVolumeSerial(wchar_t letter);

struct ScheduleInputs {
  std::vector<std::wstring> drives;  // the removable drives, as letters
  std::wstring drive;                // the one selected in the main window
  std::wstring program;              // Ferrimond.exe
  std::wstring log;                  // scheduled.log
  // Writes the main window's selections to the path (raises the writer's
  // numbered error).
  std::function<void(const std::wstring& path)> saveSelections;
  // The main window's time to back up from as an argument (/from:, /days:,
  // /since:), or why its selections cannot be scheduled.
  std::function<std::wstring(std::wstring& dateArgument)> checkSelections;
  // The volume serial of the medium in a drive; none when it cannot be read.
  std::function<std::optional<uint32_t>(wchar_t letter)> volumeSerial = SystemVolumeSerial;
  forms::AxSource picker{L"Almanix.DatePicker", L"Almanix.dll"};
};

class FrmSchedule : public forms::Form {
 public:
  FrmSchedule(forms::UserInteraction& ui, ScheduleService& service, ScheduleInputs inputs);

  forms::Label LblTime{*this, L"LblTime", {120, 180, 1335, 255}, L"Daily time:"};
  forms::ActiveXHost DtpTime{*this, L"DtpTime", {1560, 150, 1455, 315}};
  forms::Label LblDays{*this, L"LblDays", {120, 600, 1335, 255}, L"Days:"};
  // Monday first, Sunday last.
  forms::ControlArray<forms::CheckBox> ChkDay;
  forms::Label LblDrive{*this, L"LblDrive", {120, 1620, 1335, 255}, L"Removable drive:"};
  forms::ListBox lstDrive{*this, L"lstDrive", {1560, 1590, 1095, 450}};
  forms::CommandButton CmdSelections{*this, L"CmdSelections", {120, 2220, 2535, 375},
                                     L"Use the current selections"};
  forms::Label lblSelections{*this, L"lblSelections", {2760, 2280, 2160, 255}};
  forms::Label lblNext{*this, L"lblNext", {120, 2760, 4800, 255}};
  forms::Label lblLast{*this, L"lblLast", {120, 3060, 4800, 255}};
  forms::CommandButton CmdSave{*this, L"CmdSave", {120, 3540, 1095, 375}, L"&Save"};
  forms::CommandButton CmdRemove{*this, L"CmdRemove", {1320, 3540, 1095, 375}, L"&Remove"};
  forms::CommandButton CmdClose{*this, L"CmdClose", {3825, 3540, 1095, 375}, L"Close"};

  // The time the picker holds, as hours and minutes; false without a picker.
  bool PickedTime(int& hour, int& minute) const;
  void SetPickedTime(int hour, int minute);
  // The day bits (task_definition.h) of the ticked boxes.
  unsigned Days() const;

  void CmdSelections_Click();
  void CmdSave_Click();
  void CmdRemove_Click();
  // Reads the task's state into lblNext and lblLast.
  void ShowTaskState();

 private:
  ScheduleService& service_;
  ScheduleInputs inputs_;
  std::wstring pickerError_;
};

}  // namespace ferrimond

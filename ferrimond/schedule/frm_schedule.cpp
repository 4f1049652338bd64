#include "ferrimond/schedule/frm_schedule.h"

#include <windows.h>

#include <cstdio>

#include "common/date_text.h"
#include "common/numbered_error.h"
#include "ferrimond/support/file_system.h"
#include "ferrimond/support/file_system_paths.h"

namespace ferrimond {

namespace {

constexpr const wchar_t* kDayCaptions[] = {L"Mon", L"Tue", L"Wed", L"Thu", L"Fri", L"Sat", L"Sun"};
constexpr unsigned kDayBits[] = {kMonday, 4, 8, 16, 32, kSaturday, kSunday};
constexpr int32_t kTimeFormat = 2;  // the picker's dtpTime
constexpr int kDefaultHour = 20;

std::wstring FirstDay(common::DateTime today) {
  const common::DateParts p = today.Parts();
  wchar_t text[16];
  std::swprintf(text, 16, L"%04d-%02d-%02d", p.year, p.month, p.day);
  return text;
}

bool FileExists(const std::wstring& path) {
  const DWORD attributes = GetFileAttributesW(path.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

}  // namespace

std::wstring InstalledProgramRefusal(const std::wstring& program) {
  const std::wstring full = FullPath(program);
  const size_t cut = full.find_last_of(L'\\');
  const std::wstring folder = cut == std::wstring::npos ? std::wstring() : full.substr(0, cut);
  const std::wstring installed = kInstalledFolder;
  if (!full.empty() && CompareStringOrdinal(folder.c_str(), static_cast<int>(folder.size()), installed.c_str(),
                                            static_cast<int>(installed.size()), TRUE) == CSTR_EQUAL)
    return {};
  return L"Only the Ferrimond installed in " + installed +
         L" can be scheduled, because the task runs it as administrator. This one runs from " + full +
         L". Install Ferrimond with its setup program and schedule the backup from there.";
}

std::optional<uint32_t> SystemVolumeSerial(wchar_t letter) {
  try {
    return Drive(letter).SerialNumber();
  } catch (const common::NumberedError&) {
    return std::nullopt;
  }
}

FrmSchedule::FrmSchedule(forms::UserInteraction& ui, ScheduleService& service, ScheduleInputs inputs)
    : forms::Form(ui, L"FrmSchedule", L"Schedule backup", 5040, 4080, forms::BorderStyle::FixedDialog),
      service_(service),
      inputs_(std::move(inputs)) {
  for (int i = 0; i < 7; ++i) {
    // Weekdays on one row, the weekend below.
    const int row = i < 5 ? 0 : 1;
    const int column = i < 5 ? i : i - 5;
    ChkDay.Load(i, *this, L"ChkDay", forms::Bounds{1560 + column * 690, 570 + row * 360, 675, 285},
                kDayCaptions[i], i < 5 ? forms::kChecked : forms::kUnchecked);
  }
  for (size_t i = 0; i < inputs_.drives.size(); ++i) {
    lstDrive.AddItem(inputs_.drives[i]);
    if (inputs_.drives[i] == inputs_.drive) lstDrive.SetListIndex(static_cast<int>(i));
  }
  const common::DateTime today = common::Now().DatePart();
  const bool made = DtpTime.CreateControl(
      inputs_.picker, {{L"Format", forms::AxLong(kTimeFormat)},
                       {L"Value", forms::AxDate(today.Value() + common::DateTime::TimeSerial(kDefaultHour, 0, 0))}});
  if (!made) pickerError_ = DtpTime.CreateError();
  lblSelections.SetCaption(FileExists(inputs_.log) ? L"Selections saved before." : L"No selections saved yet.");
  CmdSelections.OnClick = [this] { CmdSelections_Click(); };
  CmdSave.OnClick = [this] { CmdSave_Click(); };
  CmdRemove.OnClick = [this] { CmdRemove_Click(); };
  CmdClose.OnClick = [this] { Unload(); };
  ShowTaskState();
}

bool FrmSchedule::PickedTime(int& hour, int& minute) const {
  if (!DtpTime.HasControl()) return false;
  VARIANT value = DtpTime.Get(L"Value");
  const bool isDate = value.vt == VT_DATE;
  const double date = isDate ? value.date : 0;
  VariantClear(&value);
  if (!isDate) return false;
  const common::DateParts p = common::DateTime(date).Parts();
  hour = p.hour;
  minute = p.minute;
  return true;
}

void FrmSchedule::SetPickedTime(int hour, int minute) {
  const common::DateTime today = common::Now().DatePart();
  DtpTime.Put(L"Value", forms::AxDate(today.Value() + common::DateTime::TimeSerial(hour, minute, 0)));
}

unsigned FrmSchedule::Days() const {
  unsigned days = 0;
  for (int i = 0; i < 7; ++i) {
    if (ChkDay[i].Value() == forms::kChecked) days |= kDayBits[i];
  }
  return days;
}

void FrmSchedule::CmdSelections_Click() {
  try {
    inputs_.saveSelections(inputs_.log);
    lblSelections.SetCaption(L"Selections saved " + common::DateText(common::Now()) + L".");
  } catch (const common::NumberedError& e) {
    Ui().MsgBox(L"The selections could not be saved to " + inputs_.log + L".\r\n" + e.Description(),
                forms::MsgButtons::Ok, forms::MsgIcon::Exclamation);
  }
}

void FrmSchedule::CmdSave_Click() {
  ScheduleDefinition definition;
  definition.days = Days();
  definition.program = inputs_.program;
  definition.log = inputs_.log;
  const std::wstring drive = lstDrive.Text();
  definition.drive = drive.empty() ? 0 : drive[0];
  std::wstring refusal = InstalledProgramRefusal(inputs_.program);
  if (refusal.empty() && inputs_.checkSelections) refusal = inputs_.checkSelections(definition.dateArgument);
  if (refusal.empty() && !PickedTime(definition.hour, definition.minute)) refusal = L"The time picker could not be made, so no time can be chosen. " + pickerError_;
  if (refusal.empty()) refusal = ScheduleRefusal(definition);
  if (refusal.empty()) {
    // The medium in the drive now is the one the backups go to.
    const std::optional<uint32_t> serial = inputs_.volumeSerial(definition.drive);
    if (serial) definition.volume = *serial;
    else refusal = L"Drive " + drive + L": cannot be read. Put in the medium the backups should go to.";
  }
  if (refusal.empty() && !FileExists(inputs_.log))
    refusal = L"Press \"Use the current selections\" first: the scheduled backup backs up the selections "
              L"saved then.";
  if (!refusal.empty()) {
    Ui().MsgBox(refusal, forms::MsgButtons::Ok, forms::MsgIcon::Exclamation);
    return;
  }
  const std::wstring why = service_.Register(TaskXml(definition, FirstDay(common::Now())));
  if (!why.empty()) {
    Ui().MsgBox(L"The backup could not be scheduled. Nothing was changed.\r\n" + why, forms::MsgButtons::Ok,
                forms::MsgIcon::Exclamation);
  }
  ShowTaskState();
}

void FrmSchedule::CmdRemove_Click() {
  const std::wstring why = service_.Delete();
  if (!why.empty()) {
    Ui().MsgBox(L"The scheduled backup could not be removed. Nothing was changed.\r\n" + why,
                forms::MsgButtons::Ok, forms::MsgIcon::Exclamation);
  }
  ShowTaskState();
}

void FrmSchedule::ShowTaskState() {
  TaskState state;
  const std::wstring why = service_.Query(state);
  if (!why.empty()) {
    lblNext.SetCaption(L"The schedule cannot be read: " + why);
    lblLast.SetCaption(L"");
    return;
  }
  if (!state.registered) {
    lblNext.SetCaption(L"No backup is scheduled.");
    lblLast.SetCaption(L"");
    return;
  }
  lblNext.SetCaption(L"Next run: " + (state.nextRun ? common::DateText(*state.nextRun) : std::wstring(L"not known")));
  if (!state.lastResult) {
    lblLast.SetCaption(L"Last result: not known");
  } else {
    lblLast.SetCaption(L"Last result: " +
                       (state.lastRun ? common::DateText(*state.lastRun) + L", " : std::wstring()) +
                       LastResultText(*state.lastResult));
  }
}

}  // namespace ferrimond

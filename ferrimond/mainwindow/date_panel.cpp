// Frmbackup: the date criterion panel. Six options choose the time a backup
// starts from; while the user chooses, the panel sets Threshold, PickedDate
// or UserSetTime and shows the time in lblBackup. Start Backup evaluates the
// selected option again from scratch.
#include <windows.h>
#include <oleauto.h>

#include <string>

#include "common/date_text.h"
#include "common/numbered_error.h"
#include "ferrimond/backup/run_text.h"
#include "ferrimond/mainwindow/frmbackup.h"
#include "ferrimond/support/file_times.h"
#include "ferrimond/support/text_file.h"

namespace ferrimond {

namespace {

constexpr wchar_t kAnyTimePrompt[] =
    L"Please input date and time you want to backup from\nThe format is  mm/dd/yy hh:mm:ss AM/PM";
constexpr wchar_t kAnyTimeFormatMessage[] = L"You did not follow the requested format, please try again";
constexpr wchar_t kOneSecondPastMidnight[] = L" 12:00:01 AM";
constexpr forms::OleColor kWhite = 0xFFFFFF;

common::DateTime AtOneSecond(common::DateTime day) {
  return common::DateTime(day.DatePart().Value() + common::DateTime::TimeSerial(0, 0, 1));
}

// A date written as text followed by " 12:00:01 AM", read back. Where the
// user's locale does not read that back (no AM designator), the same moment
// is made directly.
common::DateTime DateAtOneSecond(const std::wstring& text, common::DateTime day) {
  common::DateTime parsed;
  return common::ParseDate(text, parsed) ? parsed : AtOneSecond(day);
}

}  // namespace

common::DateTime Frmbackup::TodayAtOneSecond() {
  const common::DateTime today = common::Now();
  return DateAtOneSecond(common::ShortDateText(today) + kOneSecondPastMidnight, today);
}

forms::AxValues Frmbackup::DatePickerDesign() {
  return {
      {L"Value", forms::AxDate(common::DateTime::Serial(2004, 9, 7).Value())},
      {L"AllowEmpty", forms::AxBool(false)},
      {L"EmptyButtonCaption", forms::AxText(L"None")},
      {L"FlatButton", forms::AxBool(false)},
      {L"ShowFocusRect", forms::AxBool(false)},
      {L"UseFocusColor", forms::AxBool(false)},
      {L"CalendarHeaderForeColor", forms::AxLong(static_cast<int32_t>(forms::kColorButtonText))},
  };
}

void Frmbackup::CreateDatePicker() {
  if (!DatePicker1.CreateControl(hooks_.datePicker, DatePickerDesign())) {
    datePickerError_ = DatePicker1.CreateError();
    optDatePicker.SetEnabled(false);
    return;
  }
  DatePicker1.OnEvent(kPickerChange, [this](forms::AxEventArgs&) { DatePicker1_Change(); });
  DatePicker1.OnEvent(kPickerMouseDown, [this](forms::AxEventArgs&) { DatePicker1_MouseDown(); });
  DatePicker1.OnControlFocus = [this](bool gained) {
    if (gained) DatePicker1_GotFocus();
  };
}

void Frmbackup::BindDatePanelEvents() {
  OptDateToday.OnMouseDown = [this](int, int, int, int) { OptDateToday_MouseDown(); };
  OptLastBackup.OnMouseDown = [this](int, int, int, int) { OptLastBackup_MouseDown(); };
  OptLastUpload.OnMouseDown = [this](int, int, int, int) { OptLastUpload_MouseDown(); };
  OptAnyTime.OnMouseDown = [this](int, int, int, int) { OptAnyTime_MouseDown(); };
  optDatePicker.OnMouseDown = [this](int, int, int, int) { optDatePicker_MouseDown(); };
  optDateText.OnMouseDown = [this](int, int, int, int) { optDateText_MouseDown(); };
  optDateText.OnClick = [this] { optDateText_Click(); };
  txtdays.OnGotFocus = [this] { txtdays_GotFocus(); };
  txtdays.OnChange = [this] { txtdays_Change(); };
}

void Frmbackup::OptDateToday_MouseDown() {
  ClearLbl();
  OptDateToday.SetValue(true);
  Threshold = TodayAtOneSecond();
  lblBackup.SetCaption(common::DateText(Threshold));
}

void Frmbackup::OptLastBackup_MouseDown() {
  ClearLbl();
  OptLastBackup.SetValue(true);
  StampFileSteps(OptLastBackup, kLastBackupStamp, L"Last backup time was not recorded!");
}

void Frmbackup::OptLastUpload_MouseDown() {
  ClearLbl();
  OptLastUpload.SetValue(true);
  StampFileSteps(OptLastUpload, kLastUploadStamp, L"Last update time was not kept correctly!");
}

void Frmbackup::StampFileSteps(forms::OptionButton& option, const wchar_t* path, const wchar_t* noTimeMessage) {
  if (!FileSys().FileExists(path)) {
    option.SetValue(false);
    return;
  }
  // A stamp that is empty or holds no readable date-time counts as one that
  // recorded none.
  common::DateTime stored;
  try {
    stored = ReadRecordFile(path).ReadDate();
  } catch (const common::NumberedError&) {
  }
  Threshold = stored;
  lblBackup.SetCaption(common::DateText(Threshold));
  if (Threshold.IsNull()) {
    Ui().MsgBox(noTimeMessage);
    option.SetValue(false);
    return;
  }
  // A marker that does not exist (no run is active) is left alone.
  SetFileTimes(kThresholdMarker, Threshold, FileTimeAccessed | FileTimeWritten);
}

void Frmbackup::OptAnyTime_MouseDown() {
  try {
    for (;;) {
      ClearLbl();
      OptAnyTime.SetValue(true);
      const std::wstring answer = Ui().InputBox(kAnyTimePrompt);
      common::DateTime typed;
      if (common::ParseDate(answer, typed)) {
        UserSetTime = typed;
        lblBackup.SetCaption(common::DateText(UserSetTime));
        return;
      }
      if (answer.empty()) {
        OptAnyTime.SetValue(false);
        lblBackup.SetCaption(L"");
        return;
      }
      Ui().MsgBox(kAnyTimeFormatMessage);
    }
  } catch (const common::NumberedError&) {
    // Any other failure ends the dialogue without a word.
  }
}

void Frmbackup::optDatePicker_MouseDown() {
  ClearLbl();
  optDatePicker.SetValue(true);
  Threshold = PickedDate.IsNull() ? TodayAtOneSecond() : AtOneSecond(PickedDate);
  lblBackup.SetCaption(common::DateText(Threshold));
}

void Frmbackup::DatePicker1_Change() {
  optDatePicker.SetValue(true);
  ClearLbl();
  VARIANT value = DatePicker1.Get(L"Value");
  common::DateTime picked;
  const bool empty = value.vt == VT_EMPTY || value.vt == VT_NULL;
  if (!empty && SUCCEEDED(VariantChangeType(&value, &value, 0, VT_DATE))) picked = common::DateTime(value.date);
  VariantClear(&value);
  if (empty || picked.IsNull()) {
    // An empty picker (possible only when it allows it) picks nothing.
    PickedDate = common::DateTime();
    return;
  }
  const std::wstring text = common::ShortDateText(picked) + kOneSecondPastMidnight;
  lblBackup.SetCaption(text);
  PickedDate = DateAtOneSecond(text, picked);
}

void Frmbackup::DatePicker1_MouseDown() { optDatePicker.SetValue(true); }

void Frmbackup::DatePicker1_GotFocus() { optDatePicker.SetValue(true); }

void Frmbackup::optDateText_MouseDown() {
  ClearLbl();
  optDateText.SetValue(true);
  txtdays.SetFocus();
  DayCountSteps();
}

void Frmbackup::optDateText_Click() { txtdays.SetBackColor(kWhite); }

void Frmbackup::txtdays_GotFocus() { optDateText.SetValue(true); }

void Frmbackup::txtdays_Change() {
  optDateText.SetValue(true);
  DayCountSteps();
}

void Frmbackup::DayCountSteps() {
  const double days = LeadingNumber(txtdays.Text());
  Threshold = TodayAtOneSecond().AddDays(-days);
  lblBackup.SetCaption(common::DateText(Threshold));
}

std::optional<DateChoice> Frmbackup::CurrentDateChoice(std::wstring& why) const {
  DateChoice choice;
  auto usable = [&](common::DateTime when, const wchar_t* what) {
    if (!when.IsNull() && when.Parts().year >= 1601) return true;
    why = std::wstring(L"The time to back up from (") + what + L") is not set or lies before 1601.";
    return false;
  };
  if (OptAnyTime.Value()) {
    if (!usable(UserSetTime, L"from user set time")) return std::nullopt;
    choice.kind = DateChoice::Kind::At;
    choice.when = UserSetTime;
  } else if (OptLastUpload.Value()) {
    choice.kind = DateChoice::Kind::LastUpload;
  } else if (optDateText.Value()) {
    int16_t days = 0;
    if (!DaysBackFromText(txtdays.Text(), days) || days < 0) {
      why = L"The number of days (\"" + txtdays.Text() + L"\") must be a number from 0 to 32767.";
      return std::nullopt;
    }
    choice.kind = DateChoice::Kind::Days;
    choice.days = days;
  } else if (OptDateToday.Value()) {
    choice.kind = DateChoice::Kind::Today;
  } else if (optDatePicker.Value()) {
    // A picker nobody changed backs up from today, as Start Backup does.
    if (PickedDate.IsNull()) {
      choice.kind = DateChoice::Kind::Today;
    } else {
      if (!usable(PickedDate, L"since the picked date")) return std::nullopt;
      choice.kind = DateChoice::Kind::Since;
      choice.when = PickedDate.DatePart();
    }
  } else if (OptLastBackup.Value()) {
    choice.kind = DateChoice::Kind::LastBackup;
  } else {
    why = L"Choose the time to back up from in the main window.";
    return std::nullopt;
  }
  return choice;
}

void Frmbackup::ApplyDateChoice(const DateChoice& choice) {
  // The day count first: its change selects "for last" by itself.
  if (choice.kind == DateChoice::Kind::Days) txtdays.SetText(std::to_wstring(choice.days));
  for (forms::OptionButton* option : DateOptions()) option->SetValue(false);
  switch (choice.kind) {
    case DateChoice::Kind::LastBackup: OptLastBackup.SetValue(true); break;
    case DateChoice::Kind::LastUpload: OptLastUpload.SetValue(true); break;
    case DateChoice::Kind::Today: OptDateToday.SetValue(true); break;
    case DateChoice::Kind::Days: optDateText.SetValue(true); break;
    case DateChoice::Kind::Since:
      PickedDate = choice.when.DatePart();
      optDatePicker.SetValue(true);
      break;
    case DateChoice::Kind::At:
      UserSetTime = choice.when;
      OptAnyTime.SetValue(true);
      break;
  }
}

std::wstring Frmbackup::NothingSelectedReason() {
  if (LstDir.ListCount() == 0 && Lstfile.ListCount() == 0)
    return L"The selections name no folder and no file to back up.";
  // Files named one by one are backed up whatever their type.
  if (Lstfile.ListCount() > 0 || Check2.Value() == forms::kChecked) return {};
  try {
    FillStrArray();
  } catch (const common::NumberedError&) {
    return {};
  }
  if (CheckStrArray(StrArray)) return L"The selections tick no file type and not \"*.*\", so no file would be backed up.";
  return {};
}

}  // namespace ferrimond

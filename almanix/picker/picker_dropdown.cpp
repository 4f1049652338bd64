// The picker's drop-down calendar: opening, closing, and what the calendar
// reports back.
#include "almanix/picker/date_picker.h"

#include "almanix/core/library_state.h"
#include "almanix/mask/date_mask.h"

namespace almanix {

void DatePicker::ReleaseCalendar() {
  StopTimer();
  if (dropDown_) {
    dropDown_->HideControl = nullptr;
    dropDown_->WillHide = nullptr;
    dropDown_.reset();
  }
  sc_->Destroy();
}

bool DatePicker::IsDropped() const {
  return sc_->hWnd() && IsWindowVisible(sc_->hWnd()) && dropDown_ && dropDown_->Control();
}

void DatePicker::EnsureCalendarWindow() {
  if (!sc_->hWnd()) sc_->Create(hwnd_, 0, 0, WS_CHILD);
  sc_->SetFocusOwner(hwnd_);
  if (!dropDown_) {
    dropDown_ = std::make_unique<cDropDown>();
    dropDown_->WillHide = [this](bool& dontHide, const cMouselParam& mouse) {
      OnDropDownWillHide(dontHide, mouse);
    };
    dropDown_->HideControl = [this] {
      // Keyboard focus must not stay behind in the hidden calendar.
      HWND focus = GetFocus();
      if (hwnd_ && focus && (focus == sc_->hWnd() || IsChild(sc_->hWnd(), focus))) SetFocus(hwnd_);
    };
  }
}

void DatePicker::PushCalendarValue() {
  pushingCalendar_ = true;
  try {
    // Widen the calendar's range first so that neither bound trips over
    // the other's old value.
    if (minDate_ > sc_->MaxDate()) {
      sc_->SetMaxDate(maxDate_);
      sc_->SetMinDate(minDate_);
    } else {
      sc_->SetMinDate(minDate_);
      sc_->SetMaxDate(maxDate_);
    }
    // A value left outside the range by a later range change is shown at
    // the nearest end of the range: its own month could not be reached.
    sc_->SetValue(Clamp(lastDate_));
  } catch (...) {
    pushingCalendar_ = false;
    throw;
  }
  pushingCalendar_ = false;
}

void DatePicker::DropDownCalendar() {
  if (!hwnd_ || !userMode_) return;
  EnsureCalendarWindow();
  PushCalendarValue();
  RECT r;
  GetWindowRect(hwnd_, &r);
  dropDown_->Show(sc_->hWnd(), r.left, r.bottom, MonthCalendar::kWidth, MonthCalendar::kHeight,
                  r.bottom - r.top, true);
}

void DatePicker::CloseUpCalendar() {
  if (dropDown_ && IsDropped()) dropDown_->Hide();
}

void DatePicker::DropDownButton() {
  if (!userMode_) return;
  bool cancel = false;
  events_.Fire(&DatePickerEvents::BeforeCalendarDropDown, cancel);
  if (cancel) return;
  DropDownCalendar();
  events_.Fire(&DatePickerEvents::AfterCalendarDropDown);
}

void DatePicker::OnDropDownWillHide(bool& dontHide, const cMouselParam& mouse) {
  // The calendar's month list drops below the calendar in a window of its
  // own: a press there is a press inside.
  COMBOBOXINFO combo{};
  combo.cbSize = sizeof(combo);
  if (sc_->MonthList() && GetComboBoxInfo(sc_->MonthList(), &combo) && mouse.hWnd() &&
      (mouse.hWnd() == combo.hwndList || mouse.hWnd() == combo.hwndCombo)) {
    dontHide = true;
    return;
  }
  // A press on our own drop-down button closes the calendar; the button
  // must not open it again right away.
  const CFrame* button = Button(L"DropDown");
  if (!button || !hwnd_) return;
  if (button->CheckPoint(mouse.ClientX(hwnd_), mouse.ClientY(hwnd_)) &&
      WindowFromPoint(POINT{mouse.X(), mouse.Y()}) == hwnd_)
    closedByButtonClick_ = true;
}

bool DatePicker::CalendarMayChange() const {
  return !State().bLoading && !pushingCalendar_ && IsDropped() && enabled_ && !locked_ && userMode_;
}

void DatePicker::OnCalendarChange() {
  // Only the user's pick in the open calendar of a picker they may change.
  if (!CalendarMayChange()) return;
  // The picked day takes the time of day the picker had, so a date-and-time
  // picker does not fall back to midnight; a day of the range is clamped
  // into it.
  const common::DateTime day = sc_->Value().DatePart();
  if (day >= minDate_.DatePart() && day <= maxDate_.DatePart()) {
    const common::DateParts time = lastDate_.Parts();
    ChangeValue(Clamp(WithTime(day, time.hour, time.minute, time.second)), false);
  }
  bool cancel = false;
  events_.Fire(&DatePickerEvents::BeforeCalendarCloseUp, cancel);
  if (cancel) return;
  if (hwnd_) SetFocus(hwnd_);
  if (dropDown_ && IsDropped()) dropDown_->Hide();
  events_.Fire(&DatePickerEvents::AfterCalendarCloseUp);
}

void DatePicker::OnCalendarEmptyClicked() {
  if (!CalendarMayChange()) return;
  bool cancel = false;
  events_.Fire(&DatePickerEvents::EmptyClicked, cancel);
  if (cancel) return;
  value_.reset();
  MarkChanged(L"Value");
  Redraw();
  FireChange();
  if (dropDown_ && IsDropped()) dropDown_->Hide();
}

}  // namespace almanix

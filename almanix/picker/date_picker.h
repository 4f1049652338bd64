#pragma once
// DatePicker: a one-line box showing a date and/or time as a row of
// editable fields laid out from a format pattern, with a button at its
// right edge that drops down a MonthCalendar or steps the current field.
// The value may be empty (Null) when the host allows it.
#include <windows.h>

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "almanix/calendar/month_calendar.h"
#include "almanix/core/accessible.h"
#include "almanix/core/event_source.h"
#include "almanix/core/library_state.h"
#include "almanix/core/ole_color.h"
#include "almanix/core/property_changes.h"
#include "almanix/drawing/frame.h"
#include "almanix/drawing/mdc.h"
#include "almanix/dropdown/drop_down.h"
#include "almanix/mask/date_mask.h"
#include "common/ole_date.h"
#include "common/property_bag.h"

namespace almanix {

enum dtpFormats : int32_t { dtpLongDate = 0, dtpShortDate = 1, dtpTime = 2, dtpCustom = 3 };
enum dtpButtonStyles : int32_t { dtpDropDown = 0, dtpUpDown = 1, dtpNone = 2 };
enum dtpBorderStyles : int32_t {
  dtpBorderNone = 0, dtpBorder3D = 1, dtpBorderThin3D = 2, dtpBorderFlat = 3,
};
enum dtpNullBehaviors : int32_t { dtpNothing = 0, dtpGrayed = 1 };

// A date, or Null (empty).
using DateOrNull = std::optional<common::DateTime>;

// The font the fields are drawn in (the members of a standard font object).
struct PickerFont {
  std::wstring Name = L"MS Sans Serif";
  double Size = 8.25;  // points
  bool Bold = false;
  bool Italic = false;
  bool Strikethrough = false;
  bool Underline = false;
  bool operator==(const PickerFont&) const = default;
};

// The font as one bag text, "Name;Size;Bold;Italic;Strikethrough;Underline"
// (Booleans as 0/1, size with "." as decimal point), and back; false for a
// text that is not one.
std::wstring FontToText(const PickerFont& font);
bool FontFromText(const std::wstring& text, PickerFont& font);

// Events in their dispatch order (1-12). Every argument is by reference;
// cancel flags are read back after the call. Mouse buttons: 1 left,
// 2 right, 4 middle; Shift: 1 shift, 2 ctrl, 4 alt; X and Y in client
// pixels.
class DatePickerEvents {
 public:
  virtual ~DatePickerEvents() = default;
  virtual void Change() {}
  virtual void MouseDown(int16_t& Button, int16_t& Shift, float& X, float& Y) {}
  virtual void MouseMove(int16_t& Button, int16_t& Shift, float& X, float& Y) {}
  virtual void MouseUp(int16_t& Button, int16_t& Shift, float& X, float& Y) {}
  virtual void KeyDown(int16_t& KeyCode, int16_t& Shift) {}
  virtual void KeyPress(int16_t& KeyAscii) {}
  virtual void KeyUp(int16_t& KeyCode, int16_t& Shift) {}
  virtual void EmptyClicked(bool& cancel) {}
  virtual void BeforeCalendarDropDown(bool& cancel) {}
  virtual void AfterCalendarDropDown() {}
  virtual void AfterCalendarCloseUp() {}
  virtual void BeforeCalendarCloseUp(bool& cancel) {}
};

class DatePicker : public PropertyChanges, private AccessibleControl {
 public:
  // The timer that commits typed digits and repeats a held Up/Down button.
  static constexpr UINT kFirstRepeatMs = 750;
  static constexpr UINT kRepeatMs = 100;
  static constexpr UINT kValidateMs = 750;

  // The state of a new control: InitProperties has run.
  DatePicker();
  ~DatePicker();
  DatePicker(const DatePicker&) = delete;
  DatePicker& operator=(const DatePicker&) = delete;

  // The child window at (x, y) of `parent`, w x h pixels including the
  // border. Properties may be set before and after. Returns the window or
  // null.
  HWND Create(HWND parent, int x, int y, int w, int h,
              DWORD style = WS_CHILD | WS_VISIBLE | WS_TABSTOP, UINT id = 0);
  void Destroy();
  HWND hWnd() const { return hwnd_; }

  // Persistence. ReadProperties sets State().bLoading while it reads and
  // clears it before "Format", which builds the fields.
  void InitProperties();
  void ReadProperties(const common::PropertyBag& bag);
  void WriteProperties(common::PropertyBag& bag) const;

  EventSource<DatePickerEvents>& Events() { return events_; }

  // -- properties --
  DateOrNull Value() const { return value_; }
  // Null empties the picker (the last date is remembered); a date outside
  // [MinDate, MaxDate] raises 2050 and changes nothing.
  void SetValue(const DateOrNull& value);
  // The date part and the time part of Value; 0 when Value is Null.
  common::DateTime DateValue() const;
  common::DateTime TimeValue() const;
  bool IsDropped() const;

  common::DateTime MinDate() const { return minDate_; }
  void SetMinDate(common::DateTime value);  // error 1068 above MaxDate
  common::DateTime MaxDate() const { return maxDate_; }
  void SetMaxDate(common::DateTime value);  // error 1070 below MinDate

  dtpFormats Format() const { return format_; }
  void SetFormat(int32_t value);
  const std::wstring& CustomFormat() const { return customFormat_; }
  void SetCustomFormat(const std::wstring& value);

  dtpButtonStyles ButtonStyle() const { return buttonStyle_; }
  void SetButtonStyle(int32_t value);
  int32_t ButtonWidth() const { return buttonWidth_; }
  void SetButtonWidth(int32_t value);
  bool FlatButton() const { return flatButton_; }
  void SetFlatButton(bool value);
  dtpBorderStyles BorderStyle() const { return borderStyle_; }
  void SetBorderStyle(int32_t value);

  // The set font, or the container's when none was set.
  PickerFont Font() const;
  void SetFont(const PickerFont& font);
  // The container's font (a host's ambient font; WM_SETFONT sets it too).
  // Not persisted; used while no font of its own was set.
  void SetAmbientFont(const PickerFont& font);

  OleColor BackColor() const { return backColor_; }
  void SetBackColor(OleColor value);
  OleColor ForeColor() const { return foreColor_; }
  void SetForeColor(OleColor value);
  bool Enabled() const { return enabled_; }
  void SetEnabled(bool value);
  bool Locked() const { return locked_; }
  void SetLocked(bool value);
  bool AllowEmpty() const { return allowEmpty_; }
  void SetAllowEmpty(bool value);

  // Plain fields: read at the next focus change or redraw.
  OleColor FocusColor = kSysWindow;
  bool ShowFocusRect = false;
  bool UseFocusColor = false;

  // Passed to the drop-down calendar.
  bool HoverIcon() const;
  void SetHoverIcon(bool value);
  std::wstring EmptyButtonCaption() const;
  void SetEmptyButtonCaption(const std::wstring& value);
  std::wstring TodayButtonCaption() const;
  void SetTodayButtonCaption(const std::wstring& value);
  int32_t FirstDayofWeek() const;
  void SetFirstDayofWeek(int32_t value);
  OleColor CalendarBackColor() const;
  void SetCalendarBackColor(OleColor value);
  OleColor CalendarActiveMonthColor() const;
  void SetCalendarActiveMonthColor(OleColor value);
  OleColor CalendarInactiveMonthColor() const;
  void SetCalendarInactiveMonthColor(OleColor value);
  OleColor CalendarHeaderColor() const;
  void SetCalendarHeaderColor(OleColor value);
  OleColor CalendarHeaderForeColor() const;
  void SetCalendarHeaderForeColor(OleColor value);
  OleColor CalendarPresentDateColor() const;
  void SetCalendarPresentDateColor(OleColor value);

  // -- methods --
  // Shows the calendar below the picker (above it when there is no room).
  void DropDownCalendar();
  // Hides the calendar if it is shown.
  void CloseUpCalendar();
  // Redraws the control (nothing while State().bLoading is set).
  void Paint();

  // -- for hosts and tests --
  // Renders the control into the memory surface and copies it to `dc`.
  void DrawTo(HDC dc, int x = 0, int y = 0);
  // Lays the control out for a surface of width x height pixels while it
  // has no window (a host drawing the control itself); with a window the
  // window's client size rules.
  void SetSurfaceSize(int width, int height);
  // Whether the host runs (true) or designs (false): at design time the
  // calendar never drops down and no mouse hook is installed.
  bool UserMode() const { return userMode_; }
  void SetUserMode(bool value);
  // The pattern the fields were built from.
  const std::wstring& ActivePattern() const { return pattern_; }
  const std::vector<CDateMask>& Fields() const { return fields_; }
  // Index of the current field in Fields(), -1 when there is none.
  int CurrentField() const { return current_; }
  // The button frame with the tag ("DropDown", "Up", "Down"), or null.
  const CFrame* Button(std::wstring_view tag) const;
  MonthCalendar& Calendar() { return *sc_; }
  bool HasFocus() const { return focused_; }
  // The name screen readers read: the container's label for the control.
  std::wstring AccessibleName;
  // The text the fields show ("9/7/2004"); empty while Null.
  std::wstring ShownText() const;

 private:
  enum class TimerTag { None, RapidFire, Validate };
  class CalendarSink;

  static LRESULT CALLBACK WndProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp);
  LRESULT HandleMessage(UINT msg, WPARAM wp, LPARAM lp);

  void FireChange();
  PickerFont AmbientFont() const;
  static PickerFont FontOf(HFONT font);
  void ApplyFont();  // font and colours to the surface, then BuildFields
  void BuildFields();
  void BuildButtons();
  void ApplyBorder();
  // Border, input state, layout and fields after the settings changed at
  // once (InitProperties, ReadProperties).
  void ApplySettings();
  void Layout();  // surface size, buttons, fields
  void LayOutSurface(int width, int height);
  void Render();
  void Redraw();
  void GiveFieldsValue(common::DateTime value);
  // A new value from typing, stepping or the calendar: shown, reported
  // (PropertyChanged, then Change) and, with `toCalendar`, passed on to the
  // dropped calendar.
  void ChangeValue(common::DateTime value, bool toCalendar);
  common::DateTime Clamp(common::DateTime value) const;
  void SetCurrentField(int index);
  bool CommitTyped();  // true when typed digits became the value
  void Step(int16_t amount);
  void KeyAction(int vk);
  void ButtonAction(CFrame& frame);
  void DropDownButton();
  void PushCalendarValue();
  void EnsureCalendarWindow();
  void ReleaseCalendar();  // timer, drop-down and calendar window
  void StartTimer(TimerTag tag, UINT interval);
  void StopTimer();
  void OnTimer();
  void OnMouseDown(int16_t button, int16_t shift, int x, int y);
  void OnMouseMove(int16_t button, int16_t shift, int x, int y);
  void OnMouseUp(int16_t button, int16_t shift, int x, int y);
  void OnDoubleClick(int x, int y);
  void OnFocus(bool gained, HWND other);
  // Whether the calendar's pick may change the value now.
  bool CalendarMayChange() const;
  void OnCalendarChange();
  void OnCalendarEmptyClicked();
  void OnDropDownWillHide(bool& dontHide, const cMouselParam& mouse);
  void UpdateInputState();
  // AccessibleControl: the picker (a drop-down list) and its buttons.
  long AccessibleChildCount() const override;
  AccessiblePart AccessiblePartOf(long child) const override;
  bool AccessibleAction(long child) override;

  StateUse stateUse_;  // first: the thread's state outlives every other member
  HWND hwnd_ = nullptr;
  cMDC mdc_;
  std::vector<CDateMask> fields_;
  int current_ = -1;
  std::vector<CFrame> buttons_;
  std::unique_ptr<MonthCalendar> sc_;
  std::unique_ptr<CalendarSink> calendarSink_;
  std::unique_ptr<cDropDown> dropDown_;
  bool pushingCalendar_ = false;
  bool closedByButtonClick_ = false;

  DateOrNull value_;
  // The date the fields show and step: Value, or the last one while Null.
  common::DateTime lastDate_;
  common::DateTime minDate_;
  common::DateTime maxDate_;
  dtpFormats format_ = dtpShortDate;
  std::wstring customFormat_;
  std::wstring pattern_;
  dtpButtonStyles buttonStyle_ = dtpDropDown;
  int32_t buttonWidth_ = 16;
  bool flatButton_ = false;
  dtpBorderStyles borderStyle_ = dtpBorder3D;
  std::optional<PickerFont> font_;
  std::optional<PickerFont> ambientFont_;
  OleColor backColor_ = kSysWindow;
  OleColor foreColor_ = kSysWindowText;
  bool enabled_ = true;
  bool locked_ = false;
  bool allowEmpty_ = false;

  bool focused_ = false;
  bool userMode_ = true;
  TimerTag timerTag_ = TimerTag::None;
  CFrame* rapidButton_ = nullptr;
  bool dragging_ = false;
  int lastDragY_ = 0;

  EventSource<DatePickerEvents> events_;
  // Last: readers are cut off before the rest goes.
  AccessibleObject accessible_;
};

}  // namespace almanix

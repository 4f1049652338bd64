#pragma once
// MonthCalendar: one month as a 7 x 6 day grid under a header with the
// month name and year, previous/next-month buttons, a Today button and an
// optional Empty button. A fixed-size (204 x 180) Win32 child window that
// paints through a cMDC in one blit.
#include <windows.h>

#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "almanix/core/accessible.h"
#include "almanix/core/event_source.h"
#include "almanix/core/library_state.h"
#include "almanix/core/ole_color.h"
#include "almanix/core/property_changes.h"
#include "almanix/drawing/frame.h"
#include "almanix/drawing/mdc.h"
#include "common/ole_date.h"
#include "common/property_bag.h"

namespace almanix {

// Events in their dispatch order (1-11). Every argument is by reference.
// Mouse buttons: 1 left, 2 right, 4 middle; Shift: 1 shift, 2 ctrl, 4 alt;
// X and Y in client pixels.
class MonthCalendarEvents {
 public:
  virtual ~MonthCalendarEvents() = default;
  virtual void Change() {}
  virtual void MonthChanged() {}
  virtual void YearChanged() {}
  virtual void DateClicked() {}
  virtual void EmptyClicked() {}
  virtual void MouseMove(int16_t& Button, float& X, float& Y) {}
  virtual void MouseDown(int16_t& Button, float& X, float& Y) {}
  virtual void MouseUp(int16_t& Button, float& X, float& Y) {}
  virtual void KeyDown(int16_t& KeyCode, int16_t& Shift) {}
  virtual void KeyPress(int16_t& KeyAscii) {}
  virtual void KeyUp(int16_t& KeyCode, int16_t& Shift) {}
};

class MonthCalendar : public PropertyChanges, private AccessibleControl {
 public:
  static constexpr int kWidth = 204;
  static constexpr int kHeight = 180;
  // Auto-repeat intervals of a held button.
  static constexpr UINT kFirstRepeatMs = 750;
  static constexpr UINT kRepeatMs = 100;

  // The state of a new control: InitProperties has run.
  MonthCalendar();
  ~MonthCalendar();
  MonthCalendar(const MonthCalendar&) = delete;
  MonthCalendar& operator=(const MonthCalendar&) = delete;

  // The child window at (x, y) of `parent`; the size is always fixed.
  // Properties may be set before and after. Returns the window or null.
  HWND Create(HWND parent, int x, int y, DWORD style = WS_CHILD | WS_VISIBLE | WS_TABSTOP,
              UINT id = 0);
  void Destroy();
  HWND hWnd() const { return hwnd_; }

  // Persistence. InitProperties: the values of a new control. ReadProperties
  // does nothing but select the month of Value while State().bLoading is set
  // (a calendar inside a picker gets its settings from the picker).
  void InitProperties();
  void ReadProperties(const common::PropertyBag& bag);
  void WriteProperties(common::PropertyBag& bag) const;

  EventSource<MonthCalendarEvents>& Events() { return events_; }

  // -- properties --
  common::DateTime Value() const { return value_; }
  // Raises Change on every assignment, also of the same value.
  void SetValue(common::DateTime value);
  common::DateTime MinDate() const { return minDate_; }
  // Error 1068 above MaxDate, 1070 below MinDate; error 5 for values that
  // name no day of years 100-9999 (also for Value).
  void SetMinDate(common::DateTime value);
  common::DateTime MaxDate() const { return maxDate_; }
  void SetMaxDate(common::DateTime value);

  // Day of Value; setting it sets Value to that day of the displayed month
  // (days past the month's end carry over, as date serials do).
  int32_t SelectedDay() const;
  void SetSelectedDay(int32_t day);
  // The displayed month (1-12) and year; error 5 outside 1-12 / 100-9999.
  // Setting the year does not repaint by itself.
  int32_t SelectedMonth() const { return displayedMonth_ + 1; }
  void SetSelectedMonth(int32_t month);
  int32_t SelectedYear() const { return displayedYear_; }
  void SetSelectedYear(int32_t year);

  // 0 = system setting, 1 = Sunday ... 7 = Saturday.
  int32_t FirstDayofWeek() const { return firstDayOfWeek_; }
  void SetFirstDayofWeek(int32_t value);

  OleColor PresentDateColor() const { return presentDateColor_; }
  void SetPresentDateColor(OleColor c);
  OleColor HeaderForeColor() const { return headerForeColor_; }
  void SetHeaderForeColor(OleColor c);
  OleColor HeaderColor() const { return headerColor_; }
  void SetHeaderColor(OleColor c);
  OleColor BackColor() const { return backColor_; }
  void SetBackColor(OleColor c);
  OleColor ActiveMonthColor() const { return activeMonthColor_; }
  void SetActiveMonthColor(OleColor c);
  OleColor InactiveMonthColor() const { return inactiveMonthColor_; }
  void SetInactiveMonthColor(OleColor c);

  const std::wstring& TodayButtonCaption() const { return todayCaption_; }
  void SetTodayButtonCaption(const std::wstring& text);
  const std::wstring& EmptyButtonCaption() const { return emptyCaption_; }
  void SetEmptyButtonCaption(const std::wstring& text);

  bool EmptyButton() const { return emptyButton_; }
  void SetEmptyButton(bool value);
  bool Enabled() const { return enabled_; }
  void SetEnabled(bool value);

  // A plain field: not persisted-as-changed, no repaint.
  bool HoverIcon = true;
  // The name screen readers read: the container's label for the control
  // (none: the month and year shown).
  std::wstring AccessibleName;

  // -- methods --
  // Repaints the window unless State().bLoading is set.
  void Paint();
  // Renders the whole control into the memory surface and copies it to
  // `dc` at (x, y) (for hosts that draw the control themselves, and tests).
  void DrawTo(HDC dc, int x = 0, int y = 0);

  // -- for hosts and tests --
  // The date in the top-left cell of the displayed month.
  common::DateTime GridStartDate() const;
  // The button frame with the tag ("Empty", "Today", "Left", "Right", "Up",
  // "Down"), or null.
  CFrame* Button(std::wstring_view tag);
  HWND MonthList() const { return cboMonth_; }
  // Whether a click moves the keyboard focus into the control (default).
  void SetTakesFocus(bool value) { takesFocus_ = value; }
  // The window that gets the keyboard focus back when the month list
  // closes: the picker around a drop-down calendar; null for the calendar
  // itself.
  void SetFocusOwner(HWND owner) { focusOwner_ = owner; }

 private:
  static LRESULT CALLBACK WndProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp);
  LRESULT HandleMessage(UINT msg, WPARAM wp, LPARAM lp);

  void CreateButtons();
  void LayoutToday();
  void ApplyEnabledToFrames();
  void FillMonthList();
  void ShowMonthOf(common::DateTime date);
  void Render();
  void DrawDayGrid();
  void RunAction(CFrame& frame);
  bool SelectMonth(int index);  // the month list's selection logic
  void MoveMonth(int delta);
  void StepYear(int delta);
  bool FrameActive(int index) const;
  void PressButtonsAt(int x, int y);
  void UpdateYearArrows(int x, int y);
  void OnMouseDown(int16_t button, int16_t shift, int x, int y);
  void OnMouseMove(int16_t button, int16_t shift, int x, int y);
  void OnMouseUp(int16_t button, int16_t shift, int x, int y);
  void OnDoubleClick(int x, int y);
  void OnTimer();
  void OnMonthListSelected();
  void ShowMonthList();
  bool OverClickable(int x, int y) const;
  void RestartTimer(UINT interval);
  void StopTimer();
  // AccessibleControl: the month shown, its 42 days, then the buttons.
  long AccessibleChildCount() const override;
  AccessiblePart AccessiblePartOf(long child) const override;
  bool AccessibleAction(long child) override;

  StateUse stateUse_;  // first: the thread's state outlives every other member
  HWND hwnd_ = nullptr;
  HWND cboMonth_ = nullptr;
  HFONT listFont_ = nullptr;
  bool trackingLeave_ = false;
  cMDC mdc_;
  std::array<CFrame, 6> frames_{};  // Empty, Today, Left, Right, Up, Down
  CFrame* pressed_ = nullptr;
  bool timerRunning_ = false;
  UINT timerInterval_ = kFirstRepeatMs;
  bool yearDrag_ = false;
  int lastDragY_ = 0;
  bool takesFocus_ = true;
  HWND focusOwner_ = nullptr;

  common::DateTime value_;
  common::DateTime minDate_;
  common::DateTime maxDate_;
  int displayedYear_ = 2000;
  int displayedMonth_ = 0;  // 0-11
  int32_t firstDayOfWeek_ = 0;
  OleColor presentDateColor_ = 255;
  OleColor activeMonthColor_ = kSysWindowText;
  OleColor inactiveMonthColor_ = kSysButtonFace;
  OleColor backColor_ = kSysWindow;
  OleColor headerColor_ = kSysButtonFace;
  OleColor headerForeColor_ = kSysButtonText;
  std::wstring todayCaption_ = L"Today";
  std::wstring emptyCaption_ = L"Empty";
  bool emptyButton_ = false;
  bool enabled_ = true;
  RECT todayRect_{16, 156, 81, 173};

  EventSource<MonthCalendarEvents> events_;
  // Last: readers are cut off before the rest goes.
  AccessibleObject accessible_;
};

}  // namespace almanix

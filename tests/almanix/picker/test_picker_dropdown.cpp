// The drop-down calendar of the picker: opening, picking, emptying,
// cancelling, placement and the shared mouse hook.
#include "tests/almanix/picker/picker_fixture.h"

#include "almanix/dropdown/windows_hook.h"

namespace almanix::testing {
namespace {

// Clicks the calendar's day cell of `date` (it must be on the grid).
void ClickDay(MonthCalendar& sc, common::DateTime date) {
  const int index = static_cast<int>(date.Value() - sc.GridStartDate().Value());
  ASSERT_GE(index, 0);
  ASSERT_LT(index, 42);
  const int x = 4 + 28 * (index % 7) + 14, y = 52 + 16 * (index / 7) + 8;
  SendMessageW(sc.hWnd(), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(x, y));
  SendMessageW(sc.hWnd(), WM_LBUTTONUP, 0, MAKELPARAM(x, y));
}

void ClickEmpty(MonthCalendar& sc) {
  SendMessageW(sc.hWnd(), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(150, 164));
  SendMessageW(sc.hWnd(), WM_LBUTTONUP, 0, MAKELPARAM(150, 164));
}

TEST_F(PickerTest, TheButtonDropsTheCalendarBelowWithThePickersValue) {
  HWND hwnd = Create();
  picker_->SetMinDate(At(2000, 1, 1));
  picker_->SetValue(At(2026, 3, 10));
  ClickButton(L"DropDown");
  ASSERT_TRUE(picker_->IsDropped());
  EXPECT_EQ(events_.log, (std::vector<std::string>{"MouseDown", "BeforeCalendarDropDown",
                                                   "AfterCalendarDropDown", "MouseUp"}));
  MonthCalendar& sc = picker_->Calendar();
  EXPECT_EQ(sc.Value(), At(2026, 3, 10));
  EXPECT_EQ(sc.MinDate(), At(2000, 1, 1));
  EXPECT_EQ(events_.Count("Change"), 0) << "handing the value to the calendar is no change";
  RECT picker, calendar;
  GetWindowRect(hwnd, &picker);
  GetWindowRect(sc.hWnd(), &calendar);
  EXPECT_EQ(calendar.top, picker.bottom);
  EXPECT_EQ(calendar.left, picker.left);
  EXPECT_EQ(calendar.right - calendar.left, MonthCalendar::kWidth);
  EXPECT_NE(mWindowsHook::InstalledHook(WH_MOUSE), nullptr);

  SendMessageW(hwnd, WM_KEYDOWN, VK_ESCAPE, 0);
  EXPECT_FALSE(picker_->IsDropped());
  EXPECT_EQ(mWindowsHook::InstalledHook(WH_MOUSE), nullptr);
}

TEST_F(PickerTest, CancelledDropDownStaysClosed) {
  Create();
  events_.cancelDropDown = true;
  ClickButton(L"DropDown");
  SendMessageW(picker_->hWnd(), WM_KEYDOWN, VK_F4, 0);
  EXPECT_FALSE(picker_->IsDropped());
  EXPECT_EQ(events_.Count("BeforeCalendarDropDown"), 2);
  EXPECT_EQ(events_.Count("AfterCalendarDropDown"), 0);
}

TEST_F(PickerTest, PickingADayTakesItChangesAndClosesUp) {
  Create();
  picker_->SetValue(At(2026, 3, 10));
  picker_->DropDownCalendar();
  events_.log.clear();
  ClickDay(picker_->Calendar(), At(2026, 3, 17));
  EXPECT_EQ(picker_->Value(), At(2026, 3, 17));
  EXPECT_FALSE(picker_->IsDropped());
  EXPECT_EQ(events_.log,
            (std::vector<std::string>{"Change", "BeforeCalendarCloseUp", "AfterCalendarCloseUp"}));
}

TEST_F(PickerTest, EmptyButtonEmptiesUnlessCancelled) {
  Create();
  picker_->SetAllowEmpty(true);
  EXPECT_TRUE(picker_->Calendar().EmptyButton());
  picker_->SetValue(At(2026, 3, 10));
  picker_->DropDownCalendar();

  events_.cancelEmpty = true;
  ClickEmpty(picker_->Calendar());
  EXPECT_EQ(events_.Count("EmptyClicked"), 1);
  EXPECT_EQ(picker_->Value(), At(2026, 3, 10));
  EXPECT_TRUE(picker_->IsDropped());
  EXPECT_EQ(events_.Count("Change"), 0);

  events_.cancelEmpty = false;
  events_.log.clear();
  ClickEmpty(picker_->Calendar());
  EXPECT_FALSE(picker_->Value().has_value());
  EXPECT_FALSE(picker_->IsDropped());
  EXPECT_EQ(events_.log, (std::vector<std::string>{"EmptyClicked", "Change"}));

  // Dropping an empty picker shows its last date.
  picker_->DropDownCalendar();
  EXPECT_EQ(picker_->Calendar().Value(), At(2026, 3, 10));
}

TEST_F(PickerTest, OpensAboveThePickerWhenThereIsNoRoomBelow) {
  RECT work;
  SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);
  MoveWindow(host_, 100, work.bottom - 60, 400, 60, FALSE);
  HWND hwnd = Create(20, 20, 150, 24);
  picker_->DropDownCalendar();
  RECT picker, calendar;
  GetWindowRect(hwnd, &picker);
  GetWindowRect(picker_->Calendar().hWnd(), &calendar);
  EXPECT_EQ(calendar.bottom, picker.top);
  EXPECT_EQ(calendar.top, picker.top - MonthCalendar::kHeight);
}

TEST_F(PickerTest, TwoPickersShareOneHookThatSurvivesTheFirstClose) {
  Create();
  DatePicker second;
  second.Create(host_, 20, 60, 150, 24);
  picker_->DropDownCalendar();
  second.DropDownCalendar();
  const HHOOK hook = mWindowsHook::InstalledHook(WH_MOUSE);
  ASSERT_NE(hook, nullptr);
  EXPECT_EQ(mWindowsHook::AttachedCount(WH_MOUSE), 2);
  picker_->CloseUpCalendar();
  EXPECT_EQ(mWindowsHook::InstalledHook(WH_MOUSE), hook);
  EXPECT_TRUE(second.IsDropped());
  second.CloseUpCalendar();
  EXPECT_EQ(mWindowsHook::InstalledHook(WH_MOUSE), nullptr);
}

TEST_F(PickerTest, OutsideRightClickClosesAndTheOwnButtonDoesNotReopen) {
  HWND hwnd = Create();
  picker_->DropDownCalendar();
  RECT calendar;
  GetWindowRect(picker_->Calendar().hWnd(), &calendar);
  // A click on the calendar's header band keeps it open.
  Press({calendar.left + 110, calendar.top + 40}, MOUSEEVENTF_LEFTDOWN, MOUSEEVENTF_LEFTUP);
  EXPECT_TRUE(picker_->IsDropped());
  // A right click on the host closes it.
  Press({400, 300}, MOUSEEVENTF_RIGHTDOWN, MOUSEEVENTF_RIGHTUP);
  EXPECT_FALSE(picker_->IsDropped());

  // Pressing the drop-down button of an open picker closes it for good.
  picker_->DropDownCalendar();
  const CFrame* b = picker_->Button(L"DropDown");
  POINT pt{(b->Rect().left + b->Rect().right) / 2, (b->Rect().top + b->Rect().bottom) / 2};
  ClientToScreen(hwnd, &pt);
  events_.log.clear();
  Press(pt, MOUSEEVENTF_LEFTDOWN, MOUSEEVENTF_LEFTUP);
  EXPECT_FALSE(picker_->IsDropped());
  EXPECT_EQ(events_.Count("MouseDown"), 1);
  EXPECT_EQ(events_.Count("BeforeCalendarDropDown"), 0);
  Press(pt, MOUSEEVENTF_LEFTDOWN, MOUSEEVENTF_LEFTUP);
  EXPECT_TRUE(picker_->IsDropped()) << "the next press opens it again";
  picker_->CloseUpCalendar();
}

TEST_F(PickerTest, TheCalendarsMonthListCountsAsInside) {
  Create();
  SetFocus(picker_->hWnd());
  picker_->SetValue(At(2026, 3, 10));
  picker_->DropDownCalendar();
  MonthCalendar& sc = picker_->Calendar();
  RECT calendar;
  GetWindowRect(sc.hWnd(), &calendar);
  Press({calendar.left + 60, calendar.top + 15}, MOUSEEVENTF_LEFTDOWN, MOUSEEVENTF_LEFTUP);
  COMBOBOXINFO combo{};
  combo.cbSize = sizeof(combo);
  ASSERT_TRUE(GetComboBoxInfo(sc.MonthList(), &combo));
  ASSERT_TRUE(IsWindowVisible(combo.hwndList));
  RECT list;
  GetWindowRect(combo.hwndList, &list);
  ASSERT_GT(list.bottom, calendar.bottom) << "the list reaches out of the calendar";

  // Choosing December at the list's bottom, below the calendar, keeps the
  // calendar open.
  Press({list.left + 10, list.bottom - 2}, MOUSEEVENTF_LEFTDOWN, MOUSEEVENTF_LEFTUP);
  EXPECT_TRUE(picker_->IsDropped());
  EXPECT_EQ(sc.SelectedMonth(), 12);

  // An outside click closes it and gives the focus back to the picker.
  Press({400, 300}, MOUSEEVENTF_LEFTDOWN, MOUSEEVENTF_LEFTUP);
  EXPECT_FALSE(picker_->IsDropped());
  EXPECT_EQ(GetFocus(), picker_->hWnd());
}

TEST_F(PickerTest, LosingTheFocusClosesTheCalendar) {
  Create();
  SetFocus(picker_->hWnd());
  picker_->DropDownCalendar();
  ASSERT_TRUE(picker_->IsDropped());
  SetFocus(host_);
  EXPECT_FALSE(picker_->IsDropped());
}

}  // namespace
}  // namespace almanix::testing

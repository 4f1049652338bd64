// The drop-down calendar of the picker: opening, picking, emptying,
// cancelling, placement and the shared mouse hook.
#include "almanix/dropdown/windows_hook.h"
#include "tests/almanix/picker/picker_fixture.h"

namespace almanix::testing {
namespace {

TEST_F(PickerTest, TheButtonDropsTheCalendarBelowWithThePickersValueUnlessCancelled) {
  HWND hwnd = Create();
  events_.cancelDropDown = true;
  ClickButton(L"DropDown");
  SendMessageW(hwnd, WM_KEYDOWN, VK_F4, 0);
  EXPECT_FALSE(picker_->IsDropped());
  EXPECT_EQ(events_.Count("BeforeCalendarDropDown"), 2);

  events_.cancelDropDown = false;
  picker_->SetMinDate(At(2000, 1, 1));
  events_.log.clear();
  ClickButton(L"DropDown");
  ASSERT_TRUE(picker_->IsDropped());
  EXPECT_EQ(events_.log, (std::vector<std::string>{"MouseDown", "BeforeCalendarDropDown",
                                                   "AfterCalendarDropDown", "MouseUp"}))
      << "handing the value to the calendar is no change";
  MonthCalendar& sc = picker_->Calendar();
  EXPECT_TRUE(sc.Value() == At(2026, 3, 10) && sc.MinDate() == At(2000, 1, 1));
  RECT picker, calendar;
  GetWindowRect(hwnd, &picker);
  GetWindowRect(sc.hWnd(), &calendar);
  EXPECT_TRUE(calendar.top == picker.bottom && calendar.left == picker.left);
  EXPECT_NE(mWindowsHook::InstalledHook(WH_MOUSE), nullptr);
  SendMessageW(hwnd, WM_KEYDOWN, VK_ESCAPE, 0);
  EXPECT_FALSE(picker_->IsDropped());
  EXPECT_EQ(mWindowsHook::InstalledHook(WH_MOUSE), nullptr);

  // With no room below, it opens above.
  RECT work;
  SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);
  MoveWindow(host_, 100, work.bottom - 60, 400, 60, FALSE);
  picker_->DropDownCalendar();
  GetWindowRect(hwnd, &picker);
  GetWindowRect(sc.hWnd(), &calendar);
  EXPECT_EQ(calendar.bottom, picker.top);
}

TEST_F(PickerTest, PickingADayTakesItWithTheTimeOfDayChangesAndClosesUp) {
  Create(At(2026, 3, 10, 18, 45), L"dd/MM/yyyy HH:mm");
  picker_->DropDownCalendar();
  events_.log.clear();
  PickDay(At(2026, 3, 17));
  EXPECT_EQ(picker_->Value(), At(2026, 3, 17, 18, 45));
  EXPECT_FALSE(picker_->IsDropped());
  EXPECT_EQ(events_.log, (std::vector<std::string>{"Change", "BeforeCalendarCloseUp", "AfterCalendarCloseUp"}));
}

TEST_F(PickerTest, AValueLeftOutsideANewRangeDropsDownOnTheRange) {
  Create();
  picker_->SetMinDate(At(2027, 1, 15));
  picker_->DropDownCalendar();
  ASSERT_TRUE(picker_->IsDropped());
  MonthCalendar& sc = picker_->Calendar();
  EXPECT_EQ(sc.SelectedYear() * 100 + sc.SelectedMonth(), 202701);
  EXPECT_EQ(picker_->Value(), At(2026, 3, 10)) << "dropping down changes nothing";
  // A range change while dropped moves the open calendar along.
  picker_->SetMinDate(At(2020, 1, 1));
  picker_->SetMaxDate(At(2025, 6, 30));
  EXPECT_EQ(sc.SelectedYear() * 100 + sc.SelectedMonth(), 202506);
  EXPECT_EQ(sc.MaxDate(), At(2025, 6, 30));
}

TEST_F(PickerTest, EmptyButtonEmptiesUnlessCancelled) {
  Create();
  picker_->SetAllowEmpty(true);
  EXPECT_TRUE(picker_->Calendar().EmptyButton());
  picker_->DropDownCalendar();
  const HWND calendar = picker_->Calendar().hWnd();
  events_.cancelEmpty = true;
  Click(calendar, 150, 164);
  EXPECT_EQ(events_.Count("EmptyClicked"), 1);
  EXPECT_EQ(picker_->Value(), At(2026, 3, 10));
  EXPECT_TRUE(picker_->IsDropped());

  events_.cancelEmpty = false;
  events_.log.clear();
  Click(calendar, 150, 164);
  EXPECT_FALSE(picker_->Value().has_value() || picker_->IsDropped());
  EXPECT_EQ(events_.log, (std::vector<std::string>{"EmptyClicked", "Change"}));
  picker_->DropDownCalendar();
  EXPECT_EQ(picker_->Calendar().Value(), At(2026, 3, 10)) << "an empty picker drops down on its last date";
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
  Press({calendar.left + 110, calendar.top + 40}, MOUSEEVENTF_LEFTDOWN, MOUSEEVENTF_LEFTUP);
  EXPECT_TRUE(picker_->IsDropped()) << "a click on the calendar's header band keeps it open";
  Press({400, 300}, MOUSEEVENTF_RIGHTDOWN, MOUSEEVENTF_RIGHTUP);
  EXPECT_FALSE(picker_->IsDropped()) << "a right click on the host closes it";

  // Pressing the drop-down button of an open picker closes it for good.
  picker_->DropDownCalendar();
  POINT pt = Centre(L"DropDown");
  ClientToScreen(hwnd, &pt);
  events_.log.clear();
  Press(pt, MOUSEEVENTF_LEFTDOWN, MOUSEEVENTF_LEFTUP);
  EXPECT_FALSE(picker_->IsDropped());
  EXPECT_EQ(events_.Count("BeforeCalendarDropDown"), 0);
  Press(pt, MOUSEEVENTF_LEFTDOWN, MOUSEEVENTF_LEFTUP);
  EXPECT_TRUE(picker_->IsDropped()) << "the next press opens it again";
  picker_->CloseUpCalendar();
}

TEST_F(PickerTest, TheCalendarsMonthListCountsAsInsideAndTheFocusComesBack) {
  Create();
  SetFocus(picker_->hWnd());
  picker_->DropDownCalendar();
  MonthCalendar& sc = picker_->Calendar();
  RECT calendar, list;
  GetWindowRect(sc.hWnd(), &calendar);
  Press({calendar.left + 60, calendar.top + 15}, MOUSEEVENTF_LEFTDOWN, MOUSEEVENTF_LEFTUP);
  COMBOBOXINFO combo{};
  combo.cbSize = sizeof combo;
  ASSERT_TRUE(GetComboBoxInfo(sc.MonthList(), &combo));
  ASSERT_TRUE(IsWindowVisible(combo.hwndList));
  GetWindowRect(combo.hwndList, &list);
  ASSERT_GT(list.bottom, calendar.bottom) << "the list reaches out of the calendar";

  // Choosing December at the list's bottom, below the calendar, keeps the
  // calendar open.
  Press({list.left + 10, list.bottom - 2}, MOUSEEVENTF_LEFTDOWN, MOUSEEVENTF_LEFTUP);
  EXPECT_TRUE(picker_->IsDropped());
  EXPECT_EQ(sc.SelectedMonth(), 12);
  EXPECT_EQ(GetFocus(), picker_->hWnd()) << "the closed list gives the keys back to the picker";
  // An outside click closes it and gives the focus back to the picker.
  Press({400, 300}, MOUSEEVENTF_LEFTDOWN, MOUSEEVENTF_LEFTUP);
  EXPECT_FALSE(picker_->IsDropped());
  EXPECT_EQ(GetFocus(), picker_->hWnd());
  // Losing the focus closes it too.
  picker_->DropDownCalendar();
  ASSERT_TRUE(picker_->IsDropped());
  SetFocus(host_);
  EXPECT_FALSE(picker_->IsDropped());
}

}  // namespace
}  // namespace almanix::testing

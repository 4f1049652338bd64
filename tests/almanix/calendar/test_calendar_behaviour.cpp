#include "calendar_fixture.h"
#include "almanix/core/locale_names.h"
#include "common/numbered_error.h"

using almanix::MonthCalendar;
using calendar_test::CalendarWindow;
using common::DateTime;

namespace {

constexpr POINT kRight{190, 15}, kLeft{10, 15}, kYear{127, 15}, kUp{155, 10}, kDown{155, 20};
constexpr POINT kMonthName{60, 15}, kToday{40, 164}, kEmpty{150, 164};
using Log = std::vector<std::wstring>;

}  // namespace

TEST_F(CalendarWindow, WindowHasTheFixedSize) {
  RECT r;
  GetClientRect(hwnd(), &r);
  EXPECT_EQ(r.right, 204);
  EXPECT_EQ(r.bottom, 180);
  SetWindowPos(hwnd(), nullptr, 0, 0, 300, 50, SWP_NOZORDER | SWP_NOMOVE);
  GetWindowRect(hwnd(), &r);
  EXPECT_EQ(r.right - r.left, 204);
  EXPECT_EQ(r.bottom - r.top, 180);
  EXPECT_FALSE(GetWindowLongW(cal_->MonthList(), GWL_STYLE) & WS_VISIBLE);
}

TEST_F(CalendarWindow, MonthStartingOnTheFirstDayOfTheWeek) {
  // 1 February 2026 is a Sunday.
  cal_->SetFirstDayofWeek(1);
  Show(2026, 2);
  EXPECT_EQ(cal_->GridStartDate(), DateTime::Serial(2026, 2, 1));
  POINT p = Cell(0);
  Click(p.x, p.y);
  EXPECT_EQ(cal_->Value(), DateTime::Serial(2026, 2, 1));
  EXPECT_EQ(events_.log, (Log{L"MouseDown", L"Change", L"DateClicked", L"MouseUp"}));
  EXPECT_EQ(events_.lastButton, 1);
  EXPECT_EQ(events_.lastX, float(p.x));

  // Monday first: the row starts with the last days of January.
  cal_->SetFirstDayofWeek(2);
  EXPECT_EQ(cal_->GridStartDate(), DateTime::Serial(2026, 1, 26));
  // System setting (Sunday in the test locale).
  cal_->SetFirstDayofWeek(0);
  EXPECT_EQ(cal_->GridStartDate(), DateTime::Serial(2026, 2, 1));
  EXPECT_THROW(cal_->SetFirstDayofWeek(8), common::NumberedError);
}

TEST_F(CalendarWindow, ClickOnATrailingDayMovesToItsMonth) {
  cal_->SetFirstDayofWeek(1);
  Show(2026, 2);
  POINT p = Cell(41);  // 14 March
  Down(p.x, p.y, WM_RBUTTONDOWN, MK_RBUTTON);
  EXPECT_EQ(cal_->Value(), DateTime::Serial(2026, 3, 14));
  EXPECT_EQ(cal_->SelectedMonth(), 3);
  EXPECT_EQ(events_.lastButton, 2);
  EXPECT_EQ(events_.log, (Log{L"MouseDown", L"MonthChanged", L"Change", L"DateClicked"}));
}

TEST_F(CalendarWindow, ClickOutsideTheRangeKeepsValue) {
  cal_->SetValue(DateTime::Serial(2026, 2, 20));
  cal_->SetMinDate(DateTime::Serial(2026, 2, 10));
  cal_->SetFirstDayofWeek(1);
  Show(2026, 2);
  POINT p = Cell(3);  // 4 February
  Click(p.x, p.y);
  EXPECT_EQ(cal_->Value(), DateTime::Serial(2026, 2, 20));
  EXPECT_EQ(events_.Count(L"DateClicked"), 1);
  EXPECT_EQ(events_.Count(L"Change"), 0);
}

TEST_F(CalendarWindow, RightInDecemberAndLeftInJanuary) {
  cal_->SetValue(DateTime::Serial(2026, 12, 5));
  Show(2026, 12);
  Click(kRight.x, kRight.y);
  EXPECT_EQ(cal_->SelectedMonth(), 1);
  EXPECT_EQ(cal_->SelectedYear(), 2027);
  EXPECT_EQ(SendMessageW(cal_->MonthList(), CB_GETCURSEL, 0, 0), 0);
  EXPECT_EQ(events_.Count(L"MonthChanged"), 1);
  EXPECT_EQ(events_.Count(L"Change"), 0);
  EXPECT_EQ(cal_->Value(), DateTime::Serial(2026, 12, 5)) << "navigation never changes Value";
  Click(kLeft.x, kLeft.y);
  EXPECT_EQ(cal_->SelectedMonth(), 12);
  EXPECT_EQ(cal_->SelectedYear(), 2026);
  EXPECT_EQ(events_.Count(L"MonthChanged"), 2);
  EXPECT_FALSE(cal_->Button(L"Right")->State & almanix::cfspushed);
}

TEST_F(CalendarWindow, NavigationStopsAtTheMonthsOfTheRange) {
  // December 9999 is the last month the calendar can show.
  Show(9999, 12);
  Click(kRight.x, kRight.y);
  EXPECT_EQ(cal_->SelectedYear(), 9999);
  EXPECT_EQ(cal_->SelectedMonth(), 12);
  EXPECT_EQ(events_.Count(L"MonthChanged"), 0);
  cal_->SetMinDate(DateTime::Serial(2026, 3, 15));
  Show(2026, 3);
  Click(kLeft.x, kLeft.y);
  EXPECT_EQ(cal_->SelectedMonth(), 3);
  EXPECT_EQ(events_.Count(L"MonthChanged"), 0);
}

TEST_F(CalendarWindow, UpAndDownStopAtTheYearsOfTheRange) {
  cal_->SetMaxDate(DateTime::Serial(2030, 6, 30));
  cal_->SetMinDate(DateTime::Serial(2028, 1, 1));
  Show(2029, 3);
  Down(kYear.x, kYear.y);
  EXPECT_TRUE(cal_->Button(L"Up")->Visible);
  EXPECT_TRUE(cal_->Button(L"Down")->Visible);
  Up(kYear.x, kYear.y);
  Click(kUp.x, kUp.y);
  EXPECT_EQ(cal_->SelectedYear(), 2030);
  EXPECT_EQ(events_.Count(L"YearChanged"), 1);
  Click(kUp.x, kUp.y);
  EXPECT_EQ(cal_->SelectedYear(), 2030);
  EXPECT_EQ(events_.Count(L"YearChanged"), 1) << "Up at the MaxDate year does nothing";
  Click(kDown.x, kDown.y);
  Click(kDown.x, kDown.y);
  Click(kDown.x, kDown.y);
  EXPECT_EQ(cal_->SelectedYear(), 2028);
  EXPECT_EQ(events_.Count(L"YearChanged"), 3);
  // The arrows hide again away from the year.
  Down(Cell(10).x, Cell(10).y);
  EXPECT_FALSE(cal_->Button(L"Up")->Visible);
}

TEST_F(CalendarWindow, YearDragStepsByMovesOfMoreThanTwoPixels) {
  Show(2026, 5);
  Down(kYear.x, kYear.y);
  SendMessageW(hwnd(), WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(kYear.x, kYear.y - 2));
  EXPECT_EQ(cal_->SelectedYear(), 2026);
  SendMessageW(hwnd(), WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(kYear.x, kYear.y - 3));
  EXPECT_EQ(cal_->SelectedYear(), 2027);
  SendMessageW(hwnd(), WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(kYear.x, kYear.y + 4));
  SendMessageW(hwnd(), WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(kYear.x, kYear.y + 10));
  EXPECT_EQ(cal_->SelectedYear(), 2025);
  EXPECT_EQ(events_.Count(L"YearChanged"), 3);
  Up(kYear.x, kYear.y + 10);
  SendMessageW(hwnd(), WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(kYear.x, 0));
  EXPECT_EQ(cal_->SelectedYear(), 2025) << "no drag after the button is up";
}

TEST_F(CalendarWindow, SameValueTwiceRaisesChangeTwice) {
  std::vector<std::wstring> changed;
  cal_->SetPropertyChangedHandler([&](std::wstring_view n) { changed.emplace_back(n); });
  DateTime d = DateTime::Serial(2026, 7, 4);
  cal_->SetValue(d);
  cal_->SetValue(d);
  EXPECT_EQ(events_.Count(L"Change"), 2);
  EXPECT_EQ(std::count(changed.begin(), changed.end(), L"Value"), 1);
  EXPECT_EQ(cal_->SelectedMonth(), 7);
  EXPECT_EQ(cal_->SelectedDay(), 4);
}

TEST_F(CalendarWindow, SelectedDayMonthAndYear) {
  cal_->SetValue(DateTime::Serial(2026, 7, 4));
  cal_->SetSelectedYear(2024);
  cal_->SetSelectedMonth(2);
  EXPECT_EQ(cal_->Value(), DateTime::Serial(2026, 7, 4));
  cal_->SetSelectedDay(29);
  EXPECT_EQ(cal_->Value(), DateTime::Serial(2024, 2, 29));
  EXPECT_THROW(cal_->SetSelectedMonth(13), common::NumberedError);
  EXPECT_THROW(cal_->SetSelectedYear(10000), common::NumberedError);
  EXPECT_EQ(cal_->SelectedYear(), 2024);
}

TEST_F(CalendarWindow, MinAndMaxDateErrors) {
  cal_->SetMinDate(DateTime::Serial(2020, 1, 1));
  cal_->SetMaxDate(DateTime::Serial(2030, 1, 1));
  try {
    cal_->SetMaxDate(DateTime::Serial(2019, 12, 31));
    FAIL();
  } catch (const common::NumberedError& e) {
    EXPECT_EQ(e.Number(), 1070);
    EXPECT_EQ(e.Source(), L"DatePicker");
    EXPECT_EQ(e.Description(), L"MaxDate can't be smaller than MinDate");
  }
  try {
    cal_->SetMinDate(DateTime::Serial(2030, 1, 2));
    FAIL();
  } catch (const common::NumberedError& e) {
    EXPECT_EQ(e.Number(), 1068);
    EXPECT_EQ(e.Description(), L"MinDate can't be larger than MaxDate");
  }
  EXPECT_EQ(cal_->MinDate(), DateTime::Serial(2020, 1, 1));
  EXPECT_EQ(cal_->MaxDate(), DateTime::Serial(2030, 1, 1));
  cal_->SetMinDate(DateTime::Serial(2030, 1, 1));  // equal bounds are fine
  EXPECT_EQ(cal_->MinDate(), cal_->MaxDate());
}

TEST_F(CalendarWindow, TodayAndEmptyButtons) {
  cal_->SetValue(DateTime::Serial(2001, 1, 1));
  events_.log.clear();
  Click(kToday.x - 24, kToday.y);  // Today sits at the left without the Empty button
  EXPECT_EQ(cal_->Value(), almanix::Today());
  EXPECT_EQ(events_.Count(L"Change"), 1);
  Click(kEmpty.x, kEmpty.y);
  EXPECT_EQ(events_.Count(L"EmptyClicked"), 0) << "no Empty button shown";

  cal_->SetEmptyButton(true);
  cal_->SetValue(DateTime::Serial(2001, 1, 1));
  events_.log.clear();
  Click(kToday.x, kToday.y);
  EXPECT_EQ(cal_->Value(), almanix::Today());
  Click(kEmpty.x, kEmpty.y);
  EXPECT_EQ(events_.Count(L"EmptyClicked"), 1);
  EXPECT_FALSE(cal_->Button(L"Empty")->State & almanix::cfspushed);
}

TEST_F(CalendarWindow, MonthListSelection) {
  Show(2026, 4);
  Click(kMonthName.x, kMonthName.y);
  EXPECT_TRUE(GetWindowLongW(cal_->MonthList(), GWL_STYLE) & WS_VISIBLE);
  RECT r;
  GetWindowRect(cal_->MonthList(), &r);
  MapWindowPoints(nullptr, hwnd(), reinterpret_cast<POINT*>(&r), 2);
  EXPECT_EQ(r.left, 24);
  EXPECT_EQ(r.top, 5);
  SendMessageW(cal_->MonthList(), CB_SHOWDROPDOWN, FALSE, 0);

  auto pick = [&](int index) {
    SendMessageW(cal_->MonthList(), CB_SETCURSEL, index, 0);
    SendMessageW(hwnd(), WM_COMMAND, MAKEWPARAM(100, CBN_SELCHANGE),
                 reinterpret_cast<LPARAM>(cal_->MonthList()));
  };
  pick(7);
  EXPECT_EQ(cal_->SelectedMonth(), 8);
  EXPECT_EQ(events_.Count(L"MonthChanged"), 1);
  // Before the month of MinDate in its year: the list goes back.
  cal_->SetMinDate(DateTime::Serial(2026, 3, 15));
  pick(1);
  EXPECT_EQ(cal_->SelectedMonth(), 8);
  EXPECT_EQ(SendMessageW(cal_->MonthList(), CB_GETCURSEL, 0, 0), 7);
  EXPECT_EQ(events_.Count(L"MonthChanged"), 1);
  pick(2);
  EXPECT_EQ(cal_->SelectedMonth(), 3);
  wchar_t text[32];
  SendMessageW(cal_->MonthList(), CB_GETLBTEXT, 2, reinterpret_cast<LPARAM>(text));
  EXPECT_STREQ(text, L"March");
}

TEST_F(CalendarWindow, KeysAreRaisedAsEvents) {
  SendMessageW(hwnd(), WM_KEYDOWN, VK_F4, 0);
  EXPECT_EQ(events_.lastKey, VK_F4);
  SendMessageW(hwnd(), WM_CHAR, 'a', 0);
  EXPECT_EQ(events_.lastKey, 'a');
  SendMessageW(hwnd(), WM_KEYUP, VK_F4, 0);
  EXPECT_EQ(events_.log, (Log{L"KeyDown", L"KeyPress", L"KeyUp"}));
  EXPECT_EQ(SendMessageW(hwnd(), WM_GETDLGCODE, 0, 0) & DLGC_WANTARROWS, DLGC_WANTARROWS);
}

TEST_F(CalendarWindow, DoubleClickRunsTheButtonOnceMore) {
  Show(2026, 5);
  Down(kRight.x, kRight.y);
  Up(kRight.x, kRight.y);
  SendMessageW(hwnd(), WM_LBUTTONDBLCLK, MK_LBUTTON, MAKELPARAM(kRight.x, kRight.y));
  Up(kRight.x, kRight.y);
  EXPECT_EQ(cal_->SelectedMonth(), 7);
  EXPECT_EQ(events_.Count(L"MonthChanged"), 2);
}

TEST_F(CalendarWindow, DisabledControlShowsInactiveArrows) {
  cal_->SetEnabled(false);
  EXPECT_FALSE(IsWindowEnabled(hwnd()));
  EXPECT_TRUE(cal_->Button(L"Left")->State & almanix::cfsInactive);
  EXPECT_TRUE(cal_->Button(L"Right")->State & almanix::cfsInactive);
  cal_->SetEnabled(true);
  EXPECT_TRUE(IsWindowEnabled(hwnd()));
  EXPECT_FALSE(cal_->Button(L"Left")->State & almanix::cfsInactive);
}

namespace {

// Moves the real cursor to a client point; false when the platform ignores it.
bool PutCursor(HWND hwnd, POINT client) {
  POINT screen = client;
  ClientToScreen(hwnd, &screen);
  SetCursorPos(screen.x, screen.y);
  POINT now;
  GetCursorPos(&now);
  return now.x == screen.x && now.y == screen.y;
}

}  // namespace

TEST_F(CalendarWindow, HeldButtonRepeatsAfter750MsThenEvery100Ms) {
  if (!PutCursor(hwnd(), kRight)) GTEST_SKIP() << "cursor cannot be placed here";
  Show(2026, 1);
  Down(kRight.x, kRight.y);
  EXPECT_EQ(events_.Count(L"MonthChanged"), 1);
  Pump(550);
  EXPECT_EQ(events_.Count(L"MonthChanged"), 1) << "no repeat before 750 ms";
  Pump(1100);  // 1650 ms held: about 1 + 1 + 9
  int held = events_.Count(L"MonthChanged");
  EXPECT_GE(held, 4);
  EXPECT_LE(held, 13);
  // Leaving the button stops the repeat and releases it.
  PutCursor(hwnd(), Cell(20));
  Pump(300);
  int after = events_.Count(L"MonthChanged");
  EXPECT_LE(after, held + 1);
  Pump(400);
  EXPECT_EQ(events_.Count(L"MonthChanged"), after);
  EXPECT_FALSE(cal_->Button(L"Right")->State & almanix::cfspushed);
  Up(Cell(20).x, Cell(20).y);
  EXPECT_EQ(cal_->SelectedMonth() + 12 * (cal_->SelectedYear() - 2026), 1 + after);
}

TEST_F(CalendarWindow, ReleasedButtonStopsRepeating) {
  if (!PutCursor(hwnd(), kRight)) GTEST_SKIP() << "cursor cannot be placed here";
  Show(2026, 1);
  Down(kRight.x, kRight.y);
  Up(kRight.x, kRight.y);
  Pump(1000);
  EXPECT_EQ(events_.Count(L"MonthChanged"), 1);
}

TEST_F(CalendarWindow, HoverIconShowsAHandOverClickableAreas) {
  if (!PutCursor(hwnd(), kYear)) GTEST_SKIP() << "cursor cannot be placed here";
  const HCURSOR hand = LoadCursorW(nullptr, IDC_HAND), arrow = LoadCursorW(nullptr, IDC_ARROW);
  auto cursorAt = [&](POINT p) {
    PutCursor(hwnd(), p);
    SendMessageW(hwnd(), WM_SETCURSOR, reinterpret_cast<WPARAM>(hwnd()), MAKELPARAM(HTCLIENT, WM_MOUSEMOVE));
    return GetCursor();
  };
  EXPECT_EQ(cursorAt(kYear), hand);
  EXPECT_EQ(cursorAt(kMonthName), hand);
  EXPECT_EQ(cursorAt({30, 164}), hand);  // Today at the left
  EXPECT_EQ(cursorAt(Cell(10)), arrow);
  EXPECT_EQ(cursorAt(kEmpty), arrow);
  cal_->SetEmptyButton(true);
  EXPECT_EQ(cursorAt(kEmpty), hand);
  cal_->HoverIcon = false;
  EXPECT_EQ(cursorAt(kYear), arrow);
}

#include "almanix/core/locale_names.h"
#include "calendar_fixture.h"
#include "tests/almanix/control_errors.h"

#include <stdexcept>

using almanix::testing::ControlErrorOf;
using almanix::testing::PumpFor;
using calendar_test::CalendarWindow;
using common::DateTime;

namespace {

constexpr POINT kRight{190, 15}, kLeft{10, 15}, kYear{127, 15}, kUp{155, 10}, kDown{155, 20};
constexpr POINT kMonthName{60, 15}, kToday{40, 164}, kEmpty{150, 164};
using Log = std::vector<std::wstring>;

// Moves the real cursor to a client point; false when the platform ignores it.
bool PutCursor(HWND hwnd, POINT p) {
  ClientToScreen(hwnd, &p);
  SetCursorPos(p.x, p.y);
  POINT now;
  GetCursorPos(&now);
  return now.x == p.x && now.y == p.y;
}

}  // namespace

TEST_F(CalendarWindow, MonthStartingOnTheFirstDayOfTheWeekAndAFixedSize) {
  SetWindowPos(hwnd(), nullptr, 0, 0, 300, 50, SWP_NOZORDER | SWP_NOMOVE);
  RECT r;
  GetWindowRect(hwnd(), &r);
  EXPECT_EQ(std::pair(r.right - r.left, r.bottom - r.top), std::pair(204L, 180L));
  cal_->SetFirstDayofWeek(1);
  Show(2026, 2);  // 1 February 2026 is a Sunday
  EXPECT_EQ(cal_->GridStartDate(), DateTime::Serial(2026, 2, 1));
  Click(Cell(0));
  EXPECT_EQ(cal_->Value(), DateTime::Serial(2026, 2, 1));
  EXPECT_EQ(events_.log, (Log{L"MouseDown", L"Change", L"DateClicked", L"MouseUp"}));
  EXPECT_EQ(events_.lastX, float(Cell(0).x));
  cal_->SetFirstDayofWeek(2);
  EXPECT_EQ(cal_->GridStartDate(), DateTime::Serial(2026, 1, 26));
  Send(WM_RBUTTONDOWN, Cell(41), MK_RBUTTON);  // any button picks a day: 8 March
  EXPECT_EQ(cal_->Value(), DateTime::Serial(2026, 3, 8));
  EXPECT_EQ(Shown(), std::pair(2026, 3));
  EXPECT_EQ(ControlErrorOf([&] { cal_->SetFirstDayofWeek(8); }), 5);
}

TEST_F(CalendarWindow, RightInDecemberAndLeftInJanuary) {
  cal_->SetValue(DateTime::Serial(2026, 12, 5));
  Show(2026, 12);
  Click(kRight);
  EXPECT_EQ(Shown(), std::pair(2027, 1));
  EXPECT_EQ(SendMessageW(cal_->MonthList(), CB_GETCURSEL, 0, 0), 0);
  Click(kLeft);
  EXPECT_EQ(Shown(), std::pair(2026, 12));
  EXPECT_EQ(events_.log, (Log{L"MouseDown", L"MonthChanged", L"MouseUp", L"MouseDown", L"MonthChanged", L"MouseUp"}))
      << "no Change: the value stays";
}

TEST_F(CalendarWindow, NavigationStopsAtTheMonthsAndYearsOfTheRange) {
  Show(9999, 12);  // the last month a date can name
  Click(kRight);
  EXPECT_EQ(Shown(), std::pair(9999, 12));
  cal_->SetMinDate(DateTime::Serial(2026, 3, 15));
  Show(2026, 3);
  Click(kLeft);
  EXPECT_EQ(Shown(), std::pair(2026, 3));
  EXPECT_EQ(events_.Count(L"MonthChanged"), 0);

  cal_->SetMaxDate(DateTime::Serial(2030, 6, 30));
  cal_->SetMinDate(DateTime::Serial(2028, 1, 1));
  Show(2029, 3);
  Click(kYear);
  Click(kUp);
  Click(kUp);
  EXPECT_EQ(cal_->SelectedYear(), 2030);
  EXPECT_EQ(events_.Count(L"YearChanged"), 1) << "Up at the MaxDate year does nothing";
  for (int i = 0; i < 3; ++i) Click(kDown);
  EXPECT_EQ(cal_->SelectedYear(), 2028);
  EXPECT_EQ(events_.Count(L"YearChanged"), 3);
  Click(Cell(10));
  EXPECT_FALSE(cal_->Button(L"Up")->Visible);
}

TEST_F(CalendarWindow, YearDragStepsByMovesOfMoreThanTwoPixels) {
  Show(2026, 5);
  Send(WM_LBUTTONDOWN, kYear, MK_LBUTTON);
  Send(WM_MOUSEMOVE, {kYear.x, kYear.y - 2}, MK_LBUTTON);
  EXPECT_EQ(cal_->SelectedYear(), 2026);
  Send(WM_MOUSEMOVE, {kYear.x, kYear.y - 3}, MK_LBUTTON);
  EXPECT_EQ(cal_->SelectedYear(), 2027);
  Send(WM_MOUSEMOVE, {kYear.x, kYear.y + 4}, MK_LBUTTON);
  Send(WM_MOUSEMOVE, {kYear.x, kYear.y + 10}, MK_LBUTTON);
  EXPECT_EQ(cal_->SelectedYear(), 2025);
}

TEST_F(CalendarWindow, SameValueTwiceRaisesChangeTwice) {
  int marked = 0;
  cal_->SetPropertyChangedHandler([&](std::wstring_view n) { marked += n == L"Value"; });
  cal_->SetValue(DateTime::Serial(2026, 7, 4));
  cal_->SetValue(DateTime::Serial(2026, 7, 4));
  EXPECT_EQ(events_.Count(L"Change"), 2);
  EXPECT_EQ(marked, 1);
  EXPECT_EQ(ControlErrorOf([&] { cal_->SetSelectedYear(10000); }), 5);
}

TEST_F(CalendarWindow, MinAndMaxDateErrorsStoreNothing) {
  cal_->SetMinDate(DateTime::Serial(2020, 1, 1));
  cal_->SetMaxDate(DateTime::Serial(2030, 1, 1));
  EXPECT_EQ(ControlErrorOf([&] { cal_->SetMaxDate(DateTime::Serial(2019, 12, 31)); }), 1070);
  EXPECT_EQ(ControlErrorOf([&] { cal_->SetMinDate(DateTime::Serial(2030, 1, 2)); }), 1068);
  EXPECT_EQ(ControlErrorOf([&] { cal_->SetMaxDate(DateTime(3e6)); }), 5);  // after 9999
  EXPECT_TRUE(cal_->MinDate() == DateTime::Serial(2020, 1, 1) && cal_->MaxDate() == DateTime::Serial(2030, 1, 1));
  // A day outside the range is clicked but not taken.
  Show(2019, 12);
  Click(Cell(10));
  EXPECT_TRUE(events_.Count(L"DateClicked") == 1 && events_.Count(L"Change") == 0);
}

TEST_F(CalendarWindow, TodayAndEmptyButtons) {
  cal_->SetValue(DateTime::Serial(2001, 1, 1));
  Click({kToday.x - 12, kToday.y});  // Today sits further left without the Empty button
  EXPECT_EQ(cal_->Value(), almanix::Today());
  Click(kEmpty);
  EXPECT_EQ(events_.Count(L"EmptyClicked"), 0);
  cal_->SetEmptyButton(true);
  Click(kEmpty);
  EXPECT_EQ(events_.Count(L"EmptyClicked"), 1);
  EXPECT_FALSE(cal_->Button(L"Empty")->State & almanix::cfspushed);
}

TEST_F(CalendarWindow, MonthListSelection) {
  Show(2026, 4);
  Click(kMonthName);
  SendMessageW(cal_->MonthList(), CB_SHOWDROPDOWN, FALSE, 0);
  auto pick = [&](int index) {
    SendMessageW(cal_->MonthList(), CB_SETCURSEL, index, 0);
    SendMessageW(hwnd(), WM_COMMAND, MAKEWPARAM(100, CBN_SELCHANGE), reinterpret_cast<LPARAM>(cal_->MonthList()));
  };
  pick(7);
  EXPECT_EQ(cal_->SelectedMonth(), 8);
  cal_->SetMinDate(DateTime::Serial(2026, 3, 15));
  pick(1);  // before the month of MinDate: the list goes back
  EXPECT_EQ(cal_->SelectedMonth(), 8);
  EXPECT_EQ(SendMessageW(cal_->MonthList(), CB_GETCURSEL, 0, 0), 7);
  EXPECT_EQ(events_.Count(L"MonthChanged"), 1);
}

TEST_F(CalendarWindow, AClosedMonthListGivesTheFocusToItsOwner) {
  // Inside a picker the picker gets the keys back, not the calendar.
  HWND owner = CreateWindowExW(0, L"EDIT", L"", WS_CHILD | WS_VISIBLE, 250, 10, 80, 20, parent_, nullptr,
                               GetModuleHandleW(nullptr), nullptr);
  ShowWindow(parent_, SW_SHOW);
  for (HWND expected : {hwnd(), owner}) {
    cal_->SetFocusOwner(expected == owner ? owner : nullptr);
    Click(kMonthName);
    ASSERT_EQ(GetFocus(), cal_->MonthList());
    SendMessageW(cal_->MonthList(), CB_SHOWDROPDOWN, FALSE, 0);
    almanix::testing::Pump();
    EXPECT_EQ(GetFocus(), expected);
    EXPECT_FALSE(IsWindowVisible(cal_->MonthList()));
  }
}

TEST_F(CalendarWindow, AHandlerThatThrowsEndsOnlyItsMessage) {
  struct Thrower : almanix::MonthCalendarEvents {
    void DateClicked() override { throw std::runtime_error("host failed"); }
  } thrower;
  cal_->Events().Advise(&thrower);
  Click(Cell(9));
  Click(kRight);
  EXPECT_EQ(events_.Count(L"MonthChanged"), 1);
  cal_->Events().Unadvise(&thrower);
}

TEST_F(CalendarWindow, KeysAndDoubleClicks) {
  SendMessageW(hwnd(), WM_KEYDOWN, VK_F4, 0);
  SendMessageW(hwnd(), WM_CHAR, 'a', 0);
  EXPECT_EQ(events_.last, 'a');
  SendMessageW(hwnd(), WM_KEYUP, VK_F4, 0);
  EXPECT_EQ(events_.log, (Log{L"KeyDown", L"KeyPress", L"KeyUp"}));
  // The second click of a double click comes without a mouse-down.
  Show(2026, 5);
  Click(kRight);
  Send(WM_LBUTTONDBLCLK, kRight, MK_LBUTTON);
  Send(WM_LBUTTONUP, kRight);
  EXPECT_EQ(cal_->SelectedMonth(), 7);
}

TEST_F(CalendarWindow, HeldButtonRepeatsAfter750MsThenEvery100Ms) {
  if (!PutCursor(hwnd(), kRight)) GTEST_SKIP() << "cursor cannot be placed here";
  Show(2026, 1);
  Send(WM_LBUTTONDOWN, kRight, MK_LBUTTON);
  PumpFor(550);
  EXPECT_EQ(events_.Count(L"MonthChanged"), 1) << "no repeat before 750 ms";
  PumpFor(1100);  // held 1650 ms: about 1 + 1 + 9 steps
  int held = events_.Count(L"MonthChanged");
  EXPECT_GE(held, 4);
  EXPECT_LE(held, 13);
  PutCursor(hwnd(), Cell(20));  // leaving the button stops it
  PumpFor(300);
  int after = events_.Count(L"MonthChanged");
  EXPECT_LE(after, held + 1);
  PumpFor(400);
  EXPECT_EQ(events_.Count(L"MonthChanged"), after);
  EXPECT_FALSE(cal_->Button(L"Right")->State & almanix::cfspushed);
  Send(WM_LBUTTONUP, Cell(20));
  // Released at once: no repeat at all.
  PutCursor(hwnd(), kRight);
  Click(kRight);
  PumpFor(900);
  EXPECT_EQ(events_.Count(L"MonthChanged"), after + 1);
}


// The month calendar: its grid, navigation, range, buttons, keys and
// events driven through its window's messages; reading saved properties
// (its drawing and every property's round trip are the contract test's).
#include <stdexcept>

#include "almanix/calendar/month_calendar.h"
#include "almanix/core/library_state.h"
#include "almanix/core/locale_names.h"
#include "tests/almanix/com_test.h"

namespace almanix::testing {
namespace {

using common::DateTime;
using common::MemoryPropertyBag;
using Log = std::vector<std::wstring>;

constexpr POINT kRight{190, 15}, kLeft{10, 15}, kYear{127, 15}, kUp{155, 10}, kDown{155, 20};
constexpr POINT kMonthName{60, 15}, kToday{40, 164}, kEmpty{150, 164};


// The events, logged by name, and the last character typed.
#define HEARD(event, ...) void event(__VA_ARGS__) override { log.push_back(L"" #event); }
struct Recorder : MonthCalendarEvents {
  int Count(const std::wstring& name) const { return static_cast<int>(std::count(log.begin(), log.end(), name)); }
  HEARD(Change) HEARD(MonthChanged) HEARD(YearChanged) HEARD(DateClicked) HEARD(EmptyClicked)
  HEARD(MouseDown, int16_t&, float&, float&) HEARD(MouseUp, int16_t&, float&, float&)
  HEARD(KeyDown, int16_t&, int16_t&) HEARD(KeyUp, int16_t&, int16_t&)
  void KeyPress(int16_t& ascii) override { log.push_back(L"KeyPress"), typed = ascii; }
  Log log;
  int16_t typed = 0;
};

class CalendarWindow : public ::testing::Test {
 protected:
  void SetUp() override {
    State().bLoading = false;
    parent_ = CreateHostWindow();
    ASSERT_NE(cal_->Create(parent_, 10, 10), nullptr);
    cal_->Events().Advise(&events_);
  }
  void TearDown() override {
    cal_.reset();
    DestroyWindow(parent_);
  }
  HWND hwnd() const { return cal_->hWnd(); }
  void Send(UINT msg, POINT p, WPARAM keys = 0) { SendMessageW(hwnd(), msg, keys, MAKELPARAM(p.x, p.y)); }
  void Click(POINT p) { Send(WM_LBUTTONDOWN, p, MK_LBUTTON), Send(WM_LBUTTONUP, p); }
  void Show(int year, int month) {
    cal_->SetSelectedYear(year);
    cal_->SetSelectedMonth(month);
    events_.log.clear();
  }
  // The year and month on show.
  std::pair<int, int> Shown() const { return {cal_->SelectedYear(), cal_->SelectedMonth()}; }
  // Moves the real cursor to a client point; false when the platform ignores it.
  bool PutCursor(POINT p) {
    ClientToScreen(hwnd(), &p);
    SetCursorPos(p.x, p.y);
    POINT now;
    GetCursorPos(&now);
    return now.x == p.x && now.y == p.y;
  }

  HWND parent_ = nullptr;
  std::unique_ptr<MonthCalendar> cal_ = std::make_unique<MonthCalendar>();
  Recorder events_;
};

// Its fixed size is the ATL host test's.
TEST_F(CalendarWindow, MonthStartingOnTheFirstDayOfTheWeekAndArrowsAcrossTheYear) {
  cal_->SetFirstDayofWeek(1);
  Show(2026, 2);  // 1 February 2026 is a Sunday
  EXPECT_EQ(cal_->GridStartDate(), DateTime::Serial(2026, 2, 1));
  Click(DayCell(0));
  EXPECT_EQ(cal_->Value(), DateTime::Serial(2026, 2, 1));
  EXPECT_EQ(events_.log, (Log{L"MouseDown", L"Change", L"DateClicked", L"MouseUp"}));
  cal_->SetFirstDayofWeek(2);
  EXPECT_EQ(cal_->GridStartDate(), DateTime::Serial(2026, 1, 26));
  Send(WM_RBUTTONDOWN, DayCell(41), MK_RBUTTON);  // any button picks a day: 8 March
  EXPECT_EQ(cal_->Value(), DateTime::Serial(2026, 3, 8));
  EXPECT_EQ(Shown(), std::pair(2026, 3));
  EXPECT_EQ(ControlErrorOf([&] { cal_->SetFirstDayofWeek(8); }), 5);

  cal_->SetValue(DateTime::Serial(2026, 12, 5));
  Show(2026, 12);
  Click(kRight);
  EXPECT_EQ(Shown(), std::pair(2027, 1));
  Click(kLeft);
  EXPECT_EQ(Shown(), std::pair(2026, 12));
  EXPECT_TRUE(events_.Count(L"MonthChanged") == 2 && events_.Count(L"Change") == 0) << "the value stays";
  // The second click of a double click comes without a mouse-down.
  Click(kRight);
  Send(WM_LBUTTONDBLCLK, kRight, MK_LBUTTON);
  Send(WM_LBUTTONUP, kRight);
  EXPECT_EQ(Shown(), std::pair(2027, 2));
}

TEST_F(CalendarWindow, NavigationStopsAtTheMonthsAndYearsOfTheRange) {
  Show(9999, 11);
  Click(kRight), Click(kRight);  // into the last month a date can name, and no further
  EXPECT_EQ(Shown(), std::pair(9999, 12));
  cal_->SetMinDate(DateTime::Serial(2026, 3, 15));
  Show(2026, 3);
  Click(kLeft);
  EXPECT_EQ(Shown(), std::pair(2026, 3));
  EXPECT_EQ(events_.Count(L"MonthChanged"), 0);

  cal_->SetMaxDate(DateTime::Serial(2030, 6, 30)), cal_->SetMinDate(DateTime::Serial(2028, 1, 1));
  Show(2029, 3);
  Click(kYear);
  Click(kUp), Click(kUp);
  EXPECT_EQ(cal_->SelectedYear(), 2030);
  EXPECT_EQ(events_.Count(L"YearChanged"), 1) << "Up at the MaxDate year does nothing";
  for (int i = 0; i < 3; ++i) Click(kDown);
  EXPECT_EQ(cal_->SelectedYear(), 2028);
  EXPECT_EQ(events_.Count(L"YearChanged"), 3);
}

// The numbers hosts see are the script test's; here, that nothing is stored.
TEST_F(CalendarWindow, RefusedValuesStoreNothingAndTheSameValueTwiceRaisesChangeTwice) {
  cal_->SetMinDate(DateTime::Serial(2020, 1, 1)), cal_->SetMaxDate(DateTime::Serial(2030, 1, 1));
  EXPECT_EQ(ControlErrorOf([&] { cal_->SetMinDate(DateTime::Serial(2030, 1, 2)); }), 1068);  // 1070: the script test's
  EXPECT_EQ(ControlErrorOf([&] { cal_->SetMaxDate(DateTime(3e6)); }), 5);  // after 9999
  EXPECT_EQ(ControlErrorOf([&] { cal_->SetSelectedYear(10000); }), 5);
  EXPECT_TRUE(cal_->MinDate() == DateTime::Serial(2020, 1, 1) && cal_->MaxDate() == DateTime::Serial(2030, 1, 1));
  // A day outside the range is clicked but not taken.
  for (auto [year, month] : {std::pair(2019, 12), std::pair(2030, 1)}) {
    Show(year, month);
    Click(DayCell(10));
    EXPECT_TRUE(events_.Count(L"DateClicked") == 1 && events_.Count(L"Change") == 0) << year;
  }

  int marked = 0;
  cal_->SetPropertyChangedHandler([&](std::wstring_view n) { marked += n == L"Value"; });
  cal_->SetValue(DateTime::Serial(2026, 7, 4));
  cal_->SetValue(DateTime::Serial(2026, 7, 4));
  EXPECT_EQ(events_.Count(L"Change"), 2);
  EXPECT_EQ(marked, 1);
}

// The Empty button is the picker test's.
TEST_F(CalendarWindow, TodayButtonAndNoEmptyButtonUnlessAsked) {
  cal_->SetValue(DateTime::Serial(2001, 1, 1));
  Click({kToday.x - 12, kToday.y});  // Today sits further left without the Empty button
  EXPECT_EQ(cal_->Value(), Today());
  Click(kEmpty);
  EXPECT_EQ(events_.Count(L"EmptyClicked"), 0);
}

TEST_F(CalendarWindow, TheMonthListPicksWithinTheRangeAndOnClosingGivesTheFocusToItsOwner) {
  // Inside a picker the picker gets the keys back, not the calendar.
  HWND owner = CreateWindowExW(0, L"EDIT", L"", WS_CHILD | WS_VISIBLE, 250, 10, 80, 20, parent_, nullptr,
                               GetModuleHandleW(nullptr), nullptr);
  for (HWND expected : {hwnd(), owner}) {
    cal_->SetFocusOwner(expected == owner ? owner : nullptr);
    Click(kMonthName);
    ASSERT_EQ(GetFocus(), cal_->MonthList());
    SendMessageW(cal_->MonthList(), CB_SHOWDROPDOWN, FALSE, 0);
    Pump();
    EXPECT_EQ(GetFocus(), expected);
    EXPECT_FALSE(IsWindowVisible(cal_->MonthList()));
  }
  Show(2026, 4);
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

TEST_F(CalendarWindow, KeysAndAHandlerThatThrowsEndsOnlyItsMessage) {
  SendMessageW(hwnd(), WM_KEYDOWN, VK_F4, 0);
  SendMessageW(hwnd(), WM_CHAR, 'a', 0);
  EXPECT_EQ(events_.typed, 'a');
  SendMessageW(hwnd(), WM_KEYUP, VK_F4, 0);
  EXPECT_EQ(events_.log, (Log{L"KeyDown", L"KeyPress", L"KeyUp"}));
  struct Thrower : MonthCalendarEvents {
    void DateClicked() override { throw std::runtime_error("host failed"); }
  } thrower;
  cal_->Events().Advise(&thrower);
  Click(DayCell(9));
  Click(kRight);
  EXPECT_EQ(events_.Count(L"MonthChanged"), 1);
  cal_->Events().Unadvise(&thrower);
}

TEST_F(CalendarWindow, AHeldArrowRepeatsUntilThePointerLeavesIt) {
  if (!PutCursor(kRight)) GTEST_SKIP() << "cursor cannot be placed here";
  Send(WM_LBUTTONDOWN, kRight, MK_LBUTTON);
  EXPECT_TRUE(PumpUntil([&] { return events_.Count(L"MonthChanged") >= 4; }));
  PutCursor(DayCell(20));
  PumpFor(150);
  const int left = events_.Count(L"MonthChanged");
  PumpFor(400);
  EXPECT_EQ(events_.Count(L"MonthChanged"), left);
  Send(WM_LBUTTONUP, DayCell(20));
}

// ---- saved properties

// A new control writes the defaults an empty bag does not have; an empty
// bag reads as the old saved controls did; damaged values are read safely.
TEST(CalendarPersistence, NewControlAndEmptyBagDefaultsDifferAndDamagedValuesAreReadSafely) {
  MonthCalendar cal, back;
  MemoryPropertyBag bag;
  cal.WriteProperties(bag);
  back.ReadProperties(bag);
  EXPECT_TRUE(!back.EmptyButton() && back.Value() == Today());
  const LONG todayAlone = back.Button(L"Today")->Rect().left;
  back.ReadProperties(MemoryPropertyBag{});
  EXPECT_TRUE(back.EmptyButton() && back.PresentDateColor() != cal.PresentDateColor());
  EXPECT_GT(back.Button(L"Today")->Rect().left, todayAlone) << "the buttons laid out again";

  // Damaged values; while loading, nothing but the month of Value is read.
  MemoryPropertyBag damaged;
  damaged.Write(L"Value", std::wstring(L"7/4/2026"));
  damaged.Write(L"MinDate", DateTime::Serial(2030, 1, 1).Value());
  damaged.Write(L"MaxDate", DateTime::Serial(2020, 1, 1).Value());
  damaged.Write(L"FirstDayOfWeek", int32_t{42});
  cal.ReadProperties(damaged);
  EXPECT_EQ(cal.Value(), DateTime::Serial(2026, 7, 4));
  EXPECT_LT(cal.MinDate(), cal.MaxDate());
  EXPECT_EQ(cal.FirstDayofWeek(), 0);

  MonthCalendar loading;
  loading.SetValue(DateTime::Serial(2025, 2, 3));
  loading.SetSelectedYear(2030);
  State().bLoading = true;
  loading.ReadProperties(damaged);
  EXPECT_EQ(loading.Value(), DateTime::Serial(2025, 2, 3));
  EXPECT_EQ(loading.SelectedYear(), 2025);
  State().bLoading = false;
}

}  // namespace
}  // namespace almanix::testing

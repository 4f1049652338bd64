#include <gtest/gtest.h>

#include "almanix/calendar/month_calendar.h"
#include "almanix/core/library_state.h"
#include "almanix/core/locale_names.h"
#include "dib.h"

using almanix::MonthCalendar;
using common::DateTime;
using testing_dib::Dib;

namespace {

struct CellBox {
  int left, top, right, bottom;
};

CellBox CellOf(const MonthCalendar& cal, DateTime d) {
  int n = static_cast<int>(d.DatePart().Value() - cal.GridStartDate().Value());
  int left = 4 + 28 * (n % 7), top = 52 + 16 * (n / 7);
  return {left, top, left + 28, top + 16};
}

bool Reddish(COLORREF c) { return GetRValue(c) > 150 && GetGValue(c) < 110 && GetBValue(c) < 110; }
bool Bluish(COLORREF c) { return GetBValue(c) > 100 && GetRValue(c) < 90 && GetGValue(c) < 90; }

class CalendarRender : public ::testing::Test {
 protected:
  void SetUp() override {
    almanix::State().bLoading = false;
    cal.SetBackColor(RGB(255, 255, 255));
    cal.SetInactiveMonthColor(RGB(160, 160, 160));
    cal.SetActiveMonthColor(RGB(0, 0, 0));
  }
  void Draw() {
    dib.Fill(RGB(255, 0, 255));
    cal.DrawTo(dib.dc());
  }
  MonthCalendar cal;
  Dib dib{MonthCalendar::kWidth, MonthCalendar::kHeight};
};

}  // namespace

TEST_F(CalendarRender, HeaderBandSeparatorsAndEdge) {
  cal.SetHeaderColor(RGB(10, 200, 30));
  Draw();
  for (int x : {2, 60, 120, 200}) EXPECT_EQ(dib.At(x, 30), RGB(10, 200, 30)) << x;
  EXPECT_EQ(dib.At(60, 2), RGB(10, 200, 30));
  EXPECT_EQ(dib.At(100, 33), RGB(255, 255, 255));
  const COLORREF shadow = GetSysColor(COLOR_BTNSHADOW);
  for (int y : {51, 148}) {
    EXPECT_EQ(dib.CountColor(4, y, 198, y + 1, shadow), 194) << y;
    EXPECT_EQ(dib.At(199, y), RGB(255, 255, 255)) << y;
  }
  EXPECT_EQ(dib.At(100, 149), RGB(255, 255, 255));
  // Raised inner edge around the client area.
  EXPECT_EQ(dib.At(0, 100), GetSysColor(COLOR_BTNHIGHLIGHT));
  EXPECT_EQ(dib.At(203, 100), GetSysColor(COLOR_BTNSHADOW));
  EXPECT_EQ(dib.CountColor(0, 0, 204, 180, RGB(255, 0, 255)), 0) << "one opaque picture";
}

TEST_F(CalendarRender, SelectionEllipseIsInTheCellOfValue) {
  cal.SetValue(DateTime::Serial(2026, 12, 15));
  Draw();
  const COLORREF selection = GetSysColor(COLOR_ACTIVECAPTION);
  CellBox c = CellOf(cal, cal.Value());
  EXPECT_EQ(dib.At(c.left + 4, c.top + 8), selection);
  EXPECT_EQ(dib.At(c.left + 23, c.top + 8), selection);
  EXPECT_NE(dib.At(c.left + 1, c.top + 8), selection);
  CellBox next = CellOf(cal, DateTime::Serial(2026, 12, 16));
  EXPECT_EQ(dib.At(next.left + 4, next.top + 8), RGB(255, 255, 255));
  // Nothing else in the grid carries the selection colour.
  int total = dib.CountColor(4, 52, 200, 148, selection);
  EXPECT_EQ(total, dib.CountColor(c.left, c.top, c.right, c.bottom, selection));
}

TEST_F(CalendarRender, TodayIsDrawnInPresentDateColor) {
  DateTime today = almanix::Today();
  cal.SetValue(DateTime(today.Value() - 60));
  common::DateParts p = today.Parts();
  cal.SetSelectedYear(p.year);
  cal.SetSelectedMonth(p.month);
  cal.SetPresentDateColor(RGB(255, 0, 0));
  Draw();
  CellBox c = CellOf(cal, today);
  EXPECT_GT(dib.Count(c.left, c.top, c.right, c.bottom, Reddish), 3);
  // Red appears in the grid only in today's cell.
  EXPECT_EQ(dib.Count(4, 52, 200, 148, Reddish), dib.Count(c.left, c.top, c.right, c.bottom, Reddish));
}

TEST_F(CalendarRender, SundayNameIsRedInItsColumn) {
  cal.SetFirstDayofWeek(1);
  Draw();
  EXPECT_GT(dib.Count(4, 36, 32, 52, Reddish), 3);
  EXPECT_EQ(dib.Count(32, 36, 200, 52, Reddish), 0);
  cal.SetFirstDayofWeek(2);  // Monday first: Sunday is the last column
  Draw();
  EXPECT_EQ(dib.Count(4, 36, 172, 52, Reddish), 0);
  EXPECT_GT(dib.Count(172, 36, 200, 52, Reddish), 3);
}

TEST_F(CalendarRender, TodayAndEmptyCaptions) {
  cal.SetHeaderForeColor(RGB(0, 0, 200));
  cal.SetValue(DateTime::Serial(2026, 12, 5));
  cal.SetEmptyButton(true);
  Draw();
  EXPECT_GT(dib.Count(16, 156, 81, 173, Bluish), 5);
  EXPECT_GT(dib.Count(123, 156, 188, 173, Bluish), 5);

  cal.SetTodayButtonCaption(L"");
  cal.SetEmptyButtonCaption(L"");
  Draw();
  EXPECT_EQ(dib.Count(4, 150, 200, 176, Bluish), 0);

  // Without the Empty button: Today moves left, the selected date shows
  // right-aligned.
  cal.SetEmptyButton(false);
  cal.SetTodayButtonCaption(L"Today");
  Draw();
  EXPECT_EQ(cal.Button(L"Today")->Rect().left, 4);
  EXPECT_GT(dib.Count(4, 156, 69, 173, Bluish), 5);
  EXPECT_GT(dib.Count(160, 156, 192, 173, Bluish), 5);
  EXPECT_EQ(dib.Count(192, 156, 204, 173, Bluish), 0);
}

TEST_F(CalendarRender, DisabledLeftButtonIsDrawnInactive) {
  auto leftRegionEquals = [&](UINT flags) {
    Dib reference(MonthCalendar::kWidth, MonthCalendar::kHeight);
    RECT r{4, 6, 18, 26};
    DrawFrameControl(reference.dc(), &r, DFC_SCROLL, flags);
    for (int y = r.top; y < r.bottom; ++y)
      for (int x = r.left; x < r.right; ++x)
        if (reference.At(x, y) != dib.At(x, y)) return false;
    return true;
  };
  Draw();
  EXPECT_TRUE(leftRegionEquals(DFCS_SCROLLLEFT));
  EXPECT_FALSE(leftRegionEquals(DFCS_SCROLLLEFT | DFCS_INACTIVE));
  cal.SetEnabled(false);
  Draw();
  EXPECT_TRUE(leftRegionEquals(DFCS_SCROLLLEFT | DFCS_INACTIVE));
  cal.SetEnabled(true);
  Draw();
  EXPECT_TRUE(leftRegionEquals(DFCS_SCROLLLEFT));
}

TEST_F(CalendarRender, SixRowsAndLeadingDaysInInactiveColour) {
  cal.SetFirstDayofWeek(1);
  cal.SetValue(DateTime::Serial(2026, 1, 20));  // 1 January 2026 is a Thursday
  Draw();
  auto grey = [](COLORREF c) { return c == RGB(160, 160, 160); };
  auto black = [](COLORREF c) { return c == RGB(0, 0, 0); };
  EXPECT_GT(dib.Count(4, 52, 32, 68, grey), 0) << "28 December in the first cell";
  EXPECT_EQ(dib.Count(4, 52, 32, 68, black), 0);
  EXPECT_GT(dib.Count(116, 52, 144, 68, black), 0) << "1 January under Thursday";
  EXPECT_GT(dib.Count(172, 132, 200, 148, grey), 0) << "7 February in the 42nd cell";
}

TEST_F(CalendarRender, NothingIsPaintedWhileLoading) {
  almanix::State().bLoading = true;
  Draw();
  EXPECT_EQ(dib.CountColor(0, 0, 204, 180, RGB(255, 0, 255)), 204 * 180);
  almanix::State().bLoading = false;
  Draw();
  EXPECT_EQ(dib.CountColor(0, 0, 204, 180, RGB(255, 0, 255)), 0);
}

#include <gtest/gtest.h>

#include "almanix/calendar/month_calendar.h"
#include "almanix/core/library_state.h"
#include "almanix/core/locale_names.h"
#include "dib.h"

using almanix::MonthCalendar;
using common::DateTime;
using testing_dib::Dib;

namespace {

constexpr COLORREF kWhite = RGB(255, 255, 255);

bool Reddish(COLORREF c) { return GetRValue(c) > 150 && GetGValue(c) < 110 && GetBValue(c) < 110; }
bool Bluish(COLORREF c) { return GetBValue(c) > 100 && GetRValue(c) < 90 && GetGValue(c) < 90; }

class CalendarRender : public ::testing::Test {
 protected:
  void SetUp() override {
    almanix::State().bLoading = false;
    cal.SetBackColor(kWhite);
  }
  Dib& Draw() {
    dib.Fill(RGB(255, 0, 255));
    cal.DrawTo(dib.dc());
    return dib;
  }
  RECT CellOf(DateTime d) const {
    int n = static_cast<int>(d.Value() - cal.GridStartDate().Value());
    int left = 4 + 28 * (n % 7), top = 52 + 16 * (n / 7);
    return {left, top, left + 28, top + 16};
  }
  template <class Pred>
  int InCell(const RECT& r, Pred pred) const { return dib.Count(r.left, r.top, r.right, r.bottom, pred); }

  MonthCalendar cal;
  Dib dib{MonthCalendar::kWidth, MonthCalendar::kHeight};
};

}  // namespace

TEST_F(CalendarRender, HeaderBandSeparatorsAndEdge) {
  cal.SetHeaderColor(RGB(10, 200, 30));
  Draw();
  for (int x : {2, 60, 120, 200}) EXPECT_EQ(dib.At(x, 30), RGB(10, 200, 30)) << x;
  EXPECT_EQ(dib.At(100, 33), kWhite);
  for (int y : {51, 148}) {
    EXPECT_EQ(dib.CountColor(4, y, 198, y + 1, GetSysColor(COLOR_BTNSHADOW)), 194) << y;
    EXPECT_EQ(dib.At(199, y), kWhite) << y;
  }
  EXPECT_TRUE(dib.At(0, 100) == GetSysColor(COLOR_BTNHIGHLIGHT) && dib.At(203, 100) == GetSysColor(COLOR_BTNSHADOW));
  EXPECT_EQ(dib.CountColor(0, 0, 204, 180, RGB(255, 0, 255)), 0) << "one opaque picture";
}

TEST_F(CalendarRender, SelectionEllipseIsInTheCellOfValueOnly) {
  cal.SetValue(DateTime::Serial(2026, 12, 15));
  Draw();
  const COLORREF selection = GetSysColor(COLOR_ACTIVECAPTION);
  RECT c = CellOf(cal.Value());
  EXPECT_TRUE(dib.At(c.left + 4, c.top + 8) == selection && dib.At(c.left + 23, c.top + 8) == selection);
  EXPECT_NE(dib.At(c.left + 1, c.top + 8), selection);
  EXPECT_EQ(dib.CountColor(4, 52, 200, 148, selection), dib.CountColor(c.left, c.top, c.right, c.bottom, selection));
}

TEST_F(CalendarRender, TodayInPresentDateColorAndSundayNameInRed) {
  DateTime today = almanix::Today();
  cal.SetValue(DateTime(today.Value() - 60));
  cal.SetSelectedYear(today.Parts().year);
  cal.SetSelectedMonth(today.Parts().month);
  cal.SetFirstDayofWeek(2);  // Monday first: the red name is in the last column
  Draw();
  RECT c = CellOf(today);
  EXPECT_GT(InCell(c, Reddish), 3);
  EXPECT_EQ(dib.Count(4, 52, 200, 148, Reddish), InCell(c, Reddish)) << "only today's number is red";
  EXPECT_EQ(dib.Count(4, 36, 172, 52, Reddish), 0);
  EXPECT_GT(dib.Count(172, 36, 200, 52, Reddish), 3);
}

TEST_F(CalendarRender, TodayAndEmptyCaptionsAndTheSelectedDate) {
  cal.SetHeaderForeColor(RGB(0, 0, 200));
  cal.SetEmptyButton(true);
  Draw();
  EXPECT_GT(dib.Count(16, 156, 81, 173, Bluish), 5);
  EXPECT_GT(dib.Count(123, 156, 188, 173, Bluish), 5);
  // Without the Empty button: Today at the left, the date right-aligned.
  cal.SetEmptyButton(false);
  Draw();
  EXPECT_GT(dib.Count(4, 156, 69, 173, Bluish), 5);
  EXPECT_GT(dib.Count(160, 156, 192, 173, Bluish), 5);
  EXPECT_EQ(dib.Count(192, 156, 204, 173, Bluish), 0);
}

TEST_F(CalendarRender, DisabledLeftButtonIsDrawnInactive) {
  auto leftLooksLike = [&](UINT flags) {
    Dib reference(MonthCalendar::kWidth, MonthCalendar::kHeight);
    RECT r{4, 6, 18, 26};
    DrawFrameControl(reference.dc(), &r, DFC_SCROLL, flags);
    for (int y = r.top; y < r.bottom; ++y)
      for (int x = r.left; x < r.right; ++x)
        if (reference.At(x, y) != dib.At(x, y)) return false;
    return true;
  };
  Draw();
  EXPECT_TRUE(leftLooksLike(DFCS_SCROLLLEFT));
  cal.SetEnabled(false);
  Draw();
  EXPECT_TRUE(leftLooksLike(DFCS_SCROLLLEFT | DFCS_INACTIVE));
  EXPECT_FALSE(leftLooksLike(DFCS_SCROLLLEFT));
}

TEST_F(CalendarRender, NothingIsPaintedWhileLoading) {
  almanix::State().bLoading = true;
  EXPECT_EQ(Draw().CountColor(0, 0, 204, 180, RGB(255, 0, 255)), 204 * 180);
  almanix::State().bLoading = false;
}

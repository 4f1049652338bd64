#include <gtest/gtest.h>

#include <set>

#include "almanix/calendar/month_calendar.h"
#include "almanix/core/library_state.h"
#include "almanix/core/locale_names.h"

using almanix::MonthCalendar;
using common::DateTime;
using common::MemoryPropertyBag;

namespace {

std::set<std::wstring> Names(const MemoryPropertyBag& bag) {
  return {bag.Order().begin(), bag.Order().end()};
}

class CalendarPersistence : public ::testing::Test {
 protected:
  void SetUp() override { almanix::State().bLoading = false; }
  void TearDown() override { almanix::State().bLoading = false; }
};

}  // namespace

TEST_F(CalendarPersistence, NewControlWritesOnlyWhatDiffersFromTheDefaults) {
  MonthCalendar cal;
  EXPECT_EQ(cal.Value(), almanix::Today());
  EXPECT_FALSE(cal.EmptyButton());
  EXPECT_EQ(cal.PresentDateColor(), 255u);
  MemoryPropertyBag bag;
  cal.WriteProperties(bag);
  EXPECT_EQ(Names(bag), (std::set<std::wstring>{L"Value", L"EmptyButton", L"PresentDateColor"}));
  EXPECT_EQ(bag.ReadLong(L"PresentDateColor", 0), 255);
  EXPECT_FALSE(bag.ReadBool(L"EmptyButton", true));
}

TEST_F(CalendarPersistence, EveryPropertyRoundTrips) {
  MonthCalendar cal;
  cal.SetMinDate(DateTime::Serial(1990, 1, 1));
  cal.SetMaxDate(DateTime::Serial(2040, 6, 30));
  cal.SetValue(DateTime::Serial(2026, 3, 9));
  cal.HoverIcon = false;
  cal.SetEmptyButtonCaption(L"None");
  cal.SetTodayButtonCaption(L"Heute");
  cal.SetHeaderForeColor(0x00112233);
  cal.SetFirstDayofWeek(2);
  cal.SetActiveMonthColor(0x00010203);
  cal.SetInactiveMonthColor(0x80000011);
  cal.SetPresentDateColor(0xFF0000);
  cal.SetBackColor(0x00FAFAFA);
  cal.SetHeaderColor(0x00C0C0C0);
  cal.SetEnabled(false);
  cal.SetEmptyButton(true);
  MemoryPropertyBag bag;
  cal.WriteProperties(bag);
  EXPECT_TRUE(bag.Values().count(L"FirstDayOfWeek")) << "bag name with a capital O";
  EXPECT_FALSE(bag.Values().count(L"FirstDayofWeek"));

  MonthCalendar back;
  back.ReadProperties(bag);
  EXPECT_EQ(back.Value(), DateTime::Serial(2026, 3, 9));
  EXPECT_EQ(back.SelectedMonth(), 3);
  EXPECT_EQ(back.SelectedYear(), 2026);
  EXPECT_EQ(back.MinDate(), DateTime::Serial(1990, 1, 1));
  EXPECT_EQ(back.MaxDate(), DateTime::Serial(2040, 6, 30));
  EXPECT_FALSE(back.HoverIcon);
  EXPECT_EQ(back.EmptyButtonCaption(), L"None");
  EXPECT_EQ(back.TodayButtonCaption(), L"Heute");
  EXPECT_EQ(back.HeaderForeColor(), 0x00112233u);
  EXPECT_EQ(back.FirstDayofWeek(), 2);
  EXPECT_EQ(back.ActiveMonthColor(), 0x00010203u);
  EXPECT_EQ(back.InactiveMonthColor(), 0x80000011u);
  EXPECT_EQ(back.PresentDateColor(), 0xFF0000u);
  EXPECT_EQ(back.BackColor(), 0x00FAFAFAu);
  EXPECT_EQ(back.HeaderColor(), 0x00C0C0C0u);
  EXPECT_FALSE(back.Enabled());
  EXPECT_TRUE(back.Button(L"Left")->State & almanix::cfsInactive);
  EXPECT_TRUE(back.EmptyButton());
  EXPECT_EQ(back.Button(L"Today")->Rect().left, 16);

  MemoryPropertyBag again;
  back.WriteProperties(again);
  EXPECT_EQ(again.Values(), bag.Values());
}

TEST_F(CalendarPersistence, MissingEntriesReadAsTheirDefaults) {
  MemoryPropertyBag empty;
  MonthCalendar cal;
  cal.SetValue(DateTime::Serial(2001, 5, 5));
  cal.ReadProperties(empty);
  EXPECT_EQ(cal.Value(), almanix::Today());
  EXPECT_TRUE(cal.EmptyButton());
  EXPECT_EQ(cal.Button(L"Today")->Rect().left, 16);
  EXPECT_TRUE(cal.Enabled());
  EXPECT_EQ(cal.MinDate(), DateTime::Serial(1601, 1, 1));
  EXPECT_EQ(cal.MaxDate(), DateTime::Serial(9999, 12, 31));
  EXPECT_EQ(cal.HeaderForeColor(), 0x80000012u);
  EXPECT_EQ(cal.BackColor(), 0x80000005u);
  // A bag that omitted the colour held the value the writer leaves out.
  EXPECT_EQ(cal.PresentDateColor(), 0xFF0000u);
}

TEST_F(CalendarPersistence, DatesStoredAsTextAndReversedRanges) {
  MemoryPropertyBag bag;
  bag.Write(L"Value", std::wstring(L"7/4/2026"));
  bag.Write(L"MinDate", DateTime::Serial(2030, 1, 1).Value());
  bag.Write(L"MaxDate", DateTime::Serial(2020, 1, 1).Value());
  bag.Write(L"FirstDayOfWeek", int32_t{42});
  MonthCalendar cal;
  cal.ReadProperties(bag);
  EXPECT_EQ(cal.Value(), DateTime::Serial(2026, 7, 4));
  EXPECT_EQ(cal.MinDate(), DateTime::Serial(1601, 1, 1));
  EXPECT_EQ(cal.MaxDate(), DateTime::Serial(9999, 12, 31));
  EXPECT_EQ(cal.FirstDayofWeek(), 0);
}

TEST_F(CalendarPersistence, NothingIsReadWhileLoading) {
  MemoryPropertyBag bag;
  bag.Write(L"Value", DateTime::Serial(2026, 7, 4).Value());
  bag.Write(L"TodayButtonCaption", std::wstring(L"Now"));
  MonthCalendar cal;
  cal.SetValue(DateTime::Serial(2025, 2, 3));
  cal.SetSelectedYear(2030);
  almanix::State().bLoading = true;
  cal.ReadProperties(bag);
  EXPECT_EQ(cal.Value(), DateTime::Serial(2025, 2, 3));
  EXPECT_EQ(cal.TodayButtonCaption(), L"Today");
  EXPECT_EQ(cal.SelectedYear(), 2025) << "the month of Value is shown";
  EXPECT_EQ(cal.SelectedMonth(), 2);
}

TEST_F(CalendarPersistence, SettersReportTheirBagNames) {
  MonthCalendar cal;
  std::vector<std::wstring> names;
  cal.SetPropertyChangedHandler([&](std::wstring_view n) { names.emplace_back(n); });
  cal.SetFirstDayofWeek(3);
  cal.SetSelectedMonth(4);
  cal.SetBackColor(0);
  cal.SetEmptyButton(true);
  cal.SetEmptyButton(true);  // no change, nothing reported
  EXPECT_EQ(names, (std::vector<std::wstring>{L"FirstDayOfWeek", L"SelectedMonth", L"Value", L"BackColor",
                                              L"EmptyButton"}));
}

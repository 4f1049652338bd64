#include <gtest/gtest.h>

#include <set>

#include "almanix/calendar/month_calendar.h"
#include "almanix/core/library_state.h"
#include "almanix/core/locale_names.h"

using almanix::MonthCalendar;
using common::DateTime;
using common::MemoryPropertyBag;

TEST(CalendarPersistence, NewControlWritesOnlyWhatDiffersFromTheDefaults) {
  MonthCalendar cal;
  MemoryPropertyBag bag;
  cal.WriteProperties(bag);
  EXPECT_EQ(std::set<std::wstring>(bag.Order().begin(), bag.Order().end()),
            (std::set<std::wstring>{L"Value", L"EmptyButton", L"PresentDateColor"}));
  EXPECT_EQ(bag.ReadDouble(L"Value", 0), almanix::Today().Value());
  EXPECT_EQ(bag.ReadLong(L"PresentDateColor", 0), 255);
  EXPECT_FALSE(bag.ReadBool(L"EmptyButton", true));
}

TEST(CalendarPersistence, EveryPropertyRoundTrips) {
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
  EXPECT_EQ(bag.ReadLong(L"FirstDayOfWeek", 0), 2) << "bag name with a capital O";

  MonthCalendar back;
  back.ReadProperties(bag);
  EXPECT_EQ(back.SelectedYear() * 100 + back.SelectedMonth(), 202603);
  EXPECT_TRUE(back.Button(L"Left")->State & almanix::cfsInactive);
  EXPECT_EQ(back.Button(L"Today")->Rect().left, 16);
  MemoryPropertyBag again;
  back.WriteProperties(again);
  EXPECT_EQ(again.Values(), bag.Values());
}

TEST(CalendarPersistence, MissingEntriesAndDamagedValues) {
  MonthCalendar cal;
  cal.SetValue(DateTime::Serial(2001, 5, 5));
  cal.ReadProperties(MemoryPropertyBag{});
  EXPECT_EQ(cal.Value(), almanix::Today());
  EXPECT_TRUE(cal.EmptyButton());
  EXPECT_EQ(cal.Button(L"Today")->Rect().left, 16);
  EXPECT_EQ(cal.HeaderForeColor(), 0x80000012u);
  // A bag that omitted the colour held the value the writer leaves out.
  EXPECT_EQ(cal.PresentDateColor(), 0xFF0000u);

  MemoryPropertyBag bag;
  bag.Write(L"Value", std::wstring(L"7/4/2026"));
  bag.Write(L"MinDate", DateTime::Serial(2030, 1, 1).Value());
  bag.Write(L"MaxDate", DateTime::Serial(2020, 1, 1).Value());
  bag.Write(L"FirstDayOfWeek", int32_t{42});
  cal.ReadProperties(bag);
  EXPECT_EQ(cal.Value(), DateTime::Serial(2026, 7, 4));
  EXPECT_LT(cal.MinDate(), cal.MaxDate());
  EXPECT_EQ(cal.FirstDayofWeek(), 0);
}

TEST(CalendarPersistence, NothingIsReadWhileLoadingButTheMonthOfValueShows) {
  MemoryPropertyBag bag;
  bag.Write(L"Value", DateTime::Serial(2026, 7, 4).Value());
  MonthCalendar cal;
  cal.SetValue(DateTime::Serial(2025, 2, 3));
  cal.SetSelectedYear(2030);
  almanix::State().bLoading = true;
  cal.ReadProperties(bag);
  EXPECT_EQ(cal.Value(), DateTime::Serial(2025, 2, 3));
  EXPECT_EQ(cal.SelectedYear(), 2025);
  almanix::State().bLoading = false;
}

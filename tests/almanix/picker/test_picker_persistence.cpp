// Saving and loading a picker's properties.
#include "tests/almanix/picker/picker_fixture.h"

namespace almanix::testing {
namespace {

// A new control and an empty bag have different defaults: the control
// writes its own explicitly, and an empty bag reads the bag's.
TEST_F(PickerTest, NewControlAndEmptyBagDefaultsDiffer) {
  common::MemoryPropertyBag bag;
  picker_->SetValue(At(2004, 9, 7));
  picker_->WriteProperties(bag);
  EXPECT_EQ(bag.Order(), (std::vector<std::wstring>{L"FlatButton", L"Value", L"ShowFocusRect", L"UseFocusColor",
                                                    L"AllowEmpty", L"CalendarHeaderForeColor",
                                                    L"EmptyButtonCaption"}));
  DatePicker loaded;
  loaded.ReadProperties(bag);
  EXPECT_FALSE(loaded.FlatButton());
  EXPECT_EQ(loaded.EmptyButtonCaption(), L"None");
  EXPECT_EQ(loaded.Value(), At(2004, 9, 7));

  loaded.ReadProperties(common::MemoryPropertyBag{});
  EXPECT_TRUE(loaded.FlatButton());
  EXPECT_TRUE(loaded.Calendar().EmptyButton());
  EXPECT_FALSE(loaded.Value().has_value());
  EXPECT_EQ(loaded.EmptyButtonCaption(), L"Empty");
  EXPECT_FALSE(State().bLoading);
  common::MemoryPropertyBag out;
  loaded.WriteProperties(out);
  EXPECT_TRUE(out.Values().empty()) << "the bag's defaults are left out";
}

TEST_F(PickerTest, EverySetPropertySurvivesARoundTripInOrder) {
  Create();
  picker_->SetFont({L"Tahoma", 9.75, true, false, true, false});
  picker_->SetFormat(dtpCustom);
  picker_->SetCustomFormat(L"yyyy-MM-dd HH:mm");
  picker_->SetBackColor(0x00112233);
  picker_->SetForeColor(0x80000012);
  picker_->SetButtonWidth(20);
  picker_->SetButtonStyle(dtpUpDown);
  picker_->SetFlatButton(false);
  picker_->SetMinDate(At(1990, 1, 1));
  picker_->SetMaxDate(At(2040, 1, 1));
  picker_->SetValue(At(2026, 12, 6, 18, 45));
  picker_->FocusColor = 0x00FFFF00;
  picker_->ShowFocusRect = false;
  picker_->UseFocusColor = true;
  picker_->SetLocked(true);
  picker_->SetBorderStyle(dtpBorderFlat);
  picker_->SetEnabled(false);
  picker_->SetAllowEmpty(false);
  picker_->SetCalendarBackColor(1);
  picker_->SetCalendarHeaderColor(2);
  picker_->SetCalendarHeaderForeColor(3);
  picker_->SetCalendarActiveMonthColor(4);
  picker_->SetCalendarInactiveMonthColor(5);
  picker_->SetCalendarPresentDateColor(6);
  picker_->SetFirstDayofWeek(2);
  picker_->SetTodayButtonCaption(L"Heute");
  picker_->SetEmptyButtonCaption(L"Leer");
  picker_->SetHoverIcon(false);

  common::MemoryPropertyBag bag;
  picker_->WriteProperties(bag);
  const std::vector<std::wstring> expected = {
      L"Font", L"CustomFormat", L"BackColor", L"ForeColor", L"ButtonWidth", L"ButtonStyle",
      L"FlatButton", L"MaxDate", L"MinDate", L"Value", L"FocusColor", L"ShowFocusRect", L"Locked",
      L"BorderStyle", L"Enabled", L"AllowEmpty", L"CalendarBackColor", L"CalendarHeaderColor",
      L"CalendarHeaderForeColor", L"CalendarActiveMonthColor", L"CalendarInactiveMonthColor",
      L"CalendarPresentDateColor", L"FirstDayofWeek", L"TodayButtonCaption", L"EmptyButtonCaption",
      L"HoverIcon", L"Format"};
  EXPECT_EQ(bag.Order(), expected);

  DatePicker loaded;
  Recorder loadEvents;
  loaded.Events().Advise(&loadEvents);
  loaded.ReadProperties(bag);
  EXPECT_TRUE(loadEvents.log.empty()) << "loading raises no events";
  EXPECT_EQ(loaded.Fields().size(), 9u) << "Format built the fields";
  EXPECT_TRUE(loaded.UseFocusColor);

  // Everything else: the loaded control writes the same bag again.
  common::MemoryPropertyBag again;
  loaded.WriteProperties(again);
  EXPECT_EQ(again.Values(), bag.Values());
}

TEST_F(PickerTest, BagTextsAndBadEntriesAreReadSafely) {
  common::MemoryPropertyBag bag;
  bag.Write(L"MaxDate", std::wstring(L"12/31/2030"));
  bag.Write(L"MinDate", std::wstring(L"1/1/2000"));
  bag.Write(L"Value", At(2040, 5, 5).Value());  // outside the stored range
  bag.Write(L"Format", int32_t{7});
  bag.Write(L"Font", std::wstring(L"Arial;abc;0;0;0;0"));
  picker_->ReadProperties(bag);
  EXPECT_EQ(picker_->MaxDate(), At(2030, 12, 31));
  EXPECT_EQ(picker_->MinDate(), At(2000, 1, 1));
  EXPECT_EQ(picker_->Value(), At(2030, 12, 31)) << "clamped into the range";
  EXPECT_EQ(picker_->Format(), dtpShortDate);

  common::MemoryPropertyBag reversed;
  reversed.Write(L"MaxDate", At(2000, 1, 1).Value());
  reversed.Write(L"MinDate", At(2030, 1, 1).Value());
  picker_->ReadProperties(reversed);
  EXPECT_LE(picker_->MinDate(), picker_->MaxDate());

  // A range end past the calendar's years would make the drop-down refuse it.
  common::MemoryPropertyBag beyond;
  beyond.Write(L"MaxDate", 1e9);
  picker_->ReadProperties(beyond);
  EXPECT_EQ(picker_->MaxDate(), At(9999, 12, 31));
}

TEST(PickerFontText, FormatAndMalformedTexts) {
  EXPECT_EQ(FontToText({L"Tahoma", 8.25, true}), L"Tahoma;8.25;1;0;0;0");
  PickerFont back;
  for (const wchar_t* bad : {L"", L"Tahoma;8;0;0;0", L"Tahoma;-1;0;0;0;0", L"Tahoma;8x;0;0;0;0"})
    EXPECT_FALSE(FontFromText(bad, back)) << bad;
}

}  // namespace
}  // namespace almanix::testing

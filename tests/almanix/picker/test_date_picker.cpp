// The picker driven through its window's messages: fields, keys, typing,
// stepping, range errors, buttons, borders, fonts and drawing; its drop-down
// calendar (opening, picking, emptying, placement, the shared mouse hook);
// reading saved properties (every property's round trip is the contract
// test's, through the library).
#include <cmath>
#include <memory>

#include "almanix/core/date_range.h"
#include "almanix/core/library_state.h"
#include "almanix/dropdown/windows_hook.h"
#include "almanix/picker/date_picker.h"
#include "tests/almanix/com_test.h"
#include "tests/harness/expect.h"

namespace almanix::testing {
namespace {

using harness::At;
using Log = std::vector<std::string>;

// The events the tests follow, logged by name; Empty cancelled when told.
#define HEARD(event, ...) void event(__VA_ARGS__) override { log.push_back(#event); }
struct Recorder : DatePickerEvents {
  Log log;
  bool cancelEmpty = false;
  HEARD(Change) HEARD(AfterCalendarDropDown) HEARD(AfterCalendarCloseUp)
  HEARD(BeforeCalendarDropDown, bool&) HEARD(BeforeCalendarCloseUp, bool&)
  HEARD(MouseDown, int16_t&, int16_t&, float&, float&) HEARD(MouseUp, int16_t&, int16_t&, float&, float&)
  HEARD(KeyDown, int16_t&, int16_t&) HEARD(KeyUp, int16_t&, int16_t&)
  void EmptyClicked(bool& cancel) override { log.push_back("EmptyClicked"), cancel = cancelEmpty; }
  int Count(const std::string& name) const { return static_cast<int>(std::count(log.begin(), log.end(), name)); }
};

class PickerTest : public ::testing::Test {
 protected:
  // The picker at (20, 20) of the host, 150 x 24 with its 3-D border,
  // showing dd/MM/yyyy, at 10 March 2026.
  void SetUp() override {
    host_ = CreateHostWindow();
    picker_->Events().Advise(&events_);
    ASSERT_NE(picker_->Create(host_, 20, 20, 150, 24), nullptr);
    picker_->SetFormat(dtpCustom), picker_->SetCustomFormat(L"dd/MM/yyyy");
    picker_->SetValue(At(2026, 3, 10));
    events_.log.clear();
  }
  void TearDown() override {
    picker_.reset();
    DestroyWindow(host_);
    Pump();
  }
  void Key(int vk) {
    SendMessageW(picker_->hWnd(), WM_KEYDOWN, vk, 0);
    SendMessageW(picker_->hWnd(), WM_KEYUP, vk, 0);
  }
  void Type(const wchar_t* text) {
    for (; *text; ++text) SendMessageW(picker_->hWnd(), WM_CHAR, *text, 0);
  }
  static void Click(HWND hwnd, POINT p) {
    SendMessageW(hwnd, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(p.x, p.y));
    SendMessageW(hwnd, WM_LBUTTONUP, 0, MAKELPARAM(p.x, p.y));
  }
  // The client point at the middle of one of the picker's buttons.
  POINT Centre(const wchar_t* tag) const {
    const RECT r = picker_->Button(tag)->Rect();
    return {(r.left + r.right) / 2, (r.top + r.bottom) / 2};
  }

  HWND host_ = nullptr;
  std::unique_ptr<DatePicker> picker_ = std::make_unique<DatePicker>();
  Recorder events_;
};

TEST_F(PickerTest, PatternsGiveFieldsArrowsSkipTheLiteralsAndAltKeysAreTheHosts) {
  const auto& f = picker_->Fields();
  ASSERT_EQ(f.size(), 5u);
  EXPECT_TRUE(f[1].isliteral() && f[3].isliteral() && f[4].Mask() == L"yyyy");
  // Alt with a key is left to the host, which still hears it: no drop-down,
  // no step, and (below) still on the first field.
  for (int vk : {VK_F4, VK_DOWN, VK_UP, VK_RIGHT}) SendMessageW(picker_->hWnd(), WM_SYSKEYDOWN, vk, 1 << 29);
  EXPECT_TRUE(!picker_->IsDropped() && picker_->Value() == At(2026, 3, 10));
  EXPECT_EQ(events_.Count("KeyDown"), 4);
  std::vector<int> current{picker_->CurrentField()};
  for (int vk : {VK_RIGHT, VK_DIVIDE, VK_RIGHT}) Key(vk), current.push_back(picker_->CurrentField());
  EXPECT_EQ(current, (std::vector<int>{0, 2, 4, 4})) << "to the next field, staying on the last";
  Click(picker_->hWnd(), {f[3].Left + f[3].Width / 2, 5});
  EXPECT_EQ(picker_->CurrentField(), 4) << "a literal never becomes current";

  // A trailing quoted literal: quoted letters are not tokens.
  picker_->SetCustomFormat(L"HH:mm 'Uhr'");
  EXPECT_TRUE(std::any_of(f.begin(), f.end(), [](const CDateMask& m) { return m.Text() == L" Uhr"; }));
}

// The pause that commits typed digits is the ATL host test's (real keys).
TEST_F(PickerTest, RefusedDigitsChangeNothingAndLeavingTheFieldCommits) {
  picker_->SetValue(At(2026, 2, 10)), events_.log.clear();
  Key(VK_RIGHT);
  Type(L"123");  // the month field keeps 23, which is no month
  const auto& f = picker_->Fields();
  EXPECT_TRUE(PumpUntil([&] { return std::none_of(f.begin(), f.end(), [](auto& m) { return m.HasTyped(); }); }))
      << "committed after the pause";
  EXPECT_EQ(picker_->Value(), At(2026, 2, 10));
  Key(VK_LEFT);
  Type(L"14");
  Key(VK_RIGHT);
  EXPECT_EQ(picker_->Value(), At(2026, 2, 14));
  EXPECT_EQ(events_.Count("Change"), 1);
}

TEST_F(PickerTest, UpAndDownStepTheCurrentFieldAndClampAtTheRange) {
  picker_->SetValue(At(2026, 3, 5));
  picker_->SetMinDate(At(2026, 3, 1)), picker_->SetMaxDate(At(2026, 3, 5));
  events_.log.clear();
  Key(VK_UP);
  EXPECT_EQ(picker_->Value(), At(2026, 3, 5));
  Key(VK_RIGHT), Key(VK_DOWN);
  EXPECT_EQ(picker_->Value(), At(2026, 3, 1));
  EXPECT_EQ(events_.log, (Log{"KeyDown", "Change", "KeyUp", "KeyDown", "KeyUp", "KeyDown", "Change", "KeyUp"}))
      << "Change even when clamped";

  // Down on an empty picker brings back the last date and steps it.
  picker_->SetAllowEmpty(true);
  picker_->SetValue(At(2026, 3, 4));
  picker_->SetValue(std::nullopt);
  EXPECT_EQ(picker_->DateValue().Value(), 0.0);
  Key(VK_LEFT);  // moving between fields leaves it empty
  EXPECT_FALSE(picker_->Value().has_value());
  Key(VK_DOWN);
  EXPECT_EQ(picker_->Value(), At(2026, 3, 3));
  picker_->SetButtonStyle(dtpUpDown);  // the up-down buttons step the same way
  Click(picker_->hWnd(), Centre(L"Down"));
  EXPECT_EQ(picker_->Value(), At(2026, 3, 2));
}

// The numbers hosts see are the script test's; here, that a refused value
// changes nothing, and that moments the calendar cannot show are refused.
TEST_F(PickerTest, RefusedRangeValuesChangeNothing) {
  picker_->SetMinDate(At(2000, 1, 1)), picker_->SetMaxDate(At(2030, 12, 31)), picker_->SetValue(At(2010, 1, 1));
  EXPECT_EQ(ControlErrorOf([&] { picker_->SetValue(At(2031, 1, 1)); }), 2050);
  EXPECT_EQ(ControlErrorOf([&] { picker_->SetMaxDate(At(1999, 1, 1)); }), 1070);  // 1068: the contract test's
  picker_->SetMinDate(DefaultMinDate());
  for (double bad : {std::nan(""), -700000.0, 3000000.0}) {
    SCOPED_TRACE(bad);
    EXPECT_EQ(ControlErrorOf([&] { picker_->SetValue(common::DateTime(bad)); }), 5);
    EXPECT_EQ(ControlErrorOf([&] { picker_->SetMinDate(common::DateTime(bad)); }), 5);
    EXPECT_EQ(ControlErrorOf([&] { picker_->SetMaxDate(common::DateTime(bad)); }), 5);
  }
  EXPECT_EQ(picker_->MinDate(), DefaultMinDate());
  EXPECT_EQ(picker_->Value(), At(2010, 1, 1));
  EXPECT_EQ(picker_->MaxDate(), At(2030, 12, 31));
}

// Before the zero day the serial is negative and the time counts the other way.
TEST_F(PickerTest, DateAndTimePartsHoldBeforeTheZeroDay) {
  picker_->SetValue(At(1700, 3, 1, 23, 59, 59));
  EXPECT_EQ(picker_->DateValue(), At(1700, 3, 1));
  EXPECT_NEAR(picker_->TimeValue().Value(), (86400 - 1) / 86400.0, 1e-6);
}

// ---- the drop-down calendar

TEST_F(PickerTest, PickingADayTakesItWithTheTimeOfDayChangesAndClosesUp) {
  picker_->SetCustomFormat(L"dd/MM/yyyy HH:mm"), picker_->SetValue(At(2026, 3, 10, 18, 45));
  picker_->DropDownCalendar();
  events_.log.clear();
  MonthCalendar& sc = picker_->Calendar();
  Click(sc.hWnd(), DayCell(static_cast<int>(At(2026, 3, 17).Value() - sc.GridStartDate().Value())));
  EXPECT_EQ(picker_->Value(), At(2026, 3, 17, 18, 45));
  EXPECT_FALSE(picker_->IsDropped());
  EXPECT_EQ(events_.log, (Log{"Change", "BeforeCalendarCloseUp", "AfterCalendarCloseUp"}));
}

TEST_F(PickerTest, AValueLeftOutsideANewRangeDropsDownOnTheRange) {
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
  picker_->SetAllowEmpty(true);
  EXPECT_TRUE(picker_->Calendar().EmptyButton());
  picker_->DropDownCalendar();
  for (bool cancel : {true, false}) {
    events_.cancelEmpty = cancel, events_.log.clear();
    Click(picker_->Calendar().hWnd(), {150, 164});
    EXPECT_EQ(events_.log, (cancel ? Log{"EmptyClicked"} : Log{"EmptyClicked", "Change"}));
    EXPECT_TRUE(picker_->Value().has_value() == cancel && picker_->IsDropped() == cancel);
  }
  picker_->DropDownCalendar();
  EXPECT_EQ(picker_->Calendar().Value(), At(2026, 3, 10)) << "an empty picker drops down on its last date";
}

// The button drops the calendar below with the picker's value and range, and
// a press on it while open closes it for good. Cancelling is the contract
// test's; opening above a picker with no room below, and clicks inside and
// outside the pop-up, the drop-down test's.
TEST_F(PickerTest, TheButtonDropsTheCalendarAndPressedWhileOpenClosesItForGood) {
  picker_->SetMinDate(At(2000, 1, 1));
  events_.log.clear();
  Click(picker_->hWnd(), Centre(L"DropDown"));
  ASSERT_TRUE(picker_->IsDropped());
  EXPECT_EQ(events_.log, (Log{"MouseDown", "BeforeCalendarDropDown", "AfterCalendarDropDown", "MouseUp"}))
      << "handing the value to the calendar is no change";
  MonthCalendar& sc = picker_->Calendar();
  EXPECT_TRUE(sc.Value() == At(2026, 3, 10) && sc.MinDate() == At(2000, 1, 1));
  EXPECT_NE(mWindowsHook::InstalledHook(WH_MOUSE), nullptr);

  POINT pt = Centre(L"DropDown");
  ClientToScreen(picker_->hWnd(), &pt);
  events_.log.clear();
  Press(pt, MOUSEEVENTF_LEFTDOWN, MOUSEEVENTF_LEFTUP);
  EXPECT_FALSE(picker_->IsDropped());
  EXPECT_EQ(events_.Count("BeforeCalendarDropDown"), 0);
  EXPECT_EQ(mWindowsHook::InstalledHook(WH_MOUSE), nullptr);
  Press(pt, MOUSEEVENTF_LEFTDOWN, MOUSEEVENTF_LEFTUP);
  EXPECT_TRUE(picker_->IsDropped()) << "the next press opens it again";
  SendMessageW(picker_->hWnd(), WM_KEYDOWN, VK_ESCAPE, 0);
  EXPECT_FALSE(picker_->IsDropped());
}

TEST_F(PickerTest, TheCalendarsMonthListCountsAsInsideAndTheFocusComesBack) {
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

// ---- saved properties

// A new control writes the defaults an empty bag does not have; an empty
// bag reads as the old saved controls did (an empty picker). Dates as text,
// a value outside the stored range and bad entries are read safely.
TEST_F(PickerTest, NewControlAndEmptyBagDefaultsDifferAndBadEntriesAreReadSafely) {
  common::MemoryPropertyBag bag;
  picker_->SetValue(At(2004, 9, 7));
  picker_->WriteProperties(bag);
  DatePicker loaded;
  Recorder loadEvents;
  loaded.Events().Advise(&loadEvents);
  loaded.ReadProperties(bag);
  EXPECT_TRUE(!loaded.FlatButton() && loaded.Value() == At(2004, 9, 7));
  EXPECT_TRUE(loadEvents.log.empty()) << "loading raises no events";
  loaded.ReadProperties(common::MemoryPropertyBag{});
  EXPECT_TRUE(loaded.FlatButton() && !loaded.Value().has_value() && !State().bLoading);
  common::MemoryPropertyBag out;
  loaded.WriteProperties(out);
  EXPECT_TRUE(out.Values().empty()) << "the bag's defaults are left out";

  bag.Write(L"MaxDate", std::wstring(L"12/31/2030"));
  bag.Write(L"MinDate", std::wstring(L"1/1/2000"));
  bag.Write(L"Value", At(2040, 5, 5).Value());  // outside the stored range
  bag.Write(L"Format", int32_t{7});
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
  PickerFont back;
  for (const wchar_t* bad : {L"", L"Tahoma;8;0;0;0", L"Tahoma;-1;0;0;0;0", L"Tahoma;8x;0;0;0;0"})
    EXPECT_FALSE(FontFromText(bad, back)) << bad;
}

}  // namespace
}  // namespace almanix::testing

// Fields, keys, typing, stepping, range errors, buttons, borders, fonts and
// drawing of the picker, driven through its window's messages.
#include "tests/almanix/picker/picker_fixture.h"

#include <cmath>

#include "almanix/core/date_range.h"
#include "almanix/core/ole_color.h"

namespace almanix::testing {
namespace {

TEST_F(PickerTest, PatternsGiveFieldsAndLiteralsAndArrowsSkipTheLiterals) {
  Create();
  const auto& f = picker_->Fields();
  ASSERT_EQ(f.size(), 5u);
  EXPECT_TRUE(f[1].isliteral() && f[3].isliteral() && f[4].Mask() == L"yyyy");
  for (size_t i = 1; i < f.size(); ++i) EXPECT_EQ(f[i].Left, f[i - 1].Left + f[i - 1].Width);
  std::vector<int> current{picker_->CurrentField()};
  for (int vk : {VK_RIGHT, VK_DIVIDE, VK_RIGHT}) Key(vk), current.push_back(picker_->CurrentField());
  EXPECT_EQ(current, (std::vector<int>{0, 2, 4, 4})) << "to the next field, staying on the last";
  ClickField(3);
  EXPECT_EQ(picker_->CurrentField(), 4) << "a literal never becomes current";

  // Trailing and quoted literals.
  picker_->SetCustomFormat(L"HH:mm 'Uhr'");
  ASSERT_EQ(f.size(), 4u);
  EXPECT_EQ(f[3].Text(), L" Uhr");
  picker_->SetCustomFormat(L"d 'de' MMMM");
  ASSERT_EQ(f.size(), 3u);
  EXPECT_EQ(f[1].Text(), L" de ") << "quoted letters are not tokens";
}

TEST_F(PickerTest, TypedDigitsCommitAfterThePauseOrWhenLeavingTheField) {
  Create(At(2026, 2, 10));
  // 1-2-3 into the month field leaves 23, which is no month.
  Key(VK_RIGHT);
  Type(L"123");
  WaitForCommit();
  EXPECT_EQ(picker_->Value(), At(2026, 2, 10));
  EXPECT_EQ(picker_->Fields()[2].Text(), L"02");
  // 5 into the year field commits 2005 after the pause.
  Key(VK_RIGHT);
  Type(L"5");
  WaitForCommit();
  EXPECT_EQ(picker_->Value(), At(2005, 2, 10));
  EXPECT_EQ(events_.Count("Change"), 1);
  EXPECT_EQ(events_.Count("KeyPress"), 4);
  // Moving to another field commits at once.
  Key(VK_LEFT), Key(VK_LEFT);
  Type(L"14");
  Key(VK_RIGHT);
  EXPECT_EQ(picker_->Value(), At(2005, 2, 14));
  EXPECT_EQ(events_.Count("Change"), 2);
}

TEST_F(PickerTest, UpAndDownStepTheCurrentFieldAndClampAtTheRange) {
  Create(At(2026, 3, 5));
  picker_->SetMinDate(At(2026, 3, 1));
  picker_->SetMaxDate(At(2026, 3, 5));
  events_.log.clear();
  Key(VK_UP);
  EXPECT_EQ(picker_->Value(), At(2026, 3, 5));
  Key(VK_RIGHT), Key(VK_DOWN);
  EXPECT_EQ(picker_->Value(), At(2026, 3, 1));
  EXPECT_EQ(events_.log, (std::vector<std::string>{"KeyDown", "Change", "KeyUp", "KeyDown", "KeyUp",
                                                   "KeyDown", "Change", "KeyUp"}))
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
}

TEST_F(PickerTest, AltWithAKeyIsLeftToTheHost) {
  HWND hwnd = Create();
  for (int vk : {VK_F4, VK_DOWN, VK_UP, VK_RIGHT}) SendMessageW(hwnd, WM_SYSKEYDOWN, vk, 1 << 29);
  EXPECT_FALSE(picker_->IsDropped());
  EXPECT_EQ(picker_->Value(), At(2026, 3, 10));
  EXPECT_EQ(picker_->CurrentField(), 0);
  EXPECT_EQ(events_.Count("KeyDown"), 4) << "the host still hears the keys";
}

// The numbers hosts see are the script test's; here, that a refused value
// changes nothing, and that moments the calendar cannot show are refused.
TEST_F(PickerTest, RefusedRangeValuesChangeNothing) {
  picker_->SetMinDate(At(2000, 1, 1));
  picker_->SetMaxDate(At(2030, 12, 31));
  picker_->SetValue(At(2010, 1, 1));
  EXPECT_EQ(ControlErrorOf([&] { picker_->SetValue(At(2031, 1, 1)); }), 2050);
  EXPECT_EQ(ControlErrorOf([&] { picker_->SetMinDate(At(2031, 1, 1)); }), 1068);
  EXPECT_EQ(ControlErrorOf([&] { picker_->SetMaxDate(At(1999, 1, 1)); }), 1070);
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

TEST_F(PickerTest, DateAndTimePartsHoldForEveryYear) {
  // Before the zero day the serial is negative and the time counts the other way.
  struct Case { common::DateTime value, date; double time; };
  for (const Case& c : {Case{At(2026, 12, 6, 18, 30), At(2026, 12, 6), 18.5 / 24},
                        Case{At(1899, 12, 29, 6), At(1899, 12, 29), 0.25},
                        Case{At(1700, 3, 1, 23, 59, 59), At(1700, 3, 1), (86400 - 1) / 86400.0}}) {
    SCOPED_TRACE(c.value.Value());
    picker_->SetValue(c.value);
    EXPECT_EQ(picker_->DateValue(), c.date);
    EXPECT_NEAR(picker_->TimeValue().Value(), c.time, 1e-6);
  }
}

TEST_F(PickerTest, UpDownButtonsStepAndRepeatWhileHeldAndDraggingStepsToo) {
  Create();
  picker_->SetButtonStyle(dtpUpDown);
  ClickButton(L"Down");
  EXPECT_EQ(picker_->Value(), At(2026, 3, 9));
  // Held with the pointer on it: repeats after 750 ms, then every 100 ms.
  POINT pt = Centre(L"Up");
  const LPARAM lp = MAKELPARAM(pt.x, pt.y);
  ClientToScreen(picker_->hWnd(), &pt);
  SetCursorPos(pt.x, pt.y);
  SendMessageW(picker_->hWnd(), WM_LBUTTONDOWN, MK_LBUTTON, lp);
  EXPECT_EQ(picker_->Value(), At(2026, 3, 10));
  EXPECT_TRUE(PumpUntil([&] { return picker_->Value() >= At(2026, 3, 13); }));
  SendMessageW(picker_->hWnd(), WM_LBUTTONUP, 0, lp);
  const common::DateTime released = *picker_->Value();
  PumpFor(250);
  EXPECT_EQ(picker_->Value(), released) << "no repeat after the release";
  EXPECT_EQ(picker_->Button(L"Up")->State & cfspushed, 0);

  // Dragging over the box steps the current field by moves of more than two pixels.
  picker_->SetValue(At(2026, 3, 10));
  auto send = [&](UINT msg, WPARAM keys, int y) { SendMessageW(picker_->hWnd(), msg, keys, MAKELPARAM(5, y)); };
  send(WM_LBUTTONDOWN, MK_LBUTTON, 5);
  send(WM_MOUSEMOVE, MK_LBUTTON, 7);
  EXPECT_EQ(picker_->Value(), At(2026, 3, 10));
  send(WM_MOUSEMOVE, MK_LBUTTON, 9);
  EXPECT_EQ(picker_->Value(), At(2026, 3, 9));
  send(WM_MOUSEMOVE, MK_LBUTTON, 1);
  send(WM_LBUTTONUP, 0, 1);
  send(WM_MOUSEMOVE, 0, 20);  // released: moves step nothing
  EXPECT_EQ(picker_->Value(), At(2026, 3, 10));
}

TEST_F(PickerTest, BorderStylesAreRealWindowStyles) {
  HWND hwnd = Create();
  auto edges = [&] { return GetWindowLongPtrW(hwnd, GWL_EXSTYLE) & (WS_EX_STATICEDGE | WS_EX_CLIENTEDGE); };
  picker_->SetBorderStyle(dtpBorderThin3D);
  EXPECT_EQ(edges(), WS_EX_STATICEDGE);
  picker_->SetBorderStyle(dtpBorderFlat);
  EXPECT_TRUE(edges() == 0 && (GetWindowLongPtrW(hwnd, GWL_STYLE) & WS_BORDER));
  picker_->SetBorderStyle(dtpBorderNone);
  RECT window, client;
  GetWindowRect(hwnd, &window);
  GetClientRect(hwnd, &client);
  EXPECT_EQ(client.right, window.right - window.left) << "the frame was recalculated";
  EXPECT_EQ(picker_->Button(L"DropDown")->Rect().right, client.right) << "and the layout redone";
}

// The other fields keep the surface's colours; an empty picker is blank.
TEST_F(PickerTest, FocusSelectsTheCurrentFieldInHighlightColours) {
  Create();
  Dib dib(200, 40);
  const auto& f = picker_->Fields();
  const COLORREF highlight = TranslateColor(kSysHighlight);
  picker_->DrawTo(dib.dc());
  EXPECT_NE(dib.At(f[0].Left + 1, 1), highlight);
  SetFocus(picker_->hWnd());
  ASSERT_TRUE(picker_->HasFocus() && f[0].selected);
  picker_->DrawTo(dib.dc());
  EXPECT_EQ(dib.At(f[0].Left + 1, 1), highlight);
  EXPECT_GT(dib.Count(f[4].Left, 0, f[4].Left + f[4].Width, f[4].Height, [](COLORREF c) { return c == 0; }), 5)
      << "the year in the window text colour";

  picker_->SetAllowEmpty(true);
  picker_->SetValue(std::nullopt);
  picker_->DrawTo(dib.dc());
  const int right = f[4].Left + f[4].Width, bottom = f[0].Height;
  EXPECT_EQ(dib.CountColor(0, 0, right, bottom, TranslateColor(kSysWindow)), right * bottom);
  SetFocus(host_);
  EXPECT_FALSE(picker_->HasFocus() || f[0].selected);
}

TEST_F(PickerTest, TheContainersFontAppliesUntilAFontIsSet) {
  Create();
  HFONT arial = CreateFontW(-16, 0, 0, 0, FW_BOLD, 0, 0, 0, DEFAULT_CHARSET, 0, 0, 0, 0, L"Arial");
  SendMessageW(picker_->hWnd(), WM_SETFONT, reinterpret_cast<WPARAM>(arial), TRUE);
  EXPECT_EQ(picker_->Font(), (PickerFont{L"Arial", 12, true}));
  const int wide = picker_->Fields()[0].Width;
  picker_->SetFont({L"Arial", 6});
  EXPECT_LT(picker_->Fields()[0].Width, wide) << "the fields were measured again";
  SendMessageW(picker_->hWnd(), WM_SETFONT, reinterpret_cast<WPARAM>(arial), TRUE);
  EXPECT_EQ(picker_->Font(), (PickerFont{L"Arial", 6}));
  DeleteObject(arial);
}

}  // namespace
}  // namespace almanix::testing

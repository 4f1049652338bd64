// Fields, keys, typing, stepping, range errors, buttons, borders and
// drawing of the picker, driven through its window's messages.
#include "tests/almanix/picker/picker_fixture.h"

#include "almanix/core/ole_color.h"

namespace almanix::testing {
namespace {

TEST_F(PickerTest, DayMonthYearPatternGivesFiveEntriesAndArrowsSkipTheLiterals) {
  Create();
  UseDayMonthYear();
  const auto& f = picker_->Fields();
  ASSERT_EQ(f.size(), 5u);
  EXPECT_EQ(f[0].Mask(), L"dd");
  EXPECT_TRUE(f[1].isliteral());
  EXPECT_EQ(f[1].Text(), L"/");
  EXPECT_EQ(f[2].Mask(), L"MM");
  EXPECT_TRUE(f[3].isliteral());
  EXPECT_EQ(f[4].Mask(), L"yyyy");
  for (size_t i = 1; i < f.size(); ++i) EXPECT_EQ(f[i].Left, f[i - 1].Left + f[i - 1].Width);

  EXPECT_EQ(picker_->CurrentField(), 0);
  Key(VK_RIGHT);
  EXPECT_EQ(picker_->CurrentField(), 2);
  Key(VK_DIVIDE);
  EXPECT_EQ(picker_->CurrentField(), 4);
  Key(VK_RIGHT);
  EXPECT_EQ(picker_->CurrentField(), 4) << "stays on the last field";
  Key(VK_LEFT);
  Key(VK_LEFT);
  EXPECT_EQ(picker_->CurrentField(), 0);
  ClickField(4);
  EXPECT_EQ(picker_->CurrentField(), 4);
  ClickField(3);
  EXPECT_EQ(picker_->CurrentField(), 4) << "a literal never becomes current";
}

TEST_F(PickerTest, PatternsKeepTrailingAndQuotedLiterals) {
  Create();
  picker_->SetFormat(dtpCustom);
  picker_->SetCustomFormat(L"HH:mm 'Uhr'");
  const auto& f = picker_->Fields();
  ASSERT_EQ(f.size(), 4u);
  EXPECT_EQ(f[0].Mask(), L"HH");
  EXPECT_EQ(f[2].Mask(), L"nn");
  EXPECT_EQ(f[3].Text(), L" Uhr");

  picker_->SetCustomFormat(L"d 'de' MMMM");
  ASSERT_EQ(picker_->Fields().size(), 3u);
  EXPECT_EQ(picker_->Fields()[1].Text(), L" de ") << "quoted letters are not tokens";
}

TEST_F(PickerTest, TypedDigitsCommitAfterThePauseOrAreDropped) {
  Create();
  UseDayMonthYear();
  picker_->SetValue(At(2026, 2, 10));
  events_.log.clear();

  // 1-2-3 into the month field leaves 23, which is no month.
  Key(VK_RIGHT);
  Type(L"123");
  EXPECT_EQ(picker_->Fields()[2].Text(), L"23");
  WaitForCommit();
  EXPECT_EQ(picker_->Value(), At(2026, 2, 10));
  EXPECT_EQ(events_.Count("Change"), 0);
  EXPECT_EQ(picker_->Fields()[2].Text(), L"02");

  // 31 into the day of a February value is refused.
  Key(VK_LEFT);
  Type(L"31");
  WaitForCommit();
  EXPECT_EQ(picker_->Value(), At(2026, 2, 10));
  EXPECT_EQ(events_.Count("Change"), 0);

  // 5 into the year field shows 0005 and commits 2005.
  Key(VK_RIGHT);
  Key(VK_RIGHT);
  Type(L"5");
  EXPECT_EQ(picker_->Fields()[4].Text(), L"0005");
  WaitForCommit();
  EXPECT_EQ(picker_->Value(), At(2005, 2, 10));
  EXPECT_EQ(events_.Count("Change"), 1);
  EXPECT_EQ(events_.Count("KeyPress"), 6);
}

TEST_F(PickerTest, MovingToAnotherFieldCommitsWaitingDigitsAtOnce) {
  Create();
  UseDayMonthYear();
  picker_->SetValue(At(2026, 2, 10));
  Type(L"14");
  Key(VK_RIGHT);
  EXPECT_EQ(picker_->Value(), At(2026, 2, 14));
  EXPECT_EQ(events_.Count("Change"), 1);
}

TEST_F(PickerTest, UpAndDownStepTheCurrentFieldAndClampAtTheRange) {
  Create();
  UseDayMonthYear();
  picker_->SetValue(At(2026, 1, 31));
  Key(VK_RIGHT);
  Key(VK_UP);
  EXPECT_EQ(picker_->Value(), At(2026, 2, 28)) << "the month step ends at February's last day";
  EXPECT_EQ(events_.Count("Change"), 1);

  picker_->SetMaxDate(At(2026, 3, 5));
  picker_->SetValue(At(2026, 3, 5));
  Key(VK_LEFT);
  events_.log.clear();
  Key(VK_UP);
  EXPECT_EQ(picker_->Value(), At(2026, 3, 5));
  EXPECT_EQ(events_.Count("Change"), 1) << "Change even when clamped";

  picker_->SetMinDate(At(2026, 3, 1));
  Key(VK_RIGHT);
  Key(VK_DOWN);
  EXPECT_EQ(picker_->Value(), At(2026, 3, 1));
  EXPECT_EQ(events_.log, (std::vector<std::string>{"KeyDown", "Change", "KeyUp", "KeyDown", "KeyUp",
                                                   "KeyDown", "Change", "KeyUp"}));
}

TEST_F(PickerTest, DownOnAnEmptyPickerBringsBackTheLastDateAndStepsIt) {
  Create();
  UseDayMonthYear();
  picker_->SetAllowEmpty(true);
  picker_->SetValue(At(2026, 5, 20));
  picker_->SetValue(std::nullopt);
  EXPECT_FALSE(picker_->Value().has_value());
  EXPECT_EQ(picker_->DateValue().Value(), 0.0);
  Key(VK_RIGHT);  // moving between fields leaves it empty
  EXPECT_FALSE(picker_->Value().has_value());
  Key(VK_LEFT);
  Key(VK_DOWN);
  EXPECT_EQ(picker_->Value(), At(2026, 5, 19));
  EXPECT_EQ(events_.Count("Change"), 1);
}

TEST_F(PickerTest, RangeErrorsCarryTheirNumbersAndChangeNothing) {
  auto expectError = [](int32_t number, const std::function<void()>& f) {
    try {
      f();
      ADD_FAILURE() << "no error " << number;
    } catch (const common::NumberedError& e) {
      EXPECT_EQ(e.Number(), number);
      EXPECT_EQ(e.Source(), L"DatePicker");
    }
  };
  picker_->SetMinDate(At(2000, 1, 1));
  picker_->SetMaxDate(At(2030, 12, 31));
  picker_->SetValue(At(2010, 1, 1));
  expectError(2050, [&] { picker_->SetValue(At(2031, 1, 1)); });
  expectError(2050, [&] { picker_->SetValue(At(1999, 12, 31)); });
  EXPECT_EQ(picker_->Value(), At(2010, 1, 1));
  expectError(1068, [&] { picker_->SetMinDate(At(2031, 1, 1)); });
  EXPECT_EQ(picker_->MinDate(), At(2000, 1, 1));
  expectError(1070, [&] { picker_->SetMaxDate(At(1999, 1, 1)); });
  EXPECT_EQ(picker_->MaxDate(), At(2030, 12, 31));
}

TEST_F(PickerTest, DateAndTimePartsHoldForEveryYear) {
  picker_->SetValue(At(2026, 12, 6, 18, 30));
  EXPECT_EQ(picker_->DateValue(), At(2026, 12, 6));
  EXPECT_NEAR(picker_->TimeValue().Value(), 18.5 / 24, 1e-9);

  picker_->SetValue(At(1899, 12, 29, 6));  // before the zero day
  EXPECT_EQ(picker_->DateValue(), At(1899, 12, 29));
  EXPECT_NEAR(picker_->TimeValue().Value(), 0.25, 1e-9);
  picker_->SetValue(At(1700, 3, 1, 23, 59, 59));
  EXPECT_EQ(picker_->DateValue(), At(1700, 3, 1));
  EXPECT_EQ(picker_->TimeValue().Parts().hour, 23);
}

TEST_F(PickerTest, UpDownButtonsStepAndRepeatWhileHeld) {
  Create(20, 20, 150, 24);
  UseDayMonthYear();
  picker_->SetButtonStyle(dtpUpDown);
  const CFrame* up = picker_->Button(L"Up");
  ASSERT_TRUE(up);

  picker_->SetValue(At(2026, 3, 10));
  ClickButton(L"Down");
  EXPECT_EQ(picker_->Value(), At(2026, 3, 9));

  // Held with the pointer on it: repeats after 750 ms, then every 100 ms.
  POINT pt{(up->Rect().left + up->Rect().right) / 2, (up->Rect().top + up->Rect().bottom) / 2};
  const LPARAM lp = MAKELPARAM(pt.x, pt.y);
  ClientToScreen(picker_->hWnd(), &pt);
  SetCursorPos(pt.x, pt.y);
  SendMessageW(picker_->hWnd(), WM_LBUTTONDOWN, MK_LBUTTON, lp);
  EXPECT_EQ(picker_->Value(), At(2026, 3, 10));
  EXPECT_TRUE(PumpUntil([&] { return picker_->Value() >= At(2026, 3, 13); }));
  SendMessageW(picker_->hWnd(), WM_LBUTTONUP, 0, lp);
  const common::DateTime released = *picker_->Value();
  Sleep(250);
  Pump();
  EXPECT_EQ(picker_->Value(), released) << "no repeat after the release";
  EXPECT_EQ(up->State & cfspushed, 0);
}

TEST_F(PickerTest, DraggingOverTheBoxStepsTheCurrentField) {
  Create();
  UseDayMonthYear();
  picker_->SetValue(At(2026, 3, 10));
  SendMessageW(picker_->hWnd(), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(5, 5));
  SendMessageW(picker_->hWnd(), WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(5, 7));
  EXPECT_EQ(picker_->Value(), At(2026, 3, 10)) << "two pixels are not enough";
  SendMessageW(picker_->hWnd(), WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(5, 9));
  EXPECT_EQ(picker_->Value(), At(2026, 3, 9));
  SendMessageW(picker_->hWnd(), WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(5, 1));
  EXPECT_EQ(picker_->Value(), At(2026, 3, 10));
  SendMessageW(picker_->hWnd(), WM_LBUTTONUP, 0, MAKELPARAM(5, 1));
  SendMessageW(picker_->hWnd(), WM_MOUSEMOVE, 0, MAKELPARAM(5, 20));
  EXPECT_EQ(picker_->Value(), At(2026, 3, 10));
}

TEST_F(PickerTest, BorderStylesAreRealWindowStyles) {
  HWND hwnd = Create();
  auto ex = [&] { return GetWindowLongPtrW(hwnd, GWL_EXSTYLE); };
  auto style = [&] { return GetWindowLongPtrW(hwnd, GWL_STYLE); };
  EXPECT_TRUE(ex() & WS_EX_CLIENTEDGE);
  picker_->SetBorderStyle(dtpBorderThin3D);
  EXPECT_TRUE(ex() & WS_EX_STATICEDGE);
  EXPECT_FALSE(ex() & WS_EX_CLIENTEDGE);
  picker_->SetBorderStyle(dtpBorderFlat);
  EXPECT_FALSE(ex() & (WS_EX_STATICEDGE | WS_EX_CLIENTEDGE));
  EXPECT_TRUE(style() & WS_BORDER);
  picker_->SetBorderStyle(dtpBorderNone);
  EXPECT_FALSE(style() & WS_BORDER);
  RECT window, client;
  GetWindowRect(hwnd, &window);
  GetClientRect(hwnd, &client);
  EXPECT_EQ(client.right, window.right - window.left) << "the frame was recalculated";
  EXPECT_EQ(picker_->Button(L"DropDown")->Rect().right, client.right) << "and the layout redone";
}

TEST_F(PickerTest, FocusSelectsTheCurrentFieldInHighlightColours) {
  Create();
  UseDayMonthYear();
  picker_->SetValue(At(2026, 3, 10));
  HDC screen = GetDC(nullptr);
  HDC dc = CreateCompatibleDC(screen);
  HBITMAP bmp = CreateCompatibleBitmap(screen, 200, 40);
  ReleaseDC(nullptr, screen);
  HGDIOBJ old = SelectObject(dc, bmp);
  const CDateMask& day = picker_->Fields()[0];

  picker_->DrawTo(dc);
  EXPECT_NE(GetPixel(dc, day.Left + 1, 1), TranslateColor(kSysHighlight));
  SetFocus(picker_->hWnd());
  ASSERT_TRUE(picker_->HasFocus());
  EXPECT_TRUE(day.selected);
  picker_->DrawTo(dc);
  EXPECT_EQ(GetPixel(dc, day.Left + 1, 1), TranslateColor(kSysHighlight));

  // An empty picker is a blank box.
  picker_->SetAllowEmpty(true);
  picker_->SetValue(std::nullopt);
  picker_->DrawTo(dc);
  const COLORREF back = TranslateColor(kSysWindow);
  const CDateMask& year = picker_->Fields()[4];
  for (int x = 0; x < year.Left + year.Width; ++x)
    for (int y = 0; y < picker_->Fields()[0].Height; ++y)
      ASSERT_EQ(GetPixel(dc, x, y), back) << x << "," << y;

  SetFocus(host_);
  EXPECT_FALSE(picker_->HasFocus());
  EXPECT_FALSE(picker_->Fields()[0].selected);
  SelectObject(dc, old);
  DeleteObject(bmp);
  DeleteDC(dc);
}

}  // namespace
}  // namespace almanix::testing

namespace almanix::testing {
namespace {

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

// Forms, focus, keys, menus, timers and the screen measures, on real hidden
// windows driven through the layer's own message loop.
#include <windows.h>

#include <commctrl.h>
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "ferrimond/forms/forms.h"
#include "tests/ferrimond/forms/scripted_user_interaction.h"

namespace ferrimond::forms {
namespace {

class Dialog : public Form {
 public:
  explicit Dialog(UserInteraction& ui) : Form(ui, L"Dialog", L"Dialog", 6000, 3000) {}
  ListBox lstFixed{*this, L"lstFixed", {120, 120, 1095, 450}};
  TextBox txtdays{*this, L"txtdays", {1500, 120, 375, 285}, L"2"};
  CommandButton cmdGo{*this, L"cmdGo", {2100, 120, 1200, 375}, L"&Go"};
  CommandButton cmdFree{*this, L"cmdFree", {3500, 120, 1200, 375}, L"&Free"};
  Frame fra{*this, L"fra", {120, 900, 5000, 1500}, L"Frame"};
  Label lbl{fra, L"lbl", {240, 360, 1500, 255}, L"Label"};
  CheckBox chkIn{fra, L"chkIn", {240, 720, 1500, 255}, L"Inside"};
  CommandButton cmdIn{fra, L"cmdIn", {2000, 720, 1200, 375}, L"In"};
};

class FormTest : public ::testing::Test {
 protected:
  testing::ScriptedUserInteraction ui;
  Dialog dlg{ui};
  std::vector<std::wstring> log;
};

TEST_F(FormTest, TwipsAreConvertedAtTheScreenDpi) {
  HDC dc = GetDC(nullptr);
  int dpiX = GetDeviceCaps(dc, LOGPIXELSX), dpiY = GetDeviceCaps(dc, LOGPIXELSY);
  ReleaseDC(nullptr, dc);
  EXPECT_EQ(TwipsToPixelsX(1440), dpiX);
  EXPECT_EQ(TwipsToPixelsY(1440), dpiY);
  EXPECT_EQ(PixelsToTwipsX(dpiX), 1440);
  EXPECT_DOUBLE_EQ(TwipsPerPixelX(), 1440.0 / dpiX);
  EXPECT_EQ(ScreenWidthTwips(), PixelsToTwipsX(GetSystemMetrics(SM_CXSCREEN)));

  // A control in a frame sits at its twips relative to the frame.
  RECT frame, check;
  GetWindowRect(dlg.fra.Hwnd(), &frame);
  GetWindowRect(dlg.chkIn.Hwnd(), &check);
  EXPECT_EQ(check.left - frame.left, TwipsToPixelsX(240));
  EXPECT_EQ(check.top - frame.top, TwipsToPixelsY(720));
  EXPECT_EQ(check.right - check.left, TwipsToPixelsX(240 + 1500) - TwipsToPixelsX(240));
  EXPECT_EQ(dlg.chkIn.Left(), 240);

  dlg.Load();  // the client area keeps its designed size
  EXPECT_NEAR(dlg.ScaleWidth(), 6000, TwipsPerPixelX());
  EXPECT_NEAR(dlg.ScaleHeight(), 3000, TwipsPerPixelY());
  dlg.Move(ScreenWidthTwips() - dlg.Width(), 0);
  EXPECT_NEAR(dlg.Left() + dlg.Width(), ScreenWidthTwips(), TwipsPerPixelX());
}

TEST(Twips, ConversionAtOtherDpis) {
  for (int dpi : {96, 120, 144, 192}) {
    EXPECT_EQ(TwipsToPixelsAt(1440, dpi), dpi);
    EXPECT_EQ(PixelsToTwipsAt(dpi, dpi), 1440);
  }
  EXPECT_EQ(TwipsToPixelsAt(255, 120), 21);   // 21.25
  EXPECT_EQ(TwipsToPixelsAt(285, 144), 29);   // 28.5 rounds up
  EXPECT_EQ(TwipsToPixelsAt(-285, 144), -29);
  EXPECT_EQ(TwipsToPixelsAt(15, 120), 1);     // 1.25
  EXPECT_EQ(PixelsToTwipsAt(7, 120), 84);
}

TEST_F(FormTest, EveryControlUsesTheMessageFont) {
  NONCLIENTMETRICSW metrics{};
  metrics.cbSize = sizeof(metrics);
  ASSERT_TRUE(SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, sizeof(metrics), &metrics, 0));
  for (HWND hwnd : {dlg.lstFixed.Hwnd(), dlg.cmdGo.Hwnd(), dlg.lbl.Hwnd(), dlg.chkIn.Hwnd()}) {
    auto font = reinterpret_cast<HFONT>(SendMessageW(hwnd, WM_GETFONT, 0, 0));
    ASSERT_NE(font, nullptr);
    LOGFONTW lf{};
    GetObjectW(font, sizeof(lf), &lf);
    EXPECT_STREQ(lf.lfFaceName, metrics.lfMessageFont.lfFaceName);
    EXPECT_EQ(lf.lfWeight, metrics.lfMessageFont.lfWeight);
    EXPECT_EQ(lf.lfHeight, metrics.lfMessageFont.lfHeight);
  }
}

// The program is linked with the manifest: its buttons and lists are the
// common controls' version 6 classes, not the old ones of user32.
TEST_F(FormTest, ControlsAreCommonControlsVersionSix) {
  // BCM_GETIDEALSIZE exists only in the version 6 button.
  SIZE ideal{};
  EXPECT_TRUE(SendMessageW(dlg.cmdGo.Hwnd(), BCM_GETIDEALSIZE, 0, reinterpret_cast<LPARAM>(&ideal)));
  EXPECT_GT(ideal.cx, 0);
}

TEST_F(FormTest, LoadOnceAndUnloadFromTheCloseBox) {
  int loads = 0;
  dlg.OnLoad = [&] { ++loads; };
  bool refuse = true;
  dlg.OnUnload = [&](bool& cancel) {
    log.push_back(L"unload");
    cancel = refuse;
  };
  dlg.Load();
  dlg.Show();
  EXPECT_EQ(loads, 1);
  SendMessageW(dlg.Hwnd(), WM_CLOSE, 0, 0);  // refused
  EXPECT_TRUE(dlg.IsLoaded());
  refuse = false;
  // An Unload inside the Unload handler (as a shutdown does) is harmless.
  dlg.OnUnload = [&](bool&) {
    log.push_back(L"unload");
    dlg.Unload();
  };
  SendMessageW(dlg.Hwnd(), WM_CLOSE, 0, 0);
  EXPECT_FALSE(dlg.IsLoaded());
  EXPECT_TRUE(dlg.IsUnloaded());
  dlg.Unload();
  EXPECT_EQ(log.size(), 2u);
}

TEST_F(FormTest, GotFocusAndValidate) {
  dlg.Show();
  dlg.txtdays.OnGotFocus = [&] { log.push_back(L"txtdays got focus"); };
  int validations = 0;
  bool refuse = false;
  dlg.lstFixed.OnValidate = [&](bool& cancel) {
    ++validations;
    cancel = refuse;
  };
  dlg.lstFixed.SetFocus();
  ASSERT_TRUE(dlg.lstFixed.HasFocus());
  dlg.txtdays.SetFocus();
  EXPECT_EQ(validations, 1);
  EXPECT_TRUE(dlg.txtdays.HasFocus());
  EXPECT_EQ(log, (std::vector<std::wstring>{L"txtdays got focus"}));
  EXPECT_EQ(dlg.ActiveControl(), &dlg.txtdays);

  // A cancel keeps the focus where it was, and the target sees no focus.
  dlg.lstFixed.SetFocus();
  refuse = true;
  log.clear();
  dlg.txtdays.SetFocus();
  EXPECT_EQ(validations, 2);
  EXPECT_TRUE(dlg.lstFixed.HasFocus());
  EXPECT_TRUE(log.empty());

  // No validation towards a control whose CausesValidation is off.
  dlg.txtdays.SetCausesValidation(false);
  dlg.txtdays.SetFocus();
  EXPECT_EQ(validations, 2);
  EXPECT_TRUE(dlg.txtdays.HasFocus());
}

TEST_F(FormTest, RefusedValidationDropsTheClickOnAnotherButton) {
  dlg.Show();
  int clicks = 0;
  dlg.cmdGo.OnClick = [&] { ++clicks; };
  dlg.lstFixed.OnValidate = [&](bool& cancel) { cancel = true; };
  dlg.lstFixed.SetFocus();
  SendMessageW(dlg.cmdGo.Hwnd(), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(5, 5));
  SendMessageW(dlg.cmdGo.Hwnd(), WM_LBUTTONUP, 0, MAKELPARAM(5, 5));
  EXPECT_EQ(clicks, 0);
  EXPECT_TRUE(dlg.lstFixed.HasFocus());
}

TEST_F(FormTest, MouseDownReportsButtonAndTwips) {
  dlg.Show();
  std::vector<int> seen;
  dlg.chkIn.OnMouseDown = [&](int button, int shift, int x, int y) {
    seen = {button, shift, x, y};
  };
  SendMessageW(dlg.chkIn.Hwnd(), WM_RBUTTONDOWN, MK_RBUTTON | MK_SHIFT, MAKELPARAM(4, 3));
  EXPECT_EQ(seen, (std::vector<int>{kRightButton, kShiftMask, PixelsToTwipsX(4), PixelsToTwipsY(3)}));
}

// Keys go through the layer's loop: KeyDown is raised once per key, also for
// keys that dialog navigation takes (Esc), and the key still does its work.
TEST_F(FormTest, KeyDownIsRaisedOnceAndNotConsumed) {
  dlg.Show();
  std::vector<int> keys;
  dlg.txtdays.OnKeyDown = [&](int key, int) { keys.push_back(key); };
  dlg.txtdays.SetFocus();
  dlg.txtdays.SetSel(0, -1);
  PostMessageW(dlg.txtdays.Hwnd(), WM_KEYDOWN, 'P', 0x00190001);
  PostMessageW(dlg.txtdays.Hwnd(), WM_KEYDOWN, VK_ESCAPE, 0x00010001);
  DoEvents();
  EXPECT_EQ(keys, (std::vector<int>{'P', VK_ESCAPE}));
  EXPECT_EQ(dlg.txtdays.Text(), L"p");
  // Sent straight to the window (not through a loop) it is raised as well.
  SendMessageW(dlg.txtdays.Hwnd(), WM_KEYDOWN, 'R', 0x00130001);
  EXPECT_EQ(keys.size(), 3u);
}

// A loop that yields at every item through DoEventsPaced still handles
// input: a key posted meanwhile is taken once the pace has run out.
TEST_F(FormTest, PacedYieldsStillHandleInput) {
  dlg.Show();
  std::vector<int> keys;
  dlg.txtdays.OnKeyDown = [&](int key, int) { keys.push_back(key); };
  dlg.txtdays.SetFocus();
  DoEvents();
  PostMessageW(dlg.txtdays.Hwnd(), WM_KEYDOWN, 'P', 0x00190001);
  for (int item = 0; item < 1000 && keys.empty(); ++item) {
    Sleep(1);
    DoEventsPaced();
  }
  EXPECT_EQ(keys, std::vector<int>{'P'});
}

TEST_F(FormTest, KeyPreviewRunsTheFormFirst) {
  dlg.Show();
  dlg.SetKeyPreview(true);
  dlg.OnKeyDown = [&](int key, int) { log.push_back(L"form"); };
  dlg.cmdGo.OnKeyDown = [&](int key, int) { log.push_back(L"button"); };
  dlg.cmdGo.SetFocus();
  PostMessageW(dlg.cmdGo.Hwnd(), WM_KEYDOWN, 'P', 0x00190001);
  DoEvents();
  EXPECT_EQ(log, (std::vector<std::wstring>{L"form", L"button"}));
}

TEST_F(FormTest, AccessKeyAndTabOrder) {
  dlg.Show();
  int clicks = 0;
  dlg.cmdFree.OnClick = [&] { ++clicks; };
  dlg.lstFixed.SetFocus();
  // Tab goes on in creation order.
  PostMessageW(dlg.lstFixed.Hwnd(), WM_KEYDOWN, VK_TAB, 0x000F0001);
  DoEvents();
  EXPECT_TRUE(dlg.txtdays.HasFocus());
  // Alt+F presses "&Free".
  PostMessageW(dlg.txtdays.Hwnd(), WM_SYSKEYDOWN, 'F', 0x20210001);
  DoEvents();
  EXPECT_EQ(clicks, 1);
  // A plain F on a button is no access key: only Alt makes one.
  dlg.cmdGo.SetFocus();
  PostMessageW(dlg.cmdGo.Hwnd(), WM_KEYDOWN, 'F', 0x00210001);
  DoEvents();
  EXPECT_EQ(clicks, 1);
}

TEST_F(FormTest, EnterPressesTheFocusedButtonOnly) {
  dlg.Show();
  std::vector<std::wstring> clicks;
  dlg.cmdGo.OnClick = [&] { clicks.push_back(L"go"); };
  dlg.cmdIn.OnClick = [&] { clicks.push_back(L"in"); };
  for (Control* c : std::vector<Control*>{&dlg.cmdGo, &dlg.cmdIn, &dlg.txtdays}) {
    c->SetFocus();
    PostMessageW(c->Hwnd(), WM_KEYDOWN, VK_RETURN, 0x001C0001);
    DoEvents();
  }
  EXPECT_EQ(clicks, (std::vector<std::wstring>{L"go", L"in"}));
}

TEST_F(FormTest, PreTranslateHookSeesMessagesFirst) {
  dlg.Show();
  std::vector<WPARAM> seen;
  dlg.OnPreTranslateMessage = [&](MSG& msg) {
    if (msg.message != WM_KEYDOWN) return false;
    seen.push_back(msg.wParam);
    return msg.wParam == VK_TAB;  // a hosted control keeps its Tab
  };
  dlg.lstFixed.SetFocus();
  PostMessageW(dlg.lstFixed.Hwnd(), WM_KEYDOWN, VK_TAB, 0x000F0001);
  DoEvents();
  EXPECT_TRUE(dlg.lstFixed.HasFocus());
  EXPECT_EQ(seen, (std::vector<WPARAM>{VK_TAB}));
}

class MenuForm : public Form {
 public:
  explicit MenuForm(UserInteraction& ui) : Form(ui, L"MenuForm", L"Menus", 4000, 2000) {}
  MenuItem mnuFile{*this, L"mnuFile", L"&File"};
  MenuItem mnuLoad{mnuFile, L"mnuLoad", L"&Load Logfile"};
  MenuItem mnuHyphen{mnuFile, L"mnuHyphen", L"-"};
  MenuItem mnuExit{mnuFile, L"mnuExit", L"&Exit"};
  MenuItem mnuOther{*this, L"mnuOther", L"&Other"};
  MenuItem mnuClose{mnuOther, L"mnuClose", L"Close automatically", true};
  MenuItem mnuUpload{*this, L"mnuUpload", L"&Upload"};
};

std::wstring MenuText(HMENU menu, int position) {
  wchar_t text[128] = {};
  GetMenuStringW(menu, position, text, 128, MF_BYPOSITION);
  return text;
}

TEST(Menus, BarIsBuiltFromTheTreeAndChoicesRunClick) {
  testing::ScriptedUserInteraction ui;
  MenuForm form(ui);
  form.Load();
  HMENU bar = GetMenu(form.Hwnd());
  ASSERT_NE(bar, nullptr);
  ASSERT_EQ(GetMenuItemCount(bar), 3);
  EXPECT_EQ(MenuText(bar, 0), L"&File");
  EXPECT_EQ(MenuText(bar, 2), L"&Upload");
  EXPECT_EQ(GetSubMenu(bar, 2), nullptr);  // a command on the bar itself
  HMENU file = GetSubMenu(bar, 0);
  ASSERT_EQ(GetMenuItemCount(file), 3);
  EXPECT_TRUE(GetMenuState(file, 1, MF_BYPOSITION) & MF_SEPARATOR);
  HMENU other = GetSubMenu(bar, 1);
  EXPECT_TRUE(GetMenuState(other, 0, MF_BYPOSITION) & MF_CHECKED);

  std::vector<std::wstring> log;
  form.mnuClose.OnClick = [&] {
    form.mnuClose.SetChecked(!form.mnuClose.Checked());
    log.push_back(L"close");
  };
  form.mnuUpload.OnClick = [&] {
    form.mnuUpload.SetCaption(L"File types");
    log.push_back(L"upload");
  };
  SendMessageW(form.Hwnd(), WM_COMMAND, MAKEWPARAM(form.mnuClose.CommandId(), 0), 0);
  SendMessageW(form.Hwnd(), WM_COMMAND, MAKEWPARAM(form.mnuUpload.CommandId(), 0), 0);
  EXPECT_EQ(log, (std::vector<std::wstring>{L"close", L"upload"}));
  bar = GetMenu(form.Hwnd());
  EXPECT_FALSE(GetMenuState(GetSubMenu(bar, 1), 0, MF_BYPOSITION) & MF_CHECKED);
  EXPECT_EQ(MenuText(bar, 2), L"File types");

  form.mnuLoad.SetEnabled(false);
  int loads = 0;
  form.mnuLoad.OnClick = [&] { ++loads; };
  form.mnuLoad.Click();
  EXPECT_EQ(loads, 0);
  EXPECT_TRUE(GetMenuState(GetSubMenu(GetMenu(form.Hwnd()), 0), 0, MF_BYPOSITION) & MF_GRAYED);
  // The menu bar does not eat into the designed client area.
  EXPECT_NEAR(form.ScaleHeight(), 2000, TwipsPerPixelY());
}

TEST(Timers, FireThroughTheLoopWhileEnabled) {
  testing::ScriptedUserInteraction ui;
  Form form(ui, L"T", L"T", 2000, 2000);
  Timer tick(form, L"Timer1", 20);
  int fired = 0;
  tick.OnTimer = [&] {
    if (++fired == 2) tick.SetEnabled(false);
  };
  DWORD start = GetTickCount();
  while (fired < 2 && GetTickCount() - start < 5000) {
    DoEvents();
    Sleep(5);
  }
  ASSERT_EQ(fired, 2);
  // Disabled from its own handler: no further ticks.
  start = GetTickCount();
  while (GetTickCount() - start < 150) {
    DoEvents();
    Sleep(5);
  }
  EXPECT_EQ(fired, 2);
  Timer zero(form, L"Timer2", 0);
  int zeroFired = 0;
  zero.OnTimer = [&] { ++zeroFired; };
  zero.Fire();  // an interval of 0 never fires
  EXPECT_EQ(zeroFired, 0);
}

TEST_F(FormTest, ScreenPointerOverridesTheControlsOwn) {
  auto cursorOver = [](HWND hwnd, WORD hit) {
    SetCursor(nullptr);
    SendMessageW(hwnd, WM_SETCURSOR, reinterpret_cast<WPARAM>(hwnd), MAKELPARAM(hit, WM_MOUSEMOVE));
    return GetCursor();
  };
  HCURSOR wait = LoadCursorW(nullptr, IDC_WAIT), cross = LoadCursorW(nullptr, IDC_CROSS);
  dlg.txtdays.SetMousePointer(Pointer::Cross);
  EXPECT_EQ(cursorOver(dlg.txtdays.Hwnd(), HTCLIENT), cross);
  SetScreenMousePointer(Pointer::Hourglass);
  EXPECT_EQ(ScreenMousePointer(), Pointer::Hourglass);
  EXPECT_EQ(cursorOver(dlg.txtdays.Hwnd(), HTCLIENT), wait);
  EXPECT_EQ(cursorOver(dlg.lstFixed.Hwnd(), HTVSCROLL), wait);
  EXPECT_EQ(cursorOver(dlg.Hwnd(), HTCLIENT), wait);
  SetScreenMousePointer(Pointer::Default);
  EXPECT_EQ(cursorOver(dlg.txtdays.Hwnd(), HTCLIENT), cross);
  dlg.SetMousePointer(Pointer::Hourglass);
  EXPECT_EQ(cursorOver(dlg.Hwnd(), HTCLIENT), wait);
  dlg.SetMousePointer(Pointer::Default);
  EXPECT_NE(cursorOver(dlg.Hwnd(), HTCLIENT), wait);
}

TEST(FontSpecText, RoundTripsAndRejectsDamage) {
  FontSpec font{L"Tahoma", 8.25, FW_BOLD, true, false, true, 0};
  FontSpec back;
  ASSERT_TRUE(back.FromString(font.ToString()));
  EXPECT_EQ(back, font);
  FontSpec keep = back;
  for (const wchar_t* bad : {L"", L"Tahoma", L"Tahoma;x;400;0;0;0;0", L";8;400;0;0;0;0",
                             L"Tahoma;-3;400;0;0;0;0", L"Tahoma;8;400;0;0;0;999"}) {
    EXPECT_FALSE(back.FromString(bad)) << std::string(bad, bad + wcslen(bad));
    EXPECT_EQ(back, keep);
  }
}

}  // namespace
}  // namespace ferrimond::forms

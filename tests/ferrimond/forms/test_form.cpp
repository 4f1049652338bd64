// Forms, focus, keys, the pointer and the screen measures, on real hidden
// windows driven through the layer's own message loop. (Menus: the main
// window's tests; timers: the splash windows' and the handler-error tests.)
#include <windows.h>

#include <gtest/gtest.h>

#include <cstdlib>
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
  void SetUp() override { dlg.Show(); }
  testing::ScriptedUserInteraction ui;
  Dialog dlg{ui};
  std::vector<std::wstring> log;
  std::vector<int> keys;
};

// Twips become pixels at a DPI rounding half away from zero; a control in a
// frame sits at its twips relative to the frame, and a loaded form's client
// area keeps its designed size.
TEST_F(FormTest, TwipsFollowTheDpiAndTheDesign) {
  const struct { int twips, dpi, pixels; } cases[] = {{255, 120, 21}, {-285, 144, -29}, {15, 120, 1}};
  for (const auto& c : cases) EXPECT_EQ(TwipsToPixelsAt(c.twips, c.dpi), c.pixels) << c.twips << " at " << c.dpi;
  EXPECT_EQ(PixelsToTwipsAt(7, 120), 84);
  RECT frame, check;
  GetWindowRect(dlg.fra.Hwnd(), &frame), GetWindowRect(dlg.chkIn.Hwnd(), &check);
  EXPECT_TRUE(check.left - frame.left == TwipsToPixelsX(240) && check.top - frame.top == TwipsToPixelsY(720));
  EXPECT_TRUE(std::abs(dlg.ScaleWidth() - 6000) <= TwipsPerPixelX() && std::abs(dlg.ScaleHeight() - 3000) <= TwipsPerPixelY());
}

// A shown form is loaded once; a refusal keeps it; an Unload inside the
// Unload handler (as a shutdown does) is harmless, and code may still read
// and set the controls of the unloaded form.
TEST_F(FormTest, LoadOnceAndUnloadFromTheCloseBox) {
  int loads = 0;
  dlg.OnLoad = [&] { ++loads; };
  dlg.OnUnload = [&](bool& cancel) { log.push_back(L"unload"), cancel = true; };
  dlg.Load();
  SendMessageW(dlg.Hwnd(), WM_CLOSE, 0, 0);
  EXPECT_TRUE(dlg.IsLoaded());
  dlg.OnUnload = [&](bool&) { log.push_back(L"unload"), dlg.Unload(); };
  SendMessageW(dlg.Hwnd(), WM_CLOSE, 0, 0);
  EXPECT_TRUE(dlg.IsUnloaded());
  dlg.Unload();
  EXPECT_TRUE(log.size() == 2u && loads == 0);
  dlg.chkIn.SetValue(kChecked);
  dlg.txtdays.SetText(L"x");
  EXPECT_TRUE(dlg.chkIn.Value() == kChecked && dlg.txtdays.Text() == L"x");
}

TEST_F(FormTest, ValidateGuardsEveryWayTheFocusLeaves) {
  dlg.txtdays.OnGotFocus = [&] { log.push_back(L"txtdays got focus"); };
  int validations = 0, clicks = 0;
  bool refuse = false;
  dlg.lstFixed.OnValidate = [&](bool& cancel) { ++validations, cancel = refuse; };
  dlg.cmdGo.OnClick = [&] { ++clicks; };
  dlg.lstFixed.SetFocus();
  dlg.txtdays.SetFocus();
  EXPECT_TRUE(validations == 1 && dlg.ActiveControl() == &dlg.txtdays);
  EXPECT_EQ(log, (std::vector<std::wstring>{L"txtdays got focus"}));
  // A cancel keeps the focus where it was, the target sees no focus, and a
  // click on another button is dropped.
  dlg.lstFixed.SetFocus();
  refuse = true;
  log.clear();
  dlg.txtdays.SetFocus();
  EXPECT_TRUE(validations == 2 && dlg.lstFixed.HasFocus() && log.empty());
  SendMessageW(dlg.cmdGo.Hwnd(), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(5, 5));
  SendMessageW(dlg.cmdGo.Hwnd(), WM_LBUTTONUP, 0, MAKELPARAM(5, 5));
  EXPECT_TRUE(clicks == 0 && dlg.lstFixed.HasFocus());
  // No validation towards a control whose CausesValidation is off.
  const int before = validations;
  dlg.txtdays.SetCausesValidation(false);
  dlg.txtdays.SetFocus();
  EXPECT_TRUE(validations == before && dlg.txtdays.HasFocus());
}

// Posts a key press to the control and lets the layer's loop take it.
void Key(const Control& c, WPARAM key, LPARAM bits, UINT msg = WM_KEYDOWN) {
  PostMessageW(c.Hwnd(), msg, key, bits);
  DoEvents();
}

// Keys go through the layer's loop: KeyDown is raised once per key, also for
// keys that dialog navigation takes (Esc), and the key still does its work.
// A loop that yields through DoEventsPaced takes a key once the pace has run
// out.
TEST_F(FormTest, KeyDownIsRaisedOnceAndTheKeyNotConsumed) {
  dlg.txtdays.OnKeyDown = [&](int key, int) { keys.push_back(key); };
  dlg.txtdays.SetFocus();
  dlg.txtdays.SetSel(0, -1);
  PostMessageW(dlg.txtdays.Hwnd(), WM_KEYDOWN, 'P', 0x00190001);
  Key(dlg.txtdays, VK_ESCAPE, 0x00010001);
  EXPECT_EQ(keys, (std::vector<int>{'P', VK_ESCAPE}));
  EXPECT_EQ(dlg.txtdays.Text(), L"p");
  // Sent straight to the window (not through a loop) it is raised as well.
  SendMessageW(dlg.txtdays.Hwnd(), WM_KEYDOWN, 'R', 0x00130001);
  EXPECT_EQ(keys, (std::vector<int>{'P', VK_ESCAPE, 'R'}));
  keys.clear();
  PostMessageW(dlg.txtdays.Hwnd(), WM_KEYDOWN, 'P', 0x00190001);
  for (int item = 0; item < 1000 && keys.empty(); ++item) Sleep(1), DoEventsPaced();
  EXPECT_EQ(keys, std::vector<int>{'P'});
}

// Tab moves in creation order, Alt with a letter presses its button (a plain
// letter does not), Enter presses the focused button only; a form's
// pre-translate hook sees keys first and may keep them for a hosted control.
TEST_F(FormTest, TabAccessKeysEnterAndThePreTranslateHook) {
  std::vector<std::wstring> clicks;
  dlg.cmdGo.OnClick = [&] { clicks.push_back(L"go"); };
  dlg.cmdIn.OnClick = [&] { clicks.push_back(L"in"); };
  dlg.cmdFree.OnClick = [&] { clicks.push_back(L"free"); };
  dlg.lstFixed.SetFocus();
  Key(dlg.lstFixed, VK_TAB, 0x000F0001);
  EXPECT_TRUE(dlg.txtdays.HasFocus());
  Key(dlg.txtdays, 'F', 0x20210001, WM_SYSKEYDOWN);
  dlg.cmdGo.SetFocus();
  Key(dlg.cmdGo, 'F', 0x00210001);
  for (Control* c : std::vector<Control*>{&dlg.cmdGo, &dlg.cmdIn, &dlg.txtdays}) {
    c->SetFocus();
    Key(*c, VK_RETURN, 0x001C0001);
  }
  EXPECT_EQ(clicks, (std::vector<std::wstring>{L"free", L"go", L"in"}));

  dlg.OnPreTranslateMessage = [&](MSG& msg) {
    if (msg.message == WM_KEYDOWN) keys.push_back(static_cast<int>(msg.wParam));
    return msg.message == WM_KEYDOWN && msg.wParam == VK_TAB;
  };
  dlg.lstFixed.SetFocus();
  Key(dlg.lstFixed, VK_TAB, 0x000F0001);
  EXPECT_TRUE(dlg.lstFixed.HasFocus());
  EXPECT_EQ(keys, (std::vector<int>{VK_TAB}));
}

// The screen's pointer holds over every part of the program's windows,
// whatever a control (an edit's I-beam) or the form shows; without it, theirs
// show.
TEST_F(FormTest, ScreenPointerOverridesTheControlsOwn) {
  auto cursorOver = [](HWND h, WORD hit = HTCLIENT) {
    SetCursor(nullptr);
    SendMessageW(h, WM_SETCURSOR, reinterpret_cast<WPARAM>(h), MAKELPARAM(hit, WM_MOUSEMOVE));
    return GetCursor();
  };
  const HCURSOR wait = LoadCursorW(nullptr, IDC_WAIT);
  SetScreenMousePointer(Pointer::Hourglass);
  const std::pair<HWND, WORD> spots[] = {{dlg.txtdays.Hwnd(), HTCLIENT}, {dlg.lstFixed.Hwnd(), HTVSCROLL}, {dlg.Hwnd(), HTCLIENT}};
  for (auto [hwnd, hit] : spots) EXPECT_EQ(cursorOver(hwnd, hit), wait) << hit;
  SetScreenMousePointer(Pointer::Default);
  EXPECT_NE(cursorOver(dlg.txtdays.Hwnd()), wait);
  dlg.SetMousePointer(Pointer::Hourglass);
  EXPECT_EQ(cursorOver(dlg.Hwnd()), wait);
  dlg.SetMousePointer(Pointer::Default);
  EXPECT_NE(cursorOver(dlg.Hwnd()), wait);
}

}  // namespace
}  // namespace ferrimond::forms

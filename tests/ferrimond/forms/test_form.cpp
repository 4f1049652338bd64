// Forms, focus, keys, the pointer and the screen measures, and the event
// model of the controls, on real hidden windows driven through the layer's
// own message loop: changes made by code raise the same events as the
// user's, unchanged values raise nothing, option groups are exclusive, and
// chains of reactions end. (Menus: the main window's tests; timers: the
// splash windows' and the handler-error tests.)
#include <windows.h>

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "common/numbered_error.h"
#include "ferrimond/forms/forms.h"
#include "tests/ferrimond/forms/scripted_user_interaction.h"

namespace ferrimond::forms {
namespace {

using Log = std::vector<std::wstring>;
using testing::Entries;

LRESULT Send(const Control& c, UINT msg, WPARAM w = 0, LPARAM l = 0) { return SendMessageW(c.Hwnd(), msg, w, l); }
bool HasStyle(const Control& c, LONG style) { return (GetWindowLongW(c.Hwnd(), GWL_STYLE) & style) != 0; }

class Dialog : public Form {
 public:
  explicit Dialog(UserInteraction& ui) : Form(ui, L"Dialog", L"Dialog", 6000, 4500) {}
  ListBox lstFixed{*this, L"lstFixed", {120, 120, 1095, 450}};
  TextBox txtdays{*this, L"txtdays", {1500, 120, 375, 285}, L"2"};
  CommandButton cmdGo{*this, L"cmdGo", {2100, 120, 1200, 375}, L"&Go"};
  CommandButton cmdFree{*this, L"cmdFree", {3500, 120, 1200, 375}, L"&Free"};
  Frame fra{*this, L"fra", {120, 900, 5000, 1500}, L"Frame"};
  CheckBox chkIn{fra, L"chkIn", {240, 720, 1500, 255}, L"Inside"};
  CommandButton cmdIn{fra, L"cmdIn", {2000, 720, 1200, 375}, L"In"};
  Frame fraA{*this, L"fraA", {120, 2500, 2800, 1400}, L"A"};
  OptionButton optA1{fraA, L"optA1", {120, 240, 1200, 285}, L"A1", true};
  OptionButton optA2{fraA, L"optA2", {120, 600, 1200, 285}, L"A2"};
  OptionButton optA3{fraA, L"optA3", {120, 960, 1200, 285}, L"A3"};
  Frame fraB{*this, L"fraB", {3000, 2500, 2800, 1400}, L"B"};
  OptionButton optB1{fraB, L"optB1", {120, 240, 1200, 285}, L"B1", true};
  CheckBox chk{*this, L"chk", {120, 4000, 1500, 285}, L"&Check"};
  ComboBox cmb{*this, L"cmb", {1800, 4000, 2500, 315}};
  bool NoneOfA() const { return !optA1.Value() && !optA2.Value() && !optA3.Value(); }
};

class FormTest : public ::testing::Test {
 protected:
  void SetUp() override { dlg.Show(); }
  testing::ScriptedUserInteraction ui;
  Dialog dlg{ui};
  Log log;
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
  EXPECT_TRUE(std::abs(dlg.ScaleWidth() - 6000) <= TwipsPerPixelX() && std::abs(dlg.ScaleHeight() - 4500) <= TwipsPerPixelY());
}

TEST_F(FormTest, ValidateGuardsEveryWayTheFocusLeavesAndTheFormLoadsOnceAndUnloadsFromItsCloseBox) {
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

  // A shown form is loaded once; a refusal keeps it; an Unload inside the
  // Unload handler (as a shutdown does) is harmless, and code may still read
  // and set the controls of the unloaded form.
  log.clear();
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

// Posts a key press to the control and lets the layer's loop take it.
void Key(const Control& c, WPARAM key, LPARAM bits, UINT msg = WM_KEYDOWN) {
  PostMessageW(c.Hwnd(), msg, key, bits);
  DoEvents();
}

// Keys go through the layer's loop: KeyDown is raised once per key, also for
// keys that dialog navigation takes (Esc), and the key still does its work.
// A loop that yields through DoEventsPaced takes a key once the pace has run
// out. Tab moves in creation order, Alt with a letter presses its button (a
// plain letter does not), Enter presses the focused button only; a form's
// pre-translate hook sees keys first and may keep them for a hosted control.
TEST_F(FormTest, KeysAreRaisedOnceAndDoTheirWorkAndThePreTranslateHookSeesThemFirst) {
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

  keys.clear();
  dlg.txtdays.OnKeyDown = nullptr;
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

// One group per container, entered by Tab at its selection. A press selects
// before MouseDown runs; the release does not select again, so a MouseDown
// handler that deselects (a missing stamp file) has the last word.
TEST_F(FormTest, OptionGroupIsExclusivePerContainerAndAPressSelectsBeforeMouseDown) {
  for (OptionButton* o : {&dlg.optA1, &dlg.optA2, &dlg.optA3, &dlg.optB1})
    o->OnClick = [this, o] { log.push_back(o->Name()); };
  dlg.optA2.SetValue(true);
  EXPECT_TRUE(!dlg.optA1.Value() && !dlg.optA3.Value() && dlg.optB1.Value());
  EXPECT_EQ(Send(dlg.optA2, BM_GETCHECK), BST_CHECKED);
  dlg.optA2.SetValue(true);   // already selected: nothing
  dlg.optA2.SetValue(false);  // a deselection raises nothing and leaves none selected
  EXPECT_TRUE(dlg.NoneOfA());
  Send(dlg.optA3, BM_CLICK);
  EXPECT_EQ(log, (Log{L"optA2", L"optA3"}));
  EXPECT_FALSE(HasStyle(dlg.optA1, WS_TABSTOP) || HasStyle(dlg.optA2, WS_GROUP));
  EXPECT_TRUE(HasStyle(dlg.optA3, WS_TABSTOP) && HasStyle(dlg.optA1, WS_GROUP) && HasStyle(dlg.chk, WS_GROUP));

  log.clear();
  dlg.optA2.OnClick = [this] { log.push_back(L"click"); };
  dlg.optA2.OnMouseDown = [this](int, int, int, int) {
    log.push_back(dlg.optA2.Value() ? L"down selected" : L"down not selected");
    dlg.optA2.SetValue(false);
  };
  auto press = [&] {
    Send(dlg.optA2, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(3, 3));
    Send(dlg.optA2, WM_LBUTTONUP, 0, MAKELPARAM(3, 3));
  };
  press();
  EXPECT_EQ(log, (Log{L"click", L"down selected"}));
  EXPECT_TRUE(dlg.NoneOfA());
  press();  // the focused, deselected button is selected again
  EXPECT_EQ(log, (Log{L"click", L"down selected", L"click", L"down selected"}));
  // The keyboard's space bar selects on release.
  dlg.optA2.OnMouseDown = nullptr;
  Send(dlg.optA2, WM_KEYDOWN, VK_SPACE, 0x00390001);
  Send(dlg.optA2, WM_KEYUP, VK_SPACE, 0xC0390001);
  EXPECT_TRUE(dlg.optA2.Value());
}

// Change follows code and typing alike; an unchanged text is quiet, which
// ends chains of reactions (the main window's file-type boxes). The user's
// choice while a combo's list is still open: the window's text is stale, yet
// Click already sees the chosen entry.
TEST_F(FormTest, TextChangesFromCodeAndTypingAndComboClickSeesTheChosenText) {
  dlg.txtdays.OnChange = [this] { log.push_back(L"change " + dlg.txtdays.Text()); };
  dlg.txtdays.SetText(L"7");
  dlg.txtdays.SetText(L"7");
  Send(dlg.txtdays, EM_SETSEL, 1, 1);
  Send(dlg.txtdays, WM_CHAR, L'5');
  dlg.cmb.OnClick = [this] { log.push_back(dlg.cmb.Text()); };
  dlg.cmb.AddItem(L"user1"), dlg.cmb.AddItem(L"All Users");
  Send(dlg.cmb, CB_SETCURSEL, 1);
  SetWindowTextW(dlg.cmb.Hwnd(), L"stale");
  SendMessageW(dlg.Hwnd(), WM_COMMAND, MAKEWPARAM(GetDlgCtrlID(dlg.cmb.Hwnd()), CBN_SELCHANGE),
               reinterpret_cast<LPARAM>(dlg.cmb.Hwnd()));
  EXPECT_EQ(log, (Log{L"change 7", L"change 75", L"All Users"}));
}

// List and ListCount answer from the entries the class keeps; after every
// kind of change they must still say what the window holds.
Log WindowEntries(HWND hwnd, UINT count, UINT length, UINT text) {
  Log out;
  const int n = static_cast<int>(SendMessageW(hwnd, count, 0, 0));
  for (int i = 0; i < n; ++i) {
    std::wstring entry(static_cast<size_t>(SendMessageW(hwnd, length, i, 0)) + 1, L'\0');
    entry.resize(static_cast<size_t>(SendMessageW(hwnd, text, i, reinterpret_cast<LPARAM>(entry.data()))));
    out.push_back(entry);
  }
  return out;
}
Log WindowEntries(const ListBox& b) { return WindowEntries(b.Hwnd(), LB_GETCOUNT, LB_GETTEXTLEN, LB_GETTEXT); }
Log WindowEntries(const ComboBox& b) { return WindowEntries(b.Hwnd(), CB_GETCOUNT, CB_GETLBTEXTLEN, CB_GETLBTEXT); }

TEST_F(FormTest, ListEntriesFollowTheWindowThroughEveryChange) {
  ListBox& list = dlg.lstFixed;
  ComboBox& combo = dlg.cmb;
  int clicks = 0;
  list.OnClick = [&] { ++clicks; };
  for (const wchar_t* s : {L"m", L"b", L"x"}) list.AddItem(s), combo.AddItem(s);
  list.AddItem(L"first", 0);
  combo.AddItem(L"mid", 2);
  list.AddItem(std::wstring(L"cut\0off", 7));  // the window keeps it up to the null
  EXPECT_THROW(combo.AddItem(L"far", combo.ListCount() + 1), common::NumberedError);
  list.SetListIndex(1);
  list.SetListIndex(1);
  list.RemoveItem(0);
  combo.RemoveItem(1);
  EXPECT_THROW(list.RemoveItem(list.ListCount()), common::NumberedError);
  EXPECT_EQ(Entries(list), WindowEntries(list));
  EXPECT_EQ(Entries(combo), WindowEntries(combo));
  // The user's choice is read from the window; removing and clearing raise
  // nothing.
  SendMessageW(list.Hwnd(), LB_SETCURSEL, 3, 0);
  EXPECT_TRUE(list.ListIndex() == 3 && list.Text() == WindowEntries(list)[3]);
  list.Clear(), combo.Clear();
  EXPECT_TRUE(clicks == 1 && list.ListCount() == 0 && WindowEntries(combo).empty());
}

// A shape frames its area with four one-pixel edges and covers nothing inside.
TEST_F(FormTest, ShapeIsAnOutline) {
  Label inside(dlg, L"inside", {1200, 1200, 1000, 255}, L"framed");
  Shape Shape1(dlg, L"Shape1", {1000, 1000, 1500, 600});
  RECT label, rc, overlap;
  GetWindowRect(inside.Hwnd(), &label);
  int edges = 0;
  for (Control* child : dlg.Children()) {
    if (child->Name() != L"Shape1") continue;
    ++edges;
    GetWindowRect(child->Hwnd(), &rc);
    EXPECT_TRUE((rc.right - rc.left == 1 || rc.bottom - rc.top == 1) && !IntersectRect(&overlap, &rc, &label));
  }
  EXPECT_EQ(edges, 4);
}

}  // namespace
}  // namespace ferrimond::forms

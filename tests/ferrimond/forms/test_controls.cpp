// The event model of the forms layer on real (hidden) windows: changes made
// by code raise the same events as the user's, unchanged values raise
// nothing, option groups are exclusive, and chains of reactions end.
#include <gtest/gtest.h>

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

class Panel : public Form {
 public:
  explicit Panel(UserInteraction& ui) : Form(ui, L"Panel", L"Panel", 6000, 4000) {}
  Frame fraA{*this, L"fraA", {120, 120, 2800, 1800}, L"A"};
  OptionButton optA1{fraA, L"optA1", {120, 240, 1200, 285}, L"A1", true};
  OptionButton optA2{fraA, L"optA2", {120, 600, 1200, 285}, L"A2"};
  OptionButton optA3{fraA, L"optA3", {120, 960, 1200, 285}, L"A3"};
  Frame fraB{*this, L"fraB", {3000, 120, 2800, 1800}, L"B"};
  OptionButton optB1{fraB, L"optB1", {120, 240, 1200, 285}, L"B1", true};
  CheckBox chk{*this, L"chk", {120, 2000, 1500, 285}, L"&Check"};
  TextBox txt{*this, L"txt", {1800, 2000, 1500, 285}, L"2"};
  CommandButton cmd{*this, L"cmd", {3600, 2000, 1200, 375}, L"&Go"};
  ComboBox cmb{*this, L"cmb", {1800, 2500, 2500, 315}};
  bool NoneOfA() const { return !optA1.Value() && !optA2.Value() && !optA3.Value(); }
};

class ControlEvents : public ::testing::Test {
 protected:
  testing::ScriptedUserInteraction ui;
  Panel panel{ui};
  Log log;
};

// One group per container, entered by Tab at its selection.
TEST_F(ControlEvents, OptionGroupIsExclusivePerContainer) {
  for (OptionButton* o : {&panel.optA1, &panel.optA2, &panel.optA3, &panel.optB1})
    o->OnClick = [this, o] { log.push_back(o->Name()); };
  panel.optA2.SetValue(true);
  EXPECT_TRUE(!panel.optA1.Value() && !panel.optA3.Value() && panel.optB1.Value());
  EXPECT_EQ(Send(panel.optA2, BM_GETCHECK), BST_CHECKED);
  panel.optA2.SetValue(true);   // already selected: nothing
  panel.optA2.SetValue(false);  // a deselection raises nothing and leaves none selected
  EXPECT_TRUE(panel.NoneOfA());
  Send(panel.optA3, BM_CLICK);
  EXPECT_EQ(log, (Log{L"optA2", L"optA3"}));
  EXPECT_FALSE(HasStyle(panel.optA1, WS_TABSTOP) || HasStyle(panel.optA2, WS_GROUP));
  EXPECT_TRUE(HasStyle(panel.optA3, WS_TABSTOP) && HasStyle(panel.optA1, WS_GROUP) && HasStyle(panel.chk, WS_GROUP));
}

// A press selects before MouseDown runs; the release does not select again,
// so a MouseDown handler that deselects (a missing stamp file) has the last word.
TEST_F(ControlEvents, OptionPressSelectsBeforeMouseDownAndReleaseDoesNot) {
  panel.optA2.OnClick = [this] { log.push_back(L"click"); };
  panel.optA2.OnMouseDown = [this](int, int, int, int) {
    log.push_back(panel.optA2.Value() ? L"down selected" : L"down not selected");
    panel.optA2.SetValue(false);
  };
  auto press = [&] {
    Send(panel.optA2, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(3, 3));
    Send(panel.optA2, WM_LBUTTONUP, 0, MAKELPARAM(3, 3));
  };
  press();
  EXPECT_EQ(log, (Log{L"click", L"down selected"}));
  EXPECT_TRUE(panel.NoneOfA());
  press();  // the focused, deselected button is selected again
  EXPECT_EQ(log, (Log{L"click", L"down selected", L"click", L"down selected"}));
  // The keyboard's space bar selects on release.
  panel.optA2.OnMouseDown = nullptr;
  Send(panel.optA2, WM_KEYDOWN, VK_SPACE, 0x00390001);
  Send(panel.optA2, WM_KEYUP, VK_SPACE, 0xC0390001);
  EXPECT_TRUE(panel.optA2.Value());
}

// Change follows code and typing alike; an unchanged text is quiet, which
// ends chains of reactions (the main window's file-type boxes).
TEST_F(ControlEvents, TextChangesFromCodeAndTyping) {
  panel.txt.OnChange = [this] { log.push_back(L"change " + panel.txt.Text()); };
  panel.txt.SetText(L"7");
  panel.txt.SetText(L"7");
  Send(panel.txt, EM_SETSEL, 1, 1);
  Send(panel.txt, WM_CHAR, L'5');
  EXPECT_EQ(log, (Log{L"change 7", L"change 75"}));
}

// The user's choice while the list is still open: the window's text is
// stale, yet Click already sees the chosen entry.
TEST_F(ControlEvents, ComboClickSeesTheChosenText) {
  panel.cmb.OnClick = [this] { log.push_back(panel.cmb.Text()); };
  panel.cmb.AddItem(L"user1"), panel.cmb.AddItem(L"All Users");
  Send(panel.cmb, CB_SETCURSEL, 1);
  SetWindowTextW(panel.cmb.Hwnd(), L"stale");
  SendMessageW(panel.Hwnd(), WM_COMMAND, MAKEWPARAM(GetDlgCtrlID(panel.cmb.Hwnd()), CBN_SELCHANGE),
               reinterpret_cast<LPARAM>(panel.cmb.Hwnd()));
  EXPECT_EQ(log, Log{L"All Users"});
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

TEST(ListEntries, FollowTheWindowThroughEveryChange) {
  testing::ScriptedUserInteraction ui;
  Form form(ui, L"F", L"F", 6000, 3000);
  ListBox list(form, L"list", {0, 0, 2000, 2000});
  ComboBox combo(form, L"combo", {4000, 0, 1800, 315});
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
TEST_F(ControlEvents, ShapeIsAnOutline) {
  Label inside(panel, L"inside", {1200, 1200, 1000, 255}, L"framed");
  Shape Shape1(panel, L"Shape1", {1000, 1000, 1500, 600});
  RECT label, rc, overlap;
  GetWindowRect(inside.Hwnd(), &label);
  int edges = 0;
  for (Control* child : panel.Children()) {
    if (child->Name() != L"Shape1") continue;
    ++edges;
    GetWindowRect(child->Hwnd(), &rc);
    EXPECT_TRUE((rc.right - rc.left == 1 || rc.bottom - rc.top == 1) && !IntersectRect(&overlap, &rc, &label));
  }
  EXPECT_EQ(edges, 4);
}

}  // namespace
}  // namespace ferrimond::forms

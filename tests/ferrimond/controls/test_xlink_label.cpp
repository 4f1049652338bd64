// The link label on a real hidden window: hover tracking with capture and
// its edges, the look it switches to, clicks through the seam, and the
// stored properties.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "ferrimond/controls/xlink_label.h"
#include "ferrimond/forms/forms.h"
#include "tests/ferrimond/forms/scripted_user_interaction.h"

namespace ferrimond {
namespace {

using forms::testing::PromptKind;

class Host : public forms::Form {
 public:
  explicit Host(forms::UserInteraction& ui) : Form(ui, L"frmSplash", L"Ferrimond", 4000, 2000) {}
  XLinkLabel XLinkLabel1{*this, L"XLinkLabel1", {120, 120, 1500, 300}};
};

class LinkLabel : public ::testing::Test {
 protected:
  void SetUp() override {
    host.Show();
    link().InitProperties();
    GetClientRect(link().Hwnd(), &client);
  }
  XLinkLabel& link() { return host.XLinkLabel1; }
  void MoveTo(int x, int y) { SendMessageW(link().Hwnd(), WM_MOUSEMOVE, 0, MAKELPARAM(x, y)); }
  bool Captured() { return GetCapture() == link().Hwnd(); }
  void Click(int upX = 2) {
    SendMessageW(link().Hwnd(), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(2, 2));
    SendMessageW(link().Hwnd(), WM_LBUTTONUP, 0, MAKELPARAM(upX, 2));
  }
  size_t Opened() { return ui.PromptsOf(PromptKind::OpenUrl).size(); }

  forms::testing::ScriptedUserInteraction ui;
  Host host{ui};
  RECT client{};
};

// The right and bottom edges count as inside. The hover colour changes only
// when one is set (by default only the underline changes), and a colour set
// meanwhile waits for the next hover. A press released outside is no click.
// (The about box's tests click its link end to end.)
TEST_F(LinkLabel, HoverCountsTheEdgesAsInsideAndSwitchesTheLookAReleaseOutsideIsNoClickAndValuesAreStored) {
  const forms::OleColor before = link().TextColor();
  MoveTo(3, 3);
  // Captured: keeps getting moves after the pointer leaves.
  EXPECT_TRUE(link().Hovered() && Captured() && link().Font().underline && link().TextColor() == before);
  MoveTo(client.right, client.bottom);
  EXPECT_TRUE(link().Hovered() && Captured());
  MoveTo(client.right + 1, 2);
  EXPECT_FALSE(link().Hovered() || Captured() || link().Font().underline);
  for (POINT outside : {POINT{2, client.bottom + 1}, POINT{-1, 2}}) {  // the latter while captured
    MoveTo(3, 3);
    MoveTo(outside.x, outside.y);
    EXPECT_FALSE(link().Hovered()) << outside.x;
  }
  link().SetNormTextColor(0x000000);
  link().SetHoverTextColor(0x0000FF);
  MoveTo(1, 1);
  EXPECT_EQ(link().TextColor(), 0x0000FFu);
  MoveTo(client.right + 5, 1);
  EXPECT_EQ(link().TextColor(), 0x000000u);
  Click(client.right + 10);
  EXPECT_EQ(Opened(), 0u);
  Click();
  EXPECT_EQ(Opened(), 1u);

  // Saved while hovered, the stored underline is the normal one; read into
  // another label every value comes back, and a damaged key keeps its value.
  link().SetURL(L"mailto:support@ferrimond.example.org");
  MoveTo(1, 1);
  ASSERT_TRUE(link().Font().underline);
  common::MemoryPropertyBag bag, again;
  link().WriteProperties(bag);
  forms::testing::ScriptedUserInteraction ui2;
  Host other(ui2);
  other.XLinkLabel1.ReadProperties(bag);
  other.XLinkLabel1.WriteProperties(again);
  EXPECT_EQ(again.Values(), bag.Values());
  forms::FontSpec stored;
  ASSERT_TRUE(stored.FromString(std::get<std::wstring>(bag.Values().at(L"Font"))));
  EXPECT_FALSE(stored.underline);
  bag.Write(L"Font", std::wstring(L"not a font"));
  bag.Write(L"BackColor", std::wstring(L"red"));
  const forms::FontSpec kept = other.XLinkLabel1.Font();
  other.XLinkLabel1.SetURL({});
  other.XLinkLabel1.ReadProperties(bag);
  EXPECT_TRUE(other.XLinkLabel1.Font() == kept && other.XLinkLabel1.BackColor() == host.BackColor());
  EXPECT_EQ(other.XLinkLabel1.URL(), L"mailto:support@ferrimond.example.org");  // read on after them
}

}  // namespace
}  // namespace ferrimond

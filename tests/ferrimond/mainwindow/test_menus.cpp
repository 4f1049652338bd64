// The menu items of the main window, the help and the about box, through
// the scripted seam.
#include <windows.h>

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "ferrimond/mainwindow/frm_about.h"
#include "ferrimond/mainwindow/frmbackup.h"
#include "tests/ferrimond/mainwindow/mainwindow_fixture.h"
#include "tests/harness/temp_dir.h"

namespace ferrimond {
namespace {

using forms::testing::PromptKind;
using mwtest::StartedWindowTest;
using Strings = std::vector<std::wstring>;

std::string Narrow(const std::wstring& s) { return std::string(s.begin(), s.end()); }

// Every command of the menus (an item without a submenu, no separator, not
// the spacer) has a handler.
TEST_F(StartedWindowTest, EveryMenuCommandIsBound) {
  std::function<void(forms::MenuItem&)> check = [&](forms::MenuItem& item) {
    if (!item.Items().empty()) {
      for (forms::MenuItem* child : item.Items()) check(*child);
    } else if (!item.IsSeparator() && &item != &w_->mnuEmpty) {
      const bool logItem = &item == &w_->mnuFileLoadLog || &item == &w_->mnuFileSaveLog ||
                           &item == &w_->mnuFilePrint;
      if (!logItem) {
        EXPECT_TRUE(item.OnClick) << Narrow(item.Name());
      }
    }
  };
  for (forms::MenuItem* item : w_->Menus()) check(*item);
}

TEST_F(StartedWindowTest, HelpItemsOpenTheGuideOrTheAboutBox) {
  harness::TempDir dir;
  w_->HelpFile = dir / L"Ferrimond.html";
  harness::WriteFile(w_->HelpFile, "<html></html>");
  const struct {
    forms::MenuItem* item;
    bool guide;  // else the about box
  } cases[] = {{&w_->mnuContent, true},
               {&w_->mnuTutorial, true},
               {&w_->mnuSupport, false},
               {&w_->mnuHelpAbout, false}};
  for (const auto& c : cases) {
    SCOPED_TRACE(Narrow(c.item->Name()));
    Ui().ClearRecord();
    c.item->Click();
    if (c.guide) {
      ASSERT_EQ(Ui().Prompts().size(), 1u);
      EXPECT_EQ(Ui().Prompts()[0].kind, PromptKind::Help);
      EXPECT_EQ(Ui().Prompts()[0].text, w_->HelpFile);
      EXPECT_EQ(w_->AboutBox(), nullptr);
    } else {
      EXPECT_TRUE(Ui().Prompts().empty());
      ASSERT_NE(w_->AboutBox(), nullptr);
      EXPECT_TRUE(w_->AboutBox()->Visible());
      w_->AboutBox()->cmdReturn.SetValue(true);
      EXPECT_EQ(w_->AboutBox(), nullptr);
    }
  }
}

TEST_F(StartedWindowTest, AMissingGuideIsNamedInAMessage) {
  harness::TempDir dir;
  w_->HelpFile = dir / L"Ferrimond.html";
  Ui().AnswerMsgBox(forms::MsgResult::Ok);
  w_->mnuTutorial.Click();
  EXPECT_TRUE(Ui().PromptsOf(PromptKind::Help).empty());
  EXPECT_EQ(Ui().Messages(),
            Strings{L"The help file " + w_->HelpFile + L" cannot be found. Please install Ferrimond again."});
}

// One box at a time, at the top right of the screen; "Back to the Program"
// and the close box both end it, and the next use opens a new one.
TEST_F(StartedWindowTest, AboutBoxStandsAloneAtTheTopRight) {
  w_->mnuHelpAbout.Click();
  FrmAbout* box = w_->AboutBox();
  ASSERT_NE(box, nullptr);
  EXPECT_EQ(box->Top(), 0);
  EXPECT_NEAR(box->Left() + box->Width(), forms::ScreenWidthTwips(), 30);
  EXPECT_EQ(box->Caption(), L"Ferrimond");
  EXPECT_EQ(box->Label3.Caption(), L"Version 1.4");
  EXPECT_TRUE(box->Image1.HasPicture());
  EXPECT_TRUE(w_->Enabled());  // modeless

  const HWND first = box->Hwnd();
  w_->mnuSupport.Click();
  EXPECT_EQ(w_->AboutBox(), box);
  EXPECT_EQ(box->Hwnd(), first);

  // The link writes a mail to the contact address.
  SendMessageW(box->XLinkLabel1.Hwnd(), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(2, 2));
  SendMessageW(box->XLinkLabel1.Hwnd(), WM_LBUTTONUP, 0, MAKELPARAM(2, 2));
  const auto urls = Ui().PromptsOf(PromptKind::OpenUrl);
  ASSERT_EQ(urls.size(), 1u);
  EXPECT_EQ(urls[0].text, std::wstring(L"mailto:") + kContactAddress);

  SendMessageW(box->Hwnd(), WM_CLOSE, 0, 0);
  EXPECT_EQ(w_->AboutBox(), nullptr);
  w_->mnuHelpAbout.Click();
  ASSERT_NE(w_->AboutBox(), nullptr);
  EXPECT_TRUE(w_->AboutBox()->Visible());
  w_->AboutBox()->cmdReturn.SetValue(true);
  EXPECT_EQ(w_->AboutBox(), nullptr);
}

}  // namespace
}  // namespace ferrimond

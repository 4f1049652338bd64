// The menu items of the main window, the help and the about box, through
// the scripted seam.
#include <gtest/gtest.h>

#include <functional>
#include <string>

#include "ferrimond/mainwindow/frm_about.h"
#include "ferrimond/schedule/frm_schedule.h"
#include "tests/ferrimond/mainwindow/mainwindow_fixture.h"

namespace ferrimond {
namespace {

using forms::testing::PromptKind;
using namespace mwtest;

// Every command of the menus (an item without a submenu, no separator, not
// the spacer) has a handler.
TEST_F(StartedWindowTest, EveryMenuCommandIsBound) {
  std::function<void(forms::MenuItem&)> check = [&](forms::MenuItem& item) {
    for (forms::MenuItem* child : item.Items()) check(*child);
    const bool byTheLogs = &item == &w_->mnuFileLoadLog || &item == &w_->mnuFileSaveLog || &item == &w_->mnuFilePrint;
    EXPECT_TRUE(!item.Items().empty() || item.IsSeparator() || &item == &w_->mnuEmpty || byTheLogs || item.OnClick)
        << item.Name();
  };
  for (forms::MenuItem* item : w_->Menus()) check(*item);
}

// The guide opens from both of its items, and a missing one is named.
TEST_F(StartedWindowTest, GuideItemsOpenTheGuideOrNameItWhenMissing) {
  harness::TempDir dir;
  w_->HelpFile = dir / L"Ferrimond.html";
  ExpectMessages(1);
  w_->mnuTutorial.Click();
  EXPECT_TRUE(Ui().PromptsOf(PromptKind::Help).empty());
  EXPECT_EQ(Messages(), Strings{L"The help file " + w_->HelpFile + L" cannot be found. Please install Ferrimond again."});
  harness::WriteFile(w_->HelpFile, "<html></html>");
  for (forms::MenuItem* item : {&w_->mnuContent, &w_->mnuTutorial}) {
    Ui().ClearRecord();
    item->Click();
    ASSERT_EQ(Ui().Prompts().size(), 1u);
    EXPECT_EQ(Ui().Prompts()[0].kind, PromptKind::Help);
    EXPECT_EQ(Ui().Prompts()[0].text, w_->HelpFile);
    EXPECT_EQ(w_->AboutBox(), nullptr);
  }
}

// Both items open one modeless box at a time; "Back to the Program" and the
// close box both end it, and the next use opens a new one.
TEST_F(StartedWindowTest, AboutBoxStandsAlone) {
  w_->mnuHelpAbout.Click();
  FrmAbout* box = w_->AboutBox();
  ASSERT_TRUE(box && box->Visible());
  EXPECT_TRUE(w_->Enabled());
  const HWND first = box->Hwnd();
  w_->mnuSupport.Click();
  EXPECT_TRUE(w_->AboutBox() == box && box->Hwnd() == first);
  // The link writes a mail to the contact address.
  SendMessageW(box->XLinkLabel1.Hwnd(), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(2, 2));
  SendMessageW(box->XLinkLabel1.Hwnd(), WM_LBUTTONUP, 0, MAKELPARAM(2, 2));
  const auto urls = Ui().PromptsOf(PromptKind::OpenUrl);
  ASSERT_EQ(urls.size(), 1u);
  EXPECT_EQ(urls[0].text, std::wstring(L"mailto:") + kContactAddress);
  SendMessageW(box->Hwnd(), WM_CLOSE, 0, 0);
  EXPECT_EQ(w_->AboutBox(), nullptr);
  w_->mnuSupport.Click();
  ASSERT_TRUE(w_->AboutBox() && w_->AboutBox()->Visible());
  w_->AboutBox()->cmdReturn.SetValue(true);
  EXPECT_EQ(w_->AboutBox(), nullptr);
}

// "Use the current selections" saves them through the log writer to
// scheduled.log in the program folder, which the unattended run loads as
// Load Logfile does.
TEST_F(MainWindowTest, ScheduleWindowSavesTheSelectionsTheScheduledRunLoads) {
  struct NoTask : ScheduleService {
    std::wstring Register(const std::wstring&) override { return L"refused"; }
    std::wstring Delete() override { return {}; }
    std::wstring Query(TaskState& state) override { return state = {}, std::wstring(); }
  };
  ScheduleServiceFactory = [] { return std::make_unique<NoTask>(); };
  Frmbackup& w = Start();
  Ui().ClearRecord();
  for (const wchar_t* folder : {L"C:\\one", L"C:\\two"}) w.LstDir.AddItem(folder);
  w.txtdays.SetText(L"5");
  w.mnuSchedule.Click();
  ASSERT_NE(w.ScheduleWindow(), nullptr);
  w.ScheduleWindow()->CmdSelections.SetValue(true);
  w.LstDir.Clear();
  w.txtdays.SetText(L"2");
  EXPECT_EQ(w.LoadLogFile(std::wstring(kProgramFolderToCreate) + L"\\scheduled.log"), Frmbackup::LogLoad::Loaded);
  EXPECT_EQ(Entries(w.LstDir), (Strings{L"C:\\two", L"C:\\one"}));
  EXPECT_EQ(w.txtdays.Text(), L"5");
  EXPECT_TRUE(Ui().Prompts().empty());
}

}  // namespace
}  // namespace ferrimond

// Stop, Pause, Continue and their keys on the real main window.
#include <windows.h>

#include <gtest/gtest.h>

#include "ferrimond/mainwindow/frmbackup.h"
#include "tests/ferrimond/mainwindow/mainwindow_fixture.h"

namespace ferrimond {
namespace {

using mwtest::MainWindowTest;

TEST_F(MainWindowTest, EndingAPauseRunsContinueAndStopEndsAPauseWithoutItThenGoesIdle) {
  Frmbackup& w = Start();
  w.lstRemovable.AddItem(L"Q");
  w.lstRemovable.SetListIndex(w.lstRemovable.ListCount() - 1);
  w.DriveText = L"E";
  w.CmdPause.SetValue(true);
  EXPECT_TRUE(w.PauseFlag);
  EXPECT_NE(w.PauseMaskColor, forms::kColorButtonFace);
  EXPECT_EQ(w.DriveText, L"E");  // Continue has not run yet
  w.CmdPause.SetValue(true);
  EXPECT_FALSE(w.PauseFlag);
  EXPECT_EQ(w.PauseMaskColor, forms::kColorButtonFace);
  // Continue ran: drive appended, buttons set for a running copy.
  EXPECT_EQ(w.DriveText, L"EQ");
  EXPECT_TRUE(w.ContinueFlag);
  EXPECT_TRUE(w.CmdStop.Enabled() && w.CmdPause.Enabled());
  EXPECT_FALSE(w.CmdContinue.Enabled());

  w.ContinueFlag = false;
  w.CmdPause.SetValue(true);
  w.OptDateToday.SetEnabled(false);
  w.txtdays.SetCausesValidation(false);
  w.Frame1.SetBackColor(forms::kColorInactiveCaptionText);
  w.lblStatus.SetCaption(L"Checking files");
  w.txtPrgBar.SetText(L"C:\\x\\a.doc");
  w.CmdStop.SetValue(true);
  EXPECT_FALSE(w.PauseFlag);
  EXPECT_EQ(w.PausePresses, 0);
  EXPECT_EQ(w.PauseMaskColor, forms::kColorButtonFace);
  EXPECT_EQ(w.DriveText, L"EQ");  // no Continue ran
  EXPECT_TRUE(w.AbortFlag && w.ContinueFlag);
  EXPECT_TRUE(w.OptDateToday.Enabled());
  EXPECT_TRUE(w.txtdays.CausesValidation());
  EXPECT_EQ(w.Frame1.BackColor(), forms::kColorButtonFace);
  EXPECT_FALSE(w.CmdStop.Enabled() || w.CmdPause.Enabled() || w.CmdContinue.Enabled());
  EXPECT_EQ(w.lblDir.Caption(), L"Backup has been interrupted.");
  EXPECT_EQ(w.lblStatus.Caption(), L"");
  EXPECT_EQ(w.txtPrgBar.Text(), L"");
  EXPECT_TRUE(Prompts().empty());
}

TEST_F(MainWindowTest, EscAndRStopPauseAndPPauseOnlyFromTheListedControls) {
  Frmbackup& w = Start();
  w.txtdays.OnKeyDown('P', 0);
  EXPECT_TRUE(w.PauseFlag);
  w.Check1[3].OnKeyDown(VK_PAUSE, 0);
  EXPECT_FALSE(w.PauseFlag);
  EXPECT_EQ(w.PausePresses, 2);

  // Shift is not looked at; other keys do nothing.
  w.OnKeyDown('A', forms::kShiftMask);
  w.CmdCopyToC.OnKeyDown(VK_RETURN, 0);
  EXPECT_FALSE(w.AbortFlag);
  EXPECT_EQ(w.PausePresses, 2);

  w.Txtfiles[11].OnKeyDown('R', 0);
  EXPECT_TRUE(w.AbortFlag);
  w.AbortFlag = false;
  w.OnKeyDown(VK_ESCAPE, 0);
  EXPECT_TRUE(w.AbortFlag);

  // The selection lists, the removable list and Pause itself are left alone.
  EXPECT_FALSE(w.LstDir.OnKeyDown || w.lstRemovable.OnKeyDown || w.CmdPause.OnKeyDown);
}

}  // namespace
}  // namespace ferrimond

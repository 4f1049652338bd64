// Stop, Pause, Continue and their keys on the real main window.
#include <windows.h>

#include <gtest/gtest.h>

#include "ferrimond/mainwindow/frmbackup.h"
#include "tests/ferrimond/mainwindow/mainwindow_fixture.h"

namespace ferrimond {
namespace {

using mwtest::MainWindowTest;

void Key(forms::Control& control, int key) { control.OnKeyDown(key, 0); }

TEST_F(MainWindowTest, PauseTogglesItsFlagAndItsColourAndEndingAPauseRunsContinue) {
  Frmbackup& w = Start();
  w.lstRemovable.AddItem(L"Q");
  w.lstRemovable.SetListIndex(w.lstRemovable.ListCount() - 1);
  w.DriveText = L"E";
  w.CmdPause.SetValue(true);
  EXPECT_TRUE(w.PauseFlag);
  EXPECT_TRUE(w.PauseUseMaskColor);
  EXPECT_EQ(w.PauseMaskColor, 0xC0E0FFu);
  EXPECT_EQ(w.DriveText, L"E");  // Continue has not run yet

  w.CmdPause.SetValue(true);
  EXPECT_FALSE(w.PauseFlag);
  EXPECT_EQ(w.PauseMaskColor, forms::kColorButtonFace);
  // Continue ran: drive appended, buttons set for a running copy.
  EXPECT_EQ(w.DriveText, L"EQ");
  EXPECT_TRUE(w.ContinueFlag);
  EXPECT_TRUE(w.CmdStop.Enabled());
  EXPECT_TRUE(w.CmdPause.Enabled());
  EXPECT_FALSE(w.CmdContinue.Enabled());
  EXPECT_EQ(w.PausePresses, 2);
  EXPECT_TRUE(Prompts().empty());
}

TEST_F(MainWindowTest, StopEndsAPauseFirstAndPutsTheWindowBackToIdle) {
  Frmbackup& w = Start();
  w.CmdPause.SetValue(true);
  w.OptDateToday.SetEnabled(false);
  w.txtdays.SetCausesValidation(false);
  w.Frame1.SetBackColor(forms::kColorInactiveCaptionText);
  w.lblStatus.SetCaption(L"Checking files");
  w.txtPrgBar.SetText(L"C:\\x\\a.doc");

  w.CmdStop.SetValue(true);
  EXPECT_FALSE(w.PauseFlag);
  EXPECT_EQ(w.PausePresses, 2);
  EXPECT_TRUE(w.AbortFlag);
  EXPECT_TRUE(w.ContinueFlag);
  EXPECT_TRUE(w.OptDateToday.Enabled());
  EXPECT_TRUE(w.txtdays.CausesValidation());
  EXPECT_EQ(w.Frame1.BackColor(), forms::kColorButtonFace);
  EXPECT_FALSE(w.CmdStop.Enabled() || w.CmdPause.Enabled() || w.CmdContinue.Enabled());
  EXPECT_EQ(w.lblDir.Caption(), L"Backup has been interrupted.");
  EXPECT_EQ(w.lblStatus.Caption(), L"");
  EXPECT_EQ(w.txtPrgBar.Text(), L"");
}

TEST_F(MainWindowTest, EscAndRStopPauseAndPPauseOnlyFromTheListedControls) {
  Frmbackup& w = Start();
  Key(w.txtdays, 'P');
  EXPECT_TRUE(w.PauseFlag);
  Key(w.Check1[3], VK_PAUSE);
  EXPECT_FALSE(w.PauseFlag);
  EXPECT_EQ(w.PausePresses, 2);

  // Shift is not looked at; other keys do nothing.
  w.OnKeyDown('A', forms::kShiftMask);
  Key(w.CmdCopyToC, VK_RETURN);
  EXPECT_FALSE(w.AbortFlag);
  EXPECT_EQ(w.PausePresses, 2);

  Key(w.Txtfiles[11], 'R');
  EXPECT_TRUE(w.AbortFlag);
  w.AbortFlag = false;
  w.OnKeyDown(VK_ESCAPE, 0);
  EXPECT_TRUE(w.AbortFlag);

  // The selection lists, the removable list and Pause itself are left alone.
  EXPECT_FALSE(w.LstDir.OnKeyDown);
  EXPECT_FALSE(w.lstRemovable.OnKeyDown);
  EXPECT_FALSE(w.CmdPause.OnKeyDown);
}

}  // namespace
}  // namespace ferrimond

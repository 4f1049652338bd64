// The main window in-process: real (hidden) windows, real mapped drives, the
// real program folder on the prefix's C:, prompts answered by a script.
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cwctype>
#include <memory>
#include <string>
#include <vector>

#include "common/date_text.h"
#include "ferrimond/mainwindow/date_tag.h"
#include "ferrimond/mainwindow/frmbackup.h"
#include "ferrimond/mainwindow/splash_windows.h"
#include "ferrimond/support/file_times.h"
#include "ferrimond/support/record_line.h"
#include "ferrimond/support/system_info.h"
#include "tests/ferrimond/mainwindow/mainwindow_fixture.h"
#include "tests/harness/temp_dir.h"
#include "tests/harness/wine_drives.h"

namespace ferrimond {
namespace {

using mwtest::DriveCSwap;
using mwtest::MainWindowTest;
using mwtest::MarkerFile;

std::vector<std::wstring> Entries(const forms::ListBox& list) {
  std::vector<std::wstring> out;
  for (int i = 0; i < list.ListCount(); ++i) out.push_back(list.List(i));
  return out;
}

std::wstring Lower(std::wstring s) {
  for (wchar_t& c : s) c = static_cast<wchar_t>(std::towlower(c));
  return s;
}

// ---- Start-up ----

TEST_F(MainWindowTest, FirstStartOnACleanMachine) {
  Frmbackup& w = Start();
  EXPECT_TRUE(Prompts().empty());
  for (forms::OptionButton* option : {&w.OptLastUpload, &w.OptLastBackup, &w.OptDateToday,
                                      &w.OptAnyTime, &w.optDateText, &w.optDatePicker}) {
    EXPECT_FALSE(option->Value()) << std::string(option->Name().begin(), option->Name().end());
  }
  EXPECT_EQ(w.lblBackup.Caption(), L"");
  EXPECT_TRUE(GetFileAttributesW(kProgramFolder) & FILE_ATTRIBUTE_DIRECTORY);
  EXPECT_NE(GetFileAttributesW(kProgramFolder), INVALID_FILE_ATTRIBUTES);
  EXPECT_FALSE(w.CmdStop.Enabled() || w.CmdPause.Enabled() || w.CmdContinue.Enabled());
  const common::DateTime today = common::Now();
  EXPECT_EQ(w.DateTag, MakeDateTag(common::ShortDateText(today), today));
  // Top right of the screen, Frame1 centred in the window.
  EXPECT_EQ(w.Top(), 0);
  EXPECT_NEAR(w.Left() + w.Width(), forms::ScreenWidthTwips(), 30);
  EXPECT_NEAR(w.fraBackup.Left() + w.Frame1.Left() + w.Frame1.Width() / 2, w.ScaleWidth() / 2, 30);
}

TEST_F(MainWindowTest, AStampedUploadTimeBecomesTheThresholdAndStampsTheMarker) {
  common::DateTime when;
  ASSERT_TRUE(common::DateTime::FromParts({2026, 12, 5, 19, 42, 27}, when));
  WriteStamp(RecordWriter().Date(when).EndRecord().Bytes());
  // The marker is stamped only where a run has left one.
  Start();
  EXPECT_EQ(GetFileAttributesW(kThresholdMarker), INVALID_FILE_ATTRIBUTES);
  MarkerFile marker;
  Frmbackup& w = Start();
  EXPECT_TRUE(Prompts().empty());
  EXPECT_TRUE(w.OptLastUpload.Value());
  EXPECT_EQ(w.Threshold, when);
  EXPECT_EQ(w.lblBackup.Caption(), common::DateText(when));
  EXPECT_EQ(GetFileDate(kThresholdMarker, FileTimeWritten), when);
  EXPECT_EQ(GetFileDate(kThresholdMarker, FileTimeAccessed), when);
}

TEST_F(MainWindowTest, StampsThatKeptNoTimeDeselectTheOption) {
  struct Case {
    const char* what;
    std::string bytes;
    std::vector<std::wstring> prompts;
  };
  const std::vector<Case> cases = {
      {"null date", RecordWriter().Date(common::DateTime()).EndRecord().Bytes(),
       {L"Last update time was not kept correctly!"}},
      {"empty file", "", {L"past end", L"Last update time was not kept correctly!"}},
      {"garbage", "not a date\r\n", {L"Last update time was not kept correctly!"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    WriteStamp(c.bytes);
    ExpectMessages(c.prompts.size());
    Frmbackup& w = Start();
    EXPECT_EQ(Prompts(), c.prompts);
    EXPECT_FALSE(w.OptLastUpload.Value());
    EXPECT_TRUE(w.Threshold.IsNull());
    EXPECT_EQ(w.lblBackup.Caption(), L"");
    // The rest of the start-up still ran.
    EXPECT_FALSE(w.DateTag.empty());
    EXPECT_GT(w.lstFixed.ListCount(), 0);
    Close();
  }
}

TEST_F(MainWindowTest, ASecondInstanceOnlyShowsItsMessageAndEnds) {
  AnotherInstance = true;
  ExpectMessages(1);
  Frmbackup& w = Start();
  EXPECT_EQ(Prompts(), std::vector<std::wstring>{L"Only one instance of this program may run at any time"});
  EXPECT_EQ(EndProcessCalls, 1);
  EXPECT_TRUE(w.DateTag.empty());
  EXPECT_TRUE(w.CmdStop.Enabled());
  EXPECT_EQ(w.lstFixed.ListCount(), 0);
  EXPECT_EQ(GetFileAttributesW(kProgramFolder), INVALID_FILE_ATTRIBUTES);
  EXPECT_EQ(w.ClosingSplash(), nullptr);
}

// Captions measured in the control's own font must fit their control, and
// controls on one row must not run into each other.
TEST_F(MainWindowTest, CaptionsFitTheirControls) {
  Frmbackup& w = Start();
  for (forms::Frame* frame : {&w.fraBackup, &w.fraFileTypes, &w.fraUpload}) {
    for (forms::Control* c : frame->Children()) {
      std::wstring caption;
      int glyph = 0;
      if (auto* l = dynamic_cast<forms::Label*>(c)) caption = l->Caption();
      if (auto* o = dynamic_cast<forms::OptionButton*>(c)) caption = o->Caption(), glyph = 1;
      if (auto* k = dynamic_cast<forms::CheckBox*>(c)) caption = k->Caption(), glyph = 1;
      if (caption.empty()) continue;
      HDC dc = GetDC(c->Hwnd());
      HGDIOBJ old = SelectObject(dc, reinterpret_cast<HFONT>(SendMessageW(c->Hwnd(), WM_GETFONT, 0, 0)));
      SIZE size{};
      GetTextExtentPoint32W(dc, caption.c_str(), static_cast<int>(caption.size()), &size);
      SelectObject(dc, old);
      ReleaseDC(c->Hwnd(), dc);
      RECT rc;
      GetClientRect(c->Hwnd(), &rc);
      EXPECT_LE(size.cx + glyph * GetSystemMetrics(SM_CXMENUCHECK), rc.right)
          << std::string(c->Name().begin(), c->Name().end());
    }
  }
  EXPECT_LE(w.optDateText.Left() + w.optDateText.Width(), w.txtdays.Left());
  EXPECT_LE(w.txtdays.Left() + w.txtdays.Width(), w.Label2.Left());
  EXPECT_LE(w.Label3.Left() + w.Label3.Width(), w.lblBackup.Left());
  EXPECT_LE(w.lblBackup.Left() + w.lblBackup.Width(), w.fraBackup.Width());
  EXPECT_GE(w.lblBackup.Width(), layout::lblBackup.width);  // room for a date and time
  EXPECT_LE(w.ChkSubDir.Left() + w.ChkSubDir.Width(), w.CmdBrowse1.Left());
  EXPECT_LE(w.LstDirEx.Left() + w.LstDirEx.Width(), w.CmdBrowse.Left());
  // The right-hand buttons of a block stay aligned.
  EXPECT_EQ(w.CmdBrowse.Left(), w.CmdFilEx.Left());
  EXPECT_EQ(w.CmdBrowse1.Left(), w.CmdRemoveAll.Left());
}

// The real menu bar: five entries with "&Upload" a command of its own and
// the check mark on "Close program automatically ...".
TEST_F(MainWindowTest, MenuBar) {
  Frmbackup& w = Start();
  HMENU bar = GetMenu(w.Hwnd());
  ASSERT_NE(bar, nullptr);
  EXPECT_EQ(GetMenuItemCount(bar), 5);
  EXPECT_EQ(GetSubMenu(bar, 2), nullptr);
  EXPECT_EQ(GetSubMenu(bar, 3), nullptr);
  HMENU other = GetSubMenu(bar, 1);
  ASSERT_NE(other, nullptr);
  EXPECT_TRUE(GetMenuState(other, 0, MF_BYPOSITION) & MF_CHECKED);
  EXPECT_TRUE(GetMenuState(other, 1, MF_BYPOSITION) & MF_SEPARATOR);
  EXPECT_EQ(GetMenuItemCount(GetSubMenu(bar, 0)), 6);
  EXPECT_EQ(GetMenuItemCount(GetSubMenu(bar, 4)), 5);
}

TEST_F(MainWindowTest, CloseAutomaticallyAndPanelSwitching) {
  Frmbackup& w = Start();
  w.mnuCloseAutomatically.Click();
  EXPECT_FALSE(w.mnuCloseAutomatically.Checked());
  EXPECT_FALSE(w.CloseAutomatically);
  w.mnuCloseAutomatically.Click();
  EXPECT_TRUE(w.mnuCloseAutomatically.Checked());
  EXPECT_TRUE(w.CloseAutomatically);

  // Both panels start visible, the file types on top.
  EXPECT_TRUE(w.fraUpload.Visible() && w.fraFileTypes.Visible());
  EXPECT_EQ(GetWindow(w.fraFileTypes.Hwnd(), GW_HWNDNEXT), w.fraUpload.Hwnd());
  w.mnuUpload.Click();
  EXPECT_TRUE(w.fraUpload.Visible());
  EXPECT_FALSE(w.fraFileTypes.Visible());
  EXPECT_EQ(w.mnuUpload.Caption(), L"File types");
  w.mnuFileTypes.Click();
  EXPECT_TRUE(w.fraFileTypes.Visible());
  EXPECT_FALSE(w.fraUpload.Visible());
  EXPECT_EQ(w.mnuUpload.Caption(), L"File types");
  w.mnuUpload.Click();
  EXPECT_TRUE(w.fraUpload.Visible());
  w.mnuUpload.Click();
  EXPECT_TRUE(w.fraFileTypes.Visible());
  EXPECT_EQ(w.mnuUpload.Caption(), L"Upload");
}

TEST_F(MainWindowTest, StatusLineBlinksBlackAndRed) {
  Frmbackup& w = Start();
  EXPECT_EQ(w.lblDir.ForeColor(), 0u);
  w.Timer2sec.Fire();
  EXPECT_EQ(w.lblDir.ForeColor(), 0x0000FFu);
  w.Timer2sec.Fire();
  EXPECT_EQ(w.lblDir.ForeColor(), 0u);
  // Any other colour (a run may set one) goes back to black.
  w.lblDir.SetForeColor(forms::kColorButtonText);
  w.Timer2sec.Fire();
  EXPECT_EQ(w.lblDir.ForeColor(), 0u);
}

// ---- Shutdown ----

TEST_F(MainWindowTest, ExitAndTheCloseBoxEndThroughTheClosingSplash) {
  for (bool closeBox : {false, true}) {
    SCOPED_TRACE(closeBox ? "close box" : "Exit");
    Frmbackup& w = Start();
    if (closeBox) SendMessageW(w.Hwnd(), WM_CLOSE, 0, 0);
    else w.mnuExit.Click();
    EXPECT_TRUE(w.IsUnloaded());
    FrmSplashEnd* splash = w.ClosingSplash();
    ASSERT_NE(splash, nullptr);
    EXPECT_TRUE(splash->Visible());
    EXPECT_EQ(splash->Timer1.Interval(), 2000);
    EXPECT_EQ(splash->XLinkLabel1.URL(), kDefaultLinkUrl);
    EXPECT_EQ(EndProcessCalls, 0);
    SendMessageW(splash->Hwnd(), WM_CLOSE, 0, 0);
    EXPECT_TRUE(splash->Timer1.Enabled()) << "a closed splash would never end the process";
    splash->Timer1.Fire();
    EXPECT_TRUE(splash->IsUnloaded());
    EXPECT_EQ(EndProcessCalls, 1);
    // Nothing was saved.
    EXPECT_EQ(FilesInProgramFolder(), 0);
    EXPECT_TRUE(Prompts().empty());
    Close();
    EndProcessCalls = 0;
  }
}

TEST_F(MainWindowTest, OpeningSplashLoadsTheMainWindowOnce) {
  int loads = 0;
  FrmSplash splash(Ui(), [&] { ++loads; });
  EXPECT_EQ(splash.Timer1.Interval(), 500);
  EXPECT_TRUE(splash.Image1.HasPicture());
  EXPECT_EQ(splash.XLinkLabel1.URL(), kDefaultLinkUrl);
  splash.Show();
  SendMessageW(splash.Hwnd(), WM_CLOSE, 0, 0);
  EXPECT_FALSE(splash.IsUnloaded()) << "a closed splash would never load the main window";
  splash.Timer1.Fire();
  EXPECT_EQ(loads, 1);
  EXPECT_TRUE(splash.IsUnloaded());
  EXPECT_FALSE(splash.Timer1.Enabled());
}

TEST(DateTagText, TheUsShortDateOfNewYearsEve2004) {
  const common::DateTime day = common::DateTime::Serial(2004, 12, 31);
  EXPECT_EQ(MakeDateTag(common::ShortDateText(day), day), L"12_31_2004");
}

// ---- Drives and profiles ----

TEST_F(MainWindowTest, RemovableDrivesListedWithTheLastSelected) {
  harness::MappedDrive a(L'A', harness::DriveKind::Removable);
  harness::MappedDrive e(L'E', harness::DriveKind::Removable);
  harness::MappedDrive cd(L'G', harness::DriveKind::CdRom);
  harness::MappedDrive net(L'N', harness::DriveKind::Network);
  Frmbackup& w = Start();
  EXPECT_EQ(Entries(w.lstRemovable), (std::vector<std::wstring>{L"A", L"E"}));
  EXPECT_EQ(w.lstRemovable.Text(), L"E");
  const auto fixed = Entries(w.lstFixed);
  EXPECT_EQ(std::count(fixed.begin(), fixed.end(), L"C"), 1);
  EXPECT_EQ(std::count(fixed.begin(), fixed.end(), L"G"), 0);
  EXPECT_EQ(std::count(fixed.begin(), fixed.end(), L"N"), 0);
  EXPECT_EQ(w.lstFixed.Text(), L"C");
  EXPECT_EQ(w.cmbUsers.Text(), L"C:\\Documents and Settings\\" + SystemInfo().UserName());
}

TEST_F(MainWindowTest, RefreshFindsANewStickAndLeavesTheUploadSide) {
  harness::MappedDrive e(L'E', harness::DriveKind::Removable);
  harness::MappedDrive d(L'D', harness::DriveKind::Fixed);
  Frmbackup& w = Start();
  w.lstFixed.SetListIndex(0);
  w.cmbUsers.SetText(L"D:\\typed by the user");
  const int fixedIndex = w.lstFixed.ListIndex();
  {
    harness::MappedDrive f(L'F', harness::DriveKind::Removable);
    w.mnuRefresh.Click();
    EXPECT_EQ(Entries(w.lstRemovable), (std::vector<std::wstring>{L"E", L"F"}));
    EXPECT_EQ(w.lstRemovable.Text(), L"F");
    EXPECT_EQ(w.lstFixed.ListIndex(), fixedIndex);
    EXPECT_EQ(w.cmbUsers.Text(), L"D:\\typed by the user");
  }
  // Pulled out again: gone from the list.
  w.mnuRefresh.Click();
  EXPECT_EQ(Entries(w.lstRemovable), (std::vector<std::wstring>{L"E"}));
  EXPECT_EQ(w.lstRemovable.Text(), L"E");
}

TEST_F(MainWindowTest, FixedDriveSelectionFollowsDriveC) {
  SKIP_UNLESS_DRIVE_C_CAN_MOVE();
  {
    DriveCSwap swap(std::nullopt);  // no C: at all
    Frmbackup& w = Start();
    const auto fixed = Entries(w.lstFixed);
    ASSERT_FALSE(fixed.empty());
    EXPECT_EQ(std::count(fixed.begin(), fixed.end(), L"C"), 0);
    EXPECT_EQ(w.lstFixed.Text(), fixed.back());
    Close();
  }
  {
    DriveCSwap swap(harness::DriveKind::CdRom);
    Frmbackup& w = Start();
    const auto fixed = Entries(w.lstFixed);
    EXPECT_EQ(std::count(fixed.begin(), fixed.end(), L"C"), 0);
    EXPECT_EQ(GetDriveTypeW(L"C:\\"), static_cast<UINT>(DRIVE_CDROM));
    EXPECT_EQ(w.lstFixed.ListIndex(), -1);
    EXPECT_EQ(w.cmbUsers.Text(), L":\\Documents and Settings\\" + SystemInfo().UserName());
    Close();
  }
  {
    DriveCSwap swap(harness::DriveKind::Fixed);
    Frmbackup& w = Start();
    EXPECT_EQ(w.lstFixed.Text(), L"C");
    Close();
  }
}

TEST_F(MainWindowTest, ProfilesWithADocumentsFolderAreOffered) {
  harness::MappedDrive d(L'D', harness::DriveKind::Fixed);
  const std::wstring root = d / L"Documents and Settings";
  for (const wchar_t* folder :
       {L"", L"\\user1", L"\\user1\\My Documents", L"\\user1\\Desktop", L"\\Default User",
        L"\\Default User\\My Documents", L"\\All Users", L"\\All Users\\Documents",
        L"\\nobody", L"\\nobody\\Desktop", L"\\twice", L"\\twice\\My Documents",
        L"\\twice\\SHARED DOCUMENTS"}) {
    ASSERT_TRUE(CreateDirectoryW((root + folder).c_str(), nullptr));
  }
  harness::WriteFile(root + L"\\user1\\documents.txt", "a file, not a folder");
  harness::WriteFile(root + L"\\file documents", "not a profile");
  harness::MappedDrive y(L'Y', harness::DriveKind::Fixed);  // no profiles at all

  Frmbackup& w = Start();
  const int indexD = [&] {
    for (int i = 0; i < w.lstFixed.ListCount(); ++i)
      if (w.lstFixed.List(i) == L"D") return i;
    return -1;
  }();
  ASSERT_GE(indexD, 0);
  w.lstFixed.SetListIndex(indexD);

  std::vector<std::wstring> offered;
  for (int i = 0; i < w.cmbUsers.ListCount(); ++i) offered.push_back(Lower(w.cmbUsers.List(i)));
  std::vector<std::wstring> expected;
  for (const wchar_t* name : {L"user1", L"default user", L"all users", L"twice", L"twice"})
    expected.push_back(L"d:\\documents and settings\\" + std::wstring(name));
  std::sort(offered.begin(), offered.end());
  std::sort(expected.begin(), expected.end());
  EXPECT_EQ(offered, expected);
  EXPECT_EQ(w.cmbUsers.Text(), w.cmbUsers.List(0));

  // Leaving the list proposes the current user's folder on that drive.
  bool cancel = false;
  w.lstFixed.OnValidate(cancel);
  EXPECT_FALSE(cancel);
  EXPECT_EQ(w.cmbUsers.Text(), L"D:\\Documents and Settings\\" + SystemInfo().UserName());
  EXPECT_EQ(w.cmbUsers.ListCount(), 5);

  // A drive without profiles empties the box; validation still proposes.
  for (int i = 0; i < w.lstFixed.ListCount(); ++i)
    if (w.lstFixed.List(i) == L"Y") w.lstFixed.SetListIndex(i);
  ASSERT_EQ(w.lstFixed.Text(), L"Y");
  EXPECT_EQ(w.cmbUsers.ListCount(), 0);
  EXPECT_EQ(w.cmbUsers.Text(), L"");
  w.lstFixed.OnValidate(cancel);
  EXPECT_EQ(w.cmbUsers.Text(), L"Y:\\Documents and Settings\\" + SystemInfo().UserName());
}

}  // namespace
}  // namespace ferrimond

// The main window in-process: real (hidden) windows, real mapped drives, the
// real program folder on the prefix's C:, prompts answered by a script.
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cwctype>
#include <string>
#include <vector>

#include "ferrimond/mainwindow/frmbackup.h"
#include "ferrimond/mainwindow/splash_windows.h"
#include "ferrimond/support/file_times.h"
#include "ferrimond/support/record_line.h"
#include "ferrimond/support/system_info.h"
#include "tests/ferrimond/mainwindow/mainwindow_fixture.h"
#include "tests/harness/expect.h"
#include "tests/harness/temp_dir.h"
#include "tests/harness/wine_drives.h"

namespace ferrimond {
namespace {

using mwtest::DriveCSwap;
using mwtest::MainWindowTest;
using mwtest::Entries;
using Strings = std::vector<std::wstring>;

void Select(forms::ListBox& list, const std::wstring& entry) {
  for (int i = 0; i < list.ListCount(); ++i)
    if (list.List(i) == entry) list.SetListIndex(i);
  ASSERT_EQ(list.Text(), entry);
}

std::wstring UserFolderOn(const std::wstring& drive) {
  return drive + L":\\Documents and Settings\\" + SystemInfo().UserName();
}

// ---- Start-up ----

TEST_F(MainWindowTest, FirstStartOnACleanMachine) {
  Frmbackup& w = Start();
  EXPECT_TRUE(Prompts().empty());
  for (forms::OptionButton* option : {&w.OptLastUpload, &w.OptLastBackup, &w.OptDateToday, &w.OptAnyTime,
                                      &w.optDateText, &w.optDatePicker})
    EXPECT_FALSE(option->Value());
  EXPECT_TRUE(GetFileAttributesW(kProgramFolder) & FILE_ATTRIBUTE_DIRECTORY);
  EXPECT_FALSE(w.CmdStop.Enabled() || w.CmdPause.Enabled() || w.CmdContinue.Enabled());
  // Top right of the screen.
  EXPECT_EQ(w.Top(), 0);
  EXPECT_NEAR(w.Left() + w.Width(), forms::ScreenWidthTwips(), 30);
}

TEST_F(MainWindowTest, AStampedUploadTimeBecomesTheThresholdAndStampsTheMarker) {
  const common::DateTime when = harness::At(2026, 12, 5, 19, 42, 27);
  WriteStamp(RecordWriter().Date(when).EndRecord().Bytes());
  // The marker is stamped only where a run has left one.
  Start();
  EXPECT_EQ(GetFileAttributesW(kThresholdMarker), INVALID_FILE_ATTRIBUTES);
  harness::WriteFile(kThresholdMarker, "marker");
  Frmbackup& w = Start();
  EXPECT_TRUE(Prompts().empty());
  EXPECT_TRUE(w.OptLastUpload.Value());
  EXPECT_EQ(w.Threshold, when);
  EXPECT_EQ(GetFileDate(kThresholdMarker, FileTimeWritten), when);
  EXPECT_EQ(GetFileDate(kThresholdMarker, FileTimeAccessed), when);
}

TEST_F(MainWindowTest, StampsThatKeptNoTimeDeselectTheOption) {
  const std::wstring notKept = L"Last update time was not kept correctly!";
  const struct {
    const char* what;
    std::string bytes;
    Strings prompts;
  } cases[] = {
      {"null date", RecordWriter().Date(common::DateTime()).EndRecord().Bytes(), {notKept}},
      {"empty file", "", {L"past end", notKept}},
      {"garbage", "not a date\r\n", {notKept}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    WriteStamp(c.bytes);
    ExpectMessages(c.prompts.size());
    Frmbackup& w = Start();
    EXPECT_EQ(Prompts(), c.prompts);
    EXPECT_TRUE(!w.OptLastUpload.Value() && w.Threshold.IsNull());
    // The rest of the start-up still ran.
    EXPECT_GT(w.lstFixed.ListCount(), 0);
  }
}

TEST_F(MainWindowTest, ASecondInstanceOnlyShowsItsMessageAndEnds) {
  AnotherInstance = true;
  ExpectMessages(1);
  Frmbackup& w = Start();
  EXPECT_EQ(Prompts(), Strings{L"Only one instance of this program may run at any time"});
  EXPECT_EQ(EndProcessCalls, 1);
  EXPECT_EQ(w.lstFixed.ListCount(), 0);
  EXPECT_EQ(GetFileAttributesW(kProgramFolder), INVALID_FILE_ATTRIBUTES);
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
  const std::pair<forms::Control*, forms::Control*> rows[] = {
      {&w.optDateText, &w.txtdays}, {&w.txtdays, &w.Label2},       {&w.Label3, &w.lblBackup},
      {&w.ChkSubDir, &w.CmdBrowse1}, {&w.LstDirEx, &w.CmdBrowse}};
  for (const auto& [left, right] : rows) EXPECT_LE(left->Left() + left->Width(), right->Left());
  EXPECT_LE(w.lblBackup.Left() + w.lblBackup.Width(), w.fraBackup.Width());
}

// "&Upload" and "File types" are commands of the bar, not menus; the check
// mark on "Close program automatically ..." is real.
TEST_F(MainWindowTest, MenuBarCloseAutomaticallyAndPanelSwitching) {
  Frmbackup& w = Start();
  HMENU bar = GetMenu(w.Hwnd());
  EXPECT_EQ(GetSubMenu(bar, 2), nullptr);
  EXPECT_EQ(GetSubMenu(bar, 3), nullptr);
  EXPECT_TRUE(GetMenuState(GetSubMenu(bar, 1), 0, MF_BYPOSITION) & MF_CHECKED);
  w.mnuCloseAutomatically.Click();
  EXPECT_FALSE(w.mnuCloseAutomatically.Checked() || w.CloseAutomatically);
  w.mnuCloseAutomatically.Click();
  EXPECT_TRUE(w.CloseAutomatically);

  // "File types" on the bar leaves the upload command's caption as it was:
  // only the upload command's own second click gives "Upload" back.
  for (forms::MenuItem* item : {&w.mnuUpload, &w.mnuFileTypes, &w.mnuUpload, &w.mnuUpload}) {
    const bool upload = !w.fraUpload.Visible() && item == &w.mnuUpload;
    item->Click();
    EXPECT_TRUE(w.fraUpload.Visible() == upload && w.fraFileTypes.Visible() == !upload);
    EXPECT_EQ(w.mnuUpload.Caption(), upload || item != &w.mnuUpload ? L"File types" : L"Upload");
  }
}

// The two panels share one place: Tab goes round the one that shows and
// never into the other (as into the hidden upload's lstFixed and its Validate).
TEST_F(MainWindowTest, TabReachesOnlyThePanelThatShows) {
  Frmbackup& w = Start();
  const struct {
    forms::Frame& shown;
    forms::Frame& hidden;
    std::vector<forms::Control*> reachable;
  } steps[] = {{w.fraFileTypes, w.fraUpload, {&w.Check2, &w.Txtfiles[12]}},
               {w.fraUpload, w.fraFileTypes, {&w.CmdCopyToC, &w.lstFixed, &w.cmbUsers}},
               {w.fraFileTypes, w.fraUpload, {&w.Check2, &w.Txtfiles[12]}}};
  for (const auto& step : steps) {
    if (&step != steps) w.mnuUpload.Click();
    SCOPED_TRACE(std::string(step.shown.Name().begin(), step.shown.Name().end()));
    EXPECT_TRUE(step.shown.Visible() && !step.hidden.Visible());
    std::vector<HWND> stops;  // once round, from the last file-type box
    for (HWND h = GetNextDlgTabItem(w.Hwnd(), w.Txtfiles[12].Hwnd(), FALSE);
         h && stops.size() < 100 && (stops.empty() || h != stops.front());
         h = GetNextDlgTabItem(w.Hwnd(), h, FALSE)) {
      stops.push_back(h);
      EXPECT_FALSE(IsChild(step.hidden.Hwnd(), h));
    }
    for (forms::Control* c : step.reachable)
      EXPECT_NE(std::find(stops.begin(), stops.end(), c->Hwnd()), stops.end()) << c->Name();
  }
}

// ---- Splash windows and shutdown ----

// The splash windows ignore their close box: their timers move the program on.
TEST_F(MainWindowTest, ExitAndTheCloseBoxEndThroughTheClosingSplash) {
  for (bool closeBox : {false, true}) {
    SCOPED_TRACE(closeBox ? "close box" : "Exit");
    EndProcessCalls = 0;
    Frmbackup& w = Start();
    if (closeBox) SendMessageW(w.Hwnd(), WM_CLOSE, 0, 0);
    else w.mnuExit.Click();
    EXPECT_TRUE(w.IsUnloaded());
    FrmSplashEnd* splash = w.ClosingSplash();
    ASSERT_TRUE(splash && splash->Visible());
    EXPECT_EQ(EndProcessCalls, 0);
    SendMessageW(splash->Hwnd(), WM_CLOSE, 0, 0);
    EXPECT_TRUE(splash->Timer1.Enabled());
    splash->Timer1.Fire();
    EXPECT_TRUE(splash->IsUnloaded() && EndProcessCalls == 1);
    EXPECT_TRUE(RemoveDirectoryW(kProgramFolder)) << "something was saved";
    EXPECT_TRUE(Prompts().empty());
  }
}

TEST_F(MainWindowTest, OpeningSplashLoadsTheMainWindowOnce) {
  int loads = 0;
  FrmSplash splash(Ui(), [&] { ++loads; });
  splash.Show();
  SendMessageW(splash.Hwnd(), WM_CLOSE, 0, 0);
  EXPECT_FALSE(splash.IsUnloaded());
  splash.Timer1.Fire();
  EXPECT_EQ(loads, 1);
  EXPECT_TRUE(splash.IsUnloaded() && !splash.Timer1.Enabled());
}

// ---- Drives and profiles ----

TEST_F(MainWindowTest, RemovableDrivesListedWithTheLastSelectedAndRefreshed) {
  harness::MappedDrive a(L'A', harness::DriveKind::Removable);
  harness::MappedDrive e(L'E', harness::DriveKind::Removable);
  harness::MappedDrive cd(L'G', harness::DriveKind::CdRom);
  harness::MappedDrive net(L'N', harness::DriveKind::Network);
  harness::MappedDrive d(L'D', harness::DriveKind::Fixed);
  Frmbackup& w = Start();
  EXPECT_EQ(Entries(w.lstRemovable), (Strings{L"A", L"E"}));
  EXPECT_EQ(w.lstRemovable.Text(), L"E");
  const Strings fixed = Entries(w.lstFixed);
  for (const wchar_t* letter : {L"C", L"D", L"G", L"N"}) {
    const bool isFixed = *letter == L'C' || *letter == L'D';
    EXPECT_EQ(std::count(fixed.begin(), fixed.end(), letter), isFixed ? 1 : 0) << static_cast<char>(*letter);
  }
  EXPECT_EQ(w.lstFixed.Text(), L"C");
  // C: has no "Documents and Settings" (as under Wine): the user's own
  // profile is proposed instead.
  wchar_t own[MAX_PATH] = L"";
  GetEnvironmentVariableW(L"USERPROFILE", own, MAX_PATH);
  EXPECT_EQ(w.cmbUsers.Text(), GetFileAttributesW(UserFolderOn(L"C").c_str()) == INVALID_FILE_ATTRIBUTES
                                   ? std::wstring(own)
                                   : UserFolderOn(L"C"));

  // Refresh finds a new stick and leaves the upload side alone.
  Select(w.lstFixed, L"D");
  w.cmbUsers.SetText(L"D:\\typed by the user");
  {
    harness::MappedDrive f(L'F', harness::DriveKind::Removable);
    w.mnuRefresh.Click();
    EXPECT_EQ(Entries(w.lstRemovable), (Strings{L"A", L"E", L"F"}));
    EXPECT_EQ(w.lstRemovable.Text(), L"F");
    EXPECT_EQ(w.lstFixed.Text(), L"D");
    EXPECT_EQ(w.cmbUsers.Text(), L"D:\\typed by the user");
  }
  // Pulled out again: gone from the list.
  w.mnuRefresh.Click();
  EXPECT_EQ(Entries(w.lstRemovable), (Strings{L"A", L"E"}));
  EXPECT_EQ(w.lstRemovable.Text(), L"E");
}

TEST_F(MainWindowTest, FixedDriveSelectionFollowsDriveC) {
  SKIP_UNLESS_DRIVE_C_CAN_MOVE();
  const struct {
    const char* what;
    std::optional<harness::DriveKind> kind;
  } cases[] = {{"no C:", std::nullopt}, {"C: a CD", harness::DriveKind::CdRom}, {"C: fixed", harness::DriveKind::Fixed}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    DriveCSwap swap(c.kind);
    Frmbackup& w = Start();
    const Strings fixed = Entries(w.lstFixed);
    const bool fixedC = c.kind == harness::DriveKind::Fixed;
    EXPECT_EQ(std::count(fixed.begin(), fixed.end(), L"C"), fixedC ? 1 : 0);
    if (fixedC) {
      EXPECT_EQ(w.lstFixed.Text(), L"C");
    } else if (!c.kind) {  // the last fixed drive instead
      ASSERT_FALSE(fixed.empty());
      EXPECT_EQ(w.lstFixed.Text(), fixed.back());
    } else {  // C: is there but not fixed: nothing selected
      EXPECT_EQ(w.lstFixed.ListIndex(), -1);
      EXPECT_EQ(w.cmbUsers.Text(), UserFolderOn(L""));
    }
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
  // The current layout: a profile once, however many documents folders.
  // The shared profiles of either layout are nobody's.
  for (const wchar_t* folder : {L"Users", L"Users\\alice", L"Users\\alice\\Documents",
                                L"Users\\alice\\My Documents", L"Users\\bare", L"Users\\Public",
                                L"Users\\Public\\Documents", L"Users\\Default", L"Users\\Default\\Documents"})
    ASSERT_TRUE(CreateDirectoryW((d / folder).c_str(), nullptr));
  harness::WriteFile(root + L"\\user1\\documents.txt", "a file, not a folder");
  harness::WriteFile(root + L"\\file documents", "not a profile");
  harness::MappedDrive y(L'Y', harness::DriveKind::Fixed);  // no profiles at all

  Frmbackup& w = Start();
  Select(w.lstFixed, L"D");
  Strings offered;
  for (int i = 0; i < w.cmbUsers.ListCount(); ++i) {
    std::wstring entry = w.cmbUsers.List(i);
    for (wchar_t& ch : entry) ch = static_cast<wchar_t>(std::towlower(ch));
    offered.push_back(entry);
  }
  const std::wstring das = L"d:\\documents and settings\\";
  std::sort(offered.begin(), offered.end());
  EXPECT_EQ(offered, (Strings{das + L"twice", das + L"twice", das + L"user1", L"d:\\users\\alice"}));
  EXPECT_EQ(w.cmbUsers.Text(), w.cmbUsers.List(0));

  // Leaving the list proposes the current user's folder on that drive.
  bool cancel = false;
  w.lstFixed.OnValidate(cancel);
  EXPECT_FALSE(cancel);
  EXPECT_EQ(w.cmbUsers.Text(), UserFolderOn(L"D"));

  // A drive without profiles empties the box; validation still proposes.
  Select(w.lstFixed, L"Y");
  EXPECT_TRUE(w.cmbUsers.ListCount() == 0 && w.cmbUsers.Text().empty());
  w.lstFixed.OnValidate(cancel);
  EXPECT_EQ(w.cmbUsers.Text(), UserFolderOn(L"Y"));
}

}  // namespace
}  // namespace ferrimond

// The main window in-process: real (hidden) windows, real mapped drives, the
// real program folder on the prefix's C:, prompts answered by a script.
#include <gtest/gtest.h>

#include <algorithm>
#include <cwctype>
#include <string>
#include <vector>

#include "ferrimond/mainwindow/splash_windows.h"
#include "ferrimond/support/file_times.h"
#include "ferrimond/support/record_line.h"
#include "ferrimond/support/system_info.h"
#include "tests/ferrimond/mainwindow/mainwindow_fixture.h"
#include "tests/harness/expect.h"

namespace ferrimond {
namespace {

using namespace mwtest;

std::wstring UserFolderOn(const std::wstring& drive) {
  return drive + L":\\Documents and Settings\\" + SystemInfo().UserName();
}

// ---- Start-up ----

TEST_F(MainWindowTest, ASecondInstanceOnlyShowsItsMessageAndTheFirstStartsClean) {
  AnotherInstance = true;
  ExpectMessages(1);
  EXPECT_EQ(Start().lstFixed.ListCount(), 0);
  EXPECT_EQ(Prompts(), Strings{L"Only one instance of this program may run at any time"});
  EXPECT_EQ(EndProcessCalls, 1);
  EXPECT_FALSE(Exists(kProgramFolder));

  AnotherInstance = false;
  Frmbackup& w = Start();
  EXPECT_TRUE(Prompts().empty());
  for (forms::OptionButton* option : {&w.OptLastUpload, &w.OptLastBackup, &w.OptDateToday, &w.OptAnyTime,
                                      &w.optDateText, &w.optDatePicker})
    EXPECT_FALSE(option->Value());
  EXPECT_TRUE(GetFileAttributesW(kProgramFolder) & FILE_ATTRIBUTE_DIRECTORY);
  EXPECT_FALSE(w.CmdStop.Enabled() || w.CmdPause.Enabled() || w.CmdContinue.Enabled());
}

// A stamped upload time becomes the threshold and stamps the marker (only
// where a run has left one); a stamp that kept no time deselects the option.
TEST_F(MainWindowTest, TheUploadStampIsTheThresholdOrIsReportedAndDeselected) {
  const std::wstring notKept = L"Last update time was not kept correctly!";
  const common::DateTime when = harness::At(2026, 12, 5, 19, 42, 27);
  const std::string good = RecordWriter().Date(when).EndRecord().Bytes();
  const struct {
    std::string bytes;
    Strings prompts;
  } cases[] = {{RecordWriter().Date(common::DateTime()).EndRecord().Bytes(), {notKept}},
               {"", {L"past end", notKept}},
               {"not a date\r\n", {notKept}},
               {good, {}}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.bytes);
    WriteStamp(c.bytes);
    ExpectMessages(c.prompts.size());
    Frmbackup& w = Start();
    EXPECT_EQ(Prompts(), c.prompts);
    EXPECT_EQ(w.OptLastUpload.Value(), c.prompts.empty());
    EXPECT_EQ(w.Threshold, c.prompts.empty() ? when : common::DateTime());
    EXPECT_GT(w.lstFixed.ListCount(), 0);  // the rest of the start-up still ran
  }
  EXPECT_FALSE(Exists(kThresholdMarker));
  harness::WriteFile(kThresholdMarker, "marker");
  Start();
  EXPECT_EQ(GetFileDate(kThresholdMarker, FileTimeWritten), when);
  EXPECT_EQ(GetFileDate(kThresholdMarker, FileTimeAccessed), when);
}

// Captions measured in the control's own font must fit their control, and
// controls on one row must not run into each other.
TEST_F(StartedWindowTest, CaptionsFitTheirControls) {
  for (forms::Frame* frame : {&w_->fraBackup, &w_->fraFileTypes, &w_->fraUpload}) {
    for (forms::Control* c : frame->Children()) {
      std::wstring caption;
      int glyph = 0;
      if (auto* l = dynamic_cast<forms::Label*>(c)) caption = l->Caption();
      if (auto* o = dynamic_cast<forms::OptionButton*>(c)) caption = o->Caption(), glyph = 1;
      if (auto* k = dynamic_cast<forms::CheckBox*>(c)) caption = k->Caption(), glyph = 1;
      HDC dc = GetDC(c->Hwnd());
      HGDIOBJ old = SelectObject(dc, reinterpret_cast<HFONT>(SendMessageW(c->Hwnd(), WM_GETFONT, 0, 0)));
      SIZE size{};
      GetTextExtentPoint32W(dc, caption.c_str(), static_cast<int>(caption.size()), &size);
      SelectObject(dc, old);
      ReleaseDC(c->Hwnd(), dc);
      RECT rc;
      GetClientRect(c->Hwnd(), &rc);
      EXPECT_LE(size.cx + glyph * GetSystemMetrics(SM_CXMENUCHECK), rc.right) << c->Name();
    }
  }
  const std::pair<forms::Control*, forms::Control*> rows[] = {{&w_->optDateText, &w_->txtdays},
                                                              {&w_->txtdays, &w_->Label2},
                                                              {&w_->Label3, &w_->lblBackup},
                                                              {&w_->ChkSubDir, &w_->CmdBrowse1},
                                                              {&w_->LstDirEx, &w_->CmdBrowse}};
  for (const auto& [left, right] : rows) EXPECT_LE(left->Left() + left->Width(), right->Left());
  EXPECT_LE(w_->lblBackup.Left() + w_->lblBackup.Width(), w_->fraBackup.Width());
}

// "&Upload" and "File types" are commands of the bar, not menus; the check
// mark on "Close program automatically ..." is real. The two panels share
// one place: Tab goes round the one that shows and never into the other (as
// into the hidden upload's lstFixed and its Validate).
TEST_F(StartedWindowTest, MenuBarCloseAutomaticallyAndThePanelsThatShow) {
  Frmbackup& w = *w_;
  HMENU bar = GetMenu(w.Hwnd());
  EXPECT_FALSE(GetSubMenu(bar, 2) || GetSubMenu(bar, 3));
  EXPECT_TRUE(GetMenuState(GetSubMenu(bar, 1), 0, MF_BYPOSITION) & MF_CHECKED);
  w.mnuCloseAutomatically.Click();
  EXPECT_FALSE(w.mnuCloseAutomatically.Checked() || w.CloseAutomatically);
  w.mnuCloseAutomatically.Click();
  EXPECT_TRUE(w.CloseAutomatically);

  // "File types" on the bar leaves the upload command's caption as it was:
  // only the upload command's own second click gives "Upload" back.
  for (forms::MenuItem* item : {&w.mnuFileTypes, &w.mnuUpload, &w.mnuFileTypes, &w.mnuUpload, &w.mnuUpload}) {
    const bool upload = !w.fraUpload.Visible() && item == &w.mnuUpload;
    const std::wstring caption = w.mnuUpload.Caption();
    item->Click();
    EXPECT_TRUE(w.fraUpload.Visible() == upload && w.fraFileTypes.Visible() == !upload);
    EXPECT_EQ(w.mnuUpload.Caption(), upload ? L"File types" : item == &w.mnuUpload ? L"Upload" : caption);
    forms::Frame& hidden = upload ? w.fraFileTypes : w.fraUpload;
    std::vector<HWND> stops;  // once round, from the last file-type box
    for (HWND h = GetNextDlgTabItem(w.Hwnd(), w.Txtfiles[12].Hwnd(), FALSE);
         h && stops.size() < 100 && (stops.empty() || h != stops.front()); h = GetNextDlgTabItem(w.Hwnd(), h, FALSE)) {
      stops.push_back(h);
      EXPECT_FALSE(IsChild(hidden.Hwnd(), h));
    }
    for (forms::Control* c : upload ? std::vector<forms::Control*>{&w.CmdCopyToC, &w.lstFixed, &w.cmbUsers}
                                    : std::vector<forms::Control*>{&w.Check2, &w.Txtfiles[12]})
      EXPECT_NE(std::find(stops.begin(), stops.end(), c->Hwnd()), stops.end()) << c->Name();
  }
}

// ---- Splash windows and shutdown ----

// The splash windows ignore their close box: their timers move the program on.
TEST_F(MainWindowTest, ExitAndTheCloseBoxEndThroughTheClosingSplash) {
  for (bool closeBox : {false, true}) {
    EndProcessCalls = 0;
    Frmbackup& w = Start();
    closeBox ? (void)SendMessageW(w.Hwnd(), WM_CLOSE, 0, 0) : w.mnuExit.Click();
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
  harness::MappedDrive a(L'A', harness::DriveKind::Removable), e(L'E', harness::DriveKind::Removable);
  harness::MappedDrive cd(L'G', harness::DriveKind::CdRom), net(L'N', harness::DriveKind::Network);
  harness::MappedDrive d(L'D', harness::DriveKind::Fixed);
  Frmbackup& w = Start();
  EXPECT_EQ(Entries(w.lstRemovable), (Strings{L"A", L"E"}));
  EXPECT_EQ(w.lstRemovable.Text(), L"E");
  const Strings fixed = Entries(w.lstFixed);
  for (const wchar_t* letter : {L"C", L"D", L"G", L"N"})  // only C: and D: are fixed
    EXPECT_EQ(std::count(fixed.begin(), fixed.end(), letter), *letter < L'G' ? 1 : 0) << static_cast<char>(*letter);
  EXPECT_EQ(w.lstFixed.Text(), L"C");
  // C: has no "Documents and Settings" (as under Wine): the user's own
  // profile is proposed instead.
  wchar_t own[MAX_PATH] = L"";
  GetEnvironmentVariableW(L"USERPROFILE", own, MAX_PATH);
  EXPECT_EQ(w.cmbUsers.Text(), Exists(UserFolderOn(L"C")) ? UserFolderOn(L"C") : std::wstring(own));

  // Refresh finds a new stick and leaves the upload side alone.
  SelectEntry(w.lstFixed, L"D");
  w.cmbUsers.SetText(L"D:\\typed by the user");
  {
    harness::MappedDrive f(L'F', harness::DriveKind::Removable);
    w.mnuRefresh.Click();
    EXPECT_EQ(Entries(w.lstRemovable), (Strings{L"A", L"E", L"F"}));
    EXPECT_EQ((Strings{w.lstRemovable.Text(), w.lstFixed.Text(), w.cmbUsers.Text()}),
              (Strings{L"F", L"D", L"D:\\typed by the user"}));
  }
  // Pulled out again: gone from the list.
  w.mnuRefresh.Click();
  EXPECT_EQ(Entries(w.lstRemovable), (Strings{L"A", L"E"}));
  EXPECT_EQ(w.lstRemovable.Text(), L"E");
}

TEST_F(MainWindowTest, FixedDriveSelectionFollowsDriveC) {
  if (DriveCSwap::OriginalFolder().empty()) GTEST_SKIP() << "the prefix's drive_c folder is not known here";
  for (auto kind : {std::optional<harness::DriveKind>(), std::optional(harness::DriveKind::CdRom),
                    std::optional(harness::DriveKind::Fixed)}) {
    SCOPED_TRACE(kind ? static_cast<int>(*kind) : -1);
    DriveCSwap swap(kind);
    Frmbackup& w = Start();
    const Strings fixed = Entries(w.lstFixed);
    const bool fixedC = kind == harness::DriveKind::Fixed;
    EXPECT_EQ(std::count(fixed.begin(), fixed.end(), L"C"), fixedC ? 1 : 0);
    if (fixedC) {
      EXPECT_EQ(w.lstFixed.Text(), L"C");
    } else if (!kind) {  // the last fixed drive instead
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
  harness::MappedDrive d(L'D', harness::DriveKind::Fixed), y(L'Y', harness::DriveKind::Fixed);  // Y: no profiles
  // The current layout: a profile once, however many documents folders.
  // The shared profiles of either layout are nobody's.
  // Folders, and two files that are no documents folder.
  for (const std::wstring das = L"Documents and Settings\\";
       const std::wstring& file :
       {das + L"user1\\My Documents\\", das + L"user1\\Desktop\\", das + L"Default User\\My Documents\\",
        das + L"All Users\\Documents\\", das + L"nobody\\Desktop\\", das + L"twice\\My Documents\\",
        das + L"twice\\SHARED DOCUMENTS\\", das + L"user1\\documents.txt", das + L"file documents",
        std::wstring(L"Users\\alice\\Documents\\"), std::wstring(L"Users\\alice\\My Documents\\"),
        std::wstring(L"Users\\bare\\"), std::wstring(L"Users\\Public\\Documents\\"),
        std::wstring(L"Users\\Default\\Documents\\")})
    MakeFile(d / file, 1);
  Frmbackup& w = Start();
  SelectEntry(w.lstFixed, L"D");
  Strings offered;
  for (int i = 0; i < w.cmbUsers.ListCount(); ++i) {
    offered.push_back(w.cmbUsers.List(i));
    for (wchar_t& ch : offered.back()) ch = static_cast<wchar_t>(std::towlower(ch));
  }
  const std::wstring das = L"d:\\documents and settings\\";
  std::sort(offered.begin(), offered.end());
  EXPECT_EQ(offered, (Strings{das + L"twice", das + L"twice", das + L"user1", L"d:\\users\\alice"}));
  EXPECT_EQ(w.cmbUsers.Text(), w.cmbUsers.List(0));
  // Leaving the list proposes the current user's folder on that drive; a
  // drive without profiles empties the box, and validation still proposes.
  for (const wchar_t* drive : {L"D", L"Y"}) {
    SelectEntry(w.lstFixed, drive);
    bool cancel = false;
    w.lstFixed.OnValidate(cancel);
    EXPECT_FALSE(cancel);
    EXPECT_EQ(w.cmbUsers.Text(), UserFolderOn(drive));
  }
  EXPECT_EQ(w.cmbUsers.ListCount(), 0);
}

}  // namespace
}  // namespace ferrimond

// The main window in-process: real (hidden) windows, real mapped drives, the
// real program folder on the prefix's C:, prompts answered by a script;
// its menu items, the help and the about box.

#include <cwctype>

#include "ferrimond/mainwindow/frm_about.h"
#include "ferrimond/mainwindow/splash_windows.h"
#include "ferrimond/schedule/frm_schedule.h"
#include "ferrimond/support/system_info.h"
#include "tests/ferrimond/mainwindow/mainwindow_fixture.h"

namespace ferrimond {
namespace {

using namespace mwtest;
using forms::testing::PromptKind;

std::wstring UserFolderOn(const std::wstring& drive) {
  return drive + L":\\Documents and Settings\\" + SystemInfo().UserName();
}

// ---- Start-up ----

// A first start selects no date option, asks nothing and makes the program
// folder. A stamped upload time becomes the threshold and stamps the marker
// (only where a run has left one); a stamp that kept no time deselects the
// option. (A second instance is refused by the program test.) Without
// Almanix the program starts all the same.
TEST_F(MainWindowTest, TheUploadStampIsTheThresholdOrIsReportedAndDeselectedAndAlmanixIsNotNeeded) {
  Frmbackup& first = Start();
  EXPECT_TRUE(Prompts().empty());
  EXPECT_FALSE(first.OptLastUpload.Value() || first.OptLastBackup.Value() || first.OptDateToday.Value() ||
               first.OptAnyTime.Value() || first.optDateText.Value() || first.optDatePicker.Value());
  EXPECT_TRUE(GetFileAttributesW(kProgramFolder) & FILE_ATTRIBUTE_DIRECTORY);
  const std::wstring notKept = L"Last update time was not kept correctly!";
  const common::DateTime when = harness::At(2026, 12, 5, 19, 42, 27);
  const struct {
    std::string bytes;
    Strings prompts;
  } cases[] = {{RecordWriter().Date(common::DateTime()).EndRecord().Bytes(), {notKept}},
               {"", {L"past end", notKept}},
               {"not a date\r\n", {notKept}},
               {RecordWriter().Date(when).EndRecord().Bytes(), {}}};
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
  // Without Almanix "since" cannot be chosen.
  DatePickerSource = {L"Almanix.NotThere", L"NotThere.dll"};
  ExpectMessages(1);
  Frmbackup& w = Start();
  const std::wstring said = Messages().empty() ? L"" : Messages()[0];
  EXPECT_TRUE(said.find(L"\"Backup files since\"") != said.npos && said.find(L"NotThere.dll") != said.npos) << said;
  EXPECT_FALSE(w.DatePicker1.HasControl() || w.optDatePicker.Enabled());
  // The end of a run does not enable it either; the other options work.
  w.InitializeAgain();
  EXPECT_FALSE(w.optDatePicker.Enabled());
  w.OptDateToday_MouseDown();
  EXPECT_TRUE(w.OptDateToday.Value());
}

// Captions measured in the control's own font fit their control (widened,
// and their row moved along, for a font wider than the design's). The two
// panels share one place: Tab goes round the one that shows and never into
// the other (as into the hidden upload's lstFixed and its Validate).
TEST_F(StartedWindowTest, CaptionsFitTheirControlsAndTheUploadAndFileTypePanelsTakeTurns) {
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
  Frmbackup& w = *w_;
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

// ---- Profiles and the selections ----

// Profiles of both layouts with a documents folder are offered; the shared
// ones are nobody's. Leaving the list proposes the current user's
// folder on that drive; a drive without profiles empties the box, and
// validation still proposes. C: has no "Documents and Settings" (as under
// Wine): the user's own profile is proposed instead. "Use the current
// selections" of the schedule window saves them through the log writer to
// scheduled.log in the program folder, which the unattended run loads as
// Load Logfile does.
TEST_F(MainWindowTest, ProfilesWithADocumentsFolderAreOfferedAndTheScheduledRunLoadsTheSelections) {
  struct NoTask : ScheduleService {
    std::wstring Register(const std::wstring&) override { return L"refused"; }
    std::wstring Delete() override { return {}; }
    std::wstring Query(TaskState& state) override { return state = {}, std::wstring(); }
  };
  ScheduleServiceFactory = [] { return std::make_unique<NoTask>(); };
  harness::MappedDrive d(L'D', harness::DriveKind::Fixed), y(L'Y', harness::DriveKind::Fixed);  // Y: no profiles
  const std::wstring das = L"Documents and Settings\\";
  for (const std::wstring& file : {das + L"user1\\My Documents\\", das + L"Default User\\My Documents\\",
                                   das + L"All Users\\Documents\\", das + L"nobody\\Desktop\\", std::wstring(L"Users\\alice\\Documents\\"),
                                   std::wstring(L"Users\\Public\\Documents\\"), std::wstring(L"Users\\Default\\Documents\\")})
    MakeFile(d / file, 1);
  Frmbackup& w = Start();
  wchar_t own[MAX_PATH] = L"";
  GetEnvironmentVariableW(L"USERPROFILE", own, MAX_PATH);
  EXPECT_EQ(w.cmbUsers.Text(), Exists(UserFolderOn(L"C")) ? UserFolderOn(L"C") : std::wstring(own));
  SelectEntry(w.lstFixed, L"D");
  Strings offered = Entries(w.cmbUsers);
  for (std::wstring& profile : offered)
    for (wchar_t& ch : profile) ch = static_cast<wchar_t>(std::towlower(ch));
  std::sort(offered.begin(), offered.end());
  EXPECT_EQ(offered, (Strings{L"d:\\documents and settings\\user1", L"d:\\users\\alice"}));
  EXPECT_EQ(w.cmbUsers.Text(), w.cmbUsers.List(0));
  for (const wchar_t* drive : {L"D", L"Y"}) {
    SelectEntry(w.lstFixed, drive);
    bool cancel = false;
    w.lstFixed.OnValidate(cancel);
    EXPECT_FALSE(cancel);
    EXPECT_EQ(w.cmbUsers.Text(), UserFolderOn(drive));
  }
  EXPECT_EQ(w.cmbUsers.ListCount(), 0);

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

// The folder browsers start at their list's last entry; one that cannot be
// created is reported, any other failure ends the browse without a word.
// A custom extension, typed, ticks its box and unticking the box empties
// it; unticking "*.*" empties them all. A file alone is then still something
// to back up. (The unattended runs name the selections that back up
// nothing.)
TEST_F(StartedWindowTest, SelectionButtonsAndTheFileTypeBoxes) {
  for (auto [button, list] : {std::pair{&w_->CmdBrowse1, &w_->LstDir}, std::pair{&w_->CmdBrowse, &w_->LstDirEx}}) {
    for (const wchar_t* answer : {L"C:\\Data", L"", L"C:\\Data\\Sub"}) Ui().AnswerBrowseFolder(answer), button->SetValue(true);
    Ui().FailBrowseFolder(429);
    ExpectMessages(1);
    button->SetValue(true);
    Ui().FailBrowseFolder(5);
    button->SetValue(true);
    EXPECT_EQ(Entries(*list), (Strings{L"C:\\Data", L"C:\\Data\\Sub"}));
    EXPECT_EQ(Ui().PromptsOf(PromptKind::BrowseFolder)[2].startFolder, L"C:\\Data");
    EXPECT_EQ(Messages(), Strings{L"Please report error 429!"});
    Ui().ClearRecord();
  }

  for (wchar_t c : std::wstring(L"pdf")) SendMessageW(w_->Txtfiles[10].Hwnd(), WM_CHAR, c, 1);
  w_->Txtfiles[12].SetText(L"odt");
  EXPECT_TRUE(w_->Check1[10].Value() == forms::kChecked && w_->Check1[12].Value() == forms::kChecked);
  w_->Check1[12].SetValue(forms::kUnchecked);
  EXPECT_EQ(w_->Txtfiles[12].Text(), L"");
  w_->Check2.SetValue(forms::kChecked);
  EXPECT_EQ(w_->Txtfiles[10].Text(), L"pdf");  // its box was ticked already
  w_->Check2.SetValue(forms::kUnchecked);
  EXPECT_TRUE(w_->Txtfiles[10].Text().empty() && w_->Check1[10].Value() == forms::kUnchecked);
  for (int i : w_->Check1.Indexes()) w_->Check1[i].SetValue(forms::kUnchecked);
  w_->LstDir.Clear();
  w_->Lstfile.AddItem(L"C:\\a.txt");
  EXPECT_EQ(w_->NothingSelectedReason(), L"");
}

// ---- Menus, help and the about box ----
// Every command of the menus (an item without a submenu, no separator, not
// the spacer) has a handler. The guide opens, and a missing one is named.
// Both about items open one modeless box at a time; "Back to the Program"
// and the close box both end it. Exit ends through the closing splash, which
// ignores its close box (its timer ends the program), and saves nothing.
// (The start splash: the program's own start in the unattended tests.)
TEST_F(StartedWindowTest, MenuCommandsAreBoundTheGuideAndAboutBoxOpenAndExitEndsThroughTheSplash) {
  std::function<void(forms::MenuItem&)> check = [&](forms::MenuItem& item) {
    for (forms::MenuItem* child : item.Items()) check(*child);
    const bool byTheLogs = &item == &w_->mnuFileLoadLog || &item == &w_->mnuFileSaveLog || &item == &w_->mnuFilePrint;
    EXPECT_TRUE(!item.Items().empty() || item.IsSeparator() || &item == &w_->mnuEmpty || byTheLogs || item.OnClick)
        << item.Name();
  };
  for (forms::MenuItem* item : w_->Menus()) check(*item);

  harness::TempDir dir;
  w_->HelpFile = dir / L"Ferrimond.html";
  ExpectMessages(1);
  w_->mnuTutorial.Click();
  EXPECT_EQ(Messages(), Strings{L"The help file " + w_->HelpFile + L" cannot be found. Please install Ferrimond again."});
  harness::WriteFile(w_->HelpFile, "<html></html>");
  Ui().ClearRecord();
  w_->mnuContent.Click();
  ASSERT_EQ(Ui().Prompts().size(), 1u);
  EXPECT_TRUE(Ui().Prompts()[0].kind == PromptKind::Help && Ui().Prompts()[0].text == w_->HelpFile);

  w_->mnuHelpAbout.Click();
  FrmAbout* box = w_->AboutBox();
  ASSERT_TRUE(box && box->Visible());
  const HWND first = box->Hwnd();
  w_->mnuSupport.Click();
  EXPECT_TRUE(w_->Enabled() && w_->AboutBox() == box && box->Hwnd() == first);
  // The link writes a mail to the contact address.
  SendMessageW(box->XLinkLabel1.Hwnd(), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(2, 2));
  SendMessageW(box->XLinkLabel1.Hwnd(), WM_LBUTTONUP, 0, MAKELPARAM(2, 2));
  const auto urls = Ui().PromptsOf(PromptKind::OpenUrl);
  EXPECT_TRUE(urls.size() == 1 && urls[0].text == std::wstring(L"mailto:") + kContactAddress);
  SendMessageW(box->Hwnd(), WM_CLOSE, 0, 0);
  EXPECT_EQ(w_->AboutBox(), nullptr);
  w_->mnuSupport.Click();
  w_->AboutBox()->cmdReturn.SetValue(true);
  EXPECT_EQ(w_->AboutBox(), nullptr);

  w_->mnuExit.Click();
  FrmSplashEnd* end = w_->ClosingSplash();
  ASSERT_TRUE(w_->IsUnloaded() && end && end->Visible());
  SendMessageW(end->Hwnd(), WM_CLOSE, 0, 0);
  EXPECT_TRUE(end->Timer1.Enabled() && EndProcessCalls == 0);
  end->Timer1.Fire();
  EXPECT_TRUE(end->IsUnloaded() && EndProcessCalls == 1);
  EXPECT_TRUE(RemoveDirectoryW(kProgramFolder)) << "something was saved";
}

}  // namespace
}  // namespace ferrimond

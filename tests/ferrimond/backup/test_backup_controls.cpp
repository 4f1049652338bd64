// Stop, Pause, Continue and their keys, and what the window lets the user
// touch while a run works.
#include <windows.h>

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <set>
#include <string>

#include "ferrimond/mainwindow/frmbackup.h"
#include "tests/ferrimond/backup/backup_run_fixture.h"

namespace ferrimond {
namespace {

using namespace brtest;

// At idle there is nothing to stop, pause or continue: keys typed into the
// custom-type boxes and buttons pressed from code leave the window idle.
TEST_F(BackupRunTest, StopPauseAndContinueDoNothingAtIdle) {
  const struct {
    const char* name;
    std::function<void(Frmbackup&)> press;
  } presses[] = {
      {"p typed twice", [](Frmbackup& w) { w.Txtfiles[10].OnKeyDown('P', 0), w.Txtfiles[10].OnKeyDown('P', 0); }},
      {"Pause key twice", [](Frmbackup& w) { w.OnKeyDown(VK_PAUSE, 0), w.Check1[3].OnKeyDown(VK_PAUSE, 0); }},
      {"Continue", [](Frmbackup& w) { w.CmdContinue.SetValue(true); }},
      {"Esc", [](Frmbackup& w) { w.OnKeyDown(VK_ESCAPE, 0); }},
      {"Stop", [](Frmbackup& w) { w.CmdStop.SetValue(true); }},
  };
  Frmbackup& w = Ready();
  w.lblDir.SetCaption(L"Backup finished successfully!");
  // What a stopped run leaves for a Continue to copy.
  MakeFile(c_ / L"a.doc", 10);
  list_ = std::make_unique<List>();
  list_->Add(c_ / L"a.doc");
  w.LastItemDone = list_->Head();
  for (const auto& press : presses) {
    SCOPED_TRACE(press.name);
    press.press(w);
    ExpectIdle(w);
    EXPECT_EQ(w.PausePresses, 0);
    EXPECT_FALSE(w.AbortFlag);
    EXPECT_EQ(w.lblDir.Caption(), L"Backup finished successfully!");
    EXPECT_FALSE(Exists(On(L'E', c_ / L"a.doc"))) << "a Continue copied at idle";
  }
  EXPECT_TRUE(Messages().empty());
}

// Names of the controls and menu items whose use during a run would change
// what the run reads, start another run, or load or save a log.
const std::set<std::wstring> kRunInputs = {
    L"lstRemovable", L"lstFixed", L"cmbUsers", L"CmdCToE", L"CmdCopyToC", L"LstDir", L"Lstfile",
    L"LstDirEx", L"LstFilEx", L"ChkSubDir", L"CmdBrowse1", L"CmdBrowseFile", L"CmdRemove",
    L"CmdRemoveAll", L"CmdBrowse", L"cmdRemove2", L"CmdFilEx", L"Check2", L"Check1", L"Txtfiles",
    L"txtdays", L"mnuRefresh", L"mnuFileLoadLog", L"mnuFileSaveLog", L"mnuFilePrint", L"mnuClear",
    L"mnuUpload", L"mnuFileTypes"};

struct Phase {
  const char* name;
  // Starts a run that calls `check` once in the phase, and lets it end.
  std::function<void(BackupRunTest&, Frmbackup&, std::function<void()> check)> run;
  // Waiting for another drive: the removable drive may be changed.
  bool driveChoice = false;
  // Stop has something to stop (not in the clear, nor in the upload's
  // closing question).
  bool stoppable = true;
};

class RunPhaseTest : public BackupRunTest, public ::testing::WithParamInterface<Phase> {
 public:
  using BackupRunTest::c_;
  using BackupRunTest::e_;
  using BackupRunTest::Ui;
  harness::MappedDrive d_{L'D', harness::DriveKind::Fixed};
};

void Once(std::function<void()>& slot, std::function<void()> check) {
  slot = [check, done = std::make_shared<bool>(false)] {
    if (!std::exchange(*done, true)) check();
  };
}

void ManyOn(const std::wstring& folder, int count) {
  for (int i = 0; i < count; ++i) MakeFile(folder + L"\\f" + std::to_wstring(i) + L".doc", 3000);
}

void ToUpload(Frmbackup& w) {
  SelectEntry(w.lstFixed, L"D");
  w.cmbUsers.SetText(L"");
}

const Phase kPhases[] = {
    {"BackupWalk",
     [](BackupRunTest& t, Frmbackup& w, std::function<void()> check) {
       auto& p = static_cast<RunPhaseTest&>(t);
       ManyOn(p.c_.Path(), 3);
       w.LstDir.AddItem(p.c_.Path());
       Once(w.txtPrgBar.OnChange, check);
       w.CmdCToE.SetValue(true);
     }},
    {"BackupCopy",
     [](BackupRunTest& t, Frmbackup& w, std::function<void()> check) {
       auto& p = static_cast<RunPhaseTest&>(t);
       ManyOn(p.c_.Path(), 80);
       for (int i = 0; i < 80; ++i) w.Lstfile.AddItem(p.c_ / (L"f" + std::to_wstring(i) + L".doc"));
       WhenReady([&w] { return w.lblStatus.Caption() == L"Writing files"; }, check);
       w.CmdCToE.SetValue(true);
     }},
    {"DriveWait",
     [](BackupRunTest& t, Frmbackup& w, std::function<void()> check) {
       auto& p = static_cast<RunPhaseTest&>(t);
       MakeFile(p.c_ / L"a.doc", 10);
       w.Lstfile.AddItem(p.c_ / L"a.doc");
       w.lstRemovable.Clear();  // no drive: the run waits for one
       p.Ui().AnswerMsgBox(MsgResult::Ok);
       p.Ui().AnswerMsgBox(MsgResult::Ok, [&w, check](const Prompt&) {
         AtNextYield([&w, check] {
           check();
           w.CmdStop.SetValue(true);
         });
       });
       w.CmdCToE.SetValue(true);
     },
     true},
    {"Upload",
     [](BackupRunTest& t, Frmbackup& w, std::function<void()> check) {
       auto& p = static_cast<RunPhaseTest&>(t);
       ManyOn(p.e_ / L"many", 40);
       ToUpload(w);
       Once(w.txtPrgBar.OnChange, check);
       p.Ui().AnswerMsgBox(MsgResult::No);  // the wipe question
       w.CmdCopyToC.SetValue(true);
     }},
    {"Clear",
     [](BackupRunTest& t, Frmbackup& w, std::function<void()> check) {
       auto& p = static_cast<RunPhaseTest&>(t);
       ManyOn(p.e_ / L"many", 400);
       p.Ui().AnswerMsgBox(MsgResult::Yes, [check](const Prompt&) { AtNextYield(check); });
       w.mnuClear.Click();
     },
     false, false},
    {"RunMessage",
     [](BackupRunTest& t, Frmbackup& w, std::function<void()> check) {
       auto& p = static_cast<RunPhaseTest&>(t);
       ToUpload(w);
       p.Ui().AnswerMsgBox(MsgResult::No, [check](const Prompt&) { check(); });
       w.CmdCopyToC.SetValue(true);
     },
     false, false},
};

// Every control and menu item that feeds a run is out of reach in every
// phase of every run (only the removable drive stays open while a run
// waits for another), pressing the commands from code starts nothing, and
// all of them are back when the run ends.
TEST_P(RunPhaseTest, TheRunsInputsAreOutOfReachUntilItEnds) {
  const Phase& phase = GetParam();
  Frmbackup& w = Ready();
  const Frmbackup::RunInputs inputs = w.RunInputItems();
  std::set<std::wstring> names;
  for (const forms::Control* control : inputs.controls) names.insert(control->Name());
  for (const forms::MenuItem* item : inputs.menus) names.insert(item->Name());
  EXPECT_EQ(names, kRunInputs);
  bool checked = false;
  phase.run(*this, w, [&] {
    checked = true;
    EXPECT_TRUE(w.RunActive);
    for (const forms::Control* control : inputs.controls) {
      const bool open = phase.driveChoice && control == &w.lstRemovable;
      EXPECT_EQ(control->Enabled(), open) << control->Name();
    }
    for (const forms::MenuItem* item : inputs.menus) {
      const bool open = phase.driveChoice && item == &w.mnuRefresh;
      EXPECT_EQ(item->Enabled(), open) << item->Name();
    }
    EXPECT_EQ(w.CmdStop.Enabled(), phase.stoppable);
    if (!phase.stoppable) {
      // Nothing to pause or continue either: "pp" leaves no pause behind and
      // runs no Continue.
      w.OnKeyDown('P', 0), w.OnKeyDown('P', 0);
      EXPECT_EQ(w.PausePresses, 0);
    }
    // Pressed from code all the same, the commands start nothing (another
    // run's prompts would fail the test).
    w.CmdCToE.SetValue(true);
    w.CmdCopyToC.SetValue(true);
    w.mnuClear.Click();
    w.mnuFileLoadLog.Click();
  });
  EXPECT_TRUE(checked);
  EXPECT_FALSE(w.RunActive);
  for (const forms::Control* control : inputs.controls) EXPECT_TRUE(control->Enabled()) << control->Name();
  for (const forms::MenuItem* item : inputs.menus) EXPECT_TRUE(item->Enabled()) << item->Name();
}

INSTANTIATE_TEST_SUITE_P(Phases, RunPhaseTest, ::testing::ValuesIn(kPhases),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace ferrimond

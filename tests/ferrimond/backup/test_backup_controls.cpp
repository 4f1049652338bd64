// Stop, Pause, Continue and their keys, and what the window lets the user
// touch while a run works.
#include <gtest/gtest.h>

#include <functional>
#include <set>
#include <string>

#include "tests/ferrimond/mainwindow/mainwindow_fixture.h"

namespace ferrimond {
namespace {

using namespace mwtest;

// At idle there is nothing to stop, pause or continue: keys typed into the
// custom-type boxes and buttons pressed from code leave the window idle.
TEST_F(BackupRunTest, StopPauseAndContinueDoNothingAtIdle) {
  const std::function<void(Frmbackup&)> presses[] = {
      [](Frmbackup& w) { w.Txtfiles[10].OnKeyDown('P', 0), w.Txtfiles[10].OnKeyDown('P', 0); },
      [](Frmbackup& w) { w.OnKeyDown(VK_PAUSE, 0), w.Check1[3].OnKeyDown(VK_PAUSE, 0); },
      [](Frmbackup& w) { w.CmdContinue.SetValue(true); }, [](Frmbackup& w) { w.OnKeyDown(VK_ESCAPE, 0); },
      [](Frmbackup& w) { w.CmdStop.SetValue(true); }};
  Frmbackup& w = Ready();
  w.lblDir.SetCaption(kSuccess);
  // What a stopped run leaves for a Continue to copy.
  MakeFile(c_ / L"a.doc", 10);
  list_ = std::make_unique<List>();
  list_->Add(c_ / L"a.doc");
  w.LastItemDone = list_->Head();
  for (const auto& press : presses) {
    press(w);
    ExpectIdle(w);
    EXPECT_TRUE(w.PausePresses == 0 && !w.AbortFlag && w.lblDir.Caption() == kSuccess) << &press - presses;
    EXPECT_FALSE(Exists(On(L'E', c_ / L"a.doc"))) << "a Continue copied at idle";
  }
  EXPECT_TRUE(Messages().empty());
}

class RunPhaseTest;
struct Phase {
  const char* name;
  // Starts a run that calls `check` once in the phase, and lets it end.
  std::function<void(RunPhaseTest&, Frmbackup&, std::function<void()> check)> run;
  // Waiting for another drive: the removable drive may be changed.
  bool driveChoice = false;
  // Stop has something to stop (not in the clear, nor in the upload's
  // closing question).
  bool stoppable = true;
};

class RunPhaseTest : public BackupRunTest, public ::testing::WithParamInterface<Phase> {
 public:
  harness::MappedDrive d_{L'D', harness::DriveKind::Fixed};
  void Upload(Frmbackup& w) {
    SelectEntry(w.lstFixed, L"D");
    w.cmbUsers.SetText(L"");
    w.CmdCopyToC.SetValue(true);
  }
};

std::function<void()> Once(std::function<void()> check) {
  return [check, done = std::make_shared<bool>(false)] {
    if (!std::exchange(*done, true)) check();
  };
}

const Phase kPhases[] = {
    {"BackupWalk",
     [](RunPhaseTest& t, Frmbackup& w, std::function<void()> check) {
       MakeFiles(t.c_.Path(), 3);
       w.LstDir.AddItem(t.c_.Path());
       w.txtPrgBar.OnChange = Once(check);
       w.CmdCToE.SetValue(true);
     }},
    {"BackupCopy",
     [](RunPhaseTest& t, Frmbackup& w, std::function<void()> check) {
       for (const std::wstring& file : MakeFiles(t.c_.Path(), 80)) w.Lstfile.AddItem(file);
       WhenReady([&w] { return w.lblStatus.Caption() == L"Writing files"; }, check);
       w.CmdCToE.SetValue(true);
     }},
    {"DriveWait",
     [](RunPhaseTest& t, Frmbackup& w, std::function<void()> check) {
       w.Lstfile.AddItem(MakeFiles(t.c_.Path(), 1)[0]);
       w.lstRemovable.Clear();  // no drive: the run waits for one
       t.ExpectMessages(1);
       t.AnswerThen(MsgResult::Ok, [&w, check] { check(), w.CmdStop.SetValue(true); });
       w.CmdCToE.SetValue(true);
     },
     true},
    {"Upload",
     [](RunPhaseTest& t, Frmbackup& w, std::function<void()> check) {
       MakeFiles(t.e_ / L"many", 40);
       w.txtPrgBar.OnChange = Once(check);
       t.Ui().AnswerMsgBox(MsgResult::No);  // the wipe question
       t.Upload(w);
     }},
    {"Clear",
     [](RunPhaseTest& t, Frmbackup& w, std::function<void()> check) {
       MakeFiles(t.e_ / L"many", 400);
       t.AnswerThen(MsgResult::Yes, check);
       w.mnuClear.Click();
     },
     false, false},
    {"RunMessage",
     [](RunPhaseTest& t, Frmbackup& w, std::function<void()> check) {
       t.Ui().AnswerMsgBox(MsgResult::No, [check](const Prompt&) { check(); });
       t.Upload(w);
     },
     false, false},
};

// Every control and menu item that feeds a run (those whose use would
// change what the run reads, start another run, or load or save a log) is
// out of reach in every phase of every run (only the removable drive stays
// open while a run waits for another), pressing the commands from code
// starts nothing, and all of them are back when the run ends.
TEST_P(RunPhaseTest, TheRunsInputsAreOutOfReachUntilItEnds) {
  const Phase& phase = GetParam();
  Frmbackup& w = Ready();
  const Frmbackup::RunInputs inputs = w.RunInputItems();
  std::set<std::wstring> names;
  for (const forms::Control* control : inputs.controls) names.insert(control->Name());
  for (const forms::MenuItem* item : inputs.menus) names.insert(item->Name());
  EXPECT_EQ(names, (std::set<std::wstring>{
                       L"lstRemovable", L"lstFixed", L"cmbUsers", L"CmdCToE", L"CmdCopyToC", L"LstDir", L"Lstfile",
                       L"LstDirEx", L"LstFilEx", L"ChkSubDir", L"CmdBrowse1", L"CmdBrowseFile", L"CmdRemove",
                       L"CmdRemoveAll", L"CmdBrowse", L"cmdRemove2", L"CmdFilEx", L"Check2", L"Check1", L"Txtfiles",
                       L"txtdays", L"mnuRefresh", L"mnuFileLoadLog", L"mnuFileSaveLog", L"mnuFilePrint",
                       L"mnuClear", L"mnuUpload", L"mnuFileTypes"}));
  auto expectEnabled = [&](auto open) {
    for (const forms::Control* control : inputs.controls) EXPECT_EQ(control->Enabled(), open(control)) << control->Name();
    for (const forms::MenuItem* item : inputs.menus) EXPECT_EQ(item->Enabled(), open(item)) << item->Name();
  };
  bool checked = false;
  phase.run(*this, w, [&] {
    checked = true;
    EXPECT_TRUE(w.RunActive);
    expectEnabled([&](const void* input) {
      return phase.driveChoice && (input == &w.lstRemovable || input == &w.mnuRefresh);
    });
    EXPECT_EQ(w.CmdStop.Enabled(), phase.stoppable);
    // Where there is nothing to pause or continue either, "pp" leaves no
    // pause behind and runs no Continue.
    for (int i = 0; i < 2 && !phase.stoppable; ++i) w.OnKeyDown('P', 0);
    EXPECT_TRUE(phase.stoppable || w.PausePresses == 0);
    // Pressed from code all the same, the commands start nothing (another
    // run's prompts would fail the test).
    w.CmdCToE.SetValue(true);
    w.CmdCopyToC.SetValue(true);
    w.mnuClear.Click();
    w.mnuFileLoadLog.Click();
  });
  EXPECT_TRUE(checked);
  EXPECT_FALSE(w.RunActive);
  expectEnabled([](const void*) { return true; });
}

INSTANTIATE_TEST_SUITE_P(Phases, RunPhaseTest, ::testing::ValuesIn(kPhases),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace ferrimond

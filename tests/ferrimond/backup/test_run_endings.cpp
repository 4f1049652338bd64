// Every way a backup run can end leaves the window idle, and only a run
// that backed up everything moves the last-backup time on; Stop, Pause,
// Continue and their keys, and what the window lets the user touch while a
// run works.
#include <new>
#include <numeric>
#include <set>

#include "tests/ferrimond/mainwindow/mainwindow_fixture.h"

namespace ferrimond {
namespace {

using namespace mwtest;

// Runs `action` at the first yield at which the status line shows `status`.
void WhenStatusIs(Frmbackup& w, std::wstring status, std::function<void()> action) {
  WhenReady([&w, status] { return w.lblStatus.Caption() == status; }, action);
}

// Enough files in `folder` for the copy to yield while it runs, selected.
Strings ManyFiles(const std::wstring& folder, Frmbackup& w) {
  const Strings files = MakeFiles(folder, 80, 4000);
  for (const std::wstring& file : files) w.Lstfile.AddItem(file);
  return files;
}

class RunEndingTest;
using Arrange = std::function<void(RunEndingTest&, Frmbackup&)>;
struct Ending {
  const char* name;
  int oks;          // the run's message boxes answered OK, before those `arrange` scripts
  Arrange arrange;  // the files, the window and the answers to the run's prompts
  bool aborted;     // "Backup aborted" in the status line, else nothing
  bool stampMoved;
  // What else the ending must leave, with the messages shown.
  std::function<void(Frmbackup&, const Strings&)> check = {};
};

class RunEndingTest : public BackupRunTest, public ::testing::WithParamInterface<Ending> {
 public:
  // a.doc, selected alone or with its folder.
  void File(bool folder = false) {
    MakeFile(c_ / L"a.doc", 10);
    folder ? w_->LstDir.AddItem(c_.Path()) : w_->Lstfile.AddItem(c_ / L"a.doc");
  }
  std::unique_ptr<Lock> lock_;
};

// The time to back up from is `when` ("from user set time").
Arrange UserSetTime(common::DateTime when) {
  return [when](RunEndingTest& t, Frmbackup& w) {
    t.File(true);
    w.UserSetTime = when;
    w.OptAnyTime.SetValue(true);
  };
}

// The one message of a run that stopped before its walk: nothing checked,
// no statistics, nothing copied.
std::wstring StoppedBeforeTheWalk(Frmbackup& w, const Strings& messages) {
  EXPECT_TRUE(w.FilesChecked == 0 && ReadStatistics().empty() && !Exists(On(L'E', w.LstDir.List(0) + L"\\a.doc")));
  return messages.at(0);
}

const Ending kEndings[] = {
    // Nothing chosen: the run says so and is recorded all the same; a second
    // press while it shows its message starts nothing.
    {"NothingChosen", 0, [](RunEndingTest& t, Frmbackup& w) {
       t.Ui().AnswerMsgBox(MsgResult::Ok, [&w](const Prompt&) { w.CmdCToE.SetValue(true); });
     }, false, true, [](Frmbackup& w, const Strings& messages) {
       EXPECT_EQ(messages, Strings{L"You did not choose any directories to backup"});
       EXPECT_EQ(FnmLines(w), FnmOfOneRun(w, {}));
       EXPECT_EQ(ReadStatistics().at(0).selected, 0);
       EXPECT_EQ(w.lblDir.Caption(), kSuccess);
     }},
    // With close-after-backup on, the aborted run is recorded and keeps the
    // program open; the next run of the same window closes it.
    {"EscInTheWalk", 0, [](RunEndingTest& t, Frmbackup& w) {
       t.File(true);
       MakeFile(t.c_ / L"single.xls", 7, 30), w.Lstfile.AddItem(t.c_ / L"single.xls");
       w.mnuCloseAutomatically.Click();
       PressAtFirstProgress(w, VK_ESCAPE);
     }, true, false, [](Frmbackup& w, const Strings&) {
       EXPECT_EQ(w.lblDir.Caption(), L"Backup has been interrupted.");
       // The single file is selected, never copied.
       const StatisticsLine stats = ReadStatistics().at(0);
       const std::wstring single = On(L'E', w.Lstfile.List(0));
       EXPECT_TRUE(stats.checked == 1 && stats.selected == 1 && stats.write == 0 && stats.total == 0);
       EXPECT_FALSE(Exists(single) || Exists(kThresholdMarker) || w.ClosingSplash());
       w.CmdCToE.SetValue(true);
       EXPECT_TRUE(Exists(single) && w.IsUnloaded() && w.ClosingSplash());
     }},
    // A "p" typed before the run must not turn the run's first Pause into a
    // resume: the pause prompt comes (an unused answer fails), and No goes on.
    {"PPressedBeforeTheRun", 0, [](RunEndingTest& t, Frmbackup& w) {
       t.File(true);
       w.OnKeyDown('P', 0);
       PressAtFirstProgress(w, 'P');
       t.Ui().AnswerMsgBox(MsgResult::No);
     }, false, true},
    // A folder that could not be read (here: gone after its folder was
    // listed) is reported once, with its path, and leaves the run incomplete,
    // though every file that was read is on the drive. Two messages: the
    // folder is not there; what is not backed up.
    {"FolderNotRead", 2, [](RunEndingTest& t, Frmbackup& w) {
       t.File(true);
       MakeFile(t.c_ / L"gone\\", 0);
       AtFirstProgress(w, [gone = t.c_ / L"gone"] { RemoveDirectoryW(gone.c_str()); });
     }, false, false, [](Frmbackup& w, const Strings&) {
       EXPECT_EQ(w.lblDir.Caption(), L"Backup finished, but 0 file(s) and 1 folder(s) could not be backed up.");
       EXPECT_TRUE(Exists(On(L'E', w.LstDir.List(0) + L"\\a.doc")));
       EXPECT_EQ(w.FoldersNotRead.at(0).path, w.LstDir.List(0) + L"\\gone");
     }},
    // An upload stamp without a time deselects its option; the run waits
    // until the user chooses one.
    {"OptionChosenWhileWaiting", 1, [](RunEndingTest& t, Frmbackup& w) {
       t.File();
       t.WriteStamp("#00:00:00#\r\n");
       w.OptLastUpload.SetValue(true);
       t.AnswerThen(MsgResult::Ok, [&w] { w.OptDateToday.SetValue(true); });
     }, false, true, [](Frmbackup& w, const Strings& messages) {
       EXPECT_EQ(messages.at(1), L"Please choose a time from which to back up your files!");
       EXPECT_FALSE(w.OptLastUpload.Value());
     }},
    {"EscWhileWaitingForADateOption", 0, [](RunEndingTest& t, Frmbackup& w) {
       t.File();
       w.OptLastBackup.SetValue(true);  // no stamp yet: the run waits for a choice
       t.AnswerThen(MsgResult::Ok, [&w] { w.OnKeyDown(VK_ESCAPE, 0); });
     }, true, false},
    // Cancel at the pause prompt presses Stop, which ends the run at once:
    // not after a whole copy pass.
    {"StopWhilePausedInTheCopy", 0, [](RunEndingTest& t, Frmbackup& w) {
       ManyFiles(t.c_.Path(), w);
       WhenStatusIs(w, L"Writing files", [&w] { w.CmdPause.SetValue(true); });
       t.Ui().AnswerMsgBox(MsgResult::Cancel);
     }, true, false, [](Frmbackup& w, const Strings&) {
       EXPECT_FALSE(Exists(On(L'E', w.Lstfile.List(w.Lstfile.ListCount() - 1))));
     }},
    {"StopInTheDriveWait", 1, [](RunEndingTest& t, Frmbackup& w) {
       w.lstRemovable.Clear();  // no drive to copy to: the run waits for one
       t.File();
       t.AnswerThen(MsgResult::Ok, [&w] { w.CmdStop.SetValue(true); });
     }, true, false},
    {"MissingChosenFolder", 1, [](RunEndingTest&, Frmbackup& w) { w.LstDir.AddItem(L"C:\\no such folder here"); },
     false, false, [](Frmbackup&, const Strings& messages) {
       EXPECT_EQ(messages, Strings{L"Some of your directories or files do not exist. Please check."});
       EXPECT_TRUE(Exists(kThresholdMarker)) << "the marker made for the run stays";
     }},
    {"Overflow", 1, [](RunEndingTest& t, Frmbackup& w) {
       t.File(true);
       w.optDateText.SetValue(true);
       w.txtdays.SetText(L"40000");
     }, false, false, [](Frmbackup& w, const Strings& messages) {
       EXPECT_EQ(StoppedBeforeTheWalk(w, messages), L"Error code 6 was generated \r\n" + common::RuntimeDescription(6));
     }},
    // The files are on the drive; only the statistics could not be written.
    {"StatisticsLocked", 1, [](RunEndingTest& t, Frmbackup&) {
       t.File();
       MakeFile(kStatistics, 0);
       t.lock_ = std::make_unique<Lock>(kStatistics);
     }, false, true},
    // A start time the marker cannot carry stops the run before the walk:
    // none set, or one before 1601.
    {"NoTimeSet", 1, UserSetTime({}), false, false, [](Frmbackup& w, const Strings& m) { StoppedBeforeTheWalk(w, m); }},
    {"TimeBefore1601", 1, UserSetTime(harness::At(1500, 1, 1)), false, false, [](Frmbackup& w, const Strings& messages) {
       EXPECT_NE(StoppedBeforeTheWalk(w, messages).find(L"cannot be used"), std::wstring::npos);
     }},
    // A file held open is passed over: the run says which, and why, and
    // close-after-backup waits for a complete run.
    {"FilePassedOver", 1, [](RunEndingTest& t, Frmbackup& w) {
       t.File();
       t.lock_ = std::make_unique<Lock>(t.c_ / L"a.doc");
       w.mnuCloseAutomatically.Click();
     }, false, false, [](Frmbackup& w, const Strings& messages) {
       const std::wstring text = L"Backup finished, but 1 file(s) and 0 folder(s) could not be backed up.";
       const std::wstring listFile = kLogFolder + w.DateTag + L"_notcopied.txt";
       EXPECT_TRUE(w.lblDir.Caption() == text && messages.at(0).find(listFile) != std::wstring::npos);
       const std::wstring list = common::WideFromBytes(harness::ReadFile(listFile));
       EXPECT_TRUE(list.find(text) != std::wstring::npos && list.find(w.Lstfile.List(0) + L"\t") != std::wstring::npos);
     }},
    // Nothing a step expects, such as memory running out.
    {"UnexpectedException", 0, [](RunEndingTest& t, Frmbackup&) {
       t.Ui().AnswerMsgBox(MsgResult::Ok, [](const Prompt&) { throw std::bad_alloc(); });
       t.ExpectMessages(1);
     }, false, false, [](Frmbackup&, const Strings& messages) {
       EXPECT_NE(messages.at(1).find(L"unexpected error"), std::wstring::npos);
     }},
};

TEST_P(RunEndingTest, LeavesTheWindowIdleAndMovesTheStampOnlyWhenComplete) {
  Frmbackup& w = Ready();
  ExpectMessages(GetParam().oks);
  GetParam().arrange(*this, w);
  w.CmdCToE.SetValue(true);
  lock_.reset();
  ExpectIdle(w);
  EXPECT_EQ(w.lblStatus.Caption(), GetParam().aborted ? L"Backup aborted" : L"");
  EXPECT_EQ(LastBackupStamp(), GetParam().stampMoved ? w.RunStart : common::DateTime());
  EXPECT_FALSE(w.IsUnloaded());
  if (GetParam().check) GetParam().check(w, Messages());
}

INSTANTIATE_TEST_SUITE_P(Endings, RunEndingTest, ::testing::ValuesIn(kEndings),
                         [](const auto& info) { return std::string(info.param.name); });

// Closing the window (close box, then Exit) during a run stops the run,
// which writes its records, and then the window closes.
TEST_F(BackupRunTest, ClosingDuringARunStopsItRecordsItAndThenCloses) {
  for (bool closeBox : {true, false}) {
    Frmbackup& w = Ready();
    const Strings files = ManyFiles(c_.Path(), w);
    WhenStatusIs(w, L"Writing files", [&] {
      closeBox ? (void)SendMessageW(w.Hwnd(), WM_CLOSE, 0, 0) : w.mnuExit.Click();
      EXPECT_FALSE(w.IsUnloaded()) << "closed under the run";
    });
    w.CmdCToE.SetValue(true);
    EXPECT_EQ(w.lblStatus.Caption(), L"Backup aborted");
    EXPECT_TRUE(!w.RunActive && w.IsUnloaded() && w.ClosingSplash());
    // This run's block closes the day's list, whole.
    const Strings fnm = FnmLines(w), block = FnmOfOneRun(w, files);
    ASSERT_GE(fnm.size(), block.size());
    EXPECT_TRUE(std::equal(block.rbegin(), block.rend(), fnm.rbegin()));
    EXPECT_EQ(ReadStatistics().size(), closeBox ? 1u : 2u);
  }
}

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
}

class RunPhaseTest;
using Check = std::function<void()>;
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

const Phase kPhases[] = {
    {"BackupWalk", [](RunPhaseTest& t, Frmbackup& w, Check check) {
       MakeFiles(t.c_.Path(), 3);
       w.LstDir.AddItem(t.c_.Path());
       AtFirstProgress(w, check);
       w.CmdCToE.SetValue(true);
     }},
    {"BackupCopy", [](RunPhaseTest& t, Frmbackup& w, Check check) {
       ManyFiles(t.c_.Path(), w);
       WhenStatusIs(w, L"Writing files", check);
       w.CmdCToE.SetValue(true);
     }},
    {"DriveWait", [](RunPhaseTest& t, Frmbackup& w, Check check) {
       w.Lstfile.AddItem(MakeFiles(t.c_.Path(), 1)[0]);
       w.lstRemovable.Clear();  // no drive: the run waits for one
       t.ExpectMessages(1);
       t.AnswerThen(MsgResult::Ok, [&w, check] { check(), w.CmdStop.SetValue(true); });
       w.CmdCToE.SetValue(true);
     }, true},
    {"Upload", [](RunPhaseTest& t, Frmbackup& w, Check check) {
       MakeFiles(t.e_ / L"many", 40);
       AtFirstProgress(w, check);
       t.Ui().AnswerMsgBox(MsgResult::No);  // the wipe question
       t.Upload(w);
     }},
    {"Clear", [](RunPhaseTest& t, Frmbackup& w, Check check) {
       MakeFiles(t.e_ / L"many", 400);
       t.AnswerThen(MsgResult::Yes, check);
       w.mnuClear.Click();
     }, false, false},
    {"RunMessage", [](RunPhaseTest& t, Frmbackup& w, Check check) {
       t.Ui().AnswerMsgBox(MsgResult::No, [check](const Prompt&) { check(); });
       t.Upload(w);
     }, false, false},
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
  for (const forms::Control* control : inputs.controls) names.insert(control->Name() + L" ");
  for (const forms::MenuItem* item : inputs.menus) names.insert(item->Name() + L" ");
  EXPECT_EQ(std::accumulate(names.begin(), names.end(), std::wstring()),
            L"Check1 Check2 ChkSubDir CmdBrowse CmdBrowse1 CmdBrowseFile CmdCToE CmdCopyToC CmdFilEx CmdRemove "
            L"CmdRemoveAll LstDir LstDirEx LstFilEx Lstfile Txtfiles cmbUsers cmdRemove2 lstFixed lstRemovable "
            L"mnuClear mnuFileLoadLog mnuFilePrint mnuFileSaveLog mnuFileTypes mnuRefresh mnuUpload txtdays ");
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
    // Only a wait for another drive is ended by Continue.
    EXPECT_EQ(w.CmdContinue.Enabled(), phase.driveChoice);
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

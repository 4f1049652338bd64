// The folder walk on real folder trees: the main window hidden, prompts
// answered by a script, the threshold marker c:\a.temp stamped with a known
// time and every file written before, at or after it.

#include "common/numbered_error.h"
#include "tests/ferrimond/mainwindow/mainwindow_fixture.h"

namespace ferrimond {
namespace {

using namespace mwtest;
using harness::Literal;
using harness::RunUnix;
using harness::WideUnix;

const common::DateTime kBefore = harness::At(2026, 1, 14, 23, 59, 59);
const common::DateTime kThreshold = harness::At(2026, 1, 15, 12, 0, 0);
const common::DateTime kAfter = harness::At(2026, 1, 15, 12, 0, 1);

class WalkTest : public StartedWindowTest {
 protected:
  void SetUp() override {
    StartedWindowTest::SetUp();
    if (HasFatalFailure()) return;
    harness::WriteFile(kThresholdMarker, "marker");
    ASSERT_TRUE(SetFileTimes(kThresholdMarker, kThreshold, FileTimeAccessed | FileTimeWritten));
    // Every type, so that only the test at hand decides.
    w_->Check2.SetValue(forms::kChecked);
    MakeFolder(L"tree");
    // The walk is part of a run: only then does Pause act.
    w_->RunActive = true;
  }

  void TearDown() override {
    Undo();
    if (w_) w_->RunActive = false;
    MainWindowTest::TearDown();
  }

  std::wstring Path(const std::wstring& relative) const { return dir_ / relative; }
  void MakeFolder(const std::wstring& relative) { mwtest::MakeFile(Path(relative) + L"\\", 0); }
  // A file last written at `when` (local time), its folders made; returns its full path.
  std::wstring MakeFile(const std::wstring& relative, common::DateTime when = kAfter) {
    mwtest::MakeFile(Path(relative), 0);
    EXPECT_TRUE(SetFileTimes(Path(relative), when, FileTimeWritten)) << relative;
    return Path(relative);
  }

  // Walks one chosen folder as a run does, from a fresh selection unless
  // `more` (one more chosen folder of the same run).
  Strings Walk(const std::wstring& relative = L"tree", bool more = false) {
    if (!more)
      w_->SelectionList = std::make_unique<List>(), w_->FilesChecked = 0, w_->WalkedFolders.Clear(), w_->FoldersNotRead.clear();
    w_->IncludeSubDirs = w_->ChkSubDir.Value() == forms::kChecked;
    w_->FillStrArray();
    w_->IterateFolders(w_->FileSys().GetFolder(Path(relative)), 0);
    Strings out;
    for (auto item = w_->SelectionList->Head(); item; item = item->NextItem) out.push_back(item->Value);
    return out;
  }

  // Makes each `link` a Unix symlink to its `target` (both relative), removed
  // again at the end; false where that cannot be done here.
  bool Links(const std::vector<std::pair<std::wstring, std::wstring>>& links) {
    for (const auto& [target, link] : links) {
      if (!UnixLink(harness::UnixPath(Path(target)), Path(link))) return false;
      undo_.push_back([this, link = Path(link), unixLink = harness::UnixPath(Path(link))] {
        RunUnix(L"/bin/rm -f " + WideUnix(unixLink), [&] { return !Exists(link); });
      });
    }
    return true;
  }
  void Undo() {
    for (const auto& undo : std::exchange(undo_, {})) undo();
  }

  harness::TempDir dir_;
  std::vector<std::function<void()>> undo_;
};

// The expected selection: the paths in ascending character-code order.
Strings Sorted(Strings paths) {
  std::sort(paths.begin(), paths.end());
  return paths;
}

#define LINKS_OR_SKIP(...) \
  if (!Links({__VA_ARGS__})) GTEST_SKIP() << "cannot make a Unix symlink here"

// ---- Which files ----

// Long paths, names outside the ANSI code page and names that are devices
// elsewhere (aux, con, nul, com1) are files like any other.
TEST_F(WalkTest, SelectsFilesWrittenAfterTheMarkerInCharacterCodeOrderWithTheirOwnCase) {
  std::wstring deep = L"tree";
  for (int i = 0; i < 5; ++i) deep += L"\\" + std::wstring(50, static_cast<wchar_t>(L'a' + i));
  deep += L"\\\u0414\u0430\u043d\u043d\u044b\u0435";
  Strings later;
  for (const std::wstring& name :
       Strings{L"tree\\b.doc", L"tree\\C.doc", L"tree\\\u03b1\u03b2\u03b3.DOC", L"tree\\aux.doc", L"tree\\con.txt",
               L"tree\\nul.txt", L"tree\\COM1.log", L"tree\\sub\\a.doc", L"tree\\Sub2\\x.doc",
               deep + L"\\\u043e\u0442\u0447\u0451\u0442_\u65e5\u672c.doc"})
    later.push_back(MakeFile(name));
  MakeFile(L"tree\\exact.doc", kThreshold), MakeFile(L"tree\\sub\\earlier.doc", kBefore);
  MakeFile(deep + L"\\\u0441\u0442\u0430\u0440\u044b\u0439.doc", kBefore);
  ASSERT_GT(later.back().size(), 300u);
  EXPECT_EQ(Walk(), Sorted(later));
  EXPECT_EQ(w_->FilesChecked, 13);
  // Without sub-folders only the chosen folder itself is examined.
  w_->ChkSubDir.SetValue(forms::kUnchecked);
  EXPECT_EQ(Walk(), Sorted(Strings(later.begin(), later.begin() + 7)));
  EXPECT_EQ(w_->FilesChecked, 8);
}

// An excluded folder is never entered, and exclusion is of whole paths in
// any letter case: a trailing "\" is another path. File types and excluded
// names decide before the date; every file is counted, whatever the tests
// said.
TEST_F(WalkTest, ExcludedFoldersNamesAndTypesDecideBeforeTheDate) {
  w_->Check2.SetValue(forms::kUnchecked);  // "*.doc" and "*.xls" stay ticked
  for (const wchar_t* name : {L"Thumbs.db", L"a.doc, b.doc", L"SKIP.DOC"}) w_->LstFilEx.AddItem(name);  // whole names
  w_->LstDirEx.AddItem(Path(L"TREE\\OLD"));
  w_->LstDirEx.AddItem(Path(L"tree\\keep\\"));
  const Strings wanted = {MakeFile(L"tree\\a.doc"), MakeFile(L"tree\\b.doc"), MakeFile(L"tree\\Sheet.XLS"),
                          MakeFile(L"tree\\Old2\\c.doc"), MakeFile(L"tree\\keep\\d.doc")};
  for (const wchar_t* other : {L"tree\\thumbs.db", L"tree\\keep\\THUMBS.DB", L"tree\\skip.doc", L"tree\\notes.txt",
                               L"tree\\report.docx", L"tree\\Old\\a.doc", L"tree\\Old\\deeper\\b.doc"})
    MakeFile(other);
  EXPECT_EQ(Walk(), Sorted(wanted));
  EXPECT_EQ(w_->FilesChecked, 10);
  // An empty custom extension selects only names ending in a dot.
  w_->Check1[0].SetValue(forms::kUnchecked), w_->Check1[1].SetValue(forms::kUnchecked);
  w_->Check1[10].SetValue(forms::kChecked);
  const std::wstring dotted = MakeFile(L"dots\\readme.");
  MakeFile(L"dots\\readme"), MakeFile(L"dots\\readme.txt");
  EXPECT_EQ(Walk(L"dots"), Strings{dotted});
}

// A changed file another program holds open without sharing is selected
// all the same, without a word (the copy reports what it cannot read); a
// marker held open still gives its time, and without one nothing is selected.
TEST_F(WalkTest, FilesAndTheMarkerHeldOpenWithoutSharingStillCount) {
  const std::wstring locked = MakeFile(L"tree\\locked.doc");
  {
    const Lock file(locked), marker(kThresholdMarker);
    EXPECT_EQ(Walk(), Strings{locked});
  }
  // Without the marker nothing can be judged: the folder is reported.
  DeleteFileW(kThresholdMarker);
  EXPECT_EQ(Walk(), Strings{});
  EXPECT_EQ(w_->FoldersNotRead.size(), 1u);
}

// The first file of a run is shown at once, the next only after a tenth of
// a second. The pause prompt answered No goes on. The folder is listed
// before its files are tested: a time changed in between (here while the
// pause prompt is up) counts as it is at the test, whichever way it moved.
TEST_F(WalkTest, TheFirstFileIsShownAtOnceAndThePausePromptGoesOnOrEndsTheWalk) {
  const std::wstring newer = MakeFile(L"tree\\a.doc", kBefore), older = MakeFile(L"tree\\b.doc", kAfter);
  Strings made = {newer}, shown;
  for (int i = 0; i < 3; ++i) made.push_back(MakeFile(L"tree\\f" + std::to_wstring(i) + L".doc"));
  made.push_back(MakeFile(L"tree\\sub\\a.doc"));
  w_->txtPrgBar.OnChange = [&] { shown.push_back(w_->txtPrgBar.Text()); };
  // In the order the file system lists them.
  const std::vector<File> files = w_->FileSys().GetFolder(Path(L"tree")).Files();
  // The pause prompt at the first file holds the walk for longer than that.
  w_->CmdPause.SetValue(true);
  Ui().AnswerMsgBox(MsgResult::No, [&](const auto&) {
    SetFileTimes(newer, kAfter, FileTimeWritten), SetFileTimes(older, kBefore, FileTimeWritten);
    Sleep(150);
  });
  EXPECT_EQ(Walk(), made);
  EXPECT_FALSE(w_->PauseFlag || w_->AbortFlag);
  ASSERT_GE(shown.size(), 2u);
  EXPECT_EQ(Strings(shown.begin(), shown.begin() + 2), (Strings{files[0].Path(), files[1].Path()}));
  // A run started right after the last one was shown still shows its first.
  w_->txtPrgBar.SetText(L"");
  shown.clear();
  Walk();
  ASSERT_FALSE(shown.empty());
  EXPECT_EQ(shown[0], files[0].Path());
  // Answered Yes, the prompt ends the walk before the file is tested. A
  // further chosen folder is left at its first file; one without files of
  // its own is still descended through.
  MakeFile(L"second\\sub\\d.doc"), MakeFile(L"second\\sub\\e.doc");
  w_->CmdPause.SetValue(true);
  Ui().AnswerMsgBox(MsgResult::Yes);
  EXPECT_EQ(Walk(), Strings{});
  EXPECT_TRUE(w_->AbortFlag && !w_->PauseFlag && w_->FilesChecked == 1);
  EXPECT_EQ(Walk(L"second", true), Strings{});
  EXPECT_EQ(w_->FilesChecked, 2);
}

// ---- Links and loops ----

// Links below a chosen folder are followed (a profile's Documents is one
// under Wine); a link back up the tree and a second link to a folder
// already walked are not walked again.
TEST_F(WalkTest, LinksToFoldersAreFollowedOnceAndALoopEnds) {
  MakeFile(L"elsewhere\\outside.doc");
  const Strings wanted = {MakeFile(L"tree\\a.doc"), MakeFile(L"tree\\sub\\b.doc")};
  LINKS_OR_SKIP({L"tree", L"tree\\sub\\loop"}, {L"elsewhere", L"tree\\sub\\away"}, {L"elsewhere", L"tree\\sub\\again"});
  const Strings walked = Walk();
  // Through whichever of the two links the walk met first.
  EXPECT_TRUE(walked == Strings({wanted[0], Path(L"tree\\sub\\again\\outside.doc"), wanted[1]}) ||
              walked == Strings({wanted[0], Path(L"tree\\sub\\away\\outside.doc"), wanted[1]}))
      << walked.size();
  EXPECT_TRUE(w_->FoldersNotRead.empty() && Messages().empty());
}

// A link whose folder cannot be listed when the walk comes to it is passed
// over only when it leads to nothing on a volume that answers; a target on
// an unplugged drive or an offline share, or one the system cannot name,
// leaves a folder not read.
TEST_F(WalkTest, ALinkThatCannotBeListedIsPassedOverOnlyWhenItLeadsNowhere) {
  const std::wstring link = Path(L"tree\\sub\\away");
  const std::pair<std::optional<std::wstring>, bool> cases[] = {
      {Path(L"elsewhere"), false},  // gone from a volume that answers
      {L"Q:\\data", true},          // on a drive that is not there
      {std::nullopt, true},         // not known
  };
  for (const auto& [target, notRead] : cases) {
    SCOPED_TRACE(target ? std::string(target->begin(), target->end()) : "none");
    MakeFile(L"elsewhere\\outside.doc");
    MakeFolder(L"tree\\sub");
    LINKS_OR_SKIP({L"elsewhere", L"tree\\sub\\away"});
    SetLinkTargetQueryForTests([&](const std::wstring&) { return target; });
    // The target goes away after the listing that found the link.
    w_->FolderProbe.index = [&](const Folder& folder) -> uint64_t {
      if (folder.Path() == link) FileSystem().DeleteFolder(Path(L"elsewhere"), true);
      return 0;
    };
    ExpectMessages(notRead ? 1 : 0);  // the folder is not there
    EXPECT_EQ(Walk(), Strings{});
    SetLinkTargetQueryForTests({}), w_->FolderProbe.index = {};
    ASSERT_EQ(w_->FoldersNotRead.size(), notRead ? 1u : 0u);
    EXPECT_TRUE(!notRead || w_->FoldersNotRead[0].path == link);
    Undo();
  }
}

// An excluded folder stays excluded when a link leads into it, below it or
// above it; a file link is judged by the file it leads to, which is what
// the copy copies, not by the link's own (new) time.
TEST_F(WalkTest, LinksAreJudgedByWhatTheyLeadTo) {
  MakeFile(L"elsewhere\\skip\\a.doc"), MakeFile(L"elsewhere\\skip\\deeper\\c.doc");
  MakeFile(L"files\\changed.doc", kAfter), MakeFile(L"files\\unchanged.doc", kBefore);
  LINKS_OR_SKIP({L"elsewhere", L"tree\\above"}, {L"elsewhere\\skip", L"tree\\into"},
                {L"elsewhere\\skip\\deeper", L"tree\\below"}, {L"files\\changed.doc", L"tree\\old-link.doc"},
                {L"files\\unchanged.doc", L"tree\\new-link.doc"});
  MakeFile(L"elsewhere\\keep\\b.doc");
  w_->LstDirEx.AddItem(Path(L"elsewhere\\skip"));
  EXPECT_EQ(Walk(), Sorted({Path(L"tree\\above\\keep\\b.doc"), Path(L"tree\\old-link.doc")}));
}

// A bind mount is an ordinary folder to every system call, yet it leads
// back up the tree: only the folder's identity shows the loop.
TEST_F(WalkTest, AFolderThatIsAlreadyOnThePathIsNotEnteredAgain) {
  MakeFolder(L"tree\\sub\\bound");
  const Strings wanted = {MakeFile(L"tree\\a.doc"), MakeFile(L"tree\\sub\\b.doc")};
  const std::string unixTree = harness::UnixPath(Path(L"tree")), unixBound = harness::UnixPath(Path(L"tree\\sub\\bound"));
  const std::wstring seen = Path(L"tree\\sub\\bound\\a.doc");
  if (unixTree.empty() || unixBound.empty()) GTEST_SKIP() << "no Unix paths here";
  undo_.push_back([unixBound, seen] { RunUnix(L"/bin/umount -l " + WideUnix(unixBound), [&] { return !Exists(seen); }); });
  // Wine may still answer for the empty folder under the mount for a
  // moment: wait until the bound folder is the tree itself.
  auto bound = [&] {
    try {
      return Exists(seen) && w_->FileSys().GetFolder(Path(L"tree\\sub\\bound")).Identity() ==
                                 w_->FileSys().GetFolder(Path(L"tree")).Identity();
    } catch (const common::NumberedError&) {
      return false;
    }
  };
  if (!RunUnix(L"/bin/mount --bind " + WideUnix(unixTree) + L" " + WideUnix(unixBound), bound))
    GTEST_SKIP() << "cannot bind-mount a folder here";
  ASSERT_FALSE(w_->FileSys().GetFolder(Path(L"tree\\sub\\bound")).IsReparsePoint());
  EXPECT_EQ(Walk(), Sorted(wanted));
  EXPECT_EQ(w_->FilesChecked, 2);
}

}  // namespace
}  // namespace ferrimond

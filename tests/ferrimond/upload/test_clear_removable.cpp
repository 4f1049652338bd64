// "&Delete files on removable drive" on the real (hidden) main window, with
// a removable E: mapped before the window starts and prompts answered by a
// script.

#include "tests/ferrimond/mainwindow/mainwindow_fixture.h"

namespace ferrimond {
namespace {

using namespace mwtest;

const std::wstring kDone = L"All files on removable drive have been deleted!";
const std::wstring kDenied = L"Permission denied, cannot delete files!\rTry manually after exiting the program.";
const std::wstring kNoDisk = L"Check if removable disk is inserted!";

class ClearTest : public BackupRunTest {
 protected:
  void SetUp() override {
    BackupRunTest::SetUp();
    if (HasFatalFailure()) return;
    ASSERT_EQ(Start().lstRemovable.Text(), L"E");
  }
  // Files below E:\. A name ending in "!" is made read-only without the
  // "!", one holding "hidden" hidden; one ending in "\" is a folder.
  void Make(const Strings& names) {
    for (std::wstring name : names) {
      const bool readOnly = name.back() == L'!';
      if (readOnly) name.pop_back();
      MakeFile(e_ / name, 1);
      if (readOnly || name.find(L"hidden") != std::wstring::npos)
        SetFileAttributesW((e_ / name).c_str(), readOnly ? FILE_ATTRIBUTE_READONLY : FILE_ATTRIBUTE_HIDDEN);
    }
  }
  // Answers the question, which must come first, runs the menu item and
  // returns the messages after the question.
  Strings Clear(MsgResult answer, size_t messages, forms::testing::ScriptedUserInteraction::During during = {}) {
    Ui().ClearRecord();
    Ui().AnswerMsgBox(answer, std::move(during));
    ExpectMessages(messages);
    w_->mnuClear.Click();
    ExpectIdle(*w_);
    Strings out = Messages();
    EXPECT_TRUE(!out.empty() && Ui().Prompts()[0].buttons == forms::MsgButtons::YesNo);
    return Strings(out.begin() + !out.empty(), out.end());
  }
};

// Files come before folders; the first failure ends the wipe, and a
// read-only file anywhere is such a failure. (Files of one folder go in the
// order the system lists them, so which of them went before a failure is
// not asked.) The volume's own folder is left alone.
TEST_F(ClearTest, WipesTheDriveUpToTheFirstReadOnlyFile) {
  const struct {
    Strings files, left, messages;
  } cases[] = {
      {{}, {}, {}},
      {{L"hidden.txt", L"dir\\b.doc", L"dir\\deeper\\c.xls", L"empty\\", L"System Volume Information\\x.dat"},
       {L"System Volume Information\\x.dat=x"}, {}},
      {{L"ro.txt!", L"dir\\b.doc"}, {L"dir\\b.doc=x", L"ro.txt=x"}, {kDenied}},
      {{L"a.txt", L"dir\\deeper\\ro.doc!"}, {L"dir\\deeper\\ro.doc=x"}, {kDenied}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(&c - cases);
    w_->lblDir.SetCaption(L"");
    Make(c.files);
    EXPECT_EQ(Clear(MsgResult::Yes, c.messages.size()), c.messages);
    EXPECT_EQ(w_->lblDir.Caption(), c.messages.empty() ? kDone : L"");
    EXPECT_EQ(Tree(e_.Root()), c.left);
    harness::EmptyFolder(e_.Root());
  }
  // Without a removable drive nothing is asked.
  w_->lstRemovable.SetListIndex(-1), Ui().ClearRecord(), ExpectMessages(1);
  w_->mnuClear.Click();
  EXPECT_EQ(Messages(), Strings{kNoDisk});
}

// The letter is checked again after the question: whatever the list said,
// only a removable drive is wiped, and only the medium it held when asked.
TEST_F(ClearTest, RefusesEveryDriveButARemovableOneAfterTheQuestion) {
  harness::MappedDrive other(L'G', harness::DriveKind::Removable);
  MakeFile(other / L"keep.doc", 1);
  const std::pair<std::optional<harness::DriveKind>, std::wstring> cases[] = {  // none: the letter has gone
      {harness::DriveKind::Fixed, L"This program cannot erase a harddrive!"},
      {harness::DriveKind::Network, L"Drive E:\\ is a network drive, not a removable drive. Nothing has been deleted."},
      {std::nullopt, kNoDisk},
      // The drive changes while the question shows.
      {harness::DriveKind::Removable,
       L"Drive E:\\ holds another medium than the one you were asked about. Nothing has been deleted."}};
  Make({L"keep\\a.doc", L"b.doc"});
  for (const auto& [kind, message] : cases) {
    SCOPED_TRACE(message);
    const bool whileAsked = kind == harness::DriveKind::Removable;
    auto remap = [&, kind = kind] {
      harness::UnmapDrive(L'E');
      if (kind) harness::DefineUnixDrive(L'E', *kind, whileAsked ? other.UnixFolder() : e_.UnixFolder());
    };
    if (!whileAsked) remap();
    EXPECT_EQ(Clear(MsgResult::Yes, 1, [&](const Prompt&) { if (whileAsked) remap(); }), Strings{message});
    EXPECT_TRUE(Exists(other / L"keep.doc") && w_->lblDir.Caption() != kDone);
    harness::UnmapDrive(L'E');
    ASSERT_TRUE(harness::DefineUnixDrive(L'E', harness::DriveKind::Removable, e_.UnixFolder()));
    EXPECT_TRUE(Exists(e_ / L"keep\\a.doc") && Exists(e_ / L"b.doc"));
  }
}

// A Unix symlink on the drive to a folder or a file elsewhere, also to one
// at the very same path on another drive: the wipe removes the link itself
// (Windows) or stops at it (Wine, which cannot remove a link without
// resolving it); what it points to is never touched.
TEST_F(ClearTest, ALinkOnTheDriveNeverLeadsTheWipeToItsTarget) {
  const harness::MappedDrive g(L'G', harness::DriveKind::Fixed);
  MakeFile(g / L"target\\keep.doc", 1);
  MakeFile(g / L"same.doc", 1);
  Sleep(1100);  // Wine knows a new drive's root after a second
  for (const auto& [link, target] : {std::pair{L"link", "/target"}, {L"target", "/target"}, {L"same.doc", "/same.doc"}}) {
    SCOPED_TRACE(link);
    if (!UnixLink(g.UnixFolder() + target, e_ / link)) GTEST_SKIP() << "cannot make a Unix symlink here";
    Make({L"plain.doc"});
    const Strings messages = Clear(MsgResult::Yes, 1);
    Ui().DiscardAnswers();
    EXPECT_EQ(messages, Exists(e_ / link) ? Strings{kDenied} : Strings{});
    EXPECT_EQ(harness::ReadFile(g / L"target\\keep.doc") + harness::ReadFile(g / L"same.doc"), "xx");
    harness::RunUnix(L"/bin/rm -f " + harness::WideUnix(e_.UnixFolder() + "/") + link, [&] { return !Exists(e_ / link); });
  }
}

// During the wipe the window is busy: no input, the hourglass; a close
// waits for the end of the wipe. (No command starts meanwhile: the run
// phase table of test_run_endings.)
TEST_F(ClearTest, WhileWipingNoOtherCommandRunsAndClosingWaits) {
  for (int f = 0; f < 40; ++f) MakeFiles(e_ / (L"d" + std::to_wstring(f)), 20, 1);
  bool seen = false;
  AtNextYield([&] {
    seen = true;
    EXPECT_TRUE(w_->RunActive && !w_->Enabled() && w_->MousePointer() == forms::Pointer::Hourglass);
    SendMessageW(w_->Hwnd(), WM_CLOSE, 0, 0);
    EXPECT_FALSE(w_->IsUnloaded());
  });
  Ui().AnswerMsgBox(MsgResult::Yes);
  w_->mnuClear.Click();
  EXPECT_TRUE(seen);
  EXPECT_FALSE(w_->AbortFlag || Exists(e_ / L"d0"));  // a backup's Stop was not pressed
  EXPECT_EQ(w_->lblDir.Caption(), kDone);
  EXPECT_TRUE(w_->IsUnloaded() && w_->ClosingSplash());
  EXPECT_EQ(EndProcessCalls, 0);
}

}  // namespace
}  // namespace ferrimond

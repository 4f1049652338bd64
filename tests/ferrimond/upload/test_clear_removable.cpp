// "&Delete files on removable drive" on the real (hidden) main window, with
// a removable E: mapped before the window starts and prompts answered by a
// script.
#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <utility>

#include "tests/ferrimond/mainwindow/mainwindow_fixture.h"

namespace ferrimond {
namespace {

using namespace mwtest;

const std::wstring kQuestion = L"Do you really want to delete everything on the removable drive E:\\ ?";
const std::wstring kDone = L"All files on removable drive have been deleted!";
const std::wstring kDenied = L"Permission denied, cannot delete files!\rTry manually after exiting the program.";
const std::wstring kNoDisk = L"Check if removable disk is inserted!";

// Files below `root`. A name ending in "!" is made read-only without the
// "!", one holding "hidden" hidden; one ending in "\" is a folder.
void Make(const std::wstring& root, const Strings& names) {
  for (std::wstring name : names) {
    const bool readOnly = name.back() == L'!';
    if (readOnly) name.pop_back();
    MakeFile(root + name, 1);
    if (readOnly) SetFileAttributesW((root + name).c_str(), FILE_ATTRIBUTE_READONLY);
    if (name.find(L"hidden") != std::wstring::npos) SetFileAttributesW((root + name).c_str(), FILE_ATTRIBUTE_HIDDEN);
  }
}

class ClearTest : public BackupRunTest {
 protected:
  void SetUp() override {
    BackupRunTest::SetUp();
    if (HasFatalFailure()) return;
    Start();
    ASSERT_EQ(w_->lstRemovable.Text(), L"E");
  }

  // Answers the question, runs the menu item and returns the messages after
  // the question, which must have come first.
  Strings Clear(MsgResult answer, size_t messages, forms::testing::ScriptedUserInteraction::During during = {}) {
    Ui().ClearRecord();
    Ui().AnswerMsgBox(answer, std::move(during));
    ExpectMessages(messages);
    w_->mnuClear.Click();
    ExpectIdle(*w_);
    Strings out = Messages();
    EXPECT_FALSE(out.empty() || out[0] != kQuestion || Ui().Prompts()[0].buttons != forms::MsgButtons::YesNo);
    if (!out.empty()) out.erase(out.begin());
    return out;
  }
};

// Files come before folders; the first failure ends the wipe, and a
// read-only file anywhere is such a failure. (Files of one folder go in the
// order the system lists them, so which of them went before a failure is
// not asked.)
TEST_F(ClearTest, WipesTheDriveUpToTheFirstReadOnlyFile) {
  const struct {
    const char* what;
    Strings files, gone, kept;
    Strings messages;
  } cases[] = {
      {"empty drive", {}, {}, {}, {}},
      {"tree, hidden file, empty folder, the volume's own folder",
       {L"hidden.txt", L"dir\\b.doc", L"dir\\deeper\\c.xls", L"empty\\", L"System Volume Information\\x.dat"},
       {L"hidden.txt", L"dir", L"empty"}, {L"System Volume Information\\x.dat"}, {}},
      {"read-only file at the root", {L"ro.txt!", L"dir\\b.doc"}, {}, {L"ro.txt", L"dir\\b.doc"}, {kDenied}},
      {"read-only file deep inside", {L"a.txt", L"dir\\deeper\\ro.doc!"}, {L"a.txt"}, {L"dir\\deeper\\ro.doc"},
       {kDenied}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    w_->lblDir.SetCaption(L"");
    Make(e_.Root(), c.files);
    EXPECT_EQ(Clear(MsgResult::Yes, c.messages.size()), c.messages);
    EXPECT_EQ(w_->lblDir.Caption(), c.messages.empty() ? kDone : L"");
    for (const std::wstring& f : c.gone) EXPECT_FALSE(Exists(e_ / f)) << std::string(f.begin(), f.end());
    for (const std::wstring& f : c.kept) EXPECT_TRUE(Exists(e_ / f)) << std::string(f.begin(), f.end());
    harness::EmptyFolder(e_.Root());
  }
  // No keeps everything and shows nothing more.
  Make(e_.Root(), {L"dir\\a.doc"});
  EXPECT_EQ(Clear(MsgResult::No, 0), Strings{});
  EXPECT_TRUE(Exists(e_ / L"dir\\a.doc"));
  EXPECT_EQ(w_->lblDir.Caption(), L"");
  // Without a removable drive nothing is asked.
  w_->lstRemovable.SetListIndex(-1);
  Ui().ClearRecord();
  ExpectMessages(1);
  w_->mnuClear.Click();
  EXPECT_EQ(Messages(), Strings{kNoDisk});
}

// The letter is checked again after the question: whatever the list said,
// only a removable drive is wiped, and only the medium it held when asked.
TEST_F(ClearTest, RefusesEveryDriveButARemovableOneAfterTheQuestion) {
  harness::MappedDrive other(L'G', harness::DriveKind::Removable);
  Make(other.Root(), {L"keep.doc"});
  const struct {
    std::optional<harness::DriveKind> kind;  // none: the letter has gone
    std::wstring message;
    bool whileAsked = false;  // the drive changes while the question shows
  } cases[] = {
      {harness::DriveKind::Fixed, L"This program cannot erase a harddrive!"},
      {harness::DriveKind::Network, L"Drive E:\\ is a network drive, not a removable drive. Nothing has been deleted."},
      {harness::DriveKind::CdRom, L"Drive E:\\ is a CD-ROM drive, not a removable drive. Nothing has been deleted."},
      {std::nullopt, kNoDisk},
      {harness::DriveKind::Removable,
       L"Drive E:\\ holds another medium than the one you were asked about. Nothing has been deleted.", true},
  };
  Make(e_.Root(), {L"keep\\a.doc", L"b.doc"});
  for (const auto& c : cases) {
    SCOPED_TRACE(c.message);
    auto remap = [&] {
      harness::UnmapDrive(L'E');
      if (c.kind) {
        ASSERT_TRUE(harness::DefineUnixDrive(L'E', *c.kind, c.whileAsked ? other.UnixFolder() : e_.UnixFolder()));
      }
    };
    if (!c.whileAsked) remap();
    EXPECT_EQ(Clear(MsgResult::Yes, 1, [&](const Prompt&) { if (c.whileAsked) remap(); }), Strings{c.message});
    EXPECT_TRUE(Exists(other / L"keep.doc"));
    EXPECT_NE(w_->lblDir.Caption(), kDone);
    harness::UnmapDrive(L'E');
    ASSERT_TRUE(harness::DefineUnixDrive(L'E', harness::DriveKind::Removable, e_.UnixFolder()));
    EXPECT_TRUE(Exists(e_ / L"keep\\a.doc") && Exists(e_ / L"b.doc"));
  }
}

// A Unix symlink on the drive to a folder outside it: the wipe removes the
// link itself (Windows) or stops at it (Wine, which cannot remove a link
// without resolving it); what it points to is never touched.
TEST_F(ClearTest, ALinkOnTheDriveNeverLeadsTheWipeToItsTarget) {
  Make(c_.Path() + L"\\", {L"target\\keep.doc"});
  if (!UnixLink(harness::UnixPath(c_ / L"target"), e_ / L"link")) GTEST_SKIP() << "cannot make a Unix symlink here";
  Make(e_.Root(), {L"plain.doc"});
  const Strings messages = Clear(MsgResult::Yes, 1);
  Ui().DiscardAnswers();
  EXPECT_EQ(messages, Exists(e_ / L"link") ? Strings{kDenied} : Strings{});
  EXPECT_FALSE(Exists(e_ / L"plain.doc"));
  EXPECT_EQ(harness::ReadFile(c_ / L"target\\keep.doc"), "x");
  harness::RunUnix(L"/bin/rm -f " + harness::WideUnix(e_.UnixFolder() + "/link"), [&] { return !Exists(e_ / L"link"); });
}

// During the wipe the window is busy: no input, the hourglass; a close
// waits for the end of the wipe. (No command starts meanwhile: the run
// phase table of test_backup_controls.)
TEST_F(ClearTest, WhileWipingNoOtherCommandRunsAndClosingWaits) {
  for (int f = 0; f < 40; ++f) MakeFiles(e_ / (L"d" + std::to_wstring(f)), 20, 1);
  bool seen = false;
  AtNextYield([&] {
    seen = true;
    EXPECT_TRUE(w_->RunActive);
    EXPECT_FALSE(w_->Enabled());
    EXPECT_EQ(w_->MousePointer(), forms::Pointer::Hourglass);
    SendMessageW(w_->Hwnd(), WM_CLOSE, 0, 0);
    EXPECT_FALSE(w_->IsUnloaded());
  });
  Ui().AnswerMsgBox(MsgResult::Yes);
  w_->mnuClear.Click();
  EXPECT_TRUE(seen);
  EXPECT_FALSE(w_->AbortFlag);  // a backup's Stop was not pressed
  EXPECT_FALSE(Exists(e_ / L"d0"));
  EXPECT_EQ(w_->lblDir.Caption(), kDone);
  EXPECT_TRUE(w_->IsUnloaded() && w_->ClosingSplash());
  EXPECT_EQ(EndProcessCalls, 0);
}

}  // namespace
}  // namespace ferrimond

// "&Delete files on removable drive" on the real (hidden) main window, with
// a removable E: mapped before the window starts and prompts answered by a
// script.
#include <windows.h>

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <utility>

#include "tests/ferrimond/backup/backup_run_fixture.h"

namespace ferrimond {
namespace {

using namespace brtest;

const std::wstring kQuestion = L"Do you really want to delete everything on the removable drive E:\\ ?";
const std::wstring kDone = L"All files on removable drive have been deleted!";
const std::wstring kDenied = L"Permission denied, cannot delete files!\rTry manually after exiting the program.";
const std::wstring kNoDisk = L"Check if removable disk is inserted!";

// A file under `root` (its folders made). A name ending in "!" is made
// read-only without the "!", one holding "hidden" hidden; one ending in "\"
// is a folder.
void Make(const std::wstring& root, std::wstring relative) {
  const bool readOnly = relative.back() == L'!';
  if (readOnly) relative.pop_back();
  const std::wstring path = root + relative;
  for (size_t pos = path.find(L'\\', 3); pos != std::wstring::npos; pos = path.find(L'\\', pos + 1))
    CreateDirectoryW(path.substr(0, pos).c_str(), nullptr);
  if (relative.back() == L'\\') return;
  harness::WriteFile(path, "x");
  if (readOnly) SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_READONLY);
  if (relative.find(L"hidden") != std::wstring::npos) SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_HIDDEN);
}



class ClearTest : public BackupRunTest {
 protected:
  void SetUp() override {
    BackupRunTest::SetUp();
    if (HasFatalFailure()) return;
    w_ = &Start();
    ASSERT_EQ(w_->lstRemovable.Text(), L"E");
  }

  // Answers the question, runs the menu item and returns the messages after
  // the question, which must have come first.
  Strings Clear(MsgResult answer, size_t messages, forms::testing::ScriptedUserInteraction::During during = {}) {
    Ui().AnswerMsgBox(answer, std::move(during));
    for (size_t i = 0; i < messages; ++i) Ui().AnswerMsgBox(MsgResult::Ok);
    w_->mnuClear.Click();
    const auto& prompts = Ui().Prompts();
    EXPECT_FALSE(prompts.empty());
    if (prompts.empty()) return {};
    EXPECT_EQ(prompts[0].text, kQuestion);
    EXPECT_EQ(prompts[0].buttons, forms::MsgButtons::YesNo);
    Strings out;
    for (size_t i = 1; i < prompts.size(); ++i) out.push_back(prompts[i].text);
    ExpectIdle();
    return out;
  }
  void ExpectIdle() {
    EXPECT_FALSE(w_->RunActive);
    EXPECT_TRUE(w_->Enabled());
    EXPECT_EQ(w_->MousePointer(), forms::Pointer::Default);
    EXPECT_EQ(forms::ScreenMousePointer(), forms::Pointer::Default);
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
       {L"hidden.txt", L"dir", L"empty"},
       {L"System Volume Information\\x.dat"},
       {}},
      {"read-only file at the root", {L"ro.txt!", L"dir\\b.doc"}, {}, {L"ro.txt", L"dir\\b.doc"}, {kDenied}},
      {"read-only file deep inside", {L"a.txt", L"dir\\deeper\\ro.doc!"}, {L"a.txt"}, {L"dir\\deeper\\ro.doc"},
       {kDenied}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    Ui().ClearRecord();
    w_->lblDir.SetCaption(L"");
    for (const std::wstring& f : c.files) Make(e_.Root(), f);
    EXPECT_EQ(Clear(MsgResult::Yes, c.messages.size()), c.messages);
    EXPECT_EQ(w_->lblDir.Caption(), c.messages.empty() ? kDone : L"");
    for (const std::wstring& f : c.gone) EXPECT_FALSE(Exists(e_ / f)) << std::string(f.begin(), f.end());
    for (const std::wstring& f : c.kept) EXPECT_TRUE(Exists(e_ / f)) << std::string(f.begin(), f.end());
    harness::EmptyFolder(e_.Root());
  }
}

// The letter is checked again after the question: whatever the list said,
// only a removable drive is wiped, and only the medium it held when asked.
TEST_F(ClearTest, RefusesEveryDriveButARemovableOneAfterTheQuestion) {
  harness::MappedDrive other(L'G', harness::DriveKind::Removable);
  Make(other.Root(), L"keep.doc");
  const struct {
    const char* what;
    std::optional<harness::DriveKind> kind;  // none: the letter has gone
    std::wstring message;
    bool whileAsked = false;  // the drive changes while the question shows
  } cases[] = {
      {"fixed", harness::DriveKind::Fixed, L"This program cannot erase a harddrive!"},
      {"network", harness::DriveKind::Network,
       L"Drive E:\\ is a network drive, not a removable drive. Nothing has been deleted."},
      {"CD-ROM", harness::DriveKind::CdRom,
       L"Drive E:\\ is a CD-ROM drive, not a removable drive. Nothing has been deleted."},
      {"taken away", std::nullopt, kNoDisk},
      {"another medium put in", harness::DriveKind::Removable,
       L"Drive E:\\ holds another medium than the one you were asked about. Nothing has been deleted.", true},
  };
  Make(e_.Root(), L"keep\\a.doc");
  Make(e_.Root(), L"b.doc");
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    Ui().ClearRecord();
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

TEST_F(ClearTest, NoKeepsEverythingAndShowsNothingMore) {
  Make(e_.Root(), L"dir\\a.doc");
  EXPECT_EQ(Clear(MsgResult::No, 0), Strings{});
  EXPECT_TRUE(Exists(e_ / L"dir\\a.doc"));
  EXPECT_EQ(w_->lblDir.Caption(), L"");
}

TEST_F(ClearTest, WithoutARemovableDriveNothingIsAsked) {
  w_->lstRemovable.SetListIndex(-1);
  Ui().AnswerMsgBox(MsgResult::Ok);
  w_->mnuClear.Click();
  EXPECT_EQ(Ui().Messages(), Strings{kNoDisk});
}

// A Unix symlink on the drive to a folder outside it: the wipe removes the
// link itself (Windows) or stops at it (Wine, which cannot remove a link
// without resolving it); what it points to is never touched.
TEST_F(ClearTest, ALinkOnTheDriveNeverLeadsTheWipeToItsTarget) {
  Make(c_.Path() + L"\\", L"target\\keep.doc");
  const std::string link = e_.UnixFolder() + "/link";
  if (!harness::RunUnix(L"/bin/ln -s " + harness::WideUnix(harness::UnixPath(c_ / L"target")) + L" " +
                            harness::WideUnix(link),
                        [&] { return Exists(e_ / L"link"); }))
    GTEST_SKIP() << "cannot make a Unix symlink here";
  Make(e_.Root(), L"plain.doc");
  Ui().AnswerMsgBox(MsgResult::Yes);
  Ui().AnswerMsgBox(MsgResult::Ok);
  w_->mnuClear.Click();
  Ui().DiscardAnswers();
  const Strings messages = Ui().Messages();
  if (Exists(e_ / L"link")) {
    EXPECT_EQ(messages, (Strings{kQuestion, kDenied}));
  } else {
    EXPECT_EQ(messages, Strings{kQuestion});
  }
  EXPECT_FALSE(Exists(e_ / L"plain.doc"));
  EXPECT_EQ(harness::ReadFile(c_ / L"target\\keep.doc"), "x");
  ExpectIdle();
  harness::RunUnix(L"/bin/rm -f " + harness::WideUnix(link), [&] { return !Exists(e_ / L"link"); });
}

// During the wipe the window is busy: no input, the hourglass; a close
// waits for the end of the wipe. (No command starts meanwhile: the run
// phase table of test_backup_controls.)
TEST_F(ClearTest, WhileWipingNoOtherCommandRunsAndClosingWaits) {
  for (int f = 0; f < 40; ++f)
    for (int i = 0; i < 20; ++i) Make(e_.Root(), L"d" + std::to_wstring(f) + L"\\f" + std::to_wstring(i));
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
  EXPECT_TRUE(w_->IsUnloaded());
  ASSERT_NE(w_->ClosingSplash(), nullptr);
  EXPECT_EQ(EndProcessCalls, 0);
}

}  // namespace
}  // namespace ferrimond

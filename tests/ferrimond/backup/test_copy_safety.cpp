// The copy keeps its word: a drive taken away mid-run, files that fail in
// more than one pass, network paths and leftovers of cut-short copies all
// end with every selected file whole on a drive, or reported.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>

#include "ferrimond/support/file_system_paths.h"
#include "tests/ferrimond/backup/backup_run_fixture.h"

namespace ferrimond {
namespace {

using namespace brtest;

// True when no handle holds the file: it opens without sharing.
bool Closed(const std::wstring& path) {
  HANDLE h = CreateFileW(path.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
  if (h == INVALID_HANDLE_VALUE) return false;
  CloseHandle(h);
  return true;
}

TEST_F(BackupRunTest, ADriveTakenAwayMidRunIsWaitedForAndEveryFileEndsWholeOnADrive) {
  harness::MappedDrive f(L'F', harness::DriveKind::Removable);
  Strings files;
  Frmbackup& w = Ready();
  SelectEntry(w.lstRemovable, L"E");
  // Enough files for the copy to yield while it runs.
  for (int i = 0; i < 80; ++i) {
    files.push_back(c_ / (L"sub\\f" + std::to_wstring(10 + i) + L".doc"));
    MakeFile(files.back(), 3000 + i, 0, static_cast<char>('a' + i % 26));
    w.Lstfile.AddItem(files.back());
  }
  const std::string eFolder = e_.UnixFolder();
  ASSERT_FALSE(eFolder.empty());
  WhenReady([&] { return w.LastItemDone && w.LastItemDone != w.SelectionList->Head(); },
            [] { harness::UnmapDrive(L'E'); });
  Ui().AnswerMsgBox(MsgResult::Ok);  // "make sure a disk is inserted"
  Ui().AnswerMsgBox(MsgResult::Ok, [&](const Prompt&) {
    AtNextYield([&] {
      EXPECT_TRUE(w.CmdContinue.Enabled() && w.CmdStop.Enabled());
      SelectEntry(w.lstRemovable, L"F");
      w.CmdContinue.SetValue(true);
    });
  });
  w.CmdCToE.SetValue(true);
  ASSERT_TRUE(harness::DefineUnixDrive(L'E', harness::DriveKind::Removable, eFolder));

  ASSERT_EQ(Ui().Prompts().size(), 2u);
  EXPECT_EQ(Ui().Prompts()[1].title, L"Change Drive");
  EXPECT_NE(Messages()[1].find(L"E:"), std::wstring::npos);
  EXPECT_EQ(w.lblDir.Caption(), kSuccess);
  EXPECT_EQ(ReadStatistics().at(0).drives, L"EF");
  for (size_t i = 0; i < files.size(); ++i) {
    const std::string whole = harness::ReadFile(files[i]);
    bool onADrive = false;
    for (wchar_t drive : {L'E', L'F'}) {
      const std::wstring copy = On(drive, files[i]);
      if (!Exists(copy)) continue;
      EXPECT_EQ(harness::ReadFile(copy), whole) << copy;
      EXPECT_TRUE(Closed(copy)) << copy;
      onADrive = true;
    }
    EXPECT_TRUE(onADrive) << files[i];
  }
}

// A file that fails in the pass Continue starts and again in the pass it
// released is one file not backed up, not two.
TEST_F(BackupRunTest, AFileThatFailsInBothPassesCountsOnce) {
  FERRIMOND_SMALL_DRIVE_OR_SKIP(f, L'F');
  const std::wstring busy = c_ / L"a_busy.doc", big = c_ / L"b_big.doc";
  MakeFile(busy, 10);
  MakeFile(big, 300000);
  Frmbackup& w = Ready();
  SelectEntry(w.lstRemovable, L"F");
  for (const std::wstring& file : {busy, big}) w.Lstfile.AddItem(file);
  HANDLE lock = CreateFileW(busy.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(lock, INVALID_HANDLE_VALUE);
  Ui().AnswerMsgBox(MsgResult::Ok, [&](const Prompt&) {
    AtNextYield([&] {
      SelectEntry(w.lstRemovable, L"E");
      w.CmdContinue.SetValue(true);
    });
  });
  Ui().AnswerMsgBox(MsgResult::Ok);
  w.CmdCToE.SetValue(true);
  CloseHandle(lock);
  EXPECT_EQ(w.lblDir.Caption(), L"Backup finished, but 1 file(s) and 0 folder(s) could not be backed up.");
  EXPECT_EQ(harness::ReadFile(On(L'E', big)).size(), 300000u);
  ASSERT_EQ(w.FilesNotBackedUp().size(), 1u);
  EXPECT_EQ(w.FilesNotBackedUp()[0].path, busy);
}

// A copy cut short by an earlier run is never left to pass for anything:
// the next backup into its folder removes it.
TEST_F(BackupRunTest, LeftoversOfCopiesCutShortAreRemovedFromTheFoldersCopiedInto) {
  const std::wstring file = c_ / L"docs\\a.doc";
  MakeFile(file, 10);
  const std::wstring leftover = On(L'E', c_ / (L"docs\\" + PartialCopyName(L"b.doc"))),
                     elsewhere = On(L'E', c_ / (L"other\\" + PartialCopyName(L"c.doc")));
  MakeFile(leftover, 3);
  MakeFile(elsewhere, 3);
  Frmbackup& w = Ready();
  w.Lstfile.AddItem(file);
  w.CmdCToE.SetValue(true);
  EXPECT_EQ(w.lblDir.Caption(), kSuccess);
  EXPECT_TRUE(Exists(On(L'E', file)));
  EXPECT_FALSE(Exists(leftover));
  EXPECT_TRUE(Exists(elsewhere));  // a folder the run did not copy into
}

// A network path is mirrored under a folder of its server and its share;
// an entry that cannot be copied does not end the pass for the next ones.
TEST_F(BackupRunTest, NetworkPathsAreMirroredUnderTheirServerAndShare) {
  // Wine serves \\server\share from the prefix's dosdevices\unc folder.
  const std::string dosdevices = harness::UnixPath(L"C:\\");
  const size_t cut = dosdevices.rfind("/dosdevices/");
  if (cut == std::string::npos) GTEST_SKIP() << "no dosdevices folder: " << dosdevices;
  const std::string share = dosdevices.substr(0, cut) + "/dosdevices/unc/fmsrv/share";
  if (!harness::RunUnix(L"/bin/mkdir -p " + harness::WideUnix(share + "/dir"),
                        [&] { return Exists(L"\\\\fmsrv\\share\\dir"); }))
    GTEST_SKIP() << "network paths are not served here";
  const std::wstring remote = L"\\\\fmsrv\\share\\dir\\n.doc";
  harness::WriteFile(remote, "network");
  MakeFile(c_ / L"z_local.doc", 5);
  Frmbackup& w = Ready();
  w.Lstfile.AddItem(L"\\\\fmsrv\\share\\missing\\gone.doc");
  w.Lstfile.AddItem(remote);
  w.Lstfile.AddItem(c_ / L"z_local.doc");
  Ui().AnswerMsgBox(MsgResult::Ok);  // the missing entry
  Ui().AnswerMsgBox(MsgResult::Ok);  // what is not backed up
  w.CmdCToE.SetValue(true);
  harness::RunUnix(L"/bin/rm -rf " + harness::WideUnix(dosdevices.substr(0, cut) + "/dosdevices/unc/fmsrv"),
                   [&] { return !Exists(remote); });
  EXPECT_EQ(harness::ReadFile(L"E:\\fmsrv\\share\\dir\\n.doc"), "network");
  EXPECT_TRUE(Exists(On(L'E', c_ / L"z_local.doc")));
  ASSERT_EQ(w.FilesNotBackedUp().size(), 1u);
  EXPECT_EQ(w.FilesNotBackedUp()[0].path, L"\\\\fmsrv\\share\\missing\\gone.doc");
}

}  // namespace
}  // namespace ferrimond

// The copy keeps its word: a drive taken away mid-run, files that fail in
// more than one pass, network paths and leftovers of cut-short copies all
// end with every selected file whole on a drive, or reported.

#include "tests/ferrimond/mainwindow/mainwindow_fixture.h"

namespace ferrimond {
namespace {

using namespace mwtest;

// The one file not backed up, and the reason given for it.
void ExpectOneNotBackedUp(const Frmbackup& w, const std::wstring& path, const wchar_t* reason = L"") {
  ASSERT_EQ(w.FilesNotBackedUp().size(), 1u);
  EXPECT_EQ(w.FilesNotBackedUp()[0].path, path);
  EXPECT_NE(w.FilesNotBackedUp()[0].reason.find(reason), std::wstring::npos) << w.FilesNotBackedUp()[0].reason;
}

TEST_F(BackupRunTest, ADriveTakenAwayMidRunIsWaitedForAndEveryFileEndsWholeOnADrive) {
  harness::MappedDrive f(L'F', harness::DriveKind::Removable);
  Frmbackup& w = Ready();
  SelectEntry(w.lstRemovable, L"E");
  // Enough files for the copy to yield while it runs.
  const Strings files = MakeFiles(c_ / L"sub", 80);
  for (const std::wstring& file : files) w.Lstfile.AddItem(file);
  WhenReady([&] { return w.LastItemDone && w.LastItemDone != w.SelectionList->Head(); },
            [] { harness::UnmapDrive(L'E'); });
  ExpectMessages(1);  // "make sure a disk is inserted"
  ContinueOn(L"F");
  w.CmdCToE.SetValue(true);
  ASSERT_TRUE(harness::DefineUnixDrive(L'E', harness::DriveKind::Removable, e_.UnixFolder()));
  EXPECT_EQ(Ui().Prompts().at(1).title, L"Change Drive");
  EXPECT_NE(Messages()[1].find(L"E:"), std::wstring::npos);
  EXPECT_EQ(w.lblDir.Caption(), kSuccess);
  EXPECT_EQ(ReadStatistics().at(0).drives, L"EF");
  for (const std::wstring& file : files) {
    int copies = 0;
    for (const std::wstring& copy : {On(L'E', file), On(L'F', file)}) {
      if (!Exists(copy)) continue;
      ++copies;
      EXPECT_EQ(harness::ReadFile(copy), harness::ReadFile(file)) << copy;
      Lock{copy};  // nothing holds it: it opens without sharing
    }
    EXPECT_GT(copies, 0) << file;
  }
}

// A copy cut short by an earlier run is never left to pass for anything:
// the next backup into its folder removes it where its file is on the
// drive, and keeps it, listed, where the file is missing (on FAT a power
// cut between removing the old copy and renaming the new one leaves the
// only copy under the temporary name). A folder the run did not copy into
// is left alone.
TEST_F(BackupRunTest, LeftoversOfCutShortCopiesGoOnlyWhereTheirFileIsOnTheDrive) {
  const std::wstring file = c_ / L"docs\\a.doc", docs = On(L'E', c_ / L"docs\\");
  const std::wstring stale = docs + PartialCopyName(L"b.doc"), alone = docs + PartialCopyName(L"c.doc"),
                     elsewhere = On(L'E', c_ / (L"other\\" + PartialCopyName(L"d.doc")));
  for (const std::wstring& path : {file, docs + L"b.doc", stale, alone, elsewhere}) MakeFile(path, 3);
  Frmbackup& w = Ready();
  w.Lstfile.AddItem(file);
  ExpectMessages(1);  // what is not backed up
  w.CmdCToE.SetValue(true);
  EXPECT_TRUE(Exists(On(L'E', file)) && !Exists(stale) && Exists(elsewhere));
  EXPECT_EQ(harness::ReadFile(alone), "xxx");
  ExpectOneNotBackedUp(w, alone);
}

// A file that cannot be copied safely is listed with its reason, and the
// files after it are copied all the same; no drive change is asked for.
class RefusalTest;
struct Refusal {
  const char* name;
  // Makes the file (and whatever refuses it), selects it and returns its path.
  std::function<std::wstring(RefusalTest&, Frmbackup&)> arrange;
  const wchar_t* reason;  // a part of the listed reason
  // What the drive holds at the refused file's place afterwards ("": nothing).
  std::string onDrive;
};

class RefusalTest : public BackupRunTest, public ::testing::WithParamInterface<Refusal> {
 public:
  std::unique_ptr<harness::MappedDrive> d_;
  std::shared_ptr<harness::TempDir> outside_;
};

const Refusal kRefusals[] = {
    {"TwoSourcesOfOnePlace", [](RefusalTest& t, Frmbackup& w) {
       t.d_ = std::make_unique<harness::MappedDrive>(L'D', harness::DriveKind::Fixed);
       const std::wstring onC = t.c_ / L"a.doc", onD = On(L'D', onC);
       MakeFile(onC, 6, 0, 'c'), MakeFile(onD, 6, 0, 'd');
       w.Lstfile.AddItem(onD), w.Lstfile.AddItem(onC);
       return onD;
     }, L"takes the same place", "cccccc"},
    // A folder that tells letter case apart holds both names; the drive
    // cannot.
    {"TwoNamesInOtherLetterCase", [](RefusalTest& t, Frmbackup& w) {
       const std::wstring upper = t.c_ / L"Case.doc", lower = t.c_ / L"case.doc";
       MakeFile(upper, 5, 0, 'U');
       const std::string from = harness::UnixPath(upper), to = from.substr(0, from.size() - 8) + "case.doc";
       EXPECT_TRUE(harness::RunUnix(L"/bin/cp " + harness::WideUnix(from) + L" " + harness::WideUnix(to),
                                    [&] { return Exists(lower); }));
       w.Lstfile.AddItem(upper), w.Lstfile.AddItem(lower);
       return lower;
     }, L"takes the same place", "UUUUU"},
    // Nothing is written through a link on the drive to a folder outside it.
    {"ALinkOnTheDrive", [](RefusalTest& t, Frmbackup& w) {
       const std::wstring file = t.c_ / L"linked\\a.doc";
       MakeFile(file, 6);
       w.Lstfile.AddItem(file);
       MakeFile(On(L'E', t.c_.Path() + L"\\"), 0);
       t.outside_ = std::make_shared<harness::TempDir>();
       EXPECT_TRUE(UnixLink(harness::UnixPath(t.outside_->Path()), On(L'E', t.c_ / L"linked")));
       return file;
     }, L"link", ""},
};

TEST_P(RefusalTest, IsListedWithItsReasonAndTheOtherFilesAreCopied) {
  Frmbackup& w = Ready();
  const std::wstring refused = GetParam().arrange(*this, w), fine = c_ / L"z_fine.doc";
  MakeFile(fine, 4);
  w.Lstfile.AddItem(fine);
  ExpectMessages(1);  // what is not backed up
  w.CmdCToE.SetValue(true);
  for (const Prompt& prompt : Ui().Prompts()) EXPECT_NE(prompt.title, L"Change Drive") << prompt.text;
  EXPECT_EQ(harness::ReadFile(On(L'E', fine)), "xxxx");
  ExpectOneNotBackedUp(w, refused, GetParam().reason);
  EXPECT_EQ(Exists(On(L'E', refused)) ? harness::ReadFile(On(L'E', refused)) : "", GetParam().onDrive);
}

INSTANTIATE_TEST_SUITE_P(Refusals, RefusalTest, ::testing::ValuesIn(kRefusals),
                         [](const auto& info) { return std::string(info.param.name); });

// A write-protected drive is one to change, as a full one is: every file
// would fail there.
TEST_F(BackupRunTest, AWriteProtectedDriveIsChangedLikeAFullOne) {
  FERRIMOND_SMALL_DRIVE_OR_SKIP(f, L'F');
  auto remount = [folder = f->UnixFolder()](const wchar_t* mode) {
    return harness::RunUnix(L"/bin/mount -o remount," + std::wstring(mode) + L" " + harness::WideUnix(folder), [&] {
      HANDLE h = CreateFileW(L"F:\\probe", GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_FLAG_DELETE_ON_CLOSE, nullptr);
      if (h != INVALID_HANDLE_VALUE) CloseHandle(h);
      return (h != INVALID_HANDLE_VALUE) == (mode[1] == L'w');
    });
  };
  if (!remount(L"ro")) GTEST_SKIP() << "cannot remount the small drive read-only here";
  const Strings files = MakeFiles(c_.Path(), 1, 10);
  Frmbackup& w = Ready();
  SelectEntry(w.lstRemovable, L"F");
  w.Lstfile.AddItem(files[0]);
  ContinueOn(L"E");
  w.CmdCToE.SetValue(true);
  remount(L"rw");
  EXPECT_EQ(Ui().Prompts().at(0).title, L"Change Drive");
  EXPECT_NE(Messages()[0].find(L"write-protected"), std::wstring::npos);
  EXPECT_EQ(w.lblDir.Caption(), kSuccess);
  EXPECT_TRUE(Exists(On(L'E', files[0])));
}

// The pass goes by the walk's reading of each file. One that has grown past
// what FAT holds since, or whose folder is gone since, is judged on what the
// copy finds: listed with its own reason, with no drive change asked for and
// nothing blamed on the drive.
TEST_F(BackupRunTest, AFileChangedSinceTheWalkIsJudgedAsItIsNow) {
  FERRIMOND_SMALL_DRIVE_OR_SKIP(f, L'F');
  const std::wstring grown = c_ / L"disk.vhd";
  MakeFile(grown, 10);
  const Strings gone = MakeFiles(c_ / L"gone", 2, 10);
  Frmbackup& w = Ready();
  SelectEntry(w.lstRemovable, L"F");
  for (const std::wstring& path : {grown, gone[0], gone[1]}) w.SizedFiles[path] = {10, false};
  // Grown to exactly 4 GiB, one byte past what FAT holds, and every drive
  // says it is FAT32.
  HANDLE h = CreateFileW(grown.c_str(), GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
  EXPECT_TRUE(SetFilePointerEx(h, LARGE_INTEGER{.QuadPart = 0x100000000LL}, nullptr, FILE_BEGIN) && SetEndOfFile(h));
  CloseHandle(h);
  SetFileSystemNameQueryForTests([](const std::wstring&) { return std::wstring(L"FAT32"); });
  harness::RemoveTree(c_ / L"gone");
  AnswerThen(MsgResult::Ok, [&] { w.CmdStop.SetValue(true); });  // were another drive asked for
  Copy({grown, gone[0], gone[1]}, L"F");
  SetFileSystemNameQueryForTests({});
  for (const Prompt& prompt : Ui().Prompts()) ADD_FAILURE() << prompt.text;
  Ui().DiscardAnswers();
  EXPECT_EQ(w.CopyFailures.size(), 3u);
  EXPECT_EQ(std::ranges::count_if(w.CopyFailures, [](const auto& f) { return f.second.find(L"FAT32") != f.second.npos; }), 1);
  EXPECT_FALSE(Exists(On(L'F', grown)));
}

// After a drive change, the pass that Continue starts and the pass that
// waited neither copy again what this run has already put whole on a drive
// (a new drive that just holds the rest is enough) nor count twice a file
// that fails in both.
TEST_F(BackupRunTest, AfterADriveChangeNothingWholeIsCopiedAgainAndNoFailureCountsTwice) {
  FERRIMOND_SMALL_DRIVE_OR_SKIP(f, L'F');
  const std::wstring busy = c_ / L"a_busy.doc";
  MakeFile(busy, 10);
  const Strings files = MakeFiles(c_.Path(), 2, 100000);
  MakeFile(L"F:\\filler", 100000);  // the first drive holds one of the two
  Frmbackup& w = Ready();
  SelectEntry(w.lstRemovable, L"F");
  w.LstDir.AddItem(c_.Path());
  // A new, empty medium in the same drive: it holds one more file of this size.
  AnswerThen(MsgResult::Ok, [&] {
    harness::EmptyFolder(L"F:\\");
    MakeFile(L"F:\\filler", 80000);
    w.CmdContinue.SetValue(true);
  });
  // What is not backed up; were the first file copied again, the second
  // would not fit again: that drive change is stopped.
  Ui().AnswerMsgBox(MsgResult::Ok, [&](const Prompt& prompt) {
    if (prompt.title == L"Change Drive") AtNextYield([&] { w.CmdStop.SetValue(true); });
  });
  {
    Lock lock(busy);
    w.CmdCToE.SetValue(true);
  }
  EXPECT_EQ(w.lblDir.Caption(), L"Backup finished, but 1 file(s) and 0 folder(s) could not be backed up.");
  EXPECT_EQ(harness::ReadFile(On(L'F', files[1])), harness::ReadFile(files[1]));
  ExpectOneNotBackedUp(w, busy);
}

// A network path is mirrored under a folder of its server and its share;
// an entry that cannot be copied does not end the pass for the next ones.
TEST_F(BackupRunTest, NetworkPathsAreMirroredUnderTheirServerAndShare) {
  // Wine serves \\server\share from the prefix's dosdevices\unc folder.
  const std::string dosdevices = harness::UnixPath(L"C:\\");
  const size_t cut = dosdevices.rfind("/dosdevices/");
  if (cut == std::string::npos) GTEST_SKIP() << "no dosdevices folder: " << dosdevices;
  const std::string server = dosdevices.substr(0, cut) + "/dosdevices/unc/fmsrv";
  if (!harness::RunUnix(L"/bin/mkdir -p " + harness::WideUnix(server + "/share/dir"),
                        [&] { return Exists(L"\\\\fmsrv\\share\\dir"); }))
    GTEST_SKIP() << "network paths are not served here";
  const std::wstring remote = L"\\\\fmsrv\\share\\dir\\n.doc", missing = L"\\\\fmsrv\\share\\missing\\gone.doc";
  harness::WriteFile(remote, "network");
  MakeFile(c_ / L"z_local.doc", 5);
  Frmbackup& w = Ready();
  for (const std::wstring& file : {missing, remote, c_ / L"z_local.doc"}) w.Lstfile.AddItem(file);
  ExpectMessages(2);  // the missing entry, what is not backed up
  w.CmdCToE.SetValue(true);
  harness::RunUnix(L"/bin/rm -rf " + harness::WideUnix(server), [&] { return !Exists(remote); });
  EXPECT_EQ(harness::ReadFile(L"E:\\fmsrv\\share\\dir\\n.doc"), "network");
  EXPECT_TRUE(Exists(On(L'E', c_ / L"z_local.doc")));
  ExpectOneNotBackedUp(w, missing);
}

}  // namespace
}  // namespace ferrimond

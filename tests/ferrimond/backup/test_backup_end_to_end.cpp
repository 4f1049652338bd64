// Whole backup runs on the real main window: sources on C: and D:, a
// removable E:, a small removable F: that really fills up, prompts answered
// by a script, the program folder on the prefix's C:.

#include "tests/ferrimond/mainwindow/mainwindow_fixture.h"

namespace ferrimond {
namespace {

using namespace mwtest;

auto Counts(const StatisticsLine& l) { return std::make_tuple(l.checked, l.selected, l.size, l.drives); }

TEST_F(BackupRunTest, FoldersOnCAndDGoToTheSamePathsOnTheRemovableDrive) {
  harness::MappedDrive d(L'D', harness::DriveKind::Fixed);
  const std::wstring data = c_ / L"data";
  // Names that are devices elsewhere are files here; a single file has no
  // date test; a stale copy on the drive is replaced without a question.
  const Strings selected = {data + L"\\a.doc", data + L"\\aux.doc", data + L"\\sub\\b.doc", data + L"\\sub\\con.doc",
                            d / L"docs\\d.doc", d / L"root.xls"};
  const size_t sizes[] = {1000, 7, 2000, 8, 400, 50};
  for (size_t i = 0; i < selected.size(); ++i) MakeFile(selected[i], sizes[i], i == 5 ? 30 : 0);
  MakeFile(data + L"\\old.doc", 300, 30), MakeFile(data + L"\\c.txt", 10);
  // A chosen folder that is also excluded is left out as a whole.
  MakeFile(data + L"\\skip\\e.doc", 10);
  MakeFile(On(L'E', data + L"\\a.doc"), 5, 0, 'o');
  Frmbackup& w = Ready();
  for (const std::wstring& dir : {data, d / L"docs", data + L"\\skip"}) w.LstDir.AddItem(dir);
  w.LstDirEx.AddItem(data + L"\\SKIP");
  w.Lstfile.AddItem(d / L"root.xls");
  w.CmdCToE.SetValue(true);
  EXPECT_EQ(w.lblDir.Caption(), kSuccess);
  for (const std::wstring& path : selected)
    EXPECT_EQ(harness::ReadFile(harness::Literal(On(L'E', path))), harness::ReadFile(harness::Literal(path)));
  for (const wchar_t* left : {L"\\old.doc", L"\\c.txt", L"\\skip\\e.doc"}) EXPECT_FALSE(Exists(On(L'E', data + left)));
  EXPECT_FALSE(Exists(kThresholdMarker) || w.IsUnloaded());
  const Strings fnm = FnmOfOneRun(w, selected);
  EXPECT_EQ(FnmLines(w), fnm);
  std::vector<StatisticsLine> stats = ReadStatistics();
  ASSERT_EQ(stats.size(), 1u);
  EXPECT_LE(w.RunStart, stats[0].written);
  // Seven checked: six in data, one in docs.
  EXPECT_EQ(Counts(stats[0]), std::make_tuple(7, 6, 3465.0, std::wstring(L"E")));
  EXPECT_EQ(std::make_tuple(stats[0].search, stats[0].write, stats[0].total),
            std::make_tuple(w.SearchSeconds, w.TotalSeconds - w.SearchSeconds, w.TotalSeconds));
  EXPECT_EQ(harness::ReadFile(kLogFolder + w.DateTag + L"_backup.sta"), harness::ReadFile(kStatistics));
  EXPECT_EQ(LastBackupStamp(), w.RunStart);
  // A second run of the session appends its own counts, not a running total.
  w.CmdCToE.SetValue(true);
  stats = ReadStatistics();
  ASSERT_EQ(stats.size(), 2u);
  EXPECT_EQ(Counts(stats[1]), Counts(stats[0]));
  EXPECT_EQ(FnmLines(w).size(), 2 * fnm.size());
}

// Each date option gives the run its threshold (the marker's time);
// a complete run moves the last-backup time only when there is none, or
// when it started from no later than that time: what changed in between
// must still be found by the next "from last backup".
TEST_F(BackupRunTest, EachDateOptionGivesTheThresholdAndOnlyARunFromNoLaterThanTheStampMovesIt) {
  const common::DateTime today = TodayOneSecond(), yesterday = today.AddDays(-1);
  const common::DateTime upload = harness::At(2025, 11, 30, 22, 15, 0);
  const struct {
    common::DateTime stored;  // the zero date: no stamp
    std::function<void(Frmbackup&)> choose;
    common::DateTime threshold;
    bool moves;
  } cases[] = {
      {{}, [](Frmbackup&) {}, today, true},  // today, as the window is ready
      {yesterday, [](Frmbackup&) {}, today, false},
      {yesterday, [](Frmbackup& w) { w.OptLastBackup.SetValue(true); }, yesterday, true},
      {yesterday, [](Frmbackup& w) { w.txtdays.SetText(L"2"), w.optDateText.SetValue(true); }, today.AddDays(-2), true},
      {yesterday, [](Frmbackup& w) { w.OptLastUpload.SetValue(true); }, upload, true},
      // The picked day at 00:00:01, whatever the time; nothing picked: today.
      {yesterday, [](Frmbackup& w) { w.PickedDate = harness::At(2025, 6, 7, 15, 30, 0), w.optDatePicker.SetValue(true); },
       harness::At(2025, 6, 7, 0, 0, 1), true},
      {yesterday, [](Frmbackup& w) { w.PickedDate = {}, w.optDatePicker.SetValue(true); }, today, false},
  };
  MakeFile(c_ / L"a.doc", 3);
  WriteStamp(RecordWriter().Date(upload).EndRecord().Bytes());
  for (const auto& c : cases) {
    SCOPED_TRACE(&c - cases);
    DeleteFileW(kLastBackupStamp);
    if (!c.stored.IsNull()) WriteStamp(RecordWriter().Date(c.stored).EndRecord().Bytes(), kLastBackupStamp);
    Frmbackup& w = Ready();
    c.choose(w);
    w.Lstfile.AddItem(c_ / L"a.doc");
    w.CmdCToE.SetValue(true);
    EXPECT_EQ(w.lblDir.Caption(), kSuccess);
    EXPECT_EQ(w.Threshold, c.threshold);
    EXPECT_EQ(LastBackupStamp(), c.moves ? w.RunStart : c.stored);
  }
}

// The mirror folder found for one file serves the next ones of its folder,
// unless it has gone meanwhile.
TEST_F(BackupRunTest, AMirrorFolderRemovedDuringTheCopyIsMadeAgainForTheNextFile) {
  const Strings paths = MakeFiles(c_ / L"sub", 60, 2000);
  Frmbackup& w = Ready();
  std::wstring lastBefore;
  AtNextYield([&] {
    if (w.LastItemDone) lastBefore = w.LastItemDone->Value;
    harness::RemoveTree(On(L'E', c_ / L"sub"));
  });
  Copy(paths, L"E");
  ASSERT_FALSE(lastBefore.empty()) << "the copy never yielded";
  EXPECT_TRUE(Ui().Prompts().empty() && w.CopyFailures.empty());
  const auto after = std::upper_bound(paths.begin(), paths.end(), lastBefore);
  ASSERT_NE(after, paths.end());
  for (auto it = after; it != paths.end(); ++it) EXPECT_TRUE(Exists(On(L'E', *it))) << *it;
}

TEST_F(BackupRunTest, ACopyThatHitsAFullDriveWaitsAndCopiesThatFileAgain) {
  FERRIMOND_SMALL_DRIVE_OR_SKIP(f, L'F');
  const Strings files = MakeFiles(c_.Path(), 2, 150000);
  Frmbackup& w = Ready();
  // As if cluster rounding fooled the free-space test: it passes, the
  // copy itself runs out of space.
  w.SpaceFactor = 0.5;
  w.DriveText = L"F";
  AnswerThen(MsgResult::Ok, [&] {
    EXPECT_FALSE(Exists(On(L'F', files[1]))) << "the partial copy is left";
    SelectEntry(w.lstRemovable, L"E");
    w.CmdContinue.SetValue(true);
  });
  Copy(files, w.DriveText);
  EXPECT_EQ(Ui().Prompts().at(0).title, L"Change Drive");
  EXPECT_EQ(harness::ReadFile(On(L'F', files[0])) + harness::ReadFile(On(L'E', files[1])),
            harness::ReadFile(files[0]) + harness::ReadFile(files[1]));
  EXPECT_EQ(w.DriveText, L"FE");
}

// Past the 32,768 entries a 16-bit counter could reach.
TEST_F(BackupRunTest, SizingCoversEveryEntryOfALongList) {
  MakeFile(c_ / L"one.doc", 3);
  Frmbackup& w = Ready();
  List list;
  const int count = 33000;
  for (int i = 0; i < count; ++i) list.Add(c_ / L"one.doc");
  w.FilesSelected = count, w.TotalSize = 0;
  w.Size_file(list);
  EXPECT_EQ(w.TotalSize, 3.0 * count);
  EXPECT_EQ(w.FileSizes.at(count - 1), 3);
}

}  // namespace
}  // namespace ferrimond

#include <gtest/gtest.h>

#include "ferrimond/mainwindow/date_tag.h"
#include "ferrimond/mainwindow/drive_scan.h"

namespace ferrimond {
namespace {

common::DateTime Day(int y, int m, int d) { return common::DateTime::Serial(y, m, d); }

TEST(DateTag, ReplacesTheFirstTwoSlashesOfTheShortDate) {
  EXPECT_EQ(MakeDateTag(L"12/31/2004", Day(2004, 12, 31)), L"12_31_2004");
  EXPECT_EQ(MakeDateTag(L"9/7/2004", Day(2004, 9, 7)), L"9_7_2004");
  // A day-first locale keeps its own order, as earlier runs named their files.
  EXPECT_EQ(MakeDateTag(L"31/12/2004", Day(2004, 12, 31)), L"31_12_2004");
}

TEST(DateTag, FallsBackToTheDateNumbersWhereTheTextCannotServe) {
  EXPECT_EQ(MakeDateTag(L"31.12.2004", Day(2004, 12, 31)), L"12_31_2004");
  EXPECT_EQ(MakeDateTag(L"2004-12-31", Day(2004, 12, 31)), L"12_31_2004");
  EXPECT_EQ(MakeDateTag(L"12/31", Day(2004, 12, 31)), L"12_31_2004");
  EXPECT_EQ(MakeDateTag(L"", Day(2026, 1, 5)), L"1_5_2026");
  // A third slash or a colon would make the per-day file name invalid.
  EXPECT_EQ(MakeDateTag(L"12/31/2004/x", Day(2004, 12, 31)), L"12_31_2004");
  EXPECT_EQ(MakeDateTag(L"12/31/04:x", Day(2004, 12, 31)), L"12_31_2004");
}

TEST(DriveScan, SelectsTheLastRemovableAndTheFixedDriveByTheRulesForC) {
  const DriveLists withC = ScanDrives({{L'A', kDriveRemovable}, {L'C', kDriveFixed},
                                       {L'D', kDriveFixed}, {L'E', kDriveRemovable},
                                       {L'F', 4}, {L'G', 3}});
  EXPECT_EQ(withC.removable, (std::vector<std::wstring>{L"A", L"E"}));
  EXPECT_EQ(withC.removableIndex, 1);
  EXPECT_EQ(withC.fixed, (std::vector<std::wstring>{L"C", L"D"}));
  EXPECT_EQ(withC.fixedIndex, 0);

  const DriveLists noC = ScanDrives({{L'D', kDriveFixed}, {L'Z', kDriveFixed}});
  EXPECT_EQ(noC.fixedIndex, 1);
  EXPECT_EQ(noC.removableIndex, -1);

  const DriveLists cdromC = ScanDrives({{L'C', 4}, {L'D', kDriveFixed}});
  EXPECT_EQ(cdromC.fixed, (std::vector<std::wstring>{L"D"}));
  EXPECT_EQ(cdromC.fixedIndex, -1);
}

}  // namespace
}  // namespace ferrimond

// The run's text rules: mirror paths, days and seconds.
#include <gtest/gtest.h>

#include "ferrimond/backup/run_text.h"

namespace ferrimond {
namespace {

// Where roots, folders and shares land on the drive the whole backup runs
// show; here the root of a share and paths that hold special characters.
TEST(MirrorTarget, ReplacesOnlyTheDriveLetter) {
  EXPECT_EQ(MirrorTarget(L"\\\\srv\\docs\\", L"a.doc", L'L').destinationFolder, L"L:\\srv\\docs\\");
  EXPECT_EQ(MirrorFolder(L"d:\\Data & More\\C:", L'E'), L"E:\\Data & More\\C:");
  // Sources that differ only in their drive, or a share and a local folder
  // of the same names, take one place on the drive.
  EXPECT_EQ(MirrorPlace(L"\\\\srv\\share\\x"), MirrorPlace(L"C:\\srv\\share\\x"));
  EXPECT_NE(MirrorPlace(L"C:\\Data\\a.doc"), MirrorPlace(L"C:\\Data\\b.doc"));
}

TEST(DaysBack, ReadsTheLeadingNumberRoundsHalfToEvenAndRefusesOverflow) {
  int16_t days = -1;
  const std::pair<const wchar_t*, int16_t> cases[] = {
      {L"abc", 0},   {L" 1 2 days", 12}, {L"2.5", 2},           {L"3.5", 4},          {L"1e2", 100},
      {L"7d", 7},    {L"1.5.5", 2},      {L"-32768", -32768},   {L"32767.4", 32767}};
  for (const auto& [text, expected] : cases) {
    ASSERT_TRUE(DaysBackFromText(text, days)) << std::wstring(text).size();
    EXPECT_EQ(days, expected) << static_cast<int>(expected);
  }
  for (const wchar_t* text : {L"40000", L"32767.5", L"-32769", L"1e400"}) EXPECT_FALSE(DaysBackFromText(text, days));
}

}  // namespace
}  // namespace ferrimond

// The run's text rules: mirror paths, the progress line, days and seconds.
#include <gtest/gtest.h>

#include "ferrimond/backup/run_text.h"

namespace ferrimond {
namespace {

TEST(MirrorTarget, ReplacesOnlyTheDriveLetterAndHandlesRoots) {
  CopyTarget root = MirrorTarget(L"C:\\", L"a.doc", L'L');
  EXPECT_EQ(root.source, L"C:\\a.doc");
  EXPECT_EQ(root.destinationFolder, L"L:\\");
  CopyTarget deep = MirrorTarget(L"C:\\x\\y", L"a.doc", L'L');
  EXPECT_EQ(deep.source, L"C:\\x\\y\\a.doc");
  EXPECT_EQ(deep.destinationFolder, L"L:\\x\\y\\");
  EXPECT_EQ(MirrorFolder(L"d:\\Data & More\\C:", L'E'), L"E:\\Data & More\\C:");
  // A network path keeps its server and share as folders.
  CopyTarget share = MirrorTarget(L"\\\\srv\\docs\\", L"a.doc", L'L');
  EXPECT_EQ(share.source, L"\\\\srv\\docs\\a.doc");
  EXPECT_EQ(share.destinationFolder, L"L:\\srv\\docs\\");
  EXPECT_EQ(MirrorTarget(L"\\\\srv\\docs\\x", L"a.doc", L'L').destinationFolder, L"L:\\srv\\docs\\x\\");
  // Sources that differ only in their drive, or a share and a local folder
  // of the same names, take one place on the drive.
  EXPECT_EQ(MirrorPlace(L"C:\\Data\\a.doc"), MirrorPlace(L"d:\\Data\\a.doc"));
  EXPECT_EQ(MirrorPlace(L"\\\\srv\\share\\x"), MirrorPlace(L"C:\\srv\\share\\x"));
  EXPECT_NE(MirrorPlace(L"C:\\Data\\a.doc"), MirrorPlace(L"C:\\Data\\b.doc"));
}

TEST(ProgressText, KeepsTheLast61CharactersOfPathsOver60) {
  const std::wstring sixty(60, L'x');
  EXPECT_EQ(ProgressText(sixty), sixty);
  const std::wstring longer = L"C:\\" + std::wstring(57, L'a') + L"\\" + std::wstring(60, L'b');
  EXPECT_EQ(ProgressText(longer), L"\\" + std::wstring(60, L'b'));
  EXPECT_EQ(ProgressText(L""), L"");
}

TEST(DaysBack, ReadsTheLeadingNumberRoundsHalfToEvenAndRefusesOverflow) {
  int16_t days = -1;
  struct Case {
    const wchar_t* text;
    int16_t days;
  } cases[] = {{L"2", 2},     {L"abc", 0},    {L" 1 2 days", 12}, {L"2.5", 2},   {L"3.5", 4},
               {L"-0.5", 0},  {L"1e2", 100},  {L"7d", 7},         {L"", 0},      {L".5x", 0},
               {L"-32768", -32768}, {L"32767.4", 32767}, {L"1.5.5", 2}};
  for (const Case& c : cases) {
    ASSERT_TRUE(DaysBackFromText(c.text, days)) << std::wstring(c.text).size();
    EXPECT_EQ(days, c.days) << static_cast<int>(c.days);
  }
  for (const wchar_t* text : {L"40000", L"32767.5", L"-32769", L"1e400"}) {
    EXPECT_FALSE(DaysBackFromText(text, days));
  }
}

}  // namespace
}  // namespace ferrimond

#include <gtest/gtest.h>

#include <cwchar>
#include <string>

#include "ferrimond/mainwindow/date_tag.h"

namespace ferrimond {
namespace {

TEST(DateTag, TakesTheShortDateAroundItsSlashesElseTheDateNumbers) {
  const common::DateTime nye = common::DateTime::Serial(2004, 12, 31);
  EXPECT_EQ(MakeDateTag(L"12/31/2004", nye), L"12_31_2004");
  // A day-first locale keeps its own order, as earlier runs named their files.
  EXPECT_EQ(MakeDateTag(L"31/12/2004", nye), L"31_12_2004");
  // No usable slashes, or a name the file system would refuse.
  for (const wchar_t* text : {L"31.12.2004", L"2004-12-31", L"12/31", L"", L"12/31/2004/x", L"12/31/04:x"}) {
    EXPECT_EQ(MakeDateTag(text, nye), L"12_31_2004") << std::string(text, text + wcslen(text));
  }
  EXPECT_EQ(MakeDateTag(L"05.01.2026", common::DateTime::Serial(2026, 1, 5)), L"1_5_2026");
}

}  // namespace
}  // namespace ferrimond

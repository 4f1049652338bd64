#include <gtest/gtest.h>

#include "common/date_text.h"

using common::DateTime;

TEST(DateText, GeneralDateInTheUnitedStatesLocale) {
  DateTime d;
  ASSERT_TRUE(DateTime::FromParts({2026, 12, 5, 19, 44, 3}, d));
  EXPECT_EQ(common::DateText(d), L"12/5/2026 7:44:03 PM");
  EXPECT_EQ(common::DateText(d.DatePart()), L"12/5/2026");
  EXPECT_EQ(common::ShortDateText(d), L"12/5/2026");
}

TEST(DateText, ParsesWhatItWrites) {
  DateTime d;
  ASSERT_TRUE(common::ParseDate(L"12/31/2004 11:30:00 PM", d));
  EXPECT_EQ(d.Parts(), (common::DateParts{2004, 12, 31, 23, 30, 0}));
  EXPECT_FALSE(common::ParseDate(L"not a date", d));
}

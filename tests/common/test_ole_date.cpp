#include <gtest/gtest.h>

#include "tests/harness/expect.h"

#include "common/ole_date.h"

using harness::At;
using common::DateParts;
using common::DateTime;

// Serials carry months and days past their ranges; both they and month
// arithmetic refuse to leave the calendar. (Months clamped to their ends:
// the date mask's spin tests.) Days, weekdays and order hold across the
// epoch, where serials count backwards by days but forwards by hours.
TEST(OleDate, KnownSerialsPartsCarriesAndOrderAcrossTheEpochAndImpossibleFieldsRefused) {
  // Before the epoch the fraction still counts forward from midnight.
  for (const auto& [date, serial] : {std::pair{At(1899, 12, 30), 0.0}, {At(2024, 2, 29), 45351.0}, {At(100, 1, 1), -657434.0},
                                     {At(9999, 12, 31), 2958465.0}, {At(1899, 12, 29, 6), -1.25}})
    EXPECT_EQ(date.Value(), serial) << serial;
  EXPECT_EQ(DateTime(-1.25).Parts(), (DateParts{1899, 12, 29, 6, 0, 0}));
  // Rounded to the nearest second, across midnight.
  EXPECT_EQ(DateTime(At(2026, 12, 31).Value() + 86399.6 / 86400.0).Parts(), (DateParts{2027, 1, 1, 0, 0, 0}));
  // Impossible fields are refused.
  DateTime out;
  for (const DateParts& bad : {DateParts{2026, 2, 29}, DateParts{1900, 2, 29}, DateParts{2026, 13, 1},
                               DateParts{2026, 1, 1, 24}, DateParts{99, 12, 31}})
    EXPECT_FALSE(DateTime::FromParts(bad, out)) << bad.year << "-" << bad.month;
  EXPECT_TRUE(DateTime::Serial(2026, 13, 1) == At(2027, 1, 1) && DateTime::Serial(2026, 3, 0) == At(2026, 2, 28));
  EXPECT_TRUE(DateTime::Serial(2026, 0, 15) == At(2025, 12, 15) && DateTime::Serial(2026, 1, -1) == At(2025, 12, 30));
  EXPECT_THROW(DateTime::Serial(10000, 1, 1), common::NumberedError);
  EXPECT_EQ(At(2026, 12, 31).AddMonths(1), At(2027, 1, 31));
  EXPECT_THROW(At(9999, 12, 1).AddMonths(1), common::NumberedError);
  EXPECT_TRUE(At(2026, 12, 6).Weekday() == 1 && At(1899, 12, 29).Weekday() == 6);  // a Sunday and a Friday
  EXPECT_EQ(At(1899, 12, 29, 18).AddDays(0.5), At(1899, 12, 30, 6));
  EXPECT_LT(At(1899, 12, 29, 6), At(1899, 12, 29, 18));  // -1.25 before -1.75
  EXPECT_LT(At(1899, 12, 29, 23), At(1899, 12, 30, 1));
  EXPECT_EQ(At(2026, 12, 5, 19).DatePart(), At(2026, 12, 5));
}

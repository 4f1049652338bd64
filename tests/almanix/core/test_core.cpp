#include <gtest/gtest.h>

#include <cmath>

#include "almanix/core/bag_values.h"
#include "common/date_text.h"

// System colours through the bag are the contract test's round trips.
TEST(BagValues, DatesOfTheShownYearsAndTexts) {
  using common::DateTime;
  const DateTime def = DateTime::Serial(2001, 2, 3);
  common::MemoryPropertyBag bag;
  bag.Write(L"TooEarly", DateTime::Serial(100, 1, 1).Value() - 1);
  bag.Write(L"TooLate", DateTime::Serial(9999, 12, 31).Value() + 1);
  bag.Write(L"NaN", std::nan(""));
  bag.Write(L"Locale", common::ShortDateText(DateTime::Serial(1999, 5, 6)));
  bag.Write(L"NoDay", std::wstring(L"2/30/2030"));
  bag.Write(L"Words", std::wstring(L"soon"));
  bag.Write(L"Flag", true);
  EXPECT_EQ(almanix::ReadBagDate(bag, L"Locale", def), DateTime::Serial(1999, 5, 6));
  for (const wchar_t* name : {L"TooEarly", L"TooLate", L"NaN", L"NoDay", L"Words", L"Flag", L"Missing"})
    EXPECT_EQ(almanix::ReadBagDate(bag, name, def), def) << name;
}

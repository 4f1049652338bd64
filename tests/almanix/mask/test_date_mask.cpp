// One date field and what it stands on: dates read from saved bags, the
// drawing surface it measures with; typed digits, validation, stepping and
// the measured width of the field.
#include <gtest/gtest.h>
#include <windows.h>

#include <algorithm>
#include <cmath>

#include "almanix/core/bag_values.h"
#include "almanix/core/locale_names.h"
#include "almanix/drawing/mdc.h"
#include "almanix/mask/date_mask.h"
#include "common/date_text.h"
#include "tests/harness/expect.h"

namespace almanix {
namespace {

using common::DateTime;
using harness::At;

// System colours through the bag are the contract test's round trips.
TEST(BagValues, DatesOfTheShownYearsAndTexts) {
  const DateTime def = DateTime::Serial(2001, 2, 3);
  common::MemoryPropertyBag bag;
  bag.Write(L"TooEarly", DateTime::Serial(100, 1, 1).Value() - 1);
  bag.Write(L"TooLate", DateTime::Serial(9999, 12, 31).Value() + 1);
  bag.Write(L"NaN", std::nan(""));
  bag.Write(L"Locale", common::ShortDateText(DateTime::Serial(1999, 5, 6)));
  bag.Write(L"NoDay", std::wstring(L"2/30/2030"));
  bag.Write(L"Words", std::wstring(L"soon"));
  bag.Write(L"Flag", true);
  EXPECT_EQ(ReadBagDate(bag, L"Locale", def), DateTime::Serial(1999, 5, 6));
  for (const wchar_t* name : {L"TooEarly", L"TooLate", L"NaN", L"NoDay", L"Words", L"Flag", L"Missing"})
    EXPECT_EQ(ReadBagDate(bag, name, def), def) << name;
}

// The controls' pictures (the contract test's) drive the surface; here, that
// a resize the system refuses keeps nothing and leaks nothing.
TEST(MemoryDC, AFailedResizeKeepsNothing) {
  const DWORD before = GetGuiResources(GetCurrentProcess(), GR_GDIOBJECTS);
  {
    cMDC mdc;
    mdc.Resize(10, 10);
    mdc.SetFont(L"Tahoma", 20);
    for (int i = 0; i < 3; ++i) mdc.Resize(60000, 60000);  // no bitmap that large
    EXPECT_TRUE(mdc.hdc() == nullptr && mdc.Width() == 0);
    mdc.Clear();  // drawing on no surface is harmless
    mdc.Resize(10, 10);
    EXPECT_NE(mdc.hdc(), nullptr);
  }
  EXPECT_EQ(GetGuiResources(GetCurrentProcess(), GR_GDIOBJECTS), before) << "nothing left behind";
}

class DateMaskTest : public ::testing::Test {
 protected:
  void SetUp() override {
    mdc_.Resize(200, 20);
    mdc_.SetFont(L"Tahoma", 8.25);
  }
  CDateMask Field(const std::wstring& token, DateTime value) {
    CDateMask f;
    f.Init(&mdc_, token, 10, 20);
    f.SetValue(value);
    return f;
  }
  cMDC mdc_;
};

TEST_F(DateMaskTest, TokensGiveKindsStoredMasksAndMeasuredWidths) {
  // Name fields are as wide as the locale's widest name ("September" is
  // wider than "December").
  auto widest = [&](std::wstring (*name)(int), int count) {
    int w = 0;
    for (int i = 1; i <= count; ++i) w = std::max(w, mdc_.TextWidth(name(i)));
    return w;
  };
  ASSERT_GT(mdc_.TextWidth(L"September"), mdc_.TextWidth(L"December"));
  struct Case { const wchar_t* token; const wchar_t* kind; const wchar_t* mask; int textWidth; };
  for (const Case& c : {Case{L"MMMM", L"M", L"MMMM", widest(MonthName, 12)},
                        Case{L"ddd", L"d", L"ddd", widest(AbbrevDayName, 7)},
                        Case{L"yyy", L"y", L"yyyy", mdc_.TextWidth(L"0000")},
                        Case{L"HH", L"h", L"HH", mdc_.TextWidth(L"99")}, Case{L"mm", L"m", L"nn", mdc_.TextWidth(L"99")}}) {
    SCOPED_TRACE(c.token);
    CDateMask f = Field(c.token, At(2026, 3, 4));
    EXPECT_EQ(f.BasicType(), c.kind);
    EXPECT_EQ(f.Mask(), c.mask);
    EXPECT_EQ(f.Width, c.textWidth + 2);
  }
}

TEST_F(DateMaskTest, TypedDigitsAreCheckedAgainstTheValue) {
  struct Case { const wchar_t* token; DateTime start; const wchar_t* typed; bool ok; DateTime result; };
  const Case cases[] = {
      {L"MM", At(2026, 3, 4), L"123", false, At(2026, 3, 4)},  // the last two digits: 23
      // A shorter month ends at its last day instead of running into the next.
      {L"M", At(2024, 1, 31), L"2", true, At(2024, 2, 29)},
      {L"dd", At(2026, 2, 10), L"31", false, At(2026, 2, 10)},
      {L"dd", At(2026, 2, 10), L"00", false, At(2026, 2, 10)},
      {L"yyyy", At(2026, 3, 4, 10, 20, 30), L"45", true, At(1945, 3, 4, 10, 20, 30)},
      {L"yyyy", At(2024, 2, 29), L"192023", true, At(2023, 2, 28)},  // the last four digits
      // The twelve-hour field keeps the half of the day.
      {L"hh", At(2026, 3, 4, 14, 5, 6), L"3", true, At(2026, 3, 4, 15, 5, 6)},
      {L"hh", At(2026, 3, 4, 9, 5, 6), L"12", true, At(2026, 3, 4, 0, 5, 6)},
      {L"hh", At(2026, 3, 4, 14, 5, 6), L"12", true, At(2026, 3, 4, 12, 5, 6)},
      {L"h", At(2026, 3, 4, 9), L"0", false, At(2026, 3, 4, 9)},
      {L"h", At(2026, 3, 4, 9), L"13", false, At(2026, 3, 4, 9)},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(::testing::Message() << c.token << " " << c.start.Value() << " " << c.typed);
    CDateMask f = Field(c.token, c.start);
    for (const wchar_t* key = c.typed; *key; ++key) f.HandleKeyPress(static_cast<int16_t>(*key));
    EXPECT_EQ(f.Validate(), c.ok);
    EXPECT_FALSE(f.HasTyped());
    EXPECT_EQ(f.Value(), c.result);
  }
}

TEST_F(DateMaskTest, StepsAreCalendarAware) {
  struct Case { const wchar_t* token; DateTime start; int step; DateTime result; };
  const Case cases[] = {
      {L"MM", At(2026, 1, 31, 8), 1, At(2026, 2, 28, 8)},
      {L"yy", At(2024, 2, 29), 1, At(2025, 2, 28)},
      {L"tt", At(2026, 3, 4, 9, 30), 1, At(2026, 3, 4, 21, 30)},
      {L"yyyy", At(9999, 6, 1), 1, At(9999, 12, 31, 23, 59, 59)},  // stops at the calendar's end
      // Dates before 30 December 1899 (negative serials) step the same way, also across it.
      {L"dd", At(1899, 12, 28, 6), 3, At(1899, 12, 31, 6)},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(::testing::Message() << c.token << " " << c.start.Value() << " " << c.step);
    CDateMask f = Field(c.token, c.start);
    f.AddValue(c.step);
    EXPECT_EQ(f.Value(), c.result);
  }
}

}  // namespace
}  // namespace almanix

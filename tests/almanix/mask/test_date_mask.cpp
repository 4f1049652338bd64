// Typed digits, validation, stepping and painting of one date field.
#include <gtest/gtest.h>
#include <windows.h>

#include "almanix/core/ole_color.h"
#include "almanix/drawing/mdc.h"
#include "almanix/mask/date_mask.h"

namespace almanix {
namespace {

using common::DateParts;
using common::DateTime;

DateTime At(int y, int m, int d, int hh = 0, int mm = 0, int ss = 0) {
  DateTime out;
  EXPECT_TRUE(DateTime::FromParts({y, m, d, hh, mm, ss}, out));
  return out;
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
  void Type(CDateMask& f, const wchar_t* keys) {
    for (; *keys; ++keys) f.HandleKeyPress(static_cast<int16_t>(*keys));
  }
  cMDC mdc_;
};

TEST_F(DateMaskTest, TokensGiveKindsStoredMasksAndMeasuredWidths) {
  struct Case { const wchar_t* token; const wchar_t* kind; const wchar_t* mask; const wchar_t* sample; };
  for (const Case& c : {Case{L"MMMM", L"M", L"MMMM", L"December"}, Case{L"yyy", L"y", L"yyyy", L"0000"},
                        Case{L"HH", L"h", L"HH", L"99"}, Case{L"mm", L"m", L"nn", L"99"}}) {
    CDateMask f = Field(c.token, At(2026, 3, 4));
    EXPECT_EQ(f.BasicType(), c.kind) << c.token;
    EXPECT_EQ(f.Mask(), c.mask) << c.token;
    EXPECT_FALSE(f.isliteral());
    EXPECT_EQ(f.Width, mdc_.TextWidth(c.sample) + 2) << c.token;
  }
  CDateMask ampm = Field(L"tt", At(2026, 3, 4));
  EXPECT_EQ(ampm.Width, mdc_.TextWidth(PmDesignator())) << "no margin for AM/PM";
  CDateMask slash = Field(L" / ", At(2026, 3, 4));
  EXPECT_TRUE(slash.isliteral());
  EXPECT_EQ(slash.BasicType(), L"");
  EXPECT_EQ(slash.Text(), L" / ");
  EXPECT_EQ(slash.Width, mdc_.TextWidth(L" / "));
}

TEST_F(DateMaskTest, TypedMonthKeepsTheLastTwoDigitsAndRejectsThirteenAndAbove) {
  CDateMask f = Field(L"MM", At(2026, 3, 4));
  Type(f, L"123");
  EXPECT_EQ(f.Typed(), L"23");
  EXPECT_EQ(f.Text(), L"23");
  EXPECT_FALSE(f.Validate());
  EXPECT_FALSE(f.HasTyped());
  EXPECT_EQ(f.Value(), At(2026, 3, 4));
  EXPECT_EQ(f.Text(), L"03");

  Type(f, L"7");
  EXPECT_EQ(f.Text(), L"07") << "one typed digit shows padded";
  EXPECT_TRUE(f.Validate());
  EXPECT_EQ(f.Value(), At(2026, 7, 4));
  Type(f, L"x");
  EXPECT_FALSE(f.HasTyped()) << "letters are ignored";
}

TEST_F(DateMaskTest, TypedYearIsPaddedAndTwoDigitYearsPickTheirCentury) {
  CDateMask f = Field(L"yyyy", At(2026, 3, 4, 10, 20, 30));
  Type(f, L"5");
  EXPECT_EQ(f.Text(), L"0005");
  EXPECT_TRUE(f.Validate());
  EXPECT_EQ(f.Value(), At(2005, 3, 4, 10, 20, 30)) << "time of day kept";

  Type(f, L"45");
  EXPECT_TRUE(f.Validate());
  EXPECT_EQ(f.Value().Parts().year, 1945);

  Type(f, L"201987");
  EXPECT_EQ(f.Typed(), L"1987");
  Type(f, L"-");
  EXPECT_EQ(f.Typed(), L"1945") << "a non-digit starts again from the shown year";
  f.Validate();

  // 29 February into a year without it stays in February.
  CDateMask leap = Field(L"yyyy", At(2024, 2, 29));
  Type(leap, L"2023");
  EXPECT_TRUE(leap.Validate());
  EXPECT_EQ(leap.Value(), At(2023, 2, 28));
}

TEST_F(DateMaskTest, DaysAreCheckedAgainstTheValuesMonth) {
  CDateMask f = Field(L"dd", At(2026, 2, 10));
  Type(f, L"31");
  EXPECT_FALSE(f.Validate());
  EXPECT_EQ(f.Value(), At(2026, 2, 10));
  Type(f, L"28");
  EXPECT_TRUE(f.Validate());
  EXPECT_EQ(f.Value(), At(2026, 2, 28));
  Type(f, L"00");
  EXPECT_FALSE(f.Validate());

  // A typed month whose length is shorter than the day ends at its last day
  // instead of running into the month after.
  CDateMask m = Field(L"M", At(2024, 1, 31));
  Type(m, L"2");
  EXPECT_TRUE(m.Validate());
  EXPECT_EQ(m.Value(), At(2024, 2, 29));
}

TEST_F(DateMaskTest, TwelveHourFieldKeepsTheHalfOfTheDay) {
  struct Case { int oldHour; const wchar_t* typed; int newHour; };
  for (const Case& c : {Case{9, L"3", 3}, Case{14, L"3", 15}, Case{9, L"12", 0},
                        Case{14, L"12", 12}, Case{0, L"11", 11}, Case{23, L"1", 13}}) {
    CDateMask f = Field(L"hh", At(2026, 3, 4, c.oldHour, 5, 6));
    Type(f, c.typed);
    EXPECT_TRUE(f.Validate());
    EXPECT_EQ(f.Value(), At(2026, 3, 4, c.newHour, 5, 6)) << c.oldHour << " " << c.typed;
  }
  CDateMask f = Field(L"h", At(2026, 3, 4, 9));
  Type(f, L"0");
  EXPECT_FALSE(f.Validate());
  Type(f, L"13");
  EXPECT_FALSE(f.Validate());
  EXPECT_EQ(Field(L"h", At(2026, 3, 4, 0)).Text(), L"12");
  EXPECT_EQ(Field(L"hh", At(2026, 3, 4, 13)).Text(), L"01");
}

TEST_F(DateMaskTest, StepsAreCalendarAware) {
  CDateMask month = Field(L"MM", At(2026, 1, 31, 8));
  month.AddValue(1);
  EXPECT_EQ(month.Value(), At(2026, 2, 28, 8));
  month.AddValue(-2);
  EXPECT_EQ(month.Value(), At(2025, 12, 28, 8));

  CDateMask year = Field(L"yy", At(2024, 2, 29));
  year.AddValue(1);
  EXPECT_EQ(year.Value(), At(2025, 2, 28));

  CDateMask ampm = Field(L"tt", At(2026, 3, 4, 9, 30));
  ampm.AddValue(1);
  EXPECT_EQ(ampm.Value(), At(2026, 3, 4, 21, 30));
  EXPECT_EQ(ampm.Text(), PmDesignator());

  // Past the calendar's last year the step stops at its end.
  CDateMask last = Field(L"yyyy", At(9999, 6, 1));
  last.AddValue(1);
  EXPECT_EQ(last.Value(), At(9999, 12, 31, 23, 59, 59));

  // Dates before 30 December 1899 step the same way.
  CDateMask old = Field(L"dd", At(1899, 12, 29, 6));
  old.AddValue(-1);
  EXPECT_EQ(old.Value(), At(1899, 12, 28, 6));
  old.AddValue(3);
  EXPECT_EQ(old.Value(), At(1899, 12, 31, 6));
}

TEST_F(DateMaskTest, SelectedFieldPaintsInHighlightColours) {
  mdc_.SetBackColor(0xFFFFFF);
  mdc_.SetTextColor(0x000000);
  mdc_.Clear();
  CDateMask f = Field(L"dd", At(2026, 3, 4));
  f.selected = true;
  f.Paint();
  EXPECT_EQ(GetPixel(mdc_.hdc(), f.Left + 1, 1), TranslateColor(kSysHighlight));
  EXPECT_EQ(mdc_.TextColor(), 0x000000u) << "the surface keeps its text colour";

  mdc_.Clear();
  f.selected = false;
  f.Paint();
  EXPECT_EQ(GetPixel(mdc_.hdc(), f.Left + 1, 1), RGB(255, 255, 255));
  int dark = 0;
  for (int x = f.Left; x < f.Left + f.Width; ++x)
    for (int y = 0; y < 20; ++y) dark += GetPixel(mdc_.hdc(), x, y) == RGB(0, 0, 0);
  EXPECT_GT(dark, 5) << "the digits are drawn in the surface's text colour";
}

}  // namespace
}  // namespace almanix

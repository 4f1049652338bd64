#pragma once
// Names and settings of the user's locale that the controls show.
#include <windows.h>

#include <string>

#include "common/ole_date.h"

namespace almanix {

// Day-of-week constants: 0 = the system setting, 1 = Sunday ... 7 = Saturday.
inline constexpr int kUseSystemDayOfWeek = 0;

// One item of the user default locale; empty when it cannot be read.
std::wstring LocaleText(LCTYPE type);

// 1 = January ... 12 = December.
std::wstring MonthName(int month);
std::wstring AbbrevMonthName(int month);
// 1 = Sunday ... 7 = Saturday.
std::wstring DayName(int weekday);
std::wstring AbbrevDayName(int weekday);
// The locale's first day of the week as 1 = Sunday ... 7 = Saturday.
int SystemFirstDayOfWeek();
// Day of the week of `date` counted from `firstDayOfWeek` (0 = system):
// 1 for the first day of the week ... 7 for the last.
int WeekdayFrom(common::DateTime date, int firstDayOfWeek);
// The medium date text, "dd-MMM-yy" with the locale's month abbreviation.
std::wstring MediumDateText(common::DateTime date);
// Today's date, midnight.
common::DateTime Today();

}  // namespace almanix

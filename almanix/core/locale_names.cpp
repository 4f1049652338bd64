#include "almanix/core/locale_names.h"

#include <cstdio>

namespace almanix {

namespace {

// The locale numbers the days from Monday (1) to Sunday (7).
int LocaleDay(int weekday) { return weekday == 1 ? 7 : weekday - 1; }

}  // namespace

std::wstring LocaleText(LCTYPE type) {
  wchar_t buffer[128] = {};
  if (GetLocaleInfoW(LOCALE_USER_DEFAULT, type, buffer, 128) <= 0) return {};
  return buffer;
}

std::wstring MonthName(int month) {
  if (month < 1 || month > 12) return {};
  return LocaleText(LOCALE_SMONTHNAME1 + month - 1);
}

std::wstring AbbrevMonthName(int month) {
  if (month < 1 || month > 12) return {};
  return LocaleText(LOCALE_SABBREVMONTHNAME1 + month - 1);
}

std::wstring DayName(int weekday) {
  if (weekday < 1 || weekday > 7) return {};
  return LocaleText(LOCALE_SDAYNAME1 + LocaleDay(weekday) - 1);
}

std::wstring AbbrevDayName(int weekday) {
  if (weekday < 1 || weekday > 7) return {};
  return LocaleText(LOCALE_SABBREVDAYNAME1 + LocaleDay(weekday) - 1);
}

int SystemFirstDayOfWeek() {
  // LOCALE_IFIRSTDAYOFWEEK: 0 = Monday ... 6 = Sunday.
  std::wstring text = LocaleText(LOCALE_IFIRSTDAYOFWEEK);
  int first = text.empty() ? 6 : text[0] - L'0';
  if (first < 0 || first > 6) first = 6;
  return (first + 1) % 7 + 1;
}

int WeekdayFrom(common::DateTime date, int firstDayOfWeek) {
  int first = firstDayOfWeek == kUseSystemDayOfWeek ? SystemFirstDayOfWeek() : firstDayOfWeek;
  return (date.Weekday() - first + 7) % 7 + 1;
}

std::wstring MediumDateText(common::DateTime date) {
  common::DateParts p = date.Parts();
  wchar_t day[8], year[8];
  std::swprintf(day, 8, L"%02d", p.day);
  std::swprintf(year, 8, L"%02d", p.year % 100);
  return std::wstring(day) + L"-" + AbbrevMonthName(p.month) + L"-" + year;
}

common::DateTime Today() {
  SYSTEMTIME st;
  GetLocalTime(&st);
  return common::DateTime::Serial(st.wYear, st.wMonth, st.wDay);
}

}  // namespace almanix

#pragma once
// Date-time as the OLE Automation date: days since 30 December 1899
// 00:00:00, the fraction being the time of day (for days before 1899-12-30
// the fraction counts forward from the day's midnight: -1.25 is
// 29 December 1899 06:00). Zero is the null date. Pure calendar arithmetic;
// text conversions are in date_text.h.
#include <compare>

namespace common {

struct DateParts {
  int year = 1899, month = 12, day = 30;
  int hour = 0, minute = 0, second = 0;
  bool operator==(const DateParts&) const = default;
};

bool IsLeapYear(int year);
int DaysInMonth(int year, int month);

class DateTime {
 public:
  static constexpr int kMinYear = 100, kMaxYear = 9999;

  constexpr DateTime() = default;
  constexpr explicit DateTime(double value) : value_(value) {}

  constexpr double Value() const { return value_; }
  constexpr bool IsNull() const { return value_ == 0.0; }

  // The exact calendar moment; false for fields out of their ranges.
  static bool FromParts(const DateParts& parts, DateTime& out);
  // Year, month and day with overflowing months and days carried over
  // (month 13 is January of the next year, day 0 the last of the month
  // before); error 5 outside years 100..9999.
  static DateTime Serial(int year, int month, int day);
  // Hours, minutes and seconds as a fraction of a day (carried over).
  static double TimeSerial(int hour, int minute, int second);

  // Fields of the moment, rounded to the nearest second.
  DateParts Parts() const;
  // 1 = Sunday ... 7 = Saturday.
  int Weekday() const;
  DateTime DatePart() const;
  double TimeOfDay() const;

  DateTime AddDays(double days) const;
  // Calendar months: 31 January + 1 month is the last day of February.
  DateTime AddMonths(int months) const;
  DateTime AddYears(int years) const { return AddMonths(years * 12); }

  // Moments compare by the calendar, not by the raw value (negative dates
  // carry their time of day the other way).
  std::partial_ordering operator<=>(const DateTime& other) const;
  bool operator==(const DateTime& other) const { return (*this <=> other) == 0; }

 private:
  // Continuous count of seconds since 1899-12-30 00:00:00.
  double Linear() const;
  static DateTime FromLinear(double seconds);

  double value_ = 0.0;
};

}  // namespace common

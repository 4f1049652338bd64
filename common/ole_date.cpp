#include "common/ole_date.h"

#include <cmath>

#include "common/numbered_error.h"

namespace common {

namespace {

constexpr double kSecondsPerDay = 86400.0;

// Days from 1970-01-01 to the civil date (proleptic Gregorian).
long long DaysFromCivil(long long y, unsigned m, unsigned d) {
  y -= m <= 2;
  const long long era = (y >= 0 ? y : y - 399) / 400;
  const unsigned yoe = static_cast<unsigned>(y - era * 400);
  const unsigned doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
  const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
  return era * 146097 + static_cast<long long>(doe) - 719468;
}

void CivilFromDays(long long z, int& y, int& m, int& d) {
  z += 719468;
  const long long era = (z >= 0 ? z : z - 146096) / 146097;
  const unsigned doe = static_cast<unsigned>(z - era * 146097);
  const unsigned yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
  const unsigned doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
  const unsigned mp = (5 * doy + 2) / 153;
  d = static_cast<int>(doy - (153 * mp + 2) / 5 + 1);
  m = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
  y = static_cast<int>(static_cast<long long>(yoe) + era * 400 + (m <= 2));
}

constexpr long long kOleEpochFromUnix = 25569;  // 1970-01-01 as an OLE day

double OleDay(int year, int month, int day) {
  return static_cast<double>(DaysFromCivil(year, static_cast<unsigned>(month),
                                           static_cast<unsigned>(day)) +
                             kOleEpochFromUnix);
}

DateTime Compose(double day, double timeFraction) {
  return DateTime(day < 0 ? day - timeFraction : day + timeFraction);
}

}  // namespace

bool IsLeapYear(int year) {
  return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
}

int DaysInMonth(int year, int month) {
  static const int kDays[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  if (month < 1 || month > 12) return 0;
  return month == 2 && IsLeapYear(year) ? 29 : kDays[month - 1];
}

bool DateTime::FromParts(const DateParts& p, DateTime& out) {
  if (p.year < kMinYear || p.year > kMaxYear || p.month < 1 || p.month > 12 ||
      p.day < 1 || p.day > DaysInMonth(p.year, p.month) || p.hour < 0 ||
      p.hour > 23 || p.minute < 0 || p.minute > 59 || p.second < 0 || p.second > 59)
    return false;
  out = Compose(OleDay(p.year, p.month, p.day), TimeSerial(p.hour, p.minute, p.second));
  return true;
}

DateTime DateTime::Serial(int year, int month, int day) {
  // Carry whole years out of the month first, then let the day run on.
  long long y = year + (month - 1) / 12;
  int m = (month - 1) % 12;
  if (m < 0) { m += 12; --y; }
  if (y < kMinYear - 1 || y > kMaxYear + 1) Raise(ErrInvalidArgument);
  const double value = OleDay(static_cast<int>(y), m + 1, 1) + (static_cast<double>(day) - 1);
  const DateTime result(value);
  const int ry = result.Parts().year;
  if (ry < kMinYear || ry > kMaxYear) Raise(ErrInvalidArgument);
  return result;
}

double DateTime::TimeSerial(int hour, int minute, int second) {
  return (hour * 3600.0 + minute * 60.0 + second) / kSecondsPerDay;
}

double DateTime::Linear() const {
  const double day = std::trunc(value_);
  const double frac = std::fabs(value_ - day);
  return (day + frac) * kSecondsPerDay;
}

DateTime DateTime::FromLinear(double seconds) {
  const double day = std::floor(seconds / kSecondsPerDay);
  const double frac = (seconds - day * kSecondsPerDay) / kSecondsPerDay;
  return Compose(day, frac);
}

DateParts DateTime::Parts() const {
  const double rounded = std::round(Linear());
  double day = std::floor(rounded / kSecondsPerDay);
  long long secs = static_cast<long long>(rounded - day * kSecondsPerDay);
  DateParts p;
  CivilFromDays(static_cast<long long>(day) - kOleEpochFromUnix, p.year, p.month, p.day);
  p.hour = static_cast<int>(secs / 3600);
  p.minute = static_cast<int>(secs / 60 % 60);
  p.second = static_cast<int>(secs % 60);
  return p;
}

int DateTime::Weekday() const {
  // 1899-12-30 was a Saturday.
  const long long day = static_cast<long long>(std::floor(std::round(Linear()) / kSecondsPerDay));
  return static_cast<int>(((day + 6) % 7 + 7) % 7) + 1;
}

DateTime DateTime::DatePart() const { return DateTime(std::trunc(value_)); }

double DateTime::TimeOfDay() const { return std::fabs(value_ - std::trunc(value_)); }

DateTime DateTime::AddDays(double days) const {
  return FromLinear(Linear() + days * kSecondsPerDay);
}

DateTime DateTime::AddMonths(int months) const {
  const DateParts p = Parts();
  long long index = static_cast<long long>(p.year) * 12 + (p.month - 1) + months;
  const long long y = index >= 0 ? index / 12 : (index - 11) / 12;
  const int m = static_cast<int>(index - y * 12) + 1;
  if (y < kMinYear || y > kMaxYear) Raise(ErrInvalidArgument);
  const int yy = static_cast<int>(y);
  const int d = p.day > DaysInMonth(yy, m) ? DaysInMonth(yy, m) : p.day;
  return Compose(OleDay(yy, m, d), TimeOfDay());
}

std::partial_ordering DateTime::operator<=>(const DateTime& other) const {
  return Linear() <=> other.Linear();
}

}  // namespace common

#pragma once
// Dates as text the way the platform writes and reads them (user default
// locale), and the clock.
#include <string>

#include "common/ole_date.h"

namespace common {

// General-date text: date and time, the date alone at midnight, the time
// alone when the date part is zero.
std::wstring DateText(DateTime date);
// The short-date text of the date part only.
std::wstring ShortDateText(DateTime date);
// Parses text as a date, time or both; false when it is not one.
bool ParseDate(const std::wstring& text, DateTime& out);
// The current local date and time, to the second.
DateTime Now();

}  // namespace common

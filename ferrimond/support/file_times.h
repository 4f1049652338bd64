#pragma once
// Time stamps of files: read, set and compare the creation, last-access and
// last-write times. Failures show only in the results (-2, the zero date,
// false); nothing here raises, and every handle is closed before returning.
#include <windows.h>

#include <cstdint>
#include <string>

#include "common/ole_date.h"

namespace ferrimond {

constexpr int16_t FileTimeCreated = 1;
constexpr int16_t FileTimeAccessed = 2;
constexpr int16_t FileTimeWritten = 4;

// -1, 0 or 1 as the selected time of path1 is earlier than, equal to or later
// than that of path2; -2 when a file cannot be opened or read, or `which` is
// not exactly one of the three selectors.
int32_t CompareFileTimes(const std::wstring& path1, const std::wstring& path2, int16_t which);

// The selected time as a local date-time, to the second; the zero date on
// any failure.
common::DateTime GetFileDate(const std::wstring& path, int16_t which);

// Sets the times chosen by the bit mask `which` to `date` (local time).
bool SetFileTimes(const std::wstring& path, common::DateTime date, int16_t which);

// Local/UTC conversion follows the time-zone rules in force at the date
// itself (daylight saving included), not the current offset, so that a date
// stored in summer means the same moment when read back in winter.
common::DateTime FileTimeToDate(const FILETIME& time, bool toLocal);
bool DateToFileTime(common::DateTime date, FILETIME& time, bool fromLocal);
// Milliseconds are dropped; the zero date for a record out of range.
common::DateTime SystemTimeToDate(const SYSTEMTIME& time);
// Day of week and milliseconds are set to 0.
void DateToSystemTime(common::DateTime date, SYSTEMTIME& time);

// Opens an existing file for time access (GENERIC_READ to read times,
// GENERIC_WRITE to set them), sharing read and write. INVALID_HANDLE_VALUE on
// failure; the caller closes the handle.
HANDLE OpenFileHandle(const std::wstring& path, DWORD access);

}  // namespace ferrimond

#include "ferrimond/support/file_times.h"

#include "ferrimond/support/file_system_handle.h"
#include "ferrimond/support/file_system_paths.h"

namespace ferrimond {

namespace {

struct Times {
  FILETIME created, accessed, written;
  const FILETIME* Pick(int16_t which) const {
    switch (which) {
      case FileTimeCreated: return &created;
      case FileTimeAccessed: return &accessed;
      case FileTimeWritten: return &written;
      default: return nullptr;
    }
  }
};

bool ReadTimes(HANDLE h, Times& t) { return GetFileTime(h, &t.created, &t.accessed, &t.written); }

}  // namespace

HANDLE OpenFileHandle(const std::wstring& path, DWORD access) {
  if (path.empty()) return INVALID_HANDLE_VALUE;
  return CreateFileW(SystemPath(FullPath(path)).c_str(), access, FILE_SHARE_READ | FILE_SHARE_WRITE,
                     nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL | FILE_FLAG_RANDOM_ACCESS, nullptr);
}

int32_t CompareFileTimes(const std::wstring& path1, const std::wstring& path2, int16_t which) {
  ScopedHandle h1(OpenFileHandle(path1, GENERIC_READ));
  if (!h1.ok()) return -2;
  ScopedHandle h2(OpenFileHandle(path2, GENERIC_READ));
  if (!h2.ok()) return -2;
  Times t1, t2;
  if (!ReadTimes(h1.get(), t1) || !ReadTimes(h2.get(), t2)) return -2;
  const FILETIME* a = t1.Pick(which);
  const FILETIME* b = t2.Pick(which);
  if (!a || !b) return -2;
  return CompareFileTime(a, b);
}

common::DateTime GetFileDate(const std::wstring& path, int16_t which) {
  ScopedHandle h(OpenFileHandle(path, GENERIC_READ));
  Times t;
  if (!h.ok() || !ReadTimes(h.get(), t)) return {};
  const FILETIME* picked = t.Pick(which);
  return picked ? FileTimeToDate(*picked, true) : common::DateTime();
}

bool SetFileTimes(const std::wstring& path, common::DateTime date, int16_t which) {
  ScopedHandle h(OpenFileHandle(path, GENERIC_WRITE));
  if (!h.ok()) return false;
  FILETIME stamp{};
  Times t;
  if (!DateToFileTime(date, stamp, true) || !ReadTimes(h.get(), t)) return false;
  if (which & FileTimeCreated) t.created = stamp;
  if (which & FileTimeAccessed) t.accessed = stamp;
  if (which & FileTimeWritten) t.written = stamp;
  return SetFileTime(h.get(), &t.created, &t.accessed, &t.written);
}

common::DateTime FileTimeToDate(const FILETIME& time, bool toLocal) {
  SYSTEMTIME utc{}, local{};
  if (!FileTimeToSystemTime(&time, &utc)) return {};
  if (!toLocal) return SystemTimeToDate(utc);
  if (!SystemTimeToTzSpecificLocalTime(nullptr, &utc, &local)) return {};
  return SystemTimeToDate(local);
}

bool DateToFileTime(common::DateTime date, FILETIME& time, bool fromLocal) {
  SYSTEMTIME st{}, utc{};
  DateToSystemTime(date, st);
  if (fromLocal) {
    if (!TzSpecificLocalTimeToSystemTime(nullptr, &st, &utc)) return false;
    st = utc;
  }
  return SystemTimeToFileTime(&st, &time);
}

common::DateTime SystemTimeToDate(const SYSTEMTIME& time) {
  const common::DateParts parts{time.wYear, time.wMonth, time.wDay,
                                time.wHour, time.wMinute, time.wSecond};
  common::DateTime out;
  return common::DateTime::FromParts(parts, out) ? out : common::DateTime();
}

void DateToSystemTime(common::DateTime date, SYSTEMTIME& time) {
  const common::DateParts p = date.Parts();
  time = SYSTEMTIME{};
  time.wYear = static_cast<WORD>(p.year);
  time.wMonth = static_cast<WORD>(p.month);
  time.wDay = static_cast<WORD>(p.day);
  time.wHour = static_cast<WORD>(p.hour);
  time.wMinute = static_cast<WORD>(p.minute);
  time.wSecond = static_cast<WORD>(p.second);
}

}  // namespace ferrimond

#include "ferrimond/unattended/event_log.h"

#include <windows.h>

namespace ferrimond {

namespace {

std::wstring SystemText(DWORD code) {
  wchar_t* text = nullptr;
  FormatMessageW(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
                 nullptr, code, 0, reinterpret_cast<wchar_t*>(&text), 0, nullptr);
  std::wstring out = L"error " + std::to_wstring(code);
  if (text) {
    out += L": ";
    out += text;
    LocalFree(text);
    while (!out.empty() && (out.back() == L'\n' || out.back() == L'\r' || out.back() == L' ')) out.pop_back();
  }
  return out;
}

}  // namespace

bool ReportToEventLog(EventKind kind, unsigned eventId, const std::wstring& text, std::wstring& why) {
  HANDLE source = RegisterEventSourceW(nullptr, L"Ferrimond");
  if (!source) {
    why = L"The event log could not be opened (" + SystemText(GetLastError()) + L").";
    return false;
  }
  const WORD type = kind == EventKind::Information ? EVENTLOG_INFORMATION_TYPE
                    : kind == EventKind::Warning    ? EVENTLOG_WARNING_TYPE
                                                    : EVENTLOG_ERROR_TYPE;
  const wchar_t* strings[] = {text.c_str()};
  const bool written = ReportEventW(source, type, 0, eventId, nullptr, 1, 0, strings, nullptr) != FALSE;
  if (!written) why = L"The event log refused the entry (" + SystemText(GetLastError()) + L").";
  DeregisterEventSource(source);
  return written;
}

}  // namespace ferrimond

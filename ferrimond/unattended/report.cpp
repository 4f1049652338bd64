#include "ferrimond/unattended/report.h"

#include <cstdio>

namespace ferrimond {

std::wstring ReportDate(common::DateTime date) {
  const common::DateParts p = date.Parts();
  wchar_t text[32];
  std::swprintf(text, 32, L"%04d-%02d-%02d %02d:%02d:%02d", p.year, p.month, p.day, p.hour, p.minute,
                p.second);
  return text;
}

std::wstring ReportSummary(const UnattendedReport& r) {
  std::wstring text = L"Ferrimond unattended backup: exit code " + std::to_wstring(static_cast<int>(r.exit)) +
                      L" (" + ExitMeaning(r.exit) + L").";
  if (!r.reason.empty()) text += L" " + r.reason;
  if (r.ran) {
    text += L" " + std::to_wstring(r.copied) + L" of " + std::to_wstring(r.selected) +
            L" selected file(s) backed up to " + r.drive + L"; " + std::to_wstring(r.notBackedUp) +
            L" file(s) and " + std::to_wstring(r.foldersNotRead) + L" folder(s) not backed up.";
  }
  return text;
}

std::wstring ReportText(const UnattendedReport& r) {
  std::wstring text;
  auto line = [&](const std::wstring& s) { text += s + L"\r\n"; };
  line(L"Unattended backup started " + ReportDate(r.start));
  line(L"Selections: " + (r.log.empty() ? std::wstring(L"(none)") : r.log));
  line(L"Drive: " + (r.drive.empty() ? std::wstring(L"(none)") : r.drive));
  if (r.ran) {
    if (!r.dateOption.empty()) line(L"Backed up changes since " + ReportDate(r.since) + L" (" + r.dateOption + L")");
    line(L"Files selected: " + std::to_wstring(r.selected));
    line(L"Files backed up: " + std::to_wstring(r.copied));
    line(L"Files not backed up: " + std::to_wstring(r.notBackedUp));
    line(L"Folders not read: " + std::to_wstring(r.foldersNotRead));
    if (!r.notBackedUpList.empty()) line(L"They are listed in " + r.notBackedUpList);
  }
  if (!r.reason.empty()) line(L"Reason: " + r.reason);
  for (const std::wstring& m : r.messages) line(L"Message: " + m);
  for (const std::wstring& n : r.notes) line(L"Note: " + n);
  line(L"Ended " + ReportDate(r.end));
  line(L"Exit code: " + std::to_wstring(static_cast<int>(r.exit)) + L" (" + ExitMeaning(r.exit) + L")");
  line(L"");
  return text;
}

}  // namespace ferrimond

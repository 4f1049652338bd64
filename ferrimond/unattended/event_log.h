#pragma once
// The system's Application event log, source "Ferrimond".
#include <string>

namespace ferrimond {

enum class EventKind { Information, Warning, Error };

// Writes one entry; false, with the reason in `why`, where it cannot.
bool ReportToEventLog(EventKind kind, unsigned eventId, const std::wstring& text, std::wstring& why);

}  // namespace ferrimond

#include "common/system_error.h"

namespace common {

std::wstring SystemMessage(DWORD code) {
  wchar_t buffer[1024];
  DWORD n = FormatMessageW(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr,
                           code, 0, buffer, static_cast<DWORD>(std::size(buffer)), nullptr);
  while (n > 0 && (buffer[n - 1] == L'\r' || buffer[n - 1] == L'\n' || buffer[n - 1] == L' ')) --n;
  if (n == 0) return L"System error " + std::to_wstring(code);
  return std::wstring(buffer, n);
}

}  // namespace common

#include "common/date_text.h"

#include <windows.h>
#include <oleauto.h>

namespace common {

namespace {

std::wstring FromBstr(BSTR text) {
  std::wstring out(text ? text : L"", text ? SysStringLen(text) : 0);
  SysFreeString(text);
  return out;
}

}  // namespace

std::wstring DateText(DateTime date) {
  BSTR text = nullptr;
  if (FAILED(VarBstrFromDate(date.Value(), LOCALE_USER_DEFAULT, 0, &text))) return {};
  return FromBstr(text);
}

std::wstring ShortDateText(DateTime date) {
  BSTR text = nullptr;
  if (FAILED(VarBstrFromDate(date.DatePart().Value(), LOCALE_USER_DEFAULT, VAR_DATEVALUEONLY,
                             &text)))
    return {};
  return FromBstr(text);
}

bool ParseDate(const std::wstring& text, DateTime& out) {
  DATE value = 0;
  if (FAILED(VarDateFromStr(const_cast<OLECHAR*>(text.c_str()), LOCALE_USER_DEFAULT, 0, &value))) return false;
  out = DateTime(value);
  return true;
}

DateTime Now() {
  SYSTEMTIME st;
  GetLocalTime(&st);
  DateTime out;
  DateTime::FromParts({st.wYear, st.wMonth, st.wDay, st.wHour, st.wMinute, st.wSecond}, out);
  return out;
}

}  // namespace common

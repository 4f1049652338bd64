#pragma once
// The class factory behind DllGetClassObject.
#include <windows.h>

namespace almanix::com {

// A factory for MonthCalendar or DatePicker; CLASS_E_CLASSNOTAVAILABLE for
// CFrame and cMDC (public classes clients cannot create) and any other class.
HRESULT GetClassFactory(REFCLSID clsid, REFIID iid, void** out);

}  // namespace almanix::com

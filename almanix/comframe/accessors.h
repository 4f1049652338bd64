#pragma once
// Small pieces every property method of the controls' dual interfaces uses.
#include <windows.h>
#include <oleauto.h>

#include <new>
#include <string>

#include "almanix/comframe/com_error.h"

namespace almanix::com {

inline VARIANT_BOOL ToVariantBool(bool value) { return value ? VARIANT_TRUE : VARIANT_FALSE; }
inline bool FromVariantBool(VARIANT_BOOL value) { return value != VARIANT_FALSE; }

inline BSTR NewBstr(const std::wstring& text) {
  BSTR out = SysAllocStringLen(text.data(), static_cast<UINT>(text.size()));
  if (!out) throw std::bad_alloc();
  return out;
}

inline std::wstring FromBstr(BSTR text) { return std::wstring(text ? text : L"", SysStringLen(text)); }

// The window handle as the interfaces report it (32 significant bits).
inline LONG HandleValue(HWND hwnd) { return static_cast<LONG>(reinterpret_cast<LONG_PTR>(hwnd)); }

// A property read: `read()` gives the value, errors become HRESULTs.
template <class T, class F>
HRESULT GetProperty(REFIID iid, T* out, F&& read) {
  if (!out) return E_POINTER;
  return Guard(iid, [&] { *out = read(); });
}

}  // namespace almanix::com

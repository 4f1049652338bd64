#pragma once
// No C++ exception crosses a COM boundary: every method body runs through
// Guard, which turns the library's numbered errors into HRESULTs with rich
// error information (number, source "DatePicker", description).
#include <windows.h>

#include <cstdint>
#include <new>
#include <string>
#include <type_traits>

#include "common/numbered_error.h"

namespace almanix::com {

// The HRESULT of a numbered error: the control facility for the runtime's
// and the library's small numbers (0x800A0000 + n), the number itself when
// it is an HRESULT already (0x80040419).
HRESULT HresultOfNumber(int32_t number);

// Sets the thread's error information for `iid` and returns the HRESULT.
HRESULT RaiseComError(REFIID iid, int32_t number, const std::wstring& description,
                      const std::wstring& source);

// Runs `body` (returning void or HRESULT) for a method of interface `iid`.
template <class F>
HRESULT Guard(REFIID iid, F&& body) noexcept {
  try {
    if constexpr (std::is_void_v<decltype(body())>) {
      body();
      return S_OK;
    } else {
      return body();
    }
  } catch (const common::NumberedError& e) {
    return RaiseComError(iid, e.Number(), e.Description(), e.Source());
  } catch (const std::bad_alloc&) {
    return E_OUTOFMEMORY;
  } catch (...) {
    return E_UNEXPECTED;
  }
}

}  // namespace almanix::com

#pragma once
// IDispatch of a dual interface through its description in the library's
// own type library: names, ids and argument conversion come from there.
#include <windows.h>
#include <oaidl.h>

#include "almanix/comframe/module.h"

namespace almanix::com {

template <class Dual>
class DispatchImpl : public Dual {
 public:
  STDMETHODIMP GetTypeInfoCount(UINT* count) override {
    if (!count) return E_POINTER;
    *count = 1;
    return S_OK;
  }
  STDMETHODIMP GetTypeInfo(UINT index, LCID, ITypeInfo** info) override {
    if (!info) return E_POINTER;
    *info = nullptr;
    if (index != 0) return DISP_E_BADINDEX;
    return GetTypeInfoOf(__uuidof(Dual), info);
  }
  STDMETHODIMP GetIDsOfNames(REFIID, LPOLESTR* names, UINT count, LCID, DISPID* ids) override {
    ITypeInfo* info = nullptr;
    HRESULT hr = GetTypeInfoOf(__uuidof(Dual), &info);
    if (FAILED(hr)) return hr;
    hr = DispGetIDsOfNames(info, names, count, ids);
    info->Release();
    return hr;
  }
  STDMETHODIMP Invoke(DISPID id, REFIID, LCID, WORD flags, DISPPARAMS* params, VARIANT* result,
                      EXCEPINFO* exception, UINT* badArgument) override {
    ITypeInfo* info = nullptr;
    HRESULT hr = GetTypeInfoOf(__uuidof(Dual), &info);
    if (FAILED(hr)) return hr;
    hr = info->Invoke(static_cast<Dual*>(this), id, flags, params, result, exception, badArgument);
    info->Release();
    return hr;
  }
};

}  // namespace almanix::com

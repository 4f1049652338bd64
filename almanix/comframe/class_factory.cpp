#include "almanix/comframe/class_factory.h"

#include <new>

#include "almanix/comframe/almanix_idl.h"
#include "almanix/comframe/calendar_object.h"
#include "almanix/comframe/class_table.h"
#include "almanix/comframe/module.h"
#include "almanix/comframe/picker_object.h"

namespace almanix::com {

const PublicClass kPublicClasses[4] = {
    {CLSID_MonthCalendar, L"MonthCalendar", L"Almanix.MonthCalendar", 30000},
    {CLSID_CFrame, L"CFrame", nullptr, 0},
    {CLSID_cMDC, L"cMDC", nullptr, 0},
    {CLSID_DatePicker, L"DatePicker", L"Almanix.DatePicker", 30001},
};

const GUID kLibraryId = LIBID_Almanix;

namespace {

using Creator = HRESULT (*)(REFIID, void**);

class ClassFactory final : public IClassFactory {
 public:
  explicit ClassFactory(Creator create) : create_(create) { ObjectCreated(); }
  ~ClassFactory() { ObjectDestroyed(); }

  STDMETHODIMP QueryInterface(REFIID iid, void** out) override {
    if (!out) return E_POINTER;
    if (iid == IID_IUnknown || iid == IID_IClassFactory) {
      *out = static_cast<IClassFactory*>(this);
      AddRef();
      return S_OK;
    }
    *out = nullptr;
    return E_NOINTERFACE;
  }
  STDMETHODIMP_(ULONG) AddRef() override { return InterlockedIncrement(&refs_); }
  STDMETHODIMP_(ULONG) Release() override {
    const LONG left = InterlockedDecrement(&refs_);
    if (left == 0) delete this;
    return left;
  }
  STDMETHODIMP CreateInstance(IUnknown* outer, REFIID iid, void** out) override {
    if (!out) return E_POINTER;
    *out = nullptr;
    if (outer) return CLASS_E_NOAGGREGATION;
    try {  // nothing may unwind across the COM boundary
      return create_(iid, out);
    } catch (...) {
      return E_OUTOFMEMORY;
    }
  }
  STDMETHODIMP LockServer(BOOL lock) override {
    LockModule(lock != FALSE);
    return S_OK;
  }

 private:
  LONG refs_ = 1;
  Creator create_;
};

}  // namespace

HRESULT GetClassFactory(REFCLSID clsid, REFIID iid, void** out) {
  if (!out) return E_POINTER;
  *out = nullptr;
  Creator create = nullptr;
  if (clsid == CLSID_MonthCalendar) create = &CalendarObject::Create;
  else if (clsid == CLSID_DatePicker) create = &PickerObject::Create;
  else return CLASS_E_CLASSNOTAVAILABLE;
  auto* factory = new (std::nothrow) ClassFactory(create);
  if (!factory) return E_OUTOFMEMORY;
  const HRESULT hr = factory->QueryInterface(iid, out);
  factory->Release();
  return hr;
}

}  // namespace almanix::com

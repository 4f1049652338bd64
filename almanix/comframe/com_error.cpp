#include "almanix/comframe/com_error.h"

#include <oleauto.h>
#include <wrl/client.h>

#include "almanix/core/control_error.h"

namespace almanix::com {

HRESULT HresultOfNumber(int32_t number) {
  if (number < 0) return static_cast<HRESULT>(number);
  return MAKE_HRESULT(SEVERITY_ERROR, FACILITY_CONTROL, number & 0xFFFF);
}

HRESULT RaiseComError(REFIID iid, int32_t number, const std::wstring& description,
                      const std::wstring& source) {
  Microsoft::WRL::ComPtr<ICreateErrorInfo> create;
  if (SUCCEEDED(CreateErrorInfo(&create))) {
    std::wstring text = description.empty() ? common::RuntimeDescription(number) : description;
    create->SetGUID(iid);
    create->SetSource(const_cast<LPOLESTR>(source.empty() ? kErrorSource : source.c_str()));
    create->SetDescription(const_cast<LPOLESTR>(text.c_str()));
    Microsoft::WRL::ComPtr<IErrorInfo> info;
    if (SUCCEEDED(create.As(&info))) SetErrorInfo(0, info.Get());
  }
  return HresultOfNumber(number);
}

}  // namespace almanix::com

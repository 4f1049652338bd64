#pragma once
// The connection points of a control: one for its event dispatch
// interface, one for IPropertyNotifySink. They live inside the control and
// share its reference count.
#include <windows.h>
#include <ocidl.h>
#include <wrl/client.h>

#include <vector>

namespace almanix::com {

using Microsoft::WRL::ComPtr;

class ConnectionPoint final : public IConnectionPoint {
 public:
  // `owner` is the control (its IUnknown and container); `iid` the
  // interface sinks implement. A sink of a dispatch interface may also
  // answer only for IDispatch (`acceptDispatch`).
  ConnectionPoint(IConnectionPointContainer* owner, REFIID iid, bool acceptDispatch);
  ConnectionPoint(const ConnectionPoint&) = delete;
  ConnectionPoint& operator=(const ConnectionPoint&) = delete;

  STDMETHODIMP QueryInterface(REFIID iid, void** out) override;
  STDMETHODIMP_(ULONG) AddRef() override;
  STDMETHODIMP_(ULONG) Release() override;

  STDMETHODIMP GetConnectionInterface(IID* iid) override;
  STDMETHODIMP GetConnectionPointContainer(IConnectionPointContainer** out) override;
  STDMETHODIMP Advise(IUnknown* sink, DWORD* cookie) override;
  STDMETHODIMP Unadvise(DWORD cookie) override;
  STDMETHODIMP EnumConnections(IEnumConnections** out) override;

  // The sinks advised now, each as the interface it was advised for.
  std::vector<ComPtr<IUnknown>> Sinks() const;

 private:
  IConnectionPointContainer* owner_;
  IID iid_;
  bool acceptDispatch_;
  struct Sink {
    DWORD cookie;
    ComPtr<IUnknown> sink;
  };
  std::vector<Sink> sinks_;
  DWORD nextCookie_ = 1;
};

// IEnumConnectionPoints over the control's connection points.
HRESULT EnumerateConnectionPoints(const std::vector<IConnectionPoint*>& points, IEnumConnectionPoints** out);

}  // namespace almanix::com

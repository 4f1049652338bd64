#include "almanix/comframe/connection_point.h"

#include <olectl.h>

#include <new>

#include "almanix/comframe/module.h"

namespace almanix::com {

namespace {

// A COM enumerator over a snapshot of items, copied out with AddRef.
template <class Enum, class Item, const IID* Iid>
class Enumerator final : public Enum {
 public:
  explicit Enumerator(std::vector<Item> items, size_t position = 0)
      : items_(std::move(items)), position_(position) {
    for (Item& i : items_) Hold(i);
    ObjectCreated();
  }
  ~Enumerator() {
    for (Item& i : items_) Drop(i);
    ObjectDestroyed();
  }

  STDMETHODIMP QueryInterface(REFIID iid, void** out) override {
    if (!out) return E_POINTER;
    if (iid == IID_IUnknown || iid == *Iid) {
      *out = static_cast<Enum*>(this);
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
  STDMETHODIMP Next(ULONG count, Item* out, ULONG* fetched) override {
    if (!out || (count > 1 && !fetched)) return E_POINTER;
    ULONG n = 0;
    for (; n < count && position_ < items_.size(); ++n, ++position_) {
      out[n] = items_[position_];
      Hold(out[n]);
    }
    if (fetched) *fetched = n;
    return n == count ? S_OK : S_FALSE;
  }
  STDMETHODIMP Skip(ULONG count) override {
    position_ += count;
    if (position_ <= items_.size()) return S_OK;
    position_ = items_.size();
    return S_FALSE;
  }
  STDMETHODIMP Reset() override {
    position_ = 0;
    return S_OK;
  }
  STDMETHODIMP Clone(Enum** out) override {
    if (!out) return E_POINTER;
    *out = nullptr;
    try {
      *out = new Enumerator(items_, position_);  // copies the items
    } catch (...) {
      return E_OUTOFMEMORY;
    }
    return S_OK;
  }

 private:
  static void Hold(IConnectionPoint* p) { p->AddRef(); }
  static void Drop(IConnectionPoint* p) { p->Release(); }
  static void Hold(CONNECTDATA& d) { d.pUnk->AddRef(); }
  static void Drop(CONNECTDATA& d) { d.pUnk->Release(); }

  LONG refs_ = 1;
  std::vector<Item> items_;
  size_t position_;
};

using ConnectionEnumerator = Enumerator<IEnumConnections, CONNECTDATA, &IID_IEnumConnections>;
using PointEnumerator = Enumerator<IEnumConnectionPoints, IConnectionPoint*, &IID_IEnumConnectionPoints>;

}  // namespace

ConnectionPoint::ConnectionPoint(IConnectionPointContainer* owner, REFIID iid, bool acceptDispatch)
    : owner_(owner), iid_(iid), acceptDispatch_(acceptDispatch) {}

STDMETHODIMP ConnectionPoint::QueryInterface(REFIID iid, void** out) {
  if (!out) return E_POINTER;
  if (iid == IID_IUnknown || iid == IID_IConnectionPoint) {
    *out = static_cast<IConnectionPoint*>(this);
    AddRef();
    return S_OK;
  }
  *out = nullptr;
  return E_NOINTERFACE;
}

STDMETHODIMP_(ULONG) ConnectionPoint::AddRef() { return owner_->AddRef(); }
STDMETHODIMP_(ULONG) ConnectionPoint::Release() { return owner_->Release(); }

STDMETHODIMP ConnectionPoint::GetConnectionInterface(IID* iid) {
  if (!iid) return E_POINTER;
  *iid = iid_;
  return S_OK;
}

STDMETHODIMP ConnectionPoint::GetConnectionPointContainer(IConnectionPointContainer** out) {
  if (!out) return E_POINTER;
  *out = owner_;
  owner_->AddRef();
  return S_OK;
}

STDMETHODIMP ConnectionPoint::Advise(IUnknown* sink, DWORD* cookie) {
  if (!sink || !cookie) return E_POINTER;
  *cookie = 0;
  ComPtr<IUnknown> held;
  if (FAILED(sink->QueryInterface(iid_, reinterpret_cast<void**>(held.GetAddressOf())))) {
    if (!acceptDispatch_ ||
        FAILED(sink->QueryInterface(IID_IDispatch, reinterpret_cast<void**>(held.GetAddressOf()))))
      return CONNECT_E_CANNOTCONNECT;
  }
  try {
    sinks_.push_back({nextCookie_, held});
  } catch (...) {
    return E_OUTOFMEMORY;
  }
  *cookie = nextCookie_++;
  return S_OK;
}

STDMETHODIMP ConnectionPoint::Unadvise(DWORD cookie) {
  for (auto it = sinks_.begin(); it != sinks_.end(); ++it) {
    if (it->cookie != cookie) continue;
    ComPtr<IUnknown> going = std::move(it->sink);  // released after the erase
    sinks_.erase(it);
    return S_OK;
  }
  return CONNECT_E_NOCONNECTION;
}

STDMETHODIMP ConnectionPoint::EnumConnections(IEnumConnections** out) {
  if (!out) return E_POINTER;
  *out = nullptr;
  try {
    std::vector<CONNECTDATA> data;
    for (const Sink& s : sinks_) data.push_back({s.sink.Get(), s.cookie});
    *out = new ConnectionEnumerator(std::move(data));
  } catch (...) {
    return E_OUTOFMEMORY;
  }
  return S_OK;
}

std::vector<ComPtr<IUnknown>> ConnectionPoint::Sinks() const {
  std::vector<ComPtr<IUnknown>> out;
  for (const Sink& s : sinks_) out.push_back(s.sink);
  return out;
}

HRESULT EnumerateConnectionPoints(const std::vector<IConnectionPoint*>& points, IEnumConnectionPoints** out) {
  if (!out) return E_POINTER;
  *out = nullptr;
  try {
    *out = new PointEnumerator(points);
  } catch (...) {
    return E_OUTOFMEMORY;
  }
  return S_OK;
}

}  // namespace almanix::com

#include "almanix/core/accessible.h"

#include <oleauto.h>

#include <atomic>
#include <new>
#include <utility>

#include "almanix/core/locale_names.h"

namespace almanix {

namespace {

BSTR Text(const std::wstring& s) { return SysAllocStringLen(s.data(), static_cast<UINT>(s.size())); }

std::atomic<long> liveObjects{0};

}  // namespace

// The IAccessible of one control window. Its control cuts it off when it
// goes, so a screen reader holding on to the object gets an error, not a
// dangling control.
class WindowAccessible final : public IAccessible, public IOleWindow {
 public:
  WindowAccessible(HWND hwnd, AccessibleControl* control, IAccessible* proxy)
      : hwnd_(hwnd), control_(control), proxy_(proxy) {
    ++liveObjects;
  }
  void Disconnect() {
    control_ = nullptr;
    if (IAccessible* proxy = std::exchange(proxy_, nullptr)) proxy->Release();
  }

  // IUnknown
  STDMETHODIMP QueryInterface(REFIID iid, void** out) override {
    if (!out) return E_POINTER;
    if (iid == IID_IUnknown || iid == IID_IDispatch || iid == __uuidof(IAccessible)) *out = static_cast<IAccessible*>(this);
    else if (iid == IID_IOleWindow) *out = static_cast<IOleWindow*>(this);
    else *out = nullptr;
    if (!*out) return E_NOINTERFACE;
    AddRef();
    return S_OK;
  }
  STDMETHODIMP_(ULONG) AddRef() override { return InterlockedIncrement(&refs_); }
  STDMETHODIMP_(ULONG) Release() override {
    const LONG left = InterlockedDecrement(&refs_);
    if (left == 0) delete this;
    return left;
  }

  // IOleWindow
  STDMETHODIMP GetWindow(HWND* hwnd) override {
    if (!hwnd) return E_POINTER;
    *hwnd = hwnd_;
    return S_OK;
  }
  STDMETHODIMP ContextSensitiveHelp(BOOL) override { return E_NOTIMPL; }

  // IDispatch: screen readers use the vtable.
  STDMETHODIMP GetTypeInfoCount(UINT* n) override {
    if (!n) return E_POINTER;
    *n = 0;
    return S_OK;
  }
  STDMETHODIMP GetTypeInfo(UINT, LCID, ITypeInfo**) override { return E_NOTIMPL; }
  STDMETHODIMP GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override { return E_NOTIMPL; }
  STDMETHODIMP Invoke(DISPID, REFIID, LCID, WORD, DISPPARAMS*, VARIANT*, EXCEPINFO*, UINT*) override {
    return E_NOTIMPL;
  }

  // IAccessible
  STDMETHODIMP get_accParent(IDispatch** out) override {
    if (!out) return E_POINTER;
    *out = nullptr;
    return Control() ? proxy_->get_accParent(out) : RPC_E_DISCONNECTED;
  }
  STDMETHODIMP get_accChildCount(long* count) override {
    if (!count) return E_POINTER;
    AccessibleControl* c = Control();
    if (!c) return RPC_E_DISCONNECTED;
    *count = c->AccessibleChildCount();
    return S_OK;
  }
  STDMETHODIMP get_accChild(VARIANT child, IDispatch** out) override {
    if (!out) return E_POINTER;
    *out = nullptr;
    long id = 0;
    HRESULT hr = Check(child, id);
    return FAILED(hr) ? hr : S_FALSE;  // the parts are simple elements
  }
  STDMETHODIMP get_accName(VARIANT child, BSTR* out) override {
    return TextOf(child, out, [](const AccessiblePart& p) { return p.name; });
  }
  STDMETHODIMP get_accValue(VARIANT child, BSTR* out) override {
    return TextOf(child, out, [](const AccessiblePart& p) { return p.value; });
  }
  STDMETHODIMP get_accDescription(VARIANT child, BSTR* out) override {
    return TextOf(child, out, [](const AccessiblePart& p) { return p.description; });
  }
  STDMETHODIMP get_accDefaultAction(VARIANT child, BSTR* out) override {
    return TextOf(child, out, [](const AccessiblePart& p) { return p.defaultAction; });
  }
  STDMETHODIMP get_accRole(VARIANT child, VARIANT* out) override {
    return NumberOf(child, out, [](const AccessiblePart& p) { return p.role; });
  }
  STDMETHODIMP get_accState(VARIANT child, VARIANT* out) override {
    return NumberOf(child, out, [](const AccessiblePart& p) { return p.state; });
  }
  STDMETHODIMP get_accHelp(VARIANT child, BSTR* out) override {
    if (!out) return E_POINTER;
    *out = nullptr;
    return S_FALSE;
  }
  STDMETHODIMP get_accHelpTopic(BSTR* file, VARIANT, long* topic) override {
    if (file) *file = nullptr;
    if (topic) *topic = 0;
    return S_FALSE;
  }
  STDMETHODIMP get_accKeyboardShortcut(VARIANT child, BSTR* out) override {
    if (!out) return E_POINTER;
    *out = nullptr;
    long id = 0;
    HRESULT hr = Check(child, id);
    if (FAILED(hr)) return hr;
    return id == CHILDID_SELF ? proxy_->get_accKeyboardShortcut(child, out) : (*out = nullptr, S_FALSE);
  }
  STDMETHODIMP get_accFocus(VARIANT* out) override {
    if (!out) return E_POINTER;
    VariantInit(out);
    return Control() ? proxy_->get_accFocus(out) : RPC_E_DISCONNECTED;
  }
  STDMETHODIMP get_accSelection(VARIANT* out) override {
    if (!out) return E_POINTER;
    VariantInit(out);
    return S_FALSE;
  }
  STDMETHODIMP accSelect(long flags, VARIANT child) override {
    long id = 0;
    HRESULT hr = Check(child, id);
    if (FAILED(hr)) return hr;
    return id == CHILDID_SELF ? proxy_->accSelect(flags, child) : DISP_E_MEMBERNOTFOUND;
  }
  STDMETHODIMP accLocation(long* x, long* y, long* w, long* h, VARIANT child) override {
    if (!x || !y || !w || !h) return E_POINTER;
    long id = 0;
    HRESULT hr = Check(child, id);
    if (FAILED(hr)) return hr;
    if (id == CHILDID_SELF) return proxy_->accLocation(x, y, w, h, child);
    RECT r = Control()->AccessiblePartOf(id).rect;
    MapWindowPoints(hwnd_, nullptr, reinterpret_cast<POINT*>(&r), 2);
    *x = r.left, *y = r.top, *w = r.right - r.left, *h = r.bottom - r.top;
    return S_OK;
  }
  STDMETHODIMP accNavigate(long dir, VARIANT start, VARIANT* out) override {
    if (!out) return E_POINTER;
    VariantInit(out);
    long id = 0;
    HRESULT hr = Check(start, id);
    if (FAILED(hr)) return hr;
    const long count = Control()->AccessibleChildCount();
    long to = 0;
    if (id == CHILDID_SELF) {
      if (dir == NAVDIR_FIRSTCHILD) to = count > 0 ? 1 : 0;
      else if (dir == NAVDIR_LASTCHILD) to = count;
      else return proxy_->accNavigate(dir, start, out);
    } else if (dir == NAVDIR_NEXT || dir == NAVDIR_RIGHT || dir == NAVDIR_DOWN) {
      to = id < count ? id + 1 : 0;
    } else if (dir == NAVDIR_PREVIOUS || dir == NAVDIR_LEFT || dir == NAVDIR_UP) {
      to = id - 1;
    }
    if (to <= 0) return S_FALSE;
    out->vt = VT_I4;
    out->lVal = to;
    return S_OK;
  }
  STDMETHODIMP accHitTest(long x, long y, VARIANT* out) override {
    if (!out) return E_POINTER;
    VariantInit(out);
    AccessibleControl* c = Control();
    if (!c) return RPC_E_DISCONNECTED;
    POINT p{x, y};
    RECT client;
    ScreenToClient(hwnd_, &p);
    GetClientRect(hwnd_, &client);
    if (!PtInRect(&client, p)) return S_FALSE;
    out->vt = VT_I4;
    out->lVal = CHILDID_SELF;
    for (long i = 1, n = c->AccessibleChildCount(); i <= n; ++i) {
      const RECT r = c->AccessiblePartOf(i).rect;
      if (PtInRect(&r, p)) out->lVal = i;
    }
    return S_OK;
  }
  STDMETHODIMP accDoDefaultAction(VARIANT child) override {
    long id = 0;
    HRESULT hr = Check(child, id);
    if (FAILED(hr)) return hr;
    return Control()->AccessibleAction(id) ? S_OK : DISP_E_MEMBERNOTFOUND;
  }
  STDMETHODIMP put_accName(VARIANT, BSTR) override { return DISP_E_MEMBERNOTFOUND; }
  STDMETHODIMP put_accValue(VARIANT, BSTR) override { return DISP_E_MEMBERNOTFOUND; }

 private:
  ~WindowAccessible() {
    Disconnect();
    --liveObjects;
  }

  // The control, on its window's thread (where COM delivers the calls of
  // readers in other apartments and processes) while it lives.
  AccessibleControl* Control() const {
    if (!control_ || GetWindowThreadProcessId(hwnd_, nullptr) != GetCurrentThreadId()) return nullptr;
    return control_;
  }
  // The child id of `child`, which must name the control or one of its parts.
  HRESULT Check(const VARIANT& child, long& id) const {
    AccessibleControl* c = Control();
    if (!c) return RPC_E_DISCONNECTED;
    if (child.vt != VT_I4 || child.lVal < 0 || child.lVal > c->AccessibleChildCount()) return E_INVALIDARG;
    id = child.lVal;
    return S_OK;
  }
  template <class F>
  HRESULT TextOf(const VARIANT& child, BSTR* out, F field) {
    if (!out) return E_POINTER;
    *out = nullptr;
    long id = 0;
    HRESULT hr = Check(child, id);
    if (FAILED(hr)) return hr;
    const std::wstring text = field(Control()->AccessiblePartOf(id));
    if (text.empty()) return S_FALSE;
    *out = Text(text);
    return *out ? S_OK : E_OUTOFMEMORY;
  }
  template <class F>
  HRESULT NumberOf(const VARIANT& child, VARIANT* out, F field) {
    if (!out) return E_POINTER;
    VariantInit(out);
    long id = 0;
    HRESULT hr = Check(child, id);
    if (FAILED(hr)) return hr;
    out->vt = VT_I4;
    out->lVal = field(Control()->AccessiblePartOf(id));
    return S_OK;
  }

  LONG refs_ = 1;
  HWND hwnd_;
  AccessibleControl* control_;
  IAccessible* proxy_;
};

LRESULT AccessibleObject::Answer(HWND hwnd, AccessibleControl* control, WPARAM wp, LPARAM lp) {
  if (static_cast<LONG>(lp) != OBJID_CLIENT || !hwnd) return 0;
  if (!object_) {
    IAccessible* proxy = nullptr;
    if (FAILED(CreateStdAccessibleObject(hwnd, OBJID_CLIENT, IID_PPV_ARGS(&proxy)))) return 0;
    object_ = new (std::nothrow) WindowAccessible(hwnd, control, proxy);
    if (!object_) {
      proxy->Release();
      return 0;
    }
  }
  const LRESULT result = LresultFromObject(__uuidof(IAccessible), wp, static_cast<IAccessible*>(object_));
  return result < 0 ? 0 : result;
}

void AccessibleObject::Disconnect() {
  if (!object_) return;
  object_->Disconnect();
  std::exchange(object_, nullptr)->Release();
}

long LiveAccessibleObjects() { return liveObjects.load(); }

long WindowStates(HWND hwnd) {
  long state = STATE_SYSTEM_FOCUSABLE;
  if (GetFocus() == hwnd) state |= STATE_SYSTEM_FOCUSED;
  if (!IsWindowVisible(hwnd)) state |= STATE_SYSTEM_INVISIBLE;
  return state;
}

std::wstring LongDateText(common::DateTime date) {
  const common::DateParts p = date.Parts();
  SYSTEMTIME st{static_cast<WORD>(p.year), static_cast<WORD>(p.month), 0, static_cast<WORD>(p.day), 0, 0, 0, 0};
  st.wDayOfWeek = static_cast<WORD>(date.Weekday() - 1);
  wchar_t text[128];
  if (GetDateFormatW(LOCALE_USER_DEFAULT, DATE_LONGDATE, &st, nullptr, text, 128) > 0) return text;
  return DayName(date.Weekday()) + L", " + std::to_wstring(p.day) + L" " + MonthName(p.month) + L" " +
         std::to_wstring(p.year);
}

}  // namespace almanix

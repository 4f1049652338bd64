#include "almanix/comframe/ole_control.h"

#include <commctrl.h>
#include <oleauto.h>

#include <mutex>
#include <new>

#include "almanix/comframe/class_table.h"
#include "almanix/comframe/com_error.h"
#include "almanix/comframe/font_object.h"
#include "almanix/comframe/module.h"
#include "almanix/comframe/property_bags.h"

namespace almanix::com {

namespace {

constexpr UINT_PTR kSubclassId = 0x416C6D78;  // "Almx"
constexpr wchar_t kContentsStream[] = L"Contents";
// "Set not permitted": a sink refused a property change.
constexpr int32_t kSetNotPermitted = 387;
// KEYMODIFIERS of IOleControlSite::TranslateAccelerator.
constexpr DWORD kKeyModShift = 1, kKeyModControl = 2;

int ScreenDpi(int axis) {
  HDC screen = GetDC(nullptr);
  const int dpi = GetDeviceCaps(screen, axis);
  ReleaseDC(nullptr, screen);
  return dpi > 0 ? dpi : 96;
}

// Controls whose last reference went while one of their events ran: freed
// from the message loop of their thread, once the control's own code has
// returned. Thread timers of different threads share ids.
struct PendingRelease {
  DWORD thread;
  UINT_PTR timer;
  IUnknown* object;
};
struct PendingReleases {
  std::mutex lock;
  std::vector<PendingRelease> items;
};

PendingReleases& Pending() {
  static PendingReleases pending;
  return pending;
}

}  // namespace

SIZEL PixelsToHimetric(SIZE pixels) {
  return {MulDiv(pixels.cx, 2540, ScreenDpi(LOGPIXELSX)), MulDiv(pixels.cy, 2540, ScreenDpi(LOGPIXELSY))};
}

OleControl::OleControl(const ControlClass& cls)
    : class_(cls),
      eventPoint_(this, cls.events, true),
      notifyPoint_(this, IID_IPropertyNotifySink, false) {
  extent_ = PixelsToHimetric(cls.naturalSize);
  ObjectCreated();
}

OleControl::~OleControl() { ObjectDestroyed(); }

// ---------------------------------------------------------------- IUnknown

HRESULT OleControl::QueryControl(REFIID iid, void** out) {
  if (!out) return E_POINTER;
  *out = nullptr;
  if (iid == IID_IUnknown || iid == IID_IOleObject) *out = static_cast<IOleObject*>(this);
  else if (iid == IID_IDispatch || iid == class_.dual) *out = Dual();
  else if (iid == IID_IOleWindow || iid == IID_IOleInPlaceObject) *out = static_cast<IOleInPlaceObject*>(this);
  else if (iid == IID_IOleInPlaceActiveObject) *out = static_cast<IOleInPlaceActiveObject*>(this);
  else if (iid == IID_IOleControl) *out = static_cast<IOleControl*>(this);
  else if (iid == IID_IViewObject || iid == IID_IViewObject2) *out = static_cast<IViewObject2*>(this);
  else if (iid == IID_IPersist || iid == IID_IPersistPropertyBag) *out = static_cast<IPersistPropertyBag*>(this);
  else if (iid == IID_IPersistStreamInit) *out = static_cast<IPersistStreamInit*>(this);
  else if (iid == IID_IPersistStorage) *out = static_cast<IPersistStorage*>(this);
  else if (iid == IID_IConnectionPointContainer) *out = static_cast<IConnectionPointContainer*>(this);
  else if (iid == IID_IProvideClassInfo || iid == IID_IProvideClassInfo2) *out = static_cast<IProvideClassInfo2*>(this);
  else if (iid == IID_ISupportErrorInfo) *out = static_cast<ISupportErrorInfo*>(this);
  if (!*out) return E_NOINTERFACE;
  AddRefControl();
  return S_OK;
}

ULONG OleControl::AddRefControl() { return InterlockedIncrement(&refs_); }

ULONG OleControl::ReleaseControl() {
  const LONG left = InterlockedDecrement(&refs_);
  if (left == 0) delete this;
  return left;
}

void CALLBACK OleControl::ReleaseLater(HWND, UINT, UINT_PTR timer, DWORD) {
  KillTimer(nullptr, timer);
  IUnknown* object = nullptr;
  {
    PendingReleases& p = Pending();
    std::lock_guard<std::mutex> hold(p.lock);
    for (auto it = p.items.begin(); it != p.items.end(); ++it) {
      if (it->timer != timer || it->thread != GetCurrentThreadId()) continue;
      object = it->object;
      p.items.erase(it);
      break;
    }
  }
  if (object) object->Release();
}

// ---------------------------------------------------------------- events and changes

OleControl::Hold::Hold(OleControl& c) : control_(&c) {
  // A control being destroyed (no references left) is not held again.
  if (InterlockedCompareExchange(&c.refs_, 0, 0) == 0) control_ = nullptr;
  else c.AddRefControl();
}

OleControl::Hold::~Hold() {
  if (!control_) return;
  if (InterlockedCompareExchange(&control_->refs_, 0, 0) > 1) {
    control_->ReleaseControl();
    return;
  }
  // The host let go during the call: the control's code that made it is
  // still running, so the last release waits for the message loop.
  const UINT_PTR timer = SetTimer(nullptr, 0, 0, &OleControl::ReleaseLater);
  if (!timer) {
    control_->ReleaseControl();
    return;
  }
  PendingReleases& p = Pending();
  std::lock_guard<std::mutex> hold(p.lock);
  try {
    p.items.push_back({GetCurrentThreadId(), timer, static_cast<IOleObject*>(control_)});
  } catch (...) {
    // No room to wait in: leaked rather than freed under its running code.
    KillTimer(nullptr, timer);
  }
}

void OleControl::FireArgs(DISPID id, EventArg* args, UINT count) {
  if (freeze_ > 0) return;
  Hold hold(*this);
  std::vector<VARIANTARG> values(count);
  for (UINT i = 0; i < count; ++i) values[i] = args[i].v;
  DISPPARAMS params{values.data(), nullptr, count, 0};
  for (const ComPtr<IUnknown>& sink : eventPoint_.Sinks()) {
    // Advised for the event dispinterface or for IDispatch: either way the
    // pointer held is an IDispatch.
    auto* dispatch = static_cast<IDispatch*>(sink.Get());
    dispatch->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_METHOD, &params, nullptr, nullptr, nullptr);
    for (UINT i = 0; i < count; ++i)
      if (args[i].flag) *args[i].flag = args[i].temp != VARIANT_FALSE;
  }
}

void OleControl::PropertyChanged(std::wstring_view bagName) {
  HWND window = ControlWindow();
  if (bagName == L"Value" && window) NotifyWinEvent(EVENT_OBJECT_VALUECHANGE, window, OBJID_CLIENT, CHILDID_SELF);
  if (loading_) return;
  dirty_ = true;
  Hold hold(*this);
  DISPID id = DISPID_UNKNOWN;
  for (const PropertyId& p : PersistedProperties())
    if (bagName == p.bagName) id = p.dispid;
  for (const ComPtr<IUnknown>& sink : notifyPoint_.Sinks()) {
    ComPtr<IPropertyNotifySink> notify;
    if (SUCCEEDED(sink.As(&notify))) notify->OnChanged(id);
  }
  ViewChanged();
}

void OleControl::RequestEdit(DISPID dispid) {
  Hold hold(*this);
  for (const ComPtr<IUnknown>& sink : notifyPoint_.Sinks()) {
    ComPtr<IPropertyNotifySink> notify;
    if (SUCCEEDED(sink.As(&notify)) && notify->OnRequestEdit(dispid) == S_FALSE)
      throw common::NumberedError(kSetNotPermitted, L"Set not permitted");
  }
}

void OleControl::ViewChanged() {
  Hold hold(*this);
  if (viewSink_ && (viewAspects_ & DVASPECT_CONTENT)) viewSink_->OnViewChange(DVASPECT_CONTENT, -1);
}

// ---------------------------------------------------------------- ambient properties

bool OleControl::Ambient(DISPID id, VARIANT& out) {
  VariantInit(&out);
  ComPtr<IDispatch> ambients;
  if (!site_ || FAILED(site_.As(&ambients))) return false;
  DISPPARAMS none{};
  return SUCCEEDED(ambients->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_PROPERTYGET, &none, &out,
                                    nullptr, nullptr));
}

void OleControl::ReadAmbients(DISPID which) {
  Hold hold(*this);
  const bool all = which == DISPID_UNKNOWN;
  VARIANT v;
  if (all || which == DISPID_AMBIENT_USERMODE) {
    // A host that does not say runs the control.
    userMode_ = !Ambient(DISPID_AMBIENT_USERMODE, v) || FAILED(VariantChangeType(&v, &v, 0, VT_BOOL)) ||
                v.boolVal != VARIANT_FALSE;
    VariantClear(&v);
  }
  if (all || which == DISPID_AMBIENT_FONT) {
    ambientFont_.reset();
    PickerFont font;
    if (Ambient(DISPID_AMBIENT_FONT, v) && (v.vt == VT_DISPATCH || v.vt == VT_UNKNOWN) &&
        FontOfObject(v.punkVal, font))
      ambientFont_ = font;
    VariantClear(&v);
  }
  if (all || which == DISPID_AMBIENT_BACKCOLOR) {
    ambientBackColor_.reset();
    if (Ambient(DISPID_AMBIENT_BACKCOLOR, v) && SUCCEEDED(VariantChangeType(&v, &v, 0, VT_I4)))
      ambientBackColor_ = static_cast<OLE_COLOR>(v.lVal);
    VariantClear(&v);
  }
  if (all || which == DISPID_AMBIENT_DISPLAYNAME) {
    ambientDisplayName_.clear();
    if (Ambient(DISPID_AMBIENT_DISPLAYNAME, v) && SUCCEEDED(VariantChangeType(&v, &v, 0, VT_BSTR)))
      ambientDisplayName_.assign(v.bstrVal ? v.bstrVal : L"", SysStringLen(v.bstrVal));
    VariantClear(&v);
  }
  if (all || which == DISPID_AMBIENT_LOCALEID) {
    ambientLocale_ = LOCALE_USER_DEFAULT;
    if (Ambient(DISPID_AMBIENT_LOCALEID, v) && SUCCEEDED(VariantChangeType(&v, &v, 0, VT_I4)))
      ambientLocale_ = static_cast<LCID>(v.lVal);
    VariantClear(&v);
  }
  AmbientChanged(which);
}

STDMETHODIMP OleControl::OnAmbientPropertyChange(DISPID id) {
  return Guard(IID_IOleControl, [&] { ReadAmbients(id); });
}

STDMETHODIMP OleControl::FreezeEvents(BOOL freeze) {
  freeze_ += freeze ? 1 : -1;
  if (freeze_ < 0) freeze_ = 0;
  return S_OK;
}

STDMETHODIMP OleControl::GetControlInfo(CONTROLINFO* info) {
  if (!info) return E_POINTER;
  info->cb = sizeof(CONTROLINFO);
  info->hAccel = nullptr;
  info->cAccel = 0;
  info->dwFlags = 0;
  return S_OK;
}

// ---------------------------------------------------------------- IOleObject

STDMETHODIMP OleControl::SetClientSite(IOleClientSite* site) {
  return Guard(IID_IOleObject, [&] {
    if (!site) {
      InPlaceDeactivate();
      inPlaceSite_.Reset();
    }
    site_ = site;
    if (site_) ReadAmbients(DISPID_UNKNOWN);
  });
}

STDMETHODIMP OleControl::GetClientSite(IOleClientSite** site) {
  if (!site) return E_POINTER;
  *site = site_.Get();
  if (*site) (*site)->AddRef();
  return S_OK;
}

STDMETHODIMP OleControl::Close(DWORD saveOption) {
  Hold hold(*this);
  return Guard(IID_IOleObject, [&] {
    InPlaceDeactivate();
    // No prompt of our own: asking to prompt saves a changed control too.
    const bool save = saveOption == OLECLOSE_SAVEIFDIRTY || saveOption == OLECLOSE_PROMPTSAVE;
    if (dirty_ && site_ && save) site_->SaveObject();
    if (adviseHolder_) adviseHolder_->SendOnClose();
  });
}

STDMETHODIMP OleControl::DoVerb(LONG verb, LPMSG, IOleClientSite* site, LONG, HWND parent, LPCRECT pos) {
  return Guard(IID_IOleObject, [&]() -> HRESULT {
    if (site && !site_) SetClientSite(site);
    switch (verb) {
      case OLEIVERB_PRIMARY: case OLEIVERB_SHOW: case OLEIVERB_UIACTIVATE:
        return InPlaceActivate(OLEIVERB_UIACTIVATE, parent, pos);
      case OLEIVERB_INPLACEACTIVATE:
        return InPlaceActivate(OLEIVERB_INPLACEACTIVATE, parent, pos);
      case OLEIVERB_HIDE:
        UIDeactivate();
        if (HWND w = ControlWindow()) ShowWindow(w, SW_HIDE);
        return S_OK;
      default:
        return verb < 0 ? E_NOTIMPL : OLEOBJ_S_INVALIDVERB;
    }
  });
}

HRESULT OleControl::InPlaceActivate(LONG verb, HWND parent, LPCRECT pos) {
  if (!site_) return E_UNEXPECTED;
  Hold hold(*this);
  if (!inPlaceSite_) {
    if (FAILED(site_.As(&inPlaceSite_))) return E_NOINTERFACE;
  }
  if (!inPlaceActive_) {
    if (inPlaceSite_->CanInPlaceActivate() != S_OK) return E_FAIL;
    inPlaceActive_ = true;
    inPlaceSite_->OnInPlaceActivate();
  }
  ComPtr<IOleInPlaceFrame> frame;
  ComPtr<IOleInPlaceUIWindow> document;
  RECT position{}, clip{};
  OLEINPLACEFRAMEINFO frameInfo{};
  frameInfo.cb = sizeof(frameInfo);
  inPlaceSite_->GetWindowContext(&frame, &document, &position, &clip, &frameInfo);
  if (pos) position = *pos;
  HWND siteWindow = nullptr;
  inPlaceSite_->GetWindow(&siteWindow);
  if (!siteWindow) siteWindow = parent;

  HWND window = ControlWindow();
  if (!window) {
    window = CreateControlWindow(siteWindow, position);
    if (!window) return E_FAIL;
    SetWindowSubclass(window, &OleControl::SubclassProc, kSubclassId, reinterpret_cast<DWORD_PTR>(this));
  }
  SetObjectRects(&position, &clip);
  ShowWindow(window, SW_SHOWNA);

  if (verb == OLEIVERB_UIACTIVATE && !uiActive_) {
    uiActive_ = true;
    inPlaceSite_->OnUIActivate();
    if (GetFocus() != window) SetFocus(window);
    if (frame) frame->SetActiveObject(this, nullptr);
    if (document) document->SetActiveObject(this, nullptr);
    if (frame) frame->SetBorderSpace(nullptr);
    if (document) document->SetBorderSpace(nullptr);
  }
  return S_OK;
}

STDMETHODIMP OleControl::EnumVerbs(IEnumOLEVERB** verbs) { return OleRegEnumVerbs(class_.clsid, verbs); }

STDMETHODIMP OleControl::GetUserClassID(CLSID* clsid) { return GetClassID(clsid); }

STDMETHODIMP OleControl::GetUserType(DWORD form, LPOLESTR* type) {
  return OleRegGetUserType(class_.clsid, form, type);
}

STDMETHODIMP OleControl::SetExtent(DWORD aspect, SIZEL* size) {
  if (aspect != DVASPECT_CONTENT) return DV_E_DVASPECT;
  if (!size) return E_POINTER;
  if (class_.fixedSize) {
    // The control keeps its size whatever the host asks for.
    return size->cx == extent_.cx && size->cy == extent_.cy ? S_OK : E_FAIL;
  }
  extent_ = *size;
  ViewChanged();
  return S_OK;
}

STDMETHODIMP OleControl::GetExtent(DWORD aspect, SIZEL* size) {
  if (aspect != DVASPECT_CONTENT) return DV_E_DVASPECT;
  if (!size) return E_POINTER;
  *size = extent_;
  return S_OK;
}

STDMETHODIMP OleControl::Advise(IAdviseSink* sink, DWORD* cookie) {
  if (!adviseHolder_) {
    HRESULT hr = CreateOleAdviseHolder(&adviseHolder_);
    if (FAILED(hr)) return hr;
  }
  return adviseHolder_->Advise(sink, cookie);
}

STDMETHODIMP OleControl::Unadvise(DWORD cookie) {
  return adviseHolder_ ? adviseHolder_->Unadvise(cookie) : OLE_E_NOCONNECTION;
}

STDMETHODIMP OleControl::EnumAdvise(IEnumSTATDATA** out) {
  if (!out) return E_POINTER;
  *out = nullptr;
  if (!adviseHolder_) {
    HRESULT hr = CreateOleAdviseHolder(&adviseHolder_);
    if (FAILED(hr)) return hr;
  }
  return adviseHolder_->EnumAdvise(out);
}

STDMETHODIMP OleControl::GetMiscStatus(DWORD aspect, DWORD* status) {
  if (!status) return E_POINTER;
  *status = kControlMiscStatus;
  return S_OK;
}

// ---------------------------------------------------------------- in-place object

STDMETHODIMP OleControl::GetWindow(HWND* hwnd) {
  if (!hwnd) return E_POINTER;
  *hwnd = ControlWindow();
  return *hwnd ? S_OK : E_FAIL;
}

STDMETHODIMP OleControl::InPlaceDeactivate() {
  Hold hold(*this);
  return Guard(IID_IOleInPlaceObject, [&] {
    if (!inPlaceActive_) return;
    UIDeactivate();
    inPlaceActive_ = false;
    if (HWND w = ControlWindow()) RemoveWindowSubclass(w, &OleControl::SubclassProc, kSubclassId);
    DestroyControlWindow();
    if (inPlaceSite_) inPlaceSite_->OnInPlaceDeactivate();
  });
}

STDMETHODIMP OleControl::UIDeactivate() {
  if (!uiActive_) return S_OK;
  Hold hold(*this);
  uiActive_ = false;
  if (inPlaceSite_) {
    ComPtr<IOleInPlaceFrame> frame;
    ComPtr<IOleInPlaceUIWindow> document;
    RECT position{}, clip{};
    OLEINPLACEFRAMEINFO frameInfo{};
    frameInfo.cb = sizeof(frameInfo);
    if (SUCCEEDED(inPlaceSite_->GetWindowContext(&frame, &document, &position, &clip, &frameInfo))) {
      if (document) document->SetActiveObject(nullptr, nullptr);
      if (frame) frame->SetActiveObject(nullptr, nullptr);
    }
    inPlaceSite_->OnUIDeactivate(FALSE);
  }
  return S_OK;
}

STDMETHODIMP OleControl::SetObjectRects(LPCRECT pos, LPCRECT) {
  if (!pos) return E_POINTER;
  return Guard(IID_IOleInPlaceObject, [&] {
    if (HWND w = ControlWindow()) {
      SetWindowPos(w, nullptr, pos->left, pos->top, pos->right - pos->left, pos->bottom - pos->top,
                   SWP_NOZORDER | SWP_NOACTIVATE);
    }
    if (!class_.fixedSize && pos->right > pos->left && pos->bottom > pos->top)
      extent_ = PixelsToHimetric({pos->right - pos->left, pos->bottom - pos->top});
  });
}

// ---------------------------------------------------------------- keys and focus

bool OleControl::KeyForControl(const MSG& msg) const {
  if (msg.message == WM_CHAR) return msg.wParam != L'\r';
  switch (msg.wParam) {
    case VK_LEFT: case VK_RIGHT: case VK_UP: case VK_DOWN:
    case VK_F4: case VK_ESCAPE: case VK_TAB:
    case VK_DIVIDE: case VK_DECIMAL: case VK_OEM_2:
      return true;
    default:
      return (msg.wParam >= '0' && msg.wParam <= '9') || (msg.wParam >= VK_NUMPAD0 && msg.wParam <= VK_NUMPAD9);
  }
}

STDMETHODIMP OleControl::TranslateAccelerator(LPMSG msg) {
  if (!msg) return E_POINTER;
  HWND window = ControlWindow();
  if (!window || (msg->hwnd != window && !IsChild(window, msg->hwnd))) return S_FALSE;
  // Alt with a key is the host's: menus, Alt+F4, its own accelerators.
  if (msg->message == WM_SYSKEYDOWN || msg->message == WM_SYSKEYUP || msg->message == WM_SYSCHAR ||
      GetKeyState(VK_MENU) < 0)
    return S_FALSE;
  const bool key = msg->message == WM_KEYDOWN || msg->message == WM_KEYUP;
  if (!(key || msg->message == WM_CHAR) || !KeyForControl(*msg)) return S_FALSE;
  if (msg->message == WM_CHAR && msg->wParam == L'\t') return S_OK;  // Tab moved the focus already
  // The control hears the key (its key events report it to the host),
  // before a dialog-style host could take it for its own navigation.
  if (msg->message == WM_KEYDOWN && msg->wParam != VK_TAB) TranslateMessage(msg);
  DispatchMessageW(msg);
  if (msg->message == WM_KEYDOWN && msg->wParam == VK_TAB) {
    Hold hold(*this);
    // Then Tab moves on to the host's next control: through the control
    // site when it does that, else in the window's tab order.
    ComPtr<IOleControlSite> controlSite;
    const DWORD modifiers = (GetKeyState(VK_SHIFT) < 0 ? kKeyModShift : 0) | (GetKeyState(VK_CONTROL) < 0 ? kKeyModControl : 0);
    if (site_ && SUCCEEDED(site_.As(&controlSite)) && controlSite->TranslateAccelerator(msg, modifiers) == S_OK)
      return S_OK;
    HWND root = GetAncestor(window, GA_ROOT);
    HWND next = root ? GetNextDlgTabItem(root, window, GetKeyState(VK_SHIFT) < 0) : nullptr;
    if (next && next != window) SetFocus(next);
  }
  return S_OK;
}

void OleControl::OnFocus(bool gained) {
  Hold hold(*this);
  // The system raises EVENT_OBJECT_FOCUS for the window itself; a second
  // one would have screen readers announce the control twice.
  if (gained && !uiActive_ && inPlaceActive_) InPlaceActivate(OLEIVERB_UIACTIVATE);
  ComPtr<IOleControlSite> controlSite;
  if (site_ && SUCCEEDED(site_.As(&controlSite))) controlSite->OnFocus(gained);
}

LRESULT CALLBACK OleControl::SubclassProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp, UINT_PTR, DWORD_PTR self) {
  auto* control = reinterpret_cast<OleControl*>(self);
  // Nothing may unwind through the system's message dispatch.
  try {
    return control->FilterMessage(hwnd, msg, wp, lp);
  } catch (...) {
    return DefSubclassProc(hwnd, msg, wp, lp);
  }
}

LRESULT OleControl::FilterMessage(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
  switch (msg) {
    case WM_SETFOCUS: {
      const LRESULT r = DefSubclassProc(hwnd, msg, wp, lp);
      OnFocus(true);
      return r;
    }
    case WM_KILLFOCUS: {
      const LRESULT r = DefSubclassProc(hwnd, msg, wp, lp);
      OnFocus(false);
      return r;
    }
    case WM_NCDESTROY:
      RemoveWindowSubclass(hwnd, &OleControl::SubclassProc, kSubclassId);
      break;
  }
  return DefSubclassProc(hwnd, msg, wp, lp);
}

// ---------------------------------------------------------------- drawing

STDMETHODIMP OleControl::Draw(DWORD aspect, LONG, void*, DVTARGETDEVICE*, HDC, HDC dc, LPCRECTL bounds,
                              LPCRECTL, BOOL(STDMETHODCALLTYPE*)(ULONG_PTR), ULONG_PTR) {
  if (aspect != DVASPECT_CONTENT && aspect != DVASPECT_DOCPRINT) return DV_E_DVASPECT;
  if (!dc || !bounds) return E_INVALIDARG;
  return Guard(IID_IViewObject, [&] {
    Render(dc, RECT{bounds->left, bounds->top, bounds->right, bounds->bottom});
  });
}

STDMETHODIMP OleControl::SetAdvise(DWORD aspects, DWORD flags, IAdviseSink* sink) {
  viewAspects_ = aspects;
  viewFlags_ = flags;
  viewSink_ = sink;
  return S_OK;
}

STDMETHODIMP OleControl::GetAdvise(DWORD* aspects, DWORD* flags, IAdviseSink** sink) {
  if (aspects) *aspects = viewAspects_;
  if (flags) *flags = viewFlags_;
  if (sink) {
    *sink = viewSink_.Get();
    if (*sink) (*sink)->AddRef();
  }
  return S_OK;
}

STDMETHODIMP OleControl::GetExtent(DWORD aspect, LONG, DVTARGETDEVICE*, LPSIZEL size) {
  return GetExtent(aspect, size);
}

// ---------------------------------------------------------------- persistence

STDMETHODIMP OleControl::GetClassID(CLSID* clsid) {
  if (!clsid) return E_POINTER;
  *clsid = class_.clsid;
  return S_OK;
}

STDMETHODIMP OleControl::InitNew() {
  return Guard(IID_IPersistStreamInit, [&] {
    Load([&] { InitNewProperties(); });
  });
}

HRESULT OleControl::LoadFromBag(IPropertyBag* bag, IErrorLog* log) {
  if (!bag) return E_POINTER;
  return Guard(IID_IPersistPropertyBag, [&] {
    HostPropertyBag reader(bag, log, PersistedProperties());
    Load([&] { ReadProperties(reader); });
  });
}

HRESULT OleControl::SaveToBag(IPropertyBag* bag, BOOL clearDirty) {
  if (!bag) return E_POINTER;
  return Guard(IID_IPersistPropertyBag, [&]() -> HRESULT {
    HostPropertyBag writer(bag, nullptr);
    WriteProperties(writer);
    if (FAILED(writer.WriteResult())) return writer.WriteResult();
    if (clearDirty) dirty_ = false;
    return S_OK;
  });
}

STDMETHODIMP OleControl::Load(IPropertyBag* bag, IErrorLog* log) { return LoadFromBag(bag, log); }

STDMETHODIMP OleControl::Save(IPropertyBag* bag, BOOL clearDirty, BOOL) { return SaveToBag(bag, clearDirty); }

STDMETHODIMP OleControl::Load(LPSTREAM stream) {
  MemoryBag bag;
  HRESULT hr = bag.Load(stream);
  return FAILED(hr) ? hr : LoadFromBag(&bag, nullptr);
}

STDMETHODIMP OleControl::Save(LPSTREAM stream, BOOL clearDirty) {
  if (!stream) return E_POINTER;
  MemoryBag bag;
  HRESULT hr = SaveToBag(&bag, FALSE);
  if (SUCCEEDED(hr)) hr = bag.Save(stream);
  // Saved only once the whole stream is written.
  if (SUCCEEDED(hr) && clearDirty) dirty_ = false;
  return hr;
}

STDMETHODIMP OleControl::GetSizeMax(ULARGE_INTEGER* size) {
  if (!size) return E_POINTER;
  ComPtr<IStream> stream;
  HRESULT hr = CreateStreamOnHGlobal(nullptr, TRUE, &stream);
  if (SUCCEEDED(hr)) hr = Save(stream.Get(), FALSE);
  if (FAILED(hr)) return hr;
  STATSTG stat{};
  hr = stream->Stat(&stat, STATFLAG_NONAME);
  if (SUCCEEDED(hr)) size->QuadPart = stat.cbSize.QuadPart;
  return hr;
}

STDMETHODIMP OleControl::InitNew(IStorage*) { return InitNew(); }

STDMETHODIMP OleControl::Load(IStorage* storage) {
  if (!storage) return E_POINTER;
  ComPtr<IStream> stream;
  HRESULT hr = storage->OpenStream(kContentsStream, nullptr, STGM_READ | STGM_SHARE_EXCLUSIVE, 0, &stream);
  return FAILED(hr) ? hr : Load(stream.Get());
}

STDMETHODIMP OleControl::Save(IStorage* storage, BOOL sameAsLoad) {
  if (!storage) return E_POINTER;
  savedElsewhere_ = false;
  ComPtr<IStream> stream;
  HRESULT hr = storage->CreateStream(kContentsStream, STGM_CREATE | STGM_WRITE | STGM_SHARE_EXCLUSIVE, 0, 0,
                                     &stream);
  // Saved into another storage, the control is clean only once the host
  // makes that storage its own (Save As), not for a copy (Save Copy As).
  if (SUCCEEDED(hr)) hr = Save(stream.Get(), sameAsLoad);
  savedElsewhere_ = SUCCEEDED(hr) && !sameAsLoad;
  return hr;
}

STDMETHODIMP OleControl::SaveCompleted(IStorage* storage) {
  if (storage && savedElsewhere_) dirty_ = false;
  savedElsewhere_ = false;
  return S_OK;
}

// ---------------------------------------------------------------- connection points, class info, errors

STDMETHODIMP OleControl::EnumConnectionPoints(IEnumConnectionPoints** out) {
  return EnumerateConnectionPoints({&eventPoint_, &notifyPoint_}, out);
}

STDMETHODIMP OleControl::FindConnectionPoint(REFIID iid, IConnectionPoint** out) {
  if (!out) return E_POINTER;
  *out = nullptr;
  if (iid == class_.events) *out = &eventPoint_;
  else if (iid == IID_IPropertyNotifySink) *out = &notifyPoint_;
  if (!*out) return CONNECT_E_NOCONNECTION;
  (*out)->AddRef();
  return S_OK;
}

STDMETHODIMP OleControl::GetClassInfo(ITypeInfo** out) { return GetTypeInfoOf(class_.clsid, out); }

STDMETHODIMP OleControl::GetGUID(DWORD kind, GUID* guid) {
  if (!guid) return E_POINTER;
  if (kind != GUIDKIND_DEFAULT_SOURCE_DISP_IID) return E_INVALIDARG;
  *guid = class_.events;
  return S_OK;
}

STDMETHODIMP OleControl::InterfaceSupportsErrorInfo(REFIID iid) {
  return iid == class_.dual || iid == IID_IDispatch ? S_OK : S_FALSE;
}

}  // namespace almanix::com

#include "almanix/demo/control_site.h"

#include <oleauto.h>

#include <string>

namespace almanix::demo {

namespace {

// The control that is UI-active now (the one with the focus).
IOleInPlaceActiveObject* active = nullptr;

// The class factory of Almanix.dll beside the program, for a library that
// is not registered on this machine.
HRESULT CreateFromOwnFolder(REFCLSID clsid, IDispatch** out) {
  static HMODULE library = [] {
    wchar_t path[MAX_PATH] = {};
    GetModuleFileNameW(nullptr, path, MAX_PATH);
    std::wstring folder = path;
    folder.resize(folder.find_last_of(L"\\/") + 1);
    return LoadLibraryW((folder + L"Almanix.dll").c_str());
  }();
  if (!library) return REGDB_E_CLASSNOTREG;
  auto get = reinterpret_cast<HRESULT(WINAPI*)(REFCLSID, REFIID, void**)>(
      reinterpret_cast<void*>(GetProcAddress(library, "DllGetClassObject")));
  ComPtr<IClassFactory> factory;
  HRESULT hr = get ? get(clsid, IID_PPV_ARGS(&factory)) : E_FAIL;
  return FAILED(hr) ? hr : factory->CreateInstance(nullptr, IID_IDispatch, reinterpret_cast<void**>(out));
}

}  // namespace

ControlSite::ControlSite(HWND parent, const RECT& position, HFONT font, EventHandler onEvent)
    : parent_(parent), position_(position), font_(font), onEvent_(std::move(onEvent)) {}

ControlSite::~ControlSite() = default;

ControlSite* ControlSite::Create(HWND parent, const RECT& position, REFCLSID clsid, HFONT font,
                                 EventHandler onEvent) {
  auto* site = new ControlSite(parent, position, font, std::move(onEvent));
  if (FAILED(site->Site(clsid))) {
    site->Close();
    site->Release();
    return nullptr;
  }
  return site;
}

HRESULT ControlSite::Site(REFCLSID clsid) {
  HRESULT hr = CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER, IID_PPV_ARGS(&control_));
  if (FAILED(hr)) hr = CreateFromOwnFolder(clsid, &control_);
  if (FAILED(hr)) return hr;
  ComPtr<IOleObject> ole;
  hr = control_.As(&ole);
  if (FAILED(hr)) return hr;
  // The controls want their site before they are initialised.
  ole->SetClientSite(this);
  ComPtr<IPersistStreamInit> persist;
  if (SUCCEEDED(control_.As(&persist))) persist->InitNew();
  // Events: the control says which interface they come through.
  ComPtr<IProvideClassInfo2> info;
  ComPtr<IConnectionPointContainer> points;
  if (SUCCEEDED(control_.As(&info)) && SUCCEEDED(info->GetGUID(GUIDKIND_DEFAULT_SOURCE_DISP_IID, &events_)) &&
      SUCCEEDED(control_.As(&points)) && SUCCEEDED(points->FindConnectionPoint(events_, &point_)))
    point_->Advise(static_cast<IDispatch*>(this), &cookie_);
  return ole->DoVerb(OLEIVERB_INPLACEACTIVATE, nullptr, this, 0, parent_, &position_);
}

void ControlSite::Close() {
  if (point_) point_->Unadvise(cookie_);
  point_.Reset();
  ComPtr<IOleObject> ole;
  if (control_ && SUCCEEDED(control_.As(&ole))) {
    ole->Close(OLECLOSE_NOSAVE);
    ole->SetClientSite(nullptr);
  }
  control_.Reset();
}

bool ControlSite::PreTranslate(MSG* msg) {
  return active && msg->message >= WM_KEYFIRST && msg->message <= WM_KEYLAST &&
         active->TranslateAccelerator(msg) == S_OK;
}

STDMETHODIMP ControlSite::QueryInterface(REFIID iid, void** out) {
  if (iid == IID_IUnknown || iid == IID_IOleClientSite) *out = static_cast<IOleClientSite*>(this);
  else if (iid == IID_IOleWindow || iid == IID_IOleInPlaceSite) *out = static_cast<IOleInPlaceSite*>(this);
  else if (iid == IID_IOleControlSite) *out = static_cast<IOleControlSite*>(this);
  else if (iid == IID_IDispatch || (iid == events_ && iid != IID_NULL)) *out = static_cast<IDispatch*>(this);
  else *out = nullptr;
  if (!*out) return E_NOINTERFACE;
  AddRef();
  return S_OK;
}

STDMETHODIMP_(ULONG) ControlSite::AddRef() { return InterlockedIncrement(&refs_); }

STDMETHODIMP_(ULONG) ControlSite::Release() {
  const LONG left = InterlockedDecrement(&refs_);
  if (left == 0) delete this;
  return left;
}

STDMETHODIMP ControlSite::OnUIActivate() {
  ComPtr<IOleInPlaceActiveObject> object;
  if (control_ && SUCCEEDED(control_.As(&object))) {
    if (active) active->Release();
    active = object.Detach();
  }
  return S_OK;
}

STDMETHODIMP ControlSite::OnUIDeactivate(BOOL) {
  ComPtr<IOleInPlaceActiveObject> object;
  if (active && control_ && SUCCEEDED(control_.As(&object)) && object.Get() == active) {
    active->Release();
    active = nullptr;
  }
  return S_OK;
}

STDMETHODIMP ControlSite::GetWindowContext(IOleInPlaceFrame** frame, IOleInPlaceUIWindow** doc, LPRECT pos,
                                           LPRECT clip, LPOLEINPLACEFRAMEINFO info) {
  *frame = nullptr;
  *doc = nullptr;
  *pos = *clip = position_;
  if (info) {
    info->fMDIApp = FALSE;
    info->hwndFrame = parent_;
    info->haccel = nullptr;
    info->cAccelEntries = 0;
  }
  return S_OK;
}

STDMETHODIMP ControlSite::Invoke(DISPID id, REFIID, LCID, WORD flags, DISPPARAMS*, VARIANT* result, EXCEPINFO*,
                                 UINT*) {
  if (!(flags & DISPATCH_PROPERTYGET)) {  // an event
    if (onEvent_) onEvent_(control_.Get(), id);
    return S_OK;
  }
  if (!result) return E_POINTER;
  VariantInit(result);
  switch (id) {
    case DISPID_AMBIENT_USERMODE:
      result->vt = VT_BOOL;
      result->boolVal = VARIANT_TRUE;
      return S_OK;
    case DISPID_AMBIENT_LOCALEID:
      result->vt = VT_I4;
      result->lVal = static_cast<LONG>(GetUserDefaultLCID());
      return S_OK;
    case DISPID_AMBIENT_FONT: {
      LOGFONTW lf{};
      if (!font_ || !GetObjectW(font_, sizeof(lf), &lf)) return DISP_E_MEMBERNOTFOUND;
      HDC screen = GetDC(nullptr);
      const int dpi = GetDeviceCaps(screen, LOGPIXELSY);
      ReleaseDC(nullptr, screen);
      FONTDESC desc{sizeof(desc), lf.lfFaceName, {}, static_cast<SHORT>(lf.lfWeight), lf.lfCharSet,
                    lf.lfItalic, lf.lfUnderline, lf.lfStrikeOut};
      desc.cySize.int64 = MulDiv(std::abs(lf.lfHeight), 720000, dpi);
      result->vt = VT_DISPATCH;
      return OleCreateFontIndirect(&desc, IID_IDispatch, reinterpret_cast<void**>(&result->pdispVal));
    }
    default:
      return DISP_E_MEMBERNOTFOUND;
  }
}

}  // namespace almanix::demo

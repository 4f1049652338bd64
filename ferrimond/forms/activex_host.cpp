#include "ferrimond/forms/activex_host.h"

#include <olectl.h>

#include "common/numbered_error.h"
#include "ferrimond/forms/form.h"
#include "ferrimond/forms/internal.h"

namespace ferrimond::forms {

namespace {

constexpr wchar_t kHostClass[] = L"FerrimondActiveXHost";

template <class T>
void ReleaseAndClear(T*& p) {
  if (p) {
    T* q = p;
    p = nullptr;
    q->Release();
  }
}

std::wstring Hex(HRESULT hr) {
  wchar_t text[16];
  swprintf(text, 16, L"0x%08lX", static_cast<unsigned long>(hr));
  return text;
}

bool SameText(const std::wstring& a, const wchar_t* b) {
  if (!b) return false;
  return CompareStringOrdinal(a.c_str(), static_cast<int>(a.size()), b, -1, TRUE) == CSTR_EQUAL;
}

// The class of "Library.Class[.n]" in the type library of the DLL at `path`.
HRESULT ClassFromTypeLibrary(const std::wstring& path, const std::wstring& progId, CLSID& clsid) {
  const size_t dot = progId.find(L'.');
  if (dot == std::wstring::npos) return CO_E_CLASSSTRING;
  const std::wstring library = progId.substr(0, dot);
  const std::wstring name = progId.substr(dot + 1, progId.find(L'.', dot + 1) - dot - 1);
  ITypeLib* typeLib = nullptr;
  HRESULT hr = LoadTypeLibEx(path.c_str(), REGKIND_NONE, &typeLib);
  if (FAILED(hr)) return hr;
  hr = REGDB_E_CLASSNOTREG;
  BSTR libName = nullptr;
  if (SUCCEEDED(typeLib->GetDocumentation(-1, &libName, nullptr, nullptr, nullptr)) && SameText(library, libName)) {
    for (UINT i = 0, n = typeLib->GetTypeInfoCount(); i < n && FAILED(hr); ++i) {
      TYPEKIND kind;
      BSTR typeName = nullptr;
      if (FAILED(typeLib->GetTypeInfoType(i, &kind)) || kind != TKIND_COCLASS) continue;
      if (SUCCEEDED(typeLib->GetDocumentation(static_cast<INT>(i), &typeName, nullptr, nullptr, nullptr)) &&
          SameText(name, typeName)) {
        ITypeInfo* info = nullptr;
        TYPEATTR* attr = nullptr;
        if (SUCCEEDED(typeLib->GetTypeInfo(i, &info)) && SUCCEEDED(info->GetTypeAttr(&attr))) {
          clsid = attr->guid;
          hr = S_OK;
          info->ReleaseTypeAttr(attr);
        }
        if (info) info->Release();
      }
      SysFreeString(typeName);
    }
  }
  SysFreeString(libName);
  typeLib->Release();
  return hr;
}

// The default source (event) interface of a control.
IID DefaultSource(IUnknown* object) {
  IID events = IID_NULL;
  IProvideClassInfo2* info2 = nullptr;
  if (SUCCEEDED(object->QueryInterface(IID_IProvideClassInfo2, reinterpret_cast<void**>(&info2)))) {
    if (FAILED(info2->GetGUID(GUIDKIND_DEFAULT_SOURCE_DISP_IID, &events))) events = IID_NULL;
    info2->Release();
    if (events != IID_NULL) return events;
  }
  IProvideClassInfo* info = nullptr;
  if (FAILED(object->QueryInterface(IID_IProvideClassInfo, reinterpret_cast<void**>(&info)))) return events;
  ITypeInfo* coclass = nullptr;
  TYPEATTR* attr = nullptr;
  if (SUCCEEDED(info->GetClassInfo(&coclass)) && SUCCEEDED(coclass->GetTypeAttr(&attr))) {
    for (UINT i = 0; i < attr->cImplTypes && events == IID_NULL; ++i) {
      INT flags = 0;
      HREFTYPE ref;
      ITypeInfo* source = nullptr;
      TYPEATTR* sourceAttr = nullptr;
      if (FAILED(coclass->GetImplTypeFlags(i, &flags)) ||
          (flags & (IMPLTYPEFLAG_FDEFAULT | IMPLTYPEFLAG_FSOURCE)) != (IMPLTYPEFLAG_FDEFAULT | IMPLTYPEFLAG_FSOURCE))
        continue;
      if (SUCCEEDED(coclass->GetRefTypeOfImplType(i, &ref)) && SUCCEEDED(coclass->GetRefTypeInfo(ref, &source)) &&
          SUCCEEDED(source->GetTypeAttr(&sourceAttr))) {
        events = sourceAttr->guid;
        source->ReleaseTypeAttr(sourceAttr);
      }
      if (source) source->Release();
    }
    coclass->ReleaseTypeAttr(attr);
  }
  if (coclass) coclass->Release();
  info->Release();
  return events;
}

// The error a dispatch call reports, as a numbered error.
[[noreturn]] void RaiseDispatchError(HRESULT hr, EXCEPINFO& info, const std::wstring& what) {
  std::wstring description, source;
  int32_t number = hr;
  if (hr == DISP_E_EXCEPTION) {
    if (info.pfnDeferredFillIn) info.pfnDeferredFillIn(&info);
    const HRESULT code = info.scode ? info.scode : hr;
    number = info.scode ? (HRESULT_FACILITY(code) == FACILITY_CONTROL ? HRESULT_CODE(code) : code) : info.wCode;
    if (info.bstrDescription) description.assign(info.bstrDescription, SysStringLen(info.bstrDescription));
    if (info.bstrSource) source.assign(info.bstrSource, SysStringLen(info.bstrSource));
  } else if (hr == DISP_E_UNKNOWNNAME || hr == DISP_E_MEMBERNOTFOUND) {
    number = 438;
    description = L"Object doesn't support this property or method: " + what;
  }
  SysFreeString(info.bstrDescription);
  SysFreeString(info.bstrSource);
  SysFreeString(info.bstrHelpFile);
  if (description.empty()) description = what + L" failed (" + Hex(hr) + L")";
  throw common::NumberedError(number, description, source);
}

// The design values as a property bag for IPersistPropertyBag::Load.
class DesignBag final : public IPropertyBag {
 public:
  explicit DesignBag(const AxValues& values) : values_(values) {}
  STDMETHODIMP QueryInterface(REFIID iid, void** out) override {
    if (!out) return E_POINTER;
    if (iid == IID_IUnknown || iid == IID_IPropertyBag) {
      *out = static_cast<IPropertyBag*>(this);
      return S_OK;
    }
    *out = nullptr;
    return E_NOINTERFACE;
  }
  // Lives on the stack of CreateControl only.
  STDMETHODIMP_(ULONG) AddRef() override { return 2; }
  STDMETHODIMP_(ULONG) Release() override { return 1; }
  STDMETHODIMP Read(LPCOLESTR name, VARIANT* value, IErrorLog*) override {
    if (!name || !value) return E_POINTER;
    for (const AxValue& entry : values_) {
      if (!SameText(entry.Name(), name)) continue;
      const VARTYPE wanted = value->vt;
      VariantInit(value);
      if (wanted == VT_EMPTY) return VariantCopy(value, const_cast<VARIANT*>(&entry.Value()));
      return VariantChangeType(value, const_cast<VARIANT*>(&entry.Value()), 0, wanted);
    }
    return E_INVALIDARG;
  }
  STDMETHODIMP Write(LPCOLESTR, VARIANT*) override { return E_NOTIMPL; }

 private:
  const AxValues& values_;
};

// The dispatch id of a member, by name.
HRESULT IdOf(IDispatch* dispatch, const std::wstring& name, DISPID& id) {
  LPOLESTR text = const_cast<LPOLESTR>(name.c_str());
  return dispatch->GetIDsOfNames(IID_NULL, &text, 1, LOCALE_USER_DEFAULT, &id);
}

// IDispatch without type information or names: the site's ambient
// properties and the event sink are called by dispatch id only.
class NoTypeInfoDispatch : public IDispatch {
 public:
  STDMETHODIMP GetTypeInfoCount(UINT* count) override {
    if (count) *count = 0;
    return S_OK;
  }
  STDMETHODIMP GetTypeInfo(UINT, LCID, ITypeInfo** out) override {
    if (out) *out = nullptr;
    return E_NOTIMPL;
  }
  STDMETHODIMP GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override { return E_NOTIMPL; }
};

VARIANT AmbientFont(const FontSpec& wanted) {
  VARIANT v;
  VariantInit(&v);
  FONTDESC desc{};
  desc.cbSizeofstruct = sizeof(desc);
  desc.lpstrName = const_cast<LPOLESTR>(wanted.name.c_str());
  desc.cySize.int64 = static_cast<LONGLONG>(wanted.size * 10000 + 0.5);
  desc.sWeight = static_cast<SHORT>(wanted.weight);
  desc.sCharset = static_cast<SHORT>(wanted.charset);
  desc.fItalic = wanted.italic;
  desc.fUnderline = wanted.underline;
  desc.fStrikethrough = wanted.strikethrough;
  IFontDisp* font = nullptr;
  if (SUCCEEDED(OleCreateFontIndirect(&desc, IID_IFontDisp, reinterpret_cast<void**>(&font)))) {
    v.vt = VT_DISPATCH;
    v.pdispVal = font;
  }
  return v;
}

}  // namespace

// ---------------------------------------------------------------- values

AxValue::AxValue(std::wstring name, VARIANT value) : name_(std::move(name)), value_(value) {}
AxValue::AxValue(const AxValue& other) : name_(other.name_) {
  VariantInit(&value_);
  VariantCopy(&value_, const_cast<VARIANT*>(&other.value_));
}
AxValue& AxValue::operator=(const AxValue& other) {
  if (this != &other) {
    name_ = other.name_;
    VariantClear(&value_);
    VariantCopy(&value_, const_cast<VARIANT*>(&other.value_));
  }
  return *this;
}
AxValue::~AxValue() { VariantClear(&value_); }

VARIANT AxDate(double date) {
  VARIANT v;
  VariantInit(&v);
  v.vt = VT_DATE;
  v.date = date;
  return v;
}
VARIANT AxBool(bool value) {
  VARIANT v;
  VariantInit(&v);
  v.vt = VT_BOOL;
  v.boolVal = value ? VARIANT_TRUE : VARIANT_FALSE;
  return v;
}
VARIANT AxLong(int32_t value) {
  VARIANT v;
  VariantInit(&v);
  v.vt = VT_I4;
  v.lVal = value;
  return v;
}
VARIANT AxText(const std::wstring& text) {
  VARIANT v;
  VariantInit(&v);
  v.vt = VT_BSTR;
  v.bstrVal = SysAllocStringLen(text.data(), static_cast<UINT>(text.size()));
  return v;
}

VARIANTARG* AxEventArgs::At(size_t i) const {
  if (!params_ || !params_->rgvarg || i >= params_->cArgs) return nullptr;
  // The last declared argument comes first.
  VARIANTARG* arg = &params_->rgvarg[params_->cArgs - 1 - i];
  // Through one variant by reference. What would need more, or a reference
  // to nothing, is no argument: oleaut32 does not check for either.
  if (arg->vt == (VT_BYREF | VT_VARIANT)) arg = arg->pvarVal;
  if (!arg || arg->vt == (VT_BYREF | VT_VARIANT) || ((arg->vt & VT_BYREF) && !arg->byref)) return nullptr;
  return arg;
}

double AxEventArgs::Number(size_t i) const {
  VARIANTARG* arg = At(i);
  if (!arg) return 0;
  VARIANT copy;
  VariantInit(&copy);
  // VariantChangeType reads through VT_BYREF.
  if (FAILED(VariantChangeType(&copy, arg, 0, VT_R8))) return 0;
  return copy.dblVal;
}

// ---------------------------------------------------------------- the site

// The container side of one control: client site, in-place site and frame,
// control site, and the ambient properties through IDispatch. Reference
// counted: the control holds it; the host lets go of it and detaches it.
class ActiveXHost::Site final : public IOleClientSite,
                                public IOleInPlaceSite,
                                public IOleInPlaceFrame,
                                public IOleControlSite,
                                public NoTypeInfoDispatch {
 public:
  explicit Site(ActiveXHost* host) : host_(host) {}
  void Detach() { host_ = nullptr; }

  STDMETHODIMP QueryInterface(REFIID iid, void** out) override {
    if (!out) return E_POINTER;
    *out = nullptr;
    if (iid == IID_IUnknown || iid == IID_IOleClientSite) {
      *out = static_cast<IOleClientSite*>(this);
    } else if (iid == IID_IOleWindow || iid == IID_IOleInPlaceSite) {
      *out = static_cast<IOleInPlaceSite*>(this);
    } else if (iid == IID_IOleInPlaceFrame || iid == IID_IOleInPlaceUIWindow) {
      *out = static_cast<IOleInPlaceFrame*>(this);
    } else if (iid == IID_IOleControlSite) {
      *out = static_cast<IOleControlSite*>(this);
    } else if (iid == IID_IDispatch) {
      *out = static_cast<IDispatch*>(this);
    } else {
      return E_NOINTERFACE;
    }
    AddRef();
    return S_OK;
  }
  STDMETHODIMP_(ULONG) AddRef() override { return ++refs_; }
  STDMETHODIMP_(ULONG) Release() override {
    const ULONG left = --refs_;
    if (left == 0) delete this;
    return left;
  }

  // IOleClientSite
  STDMETHODIMP SaveObject() override { return S_OK; }
  STDMETHODIMP GetMoniker(DWORD, DWORD, IMoniker** out) override {
    if (out) *out = nullptr;
    return E_NOTIMPL;
  }
  STDMETHODIMP GetContainer(IOleContainer** out) override {
    if (out) *out = nullptr;
    return E_NOINTERFACE;
  }
  STDMETHODIMP ShowObject() override { return S_OK; }
  STDMETHODIMP OnShowWindow(BOOL) override { return S_OK; }
  STDMETHODIMP RequestNewObjectLayout() override { return E_NOTIMPL; }

  // IOleWindow (both the in-place site and the frame)
  STDMETHODIMP GetWindow(HWND* hwnd) override {
    if (!hwnd) return E_POINTER;
    *hwnd = host_ ? host_->Hwnd() : nullptr;
    return *hwnd ? S_OK : E_FAIL;
  }
  STDMETHODIMP ContextSensitiveHelp(BOOL) override { return E_NOTIMPL; }

  // IOleInPlaceSite
  STDMETHODIMP CanInPlaceActivate() override { return host_ && host_->Hwnd() ? S_OK : S_FALSE; }
  STDMETHODIMP OnInPlaceActivate() override { return S_OK; }
  STDMETHODIMP OnUIActivate() override { return S_OK; }
  STDMETHODIMP GetWindowContext(IOleInPlaceFrame** frame, IOleInPlaceUIWindow** document, LPRECT pos, LPRECT clip,
                                LPOLEINPLACEFRAMEINFO info) override {
    if (!frame || !document || !pos || !clip) return E_POINTER;
    *frame = static_cast<IOleInPlaceFrame*>(this);
    AddRef();
    *document = nullptr;
    RECT rc{};
    if (host_ && host_->Hwnd()) GetClientRect(host_->Hwnd(), &rc);
    *pos = rc;
    *clip = rc;
    if (info) {
      info->fMDIApp = FALSE;
      info->hwndFrame = host_ && host_->Hwnd() ? GetAncestor(host_->Hwnd(), GA_ROOT) : nullptr;
      info->haccel = nullptr;
      info->cAccelEntries = 0;
    }
    return S_OK;
  }
  STDMETHODIMP Scroll(SIZE) override { return E_NOTIMPL; }
  STDMETHODIMP OnUIDeactivate(BOOL) override { return S_OK; }
  STDMETHODIMP OnInPlaceDeactivate() override { return S_OK; }
  STDMETHODIMP DiscardUndoState() override { return E_NOTIMPL; }
  STDMETHODIMP DeactivateAndUndo() override { return E_NOTIMPL; }
  STDMETHODIMP OnPosRectChange(LPCRECT pos) override {
    // The host decides the place: the control is put back where it belongs.
    if (host_) host_->PlaceControl();
    return S_OK;
  }

  // IOleInPlaceUIWindow, IOleInPlaceFrame: no menus, tools or status line.
  STDMETHODIMP GetBorder(LPRECT) override { return INPLACE_E_NOTOOLSPACE; }
  STDMETHODIMP RequestBorderSpace(LPCBORDERWIDTHS) override { return INPLACE_E_NOTOOLSPACE; }
  STDMETHODIMP SetBorderSpace(LPCBORDERWIDTHS) override { return S_OK; }
  STDMETHODIMP SetActiveObject(IOleInPlaceActiveObject* object, LPCOLESTR) override {
    if (!host_) return S_OK;
    if (object) object->AddRef();
    ReleaseAndClear(host_->active_);
    host_->active_ = object;
    return S_OK;
  }
  STDMETHODIMP InsertMenus(HMENU, LPOLEMENUGROUPWIDTHS) override { return E_NOTIMPL; }
  STDMETHODIMP SetMenu(HMENU, HOLEMENU, HWND) override { return S_OK; }
  STDMETHODIMP RemoveMenus(HMENU) override { return E_NOTIMPL; }
  STDMETHODIMP SetStatusText(LPCOLESTR) override { return S_OK; }
  STDMETHODIMP EnableModeless(BOOL) override { return S_OK; }
  STDMETHODIMP TranslateAccelerator(LPMSG, WORD) override { return S_FALSE; }

  // IOleControlSite
  STDMETHODIMP OnControlInfoChanged() override { return S_OK; }
  STDMETHODIMP LockInPlaceActive(BOOL) override { return S_OK; }
  STDMETHODIMP GetExtendedControl(IDispatch** out) override {
    if (out) *out = nullptr;
    return E_NOTIMPL;
  }
  STDMETHODIMP TransformCoords(POINTL*, POINTF*, DWORD) override { return E_NOTIMPL; }
  // Keys the control does not want go on in the form's own way.
  STDMETHODIMP TranslateAccelerator(MSG*, DWORD) override { return S_FALSE; }
  STDMETHODIMP OnFocus(BOOL gained) override {
    if (host_) host_->Focused(gained != FALSE);
    return S_OK;
  }
  STDMETHODIMP ShowPropertyFrame() override { return E_NOTIMPL; }

  // IDispatch: the ambient properties.
  STDMETHODIMP Invoke(DISPID id, REFIID, LCID, WORD flags, DISPPARAMS*, VARIANT* result, EXCEPINFO*,
                      UINT*) override {
    if (!(flags & DISPATCH_PROPERTYGET)) return DISP_E_MEMBERNOTFOUND;
    if (!result) return E_POINTER;
    VariantInit(result);
    switch (id) {
      case DISPID_AMBIENT_USERMODE:
        *result = AxBool(true);
        return S_OK;
      case DISPID_AMBIENT_UIDEAD:
      case DISPID_AMBIENT_SHOWGRABHANDLES:
      case DISPID_AMBIENT_SHOWHATCHING:
      case DISPID_AMBIENT_DISPLAYASDEFAULT:
      case DISPID_AMBIENT_MESSAGEREFLECT:
      case DISPID_AMBIENT_SUPPORTSMNEMONICS:
        *result = AxBool(false);
        return S_OK;
      case DISPID_AMBIENT_LOCALEID:
        *result = AxLong(static_cast<int32_t>(GetUserDefaultLCID()));
        return S_OK;
      case DISPID_AMBIENT_BACKCOLOR:
        // OLE_COLOR travels as a long: system colours have the high bit set.
        *result = AxLong(static_cast<int32_t>(host_ ? host_->BackColor() : kColorButtonFace));
        return S_OK;
      case DISPID_AMBIENT_FORECOLOR:
        *result = AxLong(static_cast<int32_t>(host_ ? host_->ForeColor() : kColorButtonText));
        return S_OK;
      case DISPID_AMBIENT_FONT:
        *result = AmbientFont(host_ ? host_->Font() : MessageFont());
        return result->vt == VT_DISPATCH ? S_OK : E_OUTOFMEMORY;
      case DISPID_AMBIENT_DISPLAYNAME:
        *result = AxText(host_ ? host_->Name() : std::wstring());
        return S_OK;
      default:
        return DISP_E_MEMBERNOTFOUND;
    }
  }

 private:
  ActiveXHost* host_;
  ULONG refs_ = 1;
};

// ---------------------------------------------------------------- the sink

// The events of the control's default source interface, by dispatch id.
class ActiveXHost::Sink final : public NoTypeInfoDispatch {
 public:
  Sink(ActiveXHost* host, const IID& events) : host_(host), events_(events) {}
  void Detach() { host_ = nullptr; }

  STDMETHODIMP QueryInterface(REFIID iid, void** out) override {
    if (!out) return E_POINTER;
    if (iid == IID_IUnknown || iid == IID_IDispatch || iid == events_) {
      *out = static_cast<IDispatch*>(this);
      AddRef();
      return S_OK;
    }
    *out = nullptr;
    return E_NOINTERFACE;
  }
  STDMETHODIMP_(ULONG) AddRef() override { return ++refs_; }
  STDMETHODIMP_(ULONG) Release() override {
    const ULONG left = --refs_;
    if (left == 0) delete this;
    return left;
  }
  STDMETHODIMP Invoke(DISPID id, REFIID, LCID, WORD, DISPPARAMS* params, VARIANT* result, EXCEPINFO*,
                      UINT*) override {
    if (result) VariantInit(result);
    // Held while the handler runs: it may destroy the host.
    AddRef();
    if (host_) host_->RaiseEvent(id, params);
    Release();
    return S_OK;
  }

 private:
  ActiveXHost* host_;
  IID events_;
  ULONG refs_ = 1;
};

// ---------------------------------------------------------------- the host

ActiveXHost::ActiveXHost(Container& container, std::wstring name, Bounds bounds)
    : Control(container, std::move(name), bounds), alive_(std::make_shared<ActiveXHost*>(this)) {
  Create(PlainWindowClass(kHostClass), L"", WS_TABSTOP | WS_CLIPCHILDREN);
  // Keys for the control go through its TranslateAccelerator before the
  // form's own navigation; a hook set earlier still runs after it.
  Form& form = OwnerForm();
  auto previous = form.OnPreTranslateMessage;
  form.OnPreTranslateMessage = [weak = std::weak_ptr<ActiveXHost*>(alive_), previous](MSG& msg) {
    if (auto host = weak.lock(); host && *host && (*host)->PreTranslate(msg)) return true;
    return previous ? previous(msg) : false;
  };
}

ActiveXHost::~ActiveXHost() {
  *alive_ = nullptr;
  Release();
}

bool ActiveXHost::HasControl() const { return object_ != nullptr; }
IUnknown* ActiveXHost::Object() const { return object_; }

HWND ActiveXHost::ControlHwnd() const {
  HWND hwnd = nullptr;
  if (inPlace_) inPlace_->GetWindow(&hwnd);
  return hwnd;
}

HRESULT ActiveXHost::Instantiate(const AxSource& source, IUnknown** out) {
  CLSID clsid = source.clsid;
  HRESULT hr = CLSIDFromProgID(source.progId.c_str(), &clsid);
  if (SUCCEEDED(hr)) {
    hr = CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER, IID_IUnknown, reinterpret_cast<void**>(out));
    if (SUCCEEDED(hr)) {
      origin_ = AxOrigin::Registered;
      return hr;
    }
  }
  std::wstring why = source.progId + L" is not registered (" + Hex(hr) + L")";
  if (source.fallbackDll.empty()) {
    createError_ = why;
    return hr;
  }
  // Registration-free: the server beside the program.
  const std::wstring path = AppPath() + source.fallbackDll;
  // The server stays loaded for the life of the process, as COM keeps the
  // servers it loads: the control may still have timers or windows of its
  // own after its last object has gone.
  HMODULE module = LoadLibraryExW(path.c_str(), nullptr, LOAD_WITH_ALTERED_SEARCH_PATH);
  if (!module) {
    const DWORD error = GetLastError();
    createError_ = why + L" and " + path + L" could not be loaded (error " + std::to_wstring(error) + L")";
    return HRESULT_FROM_WIN32(error);
  }
  clsid = source.clsid;
  if (clsid == CLSID_NULL) {
    hr = ClassFromTypeLibrary(path, source.progId, clsid);
    if (FAILED(hr)) {
      createError_ = why + L" and " + path + L" does not describe it (" + Hex(hr) + L")";
      return hr;
    }
  }
  using GetClassObject = HRESULT(STDAPICALLTYPE*)(REFCLSID, REFIID, void**);
  auto getClassObject =
      reinterpret_cast<GetClassObject>(reinterpret_cast<void*>(GetProcAddress(module, "DllGetClassObject")));
  IClassFactory* factory = nullptr;
  hr = getClassObject ? getClassObject(clsid, IID_IClassFactory, reinterpret_cast<void**>(&factory))
                      : HRESULT_FROM_WIN32(ERROR_PROC_NOT_FOUND);
  if (SUCCEEDED(hr)) {
    hr = factory->CreateInstance(nullptr, IID_IUnknown, reinterpret_cast<void**>(out));
    factory->Release();
  }
  if (FAILED(hr)) {
    createError_ = why + L" and " + path + L" could not make it (" + Hex(hr) + L")";
    return hr;
  }
  origin_ = AxOrigin::ProgramFolder;
  return hr;
}

bool ActiveXHost::CreateControl(const AxSource& source, const AxValues& design) {
  if (object_ || !Hwnd()) {
    createError_ = object_ ? L"the control exists already" : L"the host window could not be made";
    return false;
  }
  createError_.clear();
  origin_ = AxOrigin::None;
  IUnknown* object = nullptr;
  if (FAILED(Instantiate(source, &object))) return false;
  object_ = object;
  auto fail = [&](const std::wstring& what, HRESULT hr) {
    createError_ = source.progId + L": " + what + L" (" + Hex(hr) + L")";
    Release();
    origin_ = AxOrigin::None;
    return false;
  };

  HRESULT hr = object_->QueryInterface(IID_IOleObject, reinterpret_cast<void**>(&oleObject_));
  if (FAILED(hr)) return fail(L"not an OLE control", hr);
  site_ = new Site(this);
  DWORD misc = 0;
  oleObject_->GetMiscStatus(DVASPECT_CONTENT, &misc);
  if (misc & OLEMISC_SETCLIENTSITEFIRST) oleObject_->SetClientSite(static_cast<IOleClientSite*>(site_));

  IPersistPropertyBag* bagPersist = nullptr;
  IPersistStreamInit* streamPersist = nullptr;
  object_->QueryInterface(IID_IPersistPropertyBag, reinterpret_cast<void**>(&bagPersist));
  object_->QueryInterface(IID_IPersistStreamInit, reinterpret_cast<void**>(&streamPersist));
  if (!design.empty() && bagPersist) {
    DesignBag bag(design);
    hr = bagPersist->Load(&bag, nullptr);
  } else if (streamPersist) {
    hr = streamPersist->InitNew();
  } else if (bagPersist) {
    hr = bagPersist->InitNew();
  } else {
    hr = design.empty() ? S_OK : E_NOINTERFACE;
  }
  ReleaseAndClear(bagPersist);
  ReleaseAndClear(streamPersist);
  if (FAILED(hr)) return fail(L"its design values could not be loaded", hr);

  if (!(misc & OLEMISC_SETCLIENTSITEFIRST)) oleObject_->SetClientSite(static_cast<IOleClientSite*>(site_));
  oleObject_->SetHostNames(OwnerForm().Name().c_str(), Name().c_str());
  object_->QueryInterface(IID_IDispatch, reinterpret_cast<void**>(&dispatch_));

  // Events: the default source interface through its connection point.
  const IID events = DefaultSource(object_);
  IConnectionPointContainer* points = nullptr;
  if (events != IID_NULL &&
      SUCCEEDED(object_->QueryInterface(IID_IConnectionPointContainer, reinterpret_cast<void**>(&points)))) {
    if (SUCCEEDED(points->FindConnectionPoint(events, &point_))) {
      sink_ = new Sink(this, events);
      if (FAILED(point_->Advise(sink_, &cookie_))) {
        cookie_ = 0;
        ReleaseAndClear(point_);
      }
    }
    points->Release();
  }

  RECT rc{};
  GetClientRect(Hwnd(), &rc);
  UpdateExtent();
  hr = oleObject_->DoVerb(OLEIVERB_INPLACEACTIVATE, nullptr, static_cast<IOleClientSite*>(site_), 0, Hwnd(), &rc);
  if (FAILED(hr)) return fail(L"it could not be activated in place", hr);
  object_->QueryInterface(IID_IOleInPlaceObject, reinterpret_cast<void**>(&inPlace_));
  if (!active_) object_->QueryInterface(IID_IOleInPlaceActiveObject, reinterpret_cast<void**>(&active_));
  PlaceControl();
  if (!Enabled()) SetEnabled(false);
  return true;
}

void ActiveXHost::Release() {
  if (point_) {
    if (cookie_) point_->Unadvise(cookie_);
    cookie_ = 0;
    ReleaseAndClear(point_);
  }
  if (sink_) {
    sink_->Detach();
    ReleaseAndClear(sink_);
  }
  ReleaseAndClear(active_);
  if (inPlace_) {
    inPlace_->InPlaceDeactivate();
    ReleaseAndClear(inPlace_);
  }
  if (oleObject_) {
    oleObject_->Close(OLECLOSE_NOSAVE);
    oleObject_->SetClientSite(nullptr);
    ReleaseAndClear(oleObject_);
  }
  ReleaseAndClear(dispatch_);
  ReleaseAndClear(object_);
  // SetActiveObject may have come again while the control went.
  ReleaseAndClear(active_);
  if (site_) {
    site_->Detach();
    ReleaseAndClear(site_);
  }
}

void ActiveXHost::UpdateExtent() {
  if (!oleObject_) return;
  // HIMETRIC: 2540 to the inch.
  SIZEL extent{MulDiv(Width(), 2540, 1440), MulDiv(Height(), 2540, 1440)};
  oleObject_->SetExtent(DVASPECT_CONTENT, &extent);
}

void ActiveXHost::PlaceControl() {
  if (!inPlace_ || !Hwnd()) return;
  RECT rc{};
  GetClientRect(Hwnd(), &rc);
  inPlace_->SetObjectRects(&rc, &rc);
}

bool ActiveXHost::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) {
  switch (message) {
    case WM_SIZE:
      UpdateExtent();
      PlaceControl();
      result = 0;
      return true;
    case WM_SETFOCUS:
      // The host window only passes the focus on to the control.
      if (HWND inner = ControlHwnd()) {
        ::SetFocus(inner);
        result = 0;
        return true;
      }
      return false;
    case WM_ERASEBKGND:
      result = internal::EraseBackground(Hwnd(), reinterpret_cast<HDC>(wParam), BackColor());
      return true;
    default:
      return false;
  }
}

bool ActiveXHost::PreTranslate(MSG& msg) {
  if (msg.message < WM_KEYFIRST || msg.message > WM_KEYLAST || !active_) return false;
  HWND inner = ControlHwnd();
  if (!inner || (msg.hwnd != inner && !IsChild(inner, msg.hwnd))) return false;
  IOleInPlaceActiveObject* active = active_;
  active->AddRef();
  const bool used = active->TranslateAccelerator(&msg) == S_OK;
  active->Release();
  return used;
}

void ActiveXHost::Focused(bool gained) {
  if (!OnControlFocus) return;
  internal::FromSystem(OwnerForm().Ui(), [&] {
    auto handler = OnControlFocus;
    handler(gained);
    return LRESULT{0};
  });
}

void ActiveXHost::OnEvent(DISPID id, EventHandler handler) { handlers_[id] = std::move(handler); }

void ActiveXHost::RaiseEvent(DISPID id, DISPPARAMS* params) {
  auto it = handlers_.find(id);
  if (it == handlers_.end() || !it->second) return;
  // Errors of the handler never reach the control: they go to the code
  // that set the control off (Put), or are reported to the user.
  internal::FromSystem(OwnerForm().Ui(), [&] {
    EventHandler handler = it->second;
    AxEventArgs args(params);
    handler(args);
    return LRESULT{0};
  });
}

VARIANT ActiveXHost::Get(const std::wstring& property) const {
  VARIANT result;
  VariantInit(&result);
  if (!dispatch_) return result;
  DISPID id = DISPID_UNKNOWN;
  EXCEPINFO info{};
  HRESULT hr = IdOf(dispatch_, property, id);
  if (SUCCEEDED(hr)) {
    DISPPARAMS none{};
    UINT argError = 0;
    hr = dispatch_->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_PROPERTYGET, &none, &result, &info,
                           &argError);
  }
  if (FAILED(hr)) {
    VariantClear(&result);
    RaiseDispatchError(hr, info, property);
  }
  return result;
}

void ActiveXHost::Put(const std::wstring& property, VARIANT value) {
  struct Clear {
    VARIANT& v;
    ~Clear() { VariantClear(&v); }
  } clear{value};
  if (!dispatch_) return;
  DISPID id = DISPID_UNKNOWN;
  EXCEPINFO info{};
  HRESULT hr = IdOf(dispatch_, property, id);
  if (SUCCEEDED(hr)) {
    DISPID named = DISPID_PROPERTYPUT;
    DISPPARAMS params{&value, &named, 1, 1};
    UINT argError = 0;
    // Events the change raises run inside this call; their errors come back here.
    internal::ByCode([&] {
      hr = dispatch_->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_PROPERTYPUT, &params, nullptr, &info,
                             &argError);
    });
  }
  if (FAILED(hr)) RaiseDispatchError(hr, info, property);
}

void ActiveXHost::SetEnabled(bool enabled) {
  Control::SetEnabled(enabled);
  if (!dispatch_) return;
  VARIANT value = AxBool(enabled);
  DISPID named = DISPID_PROPERTYPUT;
  DISPPARAMS params{&value, &named, 1, 1};
  // A control without an Enabled property is still disabled by its window.
  dispatch_->Invoke(DISPID_ENABLED, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_PROPERTYPUT, &params, nullptr, nullptr,
                    nullptr);
}

void ActiveXHost::AmbientChanged(DISPID id) {
  IOleControl* control = nullptr;
  if (object_ && SUCCEEDED(object_->QueryInterface(IID_IOleControl, reinterpret_cast<void**>(&control)))) {
    control->OnAmbientPropertyChange(id);
    control->Release();
  }
}

void ActiveXHost::SetBackColor(OleColor color) {
  Control::SetBackColor(color);
  AmbientChanged(DISPID_AMBIENT_BACKCOLOR);
}

void ActiveXHost::SetFont(const FontSpec& font) {
  Control::SetFont(font);
  AmbientChanged(DISPID_AMBIENT_FONT);
}

}  // namespace ferrimond::forms

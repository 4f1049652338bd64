#include "tests/almanix/comframe/com_test.h"

#include <oleauto.h>

#include <algorithm>

namespace almanix::comtest {

std::wstring DllPath() { return WinePath(ALMANIX_DLL_PATH); }

std::wstring WinePath(const char* path) {
  std::wstring out(path, path + strlen(path));
  if (!out.empty() && out[0] == L'/') {  // a Unix path under Wine: drive Z:
    for (wchar_t& c : out)
      if (c == L'/') c = L'\\';
    out = L"Z:" + out;
  }
  return out;
}

namespace {

template <class F>
F Export(HMODULE module, const char* name) {
  return reinterpret_cast<F>(reinterpret_cast<void*>(GetProcAddress(module, name)));
}

DISPID IdOf(IDispatch* object, const wchar_t* name) {
  DISPID id = DISPID_UNKNOWN;
  LPOLESTR names[] = {const_cast<LPOLESTR>(name)};
  EXPECT_EQ(object->GetIDsOfNames(IID_NULL, names, 1, LOCALE_USER_DEFAULT, &id), S_OK) << name;
  return id;
}

}  // namespace

Library::Library() : module_(LoadLibraryW(DllPath().c_str())) { EXPECT_NE(module_, nullptr) << "Almanix.dll"; }

Library::~Library() {
  if (module_) FreeLibrary(module_);
}

HRESULT Library::CanUnloadNow() const { return Export<HRESULT(WINAPI*)()>(module_, "DllCanUnloadNow")(); }
HRESULT Library::Register() const { return Export<HRESULT(WINAPI*)()>(module_, "DllRegisterServer")(); }
HRESULT Library::Unregister() const { return Export<HRESULT(WINAPI*)()>(module_, "DllUnregisterServer")(); }

HRESULT Library::ClassObject(REFCLSID clsid, IClassFactory** out) const {
  auto get = Export<HRESULT(WINAPI*)(REFCLSID, REFIID, void**)>(module_, "DllGetClassObject");
  return get(clsid, IID_IClassFactory, reinterpret_cast<void**>(out));
}

int RunProcess(const std::wstring& commandLine, std::string* output) {
  SECURITY_ATTRIBUTES inherit{sizeof(inherit), nullptr, TRUE};
  HANDLE readEnd = nullptr, writeEnd = nullptr;
  if (!CreatePipe(&readEnd, &writeEnd, &inherit, 0)) return -1;
  SetHandleInformation(readEnd, HANDLE_FLAG_INHERIT, 0);
  STARTUPINFOW si{};
  si.cb = sizeof(si), si.dwFlags = STARTF_USESTDHANDLES;
  si.hStdInput = GetStdHandle(STD_INPUT_HANDLE), si.hStdOutput = si.hStdError = writeEnd;
  PROCESS_INFORMATION pi{};
  std::wstring line = commandLine;
  const BOOL started = CreateProcessW(nullptr, line.data(), nullptr, nullptr, TRUE, CREATE_NO_WINDOW, nullptr,
                                      nullptr, &si, &pi);
  CloseHandle(writeEnd);
  std::string text;
  char buffer[4096];
  DWORD read = 0;
  while (started && ReadFile(readEnd, buffer, sizeof(buffer), &read, nullptr) && read) text.append(buffer, read);
  CloseHandle(readEnd);
  if (!started) return -1;
  WaitForSingleObject(pi.hProcess, 60000);
  DWORD code = static_cast<DWORD>(-1);
  GetExitCodeProcess(pi.hProcess, &code);
  CloseHandle(pi.hThread), CloseHandle(pi.hProcess);
  if (output) *output = text;
  return static_cast<int>(code);
}

VARIANT GetProperty(IDispatch* object, const wchar_t* name) {
  VARIANT result{};
  DISPPARAMS none{};
  EXPECT_EQ(object->Invoke(IdOf(object, name), IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_PROPERTYGET, &none,
                           &result, nullptr, nullptr),
            S_OK)
      << name;
  return result;
}

HRESULT PutProperty(IDispatch* object, const wchar_t* name, VARIANT value, EXCEPINFO* error) {
  DISPID put = DISPID_PROPERTYPUT;
  DISPPARAMS params{&value, &put, 1, 1};
  EXCEPINFO local{};
  const WORD flags = value.vt == VT_DISPATCH ? DISPATCH_PROPERTYPUTREF : DISPATCH_PROPERTYPUT;
  HRESULT hr = object->Invoke(IdOf(object, name), IID_NULL, LOCALE_USER_DEFAULT, flags, &params, nullptr,
                              error ? error : &local, nullptr);
  if (!error) SysFreeString(local.bstrSource), SysFreeString(local.bstrDescription), SysFreeString(local.bstrHelpFile);
  return hr;
}

VARIANT DateVariant(double date) {
  VARIANT v{};
  v.vt = VT_DATE, v.date = date;
  return v;
}

VARIANT IntVariant(LONG value) {
  VARIANT v{};
  v.vt = VT_I4, v.lVal = value;
  return v;
}

double Date(int y, int m, int d) {
  SYSTEMTIME st{static_cast<WORD>(y), static_cast<WORD>(m), 0, static_cast<WORD>(d), 0, 0, 0, 0};
  double out = 0;
  SystemTimeToVariantTime(&st, &out);
  return out;
}

bool Dropped(_DatePicker* picker) {
  VARIANT_BOOL dropped = VARIANT_FALSE;
  picker->get_IsDropped(&dropped);
  return dropped != VARIANT_FALSE;
}

VARIANT TextVariant(const wchar_t* text) {
  VARIANT v{};
  v.vt = VT_BSTR, v.bstrVal = SysAllocString(text);
  return v;
}

TestBag::~TestBag() {
  for (auto& [name, v] : values) VariantClear(&v);
}

STDMETHODIMP TestBag::QueryInterface(REFIID iid, void** out) {
  *out = iid == IID_IUnknown || iid == IID_IPropertyBag ? static_cast<IPropertyBag*>(this) : nullptr;
  return *out ? S_OK : E_NOINTERFACE;
}

STDMETHODIMP TestBag::Read(LPCOLESTR name, VARIANT* value, IErrorLog*) {
  auto it = values.find(name);
  if (it == values.end()) return E_INVALIDARG;
  const VARTYPE wanted = answerText ? VARTYPE{VT_BSTR} : value->vt;
  VariantInit(value);
  if (wanted == VT_EMPTY || wanted == it->second.vt) return VariantCopy(value, &it->second);
  return VariantChangeType(value, &it->second, 0, wanted);
}

STDMETHODIMP TestBag::Write(LPCOLESTR name, VARIANT* value) {
  VARIANT& slot = values[name];
  VariantClear(&slot);
  return VariantCopy(&slot, value);
}

STDMETHODIMP EventSink::QueryInterface(REFIID iid, void** out) {
  const bool dispatch = iid == IID_IDispatch && answersDispatch;
  *out = iid == IID_IUnknown || dispatch || iid == events_ ? static_cast<IDispatch*>(this) : nullptr;
  return *out ? S_OK : E_NOINTERFACE;
}

STDMETHODIMP EventSink::Invoke(DISPID id, REFIID, LCID, WORD, DISPPARAMS* params, VARIANT*, EXCEPINFO*, UINT*) {
  heard.push_back(id);
  lastTypes.clear();
  for (UINT i = params->cArgs; i-- > 0;) {
    VARIANTARG& a = params->rgvarg[i];
    lastTypes.push_back(a.vt);
    if (a.vt == (VT_BOOL | VT_BYREF)) *a.pboolVal = cancel ? VARIANT_TRUE : VARIANT_FALSE;
  }
  if (releaseOnEvent) {
    IUnknown* going = releaseOnEvent;
    releaseOnEvent = nullptr;
    going->Release();
  }
  return S_OK;
}

void EventSink::Connect(IUnknown* control) {
  ComPtr<IConnectionPointContainer> container;
  ASSERT_EQ(control->QueryInterface(IID_PPV_ARGS(&container)), S_OK);
  ASSERT_EQ(container->FindConnectionPoint(events_, &point_), S_OK);
  ASSERT_EQ(point_->Advise(static_cast<IDispatch*>(this), &cookie_), S_OK);
}

void EventSink::Disconnect() {
  if (point_) point_->Unadvise(cookie_);
  point_.Reset();
}

int EventSink::Count(DISPID id) const { return static_cast<int>(std::count(heard.begin(), heard.end(), id)); }

STDMETHODIMP TestSite::QueryInterface(REFIID iid, void** out) {
  if (iid == IID_IUnknown || iid == IID_IOleClientSite) *out = static_cast<IOleClientSite*>(this);
  else if (iid == IID_IOleWindow || iid == IID_IOleInPlaceSite) *out = static_cast<IOleInPlaceSite*>(this);
  else if (iid == IID_IOleControlSite) *out = static_cast<IOleControlSite*>(this);
  else if (iid == IID_IDispatch) *out = static_cast<IDispatch*>(this);
  else *out = nullptr;
  return *out ? S_OK : E_NOINTERFACE;
}

STDMETHODIMP TestSite::GetWindowContext(IOleInPlaceFrame** frame, IOleInPlaceUIWindow** doc, LPRECT pos,
                                        LPRECT clip, LPOLEINPLACEFRAMEINFO) {
  *frame = nullptr, *doc = nullptr;
  *pos = *clip = position;
  return S_OK;
}

STDMETHODIMP TestSite::Invoke(DISPID id, REFIID, LCID, WORD, DISPPARAMS*, VARIANT* result, EXCEPINFO*, UINT*) {
  VariantInit(result);
  switch (id) {
    case DISPID_AMBIENT_USERMODE:
      result->vt = VT_BOOL, result->boolVal = userMode ? VARIANT_TRUE : VARIANT_FALSE;
      return S_OK;
    case DISPID_AMBIENT_FONT:
      if (!font) return DISP_E_MEMBERNOTFOUND;
      result->vt = VT_DISPATCH;
      return font->QueryInterface(IID_IDispatch, reinterpret_cast<void**>(&result->pdispVal));
    case DISPID_AMBIENT_LOCALEID:
      if (!locale) return DISP_E_MEMBERNOTFOUND;
      result->vt = VT_I4, result->lVal = static_cast<LONG>(locale);
      return S_OK;
    case DISPID_AMBIENT_DISPLAYNAME:
      if (displayName.empty()) return DISP_E_MEMBERNOTFOUND;
      result->vt = VT_BSTR, result->bstrVal = SysAllocString(displayName.c_str());
      return S_OK;
    default:
      return DISP_E_MEMBERNOTFOUND;
  }
}

void Activate(IUnknown* control, TestSite& site, HWND host) {
  ComPtr<IOleObject> ole;
  ASSERT_EQ(control->QueryInterface(IID_PPV_ARGS(&ole)), S_OK);
  ASSERT_EQ(ole->SetClientSite(&site), S_OK);
  ASSERT_EQ(ole->DoVerb(OLEIVERB_INPLACEACTIVATE, nullptr, &site, 0, host, &site.position), S_OK);
}

HWND WindowOf(IUnknown* control) {
  ComPtr<IOleInPlaceObject> inPlace;
  HWND hwnd = nullptr;
  if (SUCCEEDED(control->QueryInterface(IID_PPV_ARGS(&inPlace)))) inPlace->GetWindow(&hwnd);
  return hwnd;
}

void Close(IUnknown* control) {
  ComPtr<IOleObject> ole;
  control->QueryInterface(IID_PPV_ARGS(&ole));
  ole->Close(OLECLOSE_NOSAVE);
  ole->SetClientSite(nullptr);
}

HWND CreateHostWindow() {
  WNDCLASSW wc{};
  wc.lpfnWndProc = DefWindowProcW, wc.hInstance = GetModuleHandleW(nullptr), wc.lpszClassName = L"AlmanixComTestHost";
  RegisterClassW(&wc);
  HWND hwnd = CreateWindowExW(0, wc.lpszClassName, L"host", WS_POPUP | WS_VISIBLE | WS_CLIPCHILDREN, 50, 50, 500,
                              400, nullptr, nullptr, GetModuleHandleW(nullptr), nullptr);
  SetForegroundWindow(hwnd);
  return hwnd;
}

}  // namespace almanix::comtest

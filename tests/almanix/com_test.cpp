#include "tests/almanix/com_test.h"

#include <oleauto.h>

#include <algorithm>
#include <cstdio>
#include <utility>

namespace almanix::testing {

HWND CreateHostWindow(WNDPROC proc) {
  WNDCLASSW wc{};
  wc.lpfnWndProc = proc, wc.hInstance = GetModuleHandleW(nullptr);
  const std::wstring name = L"AlmanixTestHost" + std::to_wstring(reinterpret_cast<uintptr_t>(proc));
  wc.lpszClassName = name.c_str();
  RegisterClassW(&wc);
  HWND hwnd = CreateWindowExW(0, wc.lpszClassName, L"host", WS_POPUP | WS_VISIBLE | WS_CLIPCHILDREN, 50, 50, 500,
                              400, nullptr, nullptr, GetModuleHandleW(nullptr), nullptr);
  SetForegroundWindow(hwnd);
  return hwnd;
}

void Pump() {
  MSG msg;
  while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
    TranslateMessage(&msg);
    DispatchMessageW(&msg);
  }
}

bool PumpUntil(const std::function<bool()>& done, DWORD timeoutMs) {
  for (const DWORD start = GetTickCount(); !done(); Pump()) {
    if (GetTickCount() - start > timeoutMs) return false;
    MsgWaitForMultipleObjects(0, nullptr, FALSE, 20, QS_ALLINPUT);
  }
  return true;
}

void PumpFor(DWORD ms) {
  for (DWORD start = GetTickCount(), elapsed; (elapsed = GetTickCount() - start) < ms; Pump())
    MsgWaitForMultipleObjects(0, nullptr, FALSE, ms - elapsed, QS_ALLINPUT);
}

void Press(POINT screen, DWORD down, DWORD up) {
  SetCursorPos(screen.x, screen.y);
  INPUT in[2] = {};
  in[0].type = in[1].type = INPUT_MOUSE;
  in[0].mi.dwFlags = down, in[1].mi.dwFlags = up;
  SendInput(2, in, sizeof(INPUT));
  Pump();
}

Dib::Dib(int width, int height, COLORREF fill) : width_(width), height_(height) {
  BITMAPINFO bi{};
  bi.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
  bi.bmiHeader.biWidth = width, bi.bmiHeader.biHeight = -height;  // top-down
  bi.bmiHeader.biPlanes = 1, bi.bmiHeader.biBitCount = 32;
  dc_ = CreateCompatibleDC(nullptr);
  bitmap_ = CreateDIBSection(dc_, &bi, DIB_RGB_COLORS, &bits_, nullptr, 0);
  old_ = SelectObject(dc_, bitmap_);
  Fill(fill);
}

Dib::~Dib() {
  SelectObject(dc_, old_);
  DeleteObject(bitmap_);
  DeleteDC(dc_);
}

void Dib::Fill(COLORREF color) {
  HBRUSH b = CreateSolidBrush(color);
  RECT r{0, 0, width_, height_};
  FillRect(dc_, &r, b);
  DeleteObject(b);
}

COLORREF Dib::At(int x, int y) const {
  GdiFlush();
  DWORD v = static_cast<const DWORD*>(bits_)[y * width_ + x];
  return RGB((v >> 16) & 0xFF, (v >> 8) & 0xFF, v & 0xFF);
}

int Dib::Count(int left, int top, int right, int bottom, const std::function<bool(COLORREF)>& pred) const {
  int n = 0;
  for (int y = top; y < bottom; ++y)
    for (int x = left; x < right; ++x) n += pred(At(x, y)) ? 1 : 0;
  return n;
}

std::wstring DllPath() { return WinePath(ALMANIX_DLL_PATH); }

std::wstring WinePath(const char* path) {
  std::wstring out(path, path + strlen(path));
  if (!out.empty() && out[0] == L'/') {  // a Unix path under Wine: drive Z:
    std::replace(out.begin(), out.end(), L'/', L'\\');
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
  FILE* pipe = _wpopen(commandLine.c_str(), L"rb");
  if (!pipe) return -1;
  std::string text;
  char buffer[4096];
  for (size_t n; (n = fread(buffer, 1, sizeof(buffer), pipe)) > 0;) text.append(buffer, n);
  if (output) *output = text;
  return _pclose(pipe);
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

VARIANT TextVariant(const wchar_t* text) {
  VARIANT v{};
  v.vt = VT_BSTR, v.bstrVal = SysAllocString(text);
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

STDMETHODIMP HostSink::QueryInterface(REFIID iid, void** out) {
  if (iid == IID_IPropertyNotifySink) *out = static_cast<IPropertyNotifySink*>(this);
  else if (iid == IID_IAdviseSink) *out = static_cast<IAdviseSink*>(this);
  else if (iid == IID_IUnknown || iid == events_ || (iid == IID_IDispatch && answersDispatch))
    *out = static_cast<IDispatch*>(this);
  else *out = nullptr;
  return *out ? S_OK : E_NOINTERFACE;
}

STDMETHODIMP HostSink::Invoke(DISPID id, REFIID, LCID, WORD, DISPPARAMS* params, VARIANT*, EXCEPINFO*, UINT*) {
  heard.push_back(id);
  lastTypes.clear();
  for (UINT i = params->cArgs; i-- > 0;) {
    VARIANTARG& a = params->rgvarg[i];
    lastTypes.push_back(a.vt);
    if (a.vt == (VT_BOOL | VT_BYREF)) *a.pboolVal = cancel ? VARIANT_TRUE : VARIANT_FALSE;
  }
  return LetGo();
}

HRESULT HostSink::LetGo() {
  if (IUnknown* going = std::exchange(letGo, nullptr)) going->Release();
  return S_OK;
}

void HostSink::Connect(IUnknown* control, const IID& point) {
  events_ = point;
  ComPtr<IConnectionPointContainer> container;
  ASSERT_EQ(control->QueryInterface(IID_PPV_ARGS(&container)), S_OK);
  ASSERT_EQ(container->FindConnectionPoint(point, &point_), S_OK);
  ASSERT_EQ(point_->Advise(static_cast<IDispatch*>(this), &cookie_), S_OK);
}

void HostSink::Disconnect() {
  if (point_) point_->Unadvise(cookie_);
  point_.Reset();
}

int HostSink::Count(DISPID id) const { return static_cast<int>(std::count(heard.begin(), heard.end(), id)); }

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

}  // namespace almanix::testing

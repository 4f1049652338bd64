#pragma once
// What the tests of Almanix share: a host window and its message loop, real
// mouse input, a canvas to read drawing back from, the controls' numbered
// errors; and for Almanix.dll, the library loaded as a host loads it, the
// property bag, connection sinks and in-place site a host would supply, and
// child processes (regsvr32, cscript).
#include <gtest/gtest.h>
#include <windows.h>
#include <ocidl.h>
#include <olectl.h>
#include <oleauto.h>
#include <wrl/client.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <functional>
#include <map>
#include <string>
#include <utility>
#include <vector>

#include "almanix/comframe/almanix_idl.h"
#include "common/numbered_error.h"

namespace almanix::testing {

using Microsoft::WRL::ComPtr;

// Members the test objects below answer with a fixed result; the objects
// live as long as the test that made them, uncounted.
#define ALMANIX_ANSWERS(result, member) STDMETHODIMP member override { return result; }
#define ALMANIX_UNCOUNTED STDMETHODIMP_(ULONG) AddRef() override { return 2; } STDMETHODIMP_(ULONG) Release() override { return 1; }
#define ALMANIX_NO_TYPE_INFO STDMETHODIMP GetTypeInfoCount(UINT* n) override { *n = 0; return S_OK; } \
  ALMANIX_ANSWERS(E_NOTIMPL, GetTypeInfo(UINT, LCID, ITypeInfo**)) ALMANIX_ANSWERS(E_NOTIMPL, GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*))

// A visible top-level window (500 x 400 at 50, 50) for controls and sites.
inline HWND CreateHostWindow(WNDPROC proc = DefWindowProcW) {
  WNDCLASSW wc{};
  const std::wstring name = L"AlmanixTestHost" + std::to_wstring(reinterpret_cast<uintptr_t>(proc));
  wc.lpfnWndProc = proc, wc.hInstance = GetModuleHandleW(nullptr), wc.lpszClassName = name.c_str();
  RegisterClassW(&wc);
  HWND hwnd = CreateWindowExW(0, wc.lpszClassName, L"host", WS_POPUP | WS_VISIBLE | WS_CLIPCHILDREN, 50, 50, 500,
                              400, nullptr, nullptr, GetModuleHandleW(nullptr), nullptr);
  SetForegroundWindow(hwnd);
  return hwnd;
}

// Dispatches the messages waiting in the thread's queue.
inline void Pump() {
  for (MSG msg; PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE);) TranslateMessage(&msg), DispatchMessageW(&msg);
}

// Runs the message loop until `done` or the time is up; false on time-out.
inline bool PumpUntil(const std::function<bool()>& done, DWORD timeoutMs = 3000) {
  for (const DWORD start = GetTickCount(); !done(); Pump()) {
    if (GetTickCount() - start > timeoutMs) return false;
    MsgWaitForMultipleObjects(0, nullptr, FALSE, 20, QS_ALLINPUT);
  }
  return true;
}

// Runs the message loop for `ms` milliseconds.
inline void PumpFor(DWORD ms) {
  for (DWORD start = GetTickCount(), elapsed; (elapsed = GetTickCount() - start) < ms; Pump())
    MsgWaitForMultipleObjects(0, nullptr, FALSE, ms - elapsed, QS_ALLINPUT);
}

// A button pressed and released at a screen point through the system's input
// queue, as a mouse hook sees it (MOUSEEVENTF_* flags), then dispatched.
inline void Press(POINT screen, DWORD down, DWORD up) {
  SetCursorPos(screen.x, screen.y);
  INPUT in[2] = {};
  in[0].type = in[1].type = INPUT_MOUSE;
  in[0].mi.dwFlags = down, in[1].mi.dwFlags = up;
  SendInput(2, in, sizeof(INPUT));
  Pump();
}

// The client point at the middle of the month calendar's day cell n (0-41).
inline POINT DayCell(int n) { return {4 + 28 * (n % 7) + 14, 52 + 16 * (n / 7) + 8}; }

// The number of the error `f` raises, 0 when it raises none; an error must
// come from the controls' source.
template <class F>
int32_t ControlErrorOf(F&& f) {
  try {
    f();
  } catch (const common::NumberedError& e) {
    EXPECT_EQ(e.Source(), L"DatePicker");
    return e.Number();
  }
  return 0;
}

// A 32-bit bitmap with its own DC, filled with one colour, to read back what
// was drawn.
class Canvas {
 public:
  Canvas(int width, int height, COLORREF fill = RGB(255, 0, 255))
      : bitmap_(CreateBitmap(width, height, 1, 32, nullptr)) {
    SelectObject(dc_, bitmap_);
    const RECT all{0, 0, width, height};
    HBRUSH brush = CreateSolidBrush(fill);
    FillRect(dc_, &all, brush);
    DeleteObject(brush);
  }
  ~Canvas() { DeleteDC(dc_), DeleteObject(bitmap_); }
  Canvas(const Canvas&) = delete;
  HDC dc() const { return dc_; }
  COLORREF At(int x, int y) const { return GetPixel(dc_, x, y); }
  // Pixels of [left, right) x [top, bottom) in colour c.
  int CountColor(int left, int top, int right, int bottom, COLORREF c) const {
    int n = 0;
    for (int y = top; y < bottom; ++y)
      for (int x = left; x < right; ++x) n += At(x, y) == c;
    return n;
  }

 private:
  HDC dc_ = CreateCompatibleDC(nullptr);
  HBITMAP bitmap_;
};

// A path of the build machine as Wine sees it (drive Z: for Unix paths).
inline std::wstring WinePath(const char* path) {
  std::wstring out(path, path + strlen(path));
  if (!out.empty() && out[0] == L'/') {
    std::replace(out.begin(), out.end(), L'/', L'\\');
    out = L"Z:" + out;
  }
  return out;
}

// The built Almanix.dll as a Windows path.
inline std::wstring DllPath() { return WinePath(ALMANIX_DLL_PATH); }

// Almanix.dll loaded with LoadLibrary, registration-free.
class Library {
 public:
  Library() { EXPECT_NE(module_, nullptr) << "Almanix.dll"; }
  ~Library() {
    if (module_) FreeLibrary(module_);
  }
  HMODULE Module() const { return module_; }
  HRESULT CanUnloadNow() const { return Export<HRESULT(WINAPI*)()>("DllCanUnloadNow")(); }
  HRESULT Register() const { return Export<HRESULT(WINAPI*)()>("DllRegisterServer")(); }
  HRESULT Unregister() const { return Export<HRESULT(WINAPI*)()>("DllUnregisterServer")(); }
  HRESULT ClassObject(REFCLSID clsid, IClassFactory** out) const {
    return Export<HRESULT(WINAPI*)(REFCLSID, REFIID, void**)>("DllGetClassObject")(
        clsid, IID_IClassFactory, reinterpret_cast<void**>(out));
  }
  // A new control through the library's class factory.
  template <class I>
  ComPtr<I> Create(REFCLSID clsid) const {
    ComPtr<IClassFactory> factory;
    ComPtr<I> object;
    EXPECT_EQ(ClassObject(clsid, &factory), S_OK);
    if (factory) {
      EXPECT_EQ(factory->CreateInstance(nullptr, __uuidof(I), &object), S_OK);
    }
    return object;
  }

 private:
  template <class F>
  F Export(const char* name) const {
    return reinterpret_cast<F>(reinterpret_cast<void*>(GetProcAddress(module_, name)));
  }
  HMODULE module_ = LoadLibraryW(DllPath().c_str());
};

// Runs a command line; returns its exit code (-1 when it could not start)
// and what it wrote to its standard output.
inline int RunProcess(const std::wstring& commandLine, std::string* output = nullptr) {
  FILE* pipe = _wpopen(commandLine.c_str(), L"rb");
  if (!pipe) return -1;
  std::string text;
  char buffer[4096];
  for (size_t n; (n = fread(buffer, 1, sizeof(buffer), pipe)) > 0;) text.append(buffer, n);
  if (output) *output = text;
  return _pclose(pipe);
}

// Properties through IDispatch, by name. Put returns the HRESULT and fills
// `error` with the exception a script would see.
inline DISPID IdOf(IDispatch* object, const wchar_t* name) {
  DISPID id = DISPID_UNKNOWN;
  LPOLESTR names[] = {const_cast<LPOLESTR>(name)};
  EXPECT_EQ(object->GetIDsOfNames(IID_NULL, names, 1, LOCALE_USER_DEFAULT, &id), S_OK) << name;
  return id;
}

inline VARIANT GetProperty(IDispatch* object, const wchar_t* name) {
  VARIANT result{};
  DISPPARAMS none{};
  EXPECT_EQ(object->Invoke(IdOf(object, name), IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_PROPERTYGET, &none,
                           &result, nullptr, nullptr),
            S_OK)
      << name;
  return result;
}

inline HRESULT PutProperty(IDispatch* object, const wchar_t* name, VARIANT value, EXCEPINFO* error = nullptr) {
  DISPID put = DISPID_PROPERTYPUT;
  DISPPARAMS params{&value, &put, 1, 1};
  EXCEPINFO local{};
  const WORD flags = value.vt == VT_DISPATCH ? DISPATCH_PROPERTYPUTREF : DISPATCH_PROPERTYPUT;
  HRESULT hr = object->Invoke(IdOf(object, name), IID_NULL, LOCALE_USER_DEFAULT, flags, &params, nullptr,
                              error ? error : &local, nullptr);
  if (!error) SysFreeString(local.bstrSource), SysFreeString(local.bstrDescription), SysFreeString(local.bstrHelpFile);
  return hr;
}

inline VARIANT NullVariant() { VARIANT v{}; v.vt = VT_NULL; return v; }
inline VARIANT DateVariant(double date) { VARIANT v{}; v.vt = VT_DATE, v.date = date; return v; }
inline VARIANT IntVariant(LONG value) { VARIANT v{}; v.vt = VT_I4, v.lVal = value; return v; }
inline VARIANT TextVariant(const wchar_t* text) { VARIANT v{}; v.vt = VT_BSTR, v.bstrVal = SysAllocString(text); return v; }  // the caller clears it

// A calendar date as an OLE date.
inline double Date(int y, int m, int d) {
  SYSTEMTIME st{static_cast<WORD>(y), static_cast<WORD>(m), 0, static_cast<WORD>(d), 0, 0, 0, 0};
  double out = 0;
  return SystemTimeToVariantTime(&st, &out), out;
}

// Whether the picker's calendar is dropped down.
inline bool Dropped(_DatePicker* picker) {
  VARIANT_BOOL dropped = VARIANT_FALSE;
  return picker->get_IsDropped(&dropped), dropped != VARIANT_FALSE;
}

// Interface I of `object`; null, and a failure, when it has none.
template <class I>
ComPtr<I> Query(IUnknown* object) {
  ComPtr<I> out;
  EXPECT_EQ(object->QueryInterface(IID_PPV_ARGS(&out)), S_OK) << "no such interface";
  return out;
}

// A standard font object.
inline ComPtr<IFontDisp> MakeFont(const wchar_t* name, ULONG size10000, SHORT weight, BOOL italic) {
  FONTDESC desc{sizeof(desc), const_cast<LPOLESTR>(name), {{size10000, 0}}, weight, DEFAULT_CHARSET, italic, italic, italic};
  ComPtr<IFontDisp> font;
  EXPECT_EQ(OleCreateFontIndirect(&desc, IID_PPV_ARGS(&font)), S_OK);
  return font;
}

// A host's property bag kept in memory.
class TestBag final : public IPropertyBag {
 public:
  ~TestBag() {
    for (auto& [name, v] : values) VariantClear(&v);
  }
  STDMETHODIMP QueryInterface(REFIID iid, void** out) override {
    *out = iid == IID_IUnknown || iid == IID_IPropertyBag ? static_cast<IPropertyBag*>(this) : nullptr;
    return *out ? S_OK : E_NOINTERFACE;
  }
  ALMANIX_UNCOUNTED
  STDMETHODIMP Read(LPCOLESTR name, VARIANT* value, IErrorLog*) override {
    auto it = values.find(name);
    if (it == values.end()) return E_INVALIDARG;
    const VARTYPE wanted = answerText ? VARTYPE{VT_BSTR} : value->vt;
    VariantInit(value);
    if (wanted == VT_EMPTY || wanted == it->second.vt) return VariantCopy(value, &it->second);
    return VariantChangeType(value, &it->second, 0, wanted);
  }
  STDMETHODIMP Write(LPCOLESTR name, VARIANT* value) override {
    VARIANT& slot = values[name];
    VariantClear(&slot);
    return VariantCopy(&slot, value);
  }
  std::map<std::wstring, VARIANT> values;
  bool answerText = false;  // answers every read with text, as PARAM bags do
};

// A host's end of a control's connections: the events it hears (writing
// into their cancel arguments), property notifications (refusing edits when
// told) and the advice that the control closes. From inside any of them it
// can let go of the host's last reference to the control.
class HostSink final : public IDispatch, public IPropertyNotifySink, public IAdviseSink {
 public:
  STDMETHODIMP QueryInterface(REFIID iid, void** out) override {
    if (iid == IID_IPropertyNotifySink) *out = static_cast<IPropertyNotifySink*>(this);
    else if (iid == IID_IAdviseSink) *out = static_cast<IAdviseSink*>(this);
    else if (iid == IID_IUnknown || (iid == events_ && answers != Dispatch) || (iid == IID_IDispatch && answers != Events))
      *out = static_cast<IDispatch*>(this);
    else *out = nullptr;
    return *out ? S_OK : E_NOINTERFACE;
  }
  ALMANIX_UNCOUNTED
  ALMANIX_NO_TYPE_INFO
  STDMETHODIMP Invoke(DISPID id, REFIID, LCID, WORD, DISPPARAMS* params, VARIANT*, EXCEPINFO*, UINT*) override {
    heard.push_back(id);
    lastTypes.clear();
    for (UINT i = params->cArgs; i-- > 0;) {
      VARIANTARG& a = params->rgvarg[i];
      lastTypes.push_back(a.vt);
      if (a.vt == (VT_BOOL | VT_BYREF)) *a.pboolVal = cancel ? VARIANT_TRUE : VARIANT_FALSE;
    }
    return LetGo();
  }
  STDMETHODIMP OnChanged(DISPID id) override { changed.push_back(id); return LetGo(); }
  STDMETHODIMP OnRequestEdit(DISPID id) override { requested.push_back(id); return refuse ? S_FALSE : S_OK; }
  STDMETHODIMP_(void) OnDataChange(FORMATETC*, STGMEDIUM*) override {}
  STDMETHODIMP_(void) OnViewChange(DWORD, LONG) override {}
  STDMETHODIMP_(void) OnRename(IMoniker*) override {} STDMETHODIMP_(void) OnSave() override {}
  STDMETHODIMP_(void) OnClose() override { LetGo(); }

  // Advises the control's connection point for `point` (its event
  // interface or IID_IPropertyNotifySink) / unadvises it.
  void Connect(IUnknown* control, const IID& point) {
    events_ = point;
    ASSERT_EQ(Query<IConnectionPointContainer>(control)->FindConnectionPoint(point, &point_), S_OK);
    ASSERT_EQ(point_->Advise(static_cast<IDispatch*>(this), &cookie_), S_OK);
  }
  void Disconnect() {
    if (point_) point_->Unadvise(cookie_);
    point_.Reset();
  }
  // Lets go of the connection point (and the control it holds) while
  // staying advised.
  void DropPoint() { point_.Reset(); }
  int Count(DISPID id) const { return static_cast<int>(std::count(heard.begin(), heard.end(), id)); }

  std::vector<DISPID> heard, changed, requested;
  std::vector<VARTYPE> lastTypes;  // argument types of the last event
  bool cancel = false;             // written into cancel arguments
  bool refuse = false;             // refuses edits
  enum { Both, Events, Dispatch } answers = Both;  // the interfaces it answers for as a sink
  IUnknown* letGo = nullptr;       // released (once) from inside the next call

 private:
  HRESULT LetGo() {
    if (IUnknown* going = std::exchange(letGo, nullptr)) going->Release();
    return S_OK;
  }
  IID events_ = IID_NULL;
  ComPtr<IConnectionPoint> point_;
  DWORD cookie_ = 0;
};

// A container site: a window, IOleInPlaceSite, IOleControlSite and the
// ambient properties UserMode, Font, LocaleID and DisplayName.
class TestSite final : public IOleClientSite, public IOleInPlaceSite, public IOleControlSite, public IDispatch {
 public:
  explicit TestSite(HWND window) : window_(window) {}
  STDMETHODIMP QueryInterface(REFIID iid, void** out) override {
    if (iid == IID_IUnknown || iid == IID_IOleClientSite) *out = static_cast<IOleClientSite*>(this);
    else if (iid == IID_IOleWindow || iid == IID_IOleInPlaceSite) *out = static_cast<IOleInPlaceSite*>(this);
    else if (iid == IID_IOleControlSite) *out = static_cast<IOleControlSite*>(this);
    else if (iid == IID_IDispatch) *out = static_cast<IDispatch*>(this);
    else *out = nullptr;
    return *out ? S_OK : E_NOINTERFACE;
  }
  ALMANIX_UNCOUNTED
  // IOleClientSite, IOleInPlaceSite and IOleControlSite: what the tests count
  STDMETHODIMP SaveObject() override { ++saves; return S_OK; }
  STDMETHODIMP GetWindow(HWND* hwnd) override { *hwnd = window_; return S_OK; }
  STDMETHODIMP OnUIActivate() override { ++uiActivations; return S_OK; }
  STDMETHODIMP OnInPlaceDeactivate() override { ++inPlaceDeactivations; return S_OK; }
  STDMETHODIMP OnFocus(BOOL gained) override { focusEvents.push_back(gained != FALSE); return S_OK; }
  STDMETHODIMP GetWindowContext(IOleInPlaceFrame** frame, IOleInPlaceUIWindow** doc, LPRECT pos, LPRECT clip,
                                LPOLEINPLACEFRAMEINFO) override {
    *frame = nullptr, *doc = nullptr, *pos = *clip = position;
    return S_OK;
  }
  // and what they leave alone
  ALMANIX_ANSWERS(S_OK, ShowObject()) ALMANIX_ANSWERS(S_OK, OnShowWindow(BOOL))
  ALMANIX_ANSWERS(S_OK, CanInPlaceActivate()) ALMANIX_ANSWERS(S_OK, OnInPlaceActivate())
  ALMANIX_ANSWERS(S_OK, OnUIDeactivate(BOOL)) ALMANIX_ANSWERS(S_OK, OnPosRectChange(LPCRECT))
  ALMANIX_ANSWERS(S_OK, OnControlInfoChanged()) ALMANIX_ANSWERS(S_OK, LockInPlaceActive(BOOL))
  ALMANIX_ANSWERS(S_FALSE, TranslateAccelerator(MSG*, DWORD)) ALMANIX_ANSWERS(E_NOINTERFACE, GetContainer(IOleContainer**))
  ALMANIX_ANSWERS(E_NOTIMPL, GetMoniker(DWORD, DWORD, IMoniker**)) ALMANIX_ANSWERS(E_NOTIMPL, RequestNewObjectLayout())
  ALMANIX_ANSWERS(E_NOTIMPL, ContextSensitiveHelp(BOOL)) ALMANIX_ANSWERS(E_NOTIMPL, Scroll(SIZE))
  ALMANIX_ANSWERS(E_NOTIMPL, DiscardUndoState()) ALMANIX_ANSWERS(E_NOTIMPL, DeactivateAndUndo())
  ALMANIX_ANSWERS(E_NOTIMPL, GetExtendedControl(IDispatch**)) ALMANIX_ANSWERS(E_NOTIMPL, ShowPropertyFrame())
  ALMANIX_ANSWERS(E_NOTIMPL, TransformCoords(POINTL*, POINTF*, DWORD))
  // IDispatch: the ambient properties
  ALMANIX_NO_TYPE_INFO
  STDMETHODIMP Invoke(DISPID id, REFIID, LCID, WORD, DISPPARAMS*, VARIANT* result, EXCEPINFO*, UINT*) override {
    VariantInit(result);
    if (id == DISPID_AMBIENT_USERMODE) {
      result->vt = VT_BOOL, result->boolVal = userMode ? VARIANT_TRUE : VARIANT_FALSE;
    } else if (id == DISPID_AMBIENT_FONT && font) {
      result->vt = VT_DISPATCH;
      return font->QueryInterface(IID_IDispatch, reinterpret_cast<void**>(&result->pdispVal));
    } else if (id == DISPID_AMBIENT_LOCALEID && locale) {
      result->vt = VT_I4, result->lVal = static_cast<LONG>(locale);
    } else if (id == DISPID_AMBIENT_DISPLAYNAME && !displayName.empty()) {
      result->vt = VT_BSTR, result->bstrVal = SysAllocString(displayName.c_str());
    } else {
      return DISP_E_MEMBERNOTFOUND;
    }
    return S_OK;
  }

  RECT position{10, 10, 160, 34};
  bool userMode = true;
  ComPtr<IFontDisp> font;    // ambient font; none when null
  LCID locale = 0;           // none when 0
  std::wstring displayName;  // ambient DisplayName; none when empty
  int uiActivations = 0, inPlaceDeactivations = 0, saves = 0;
  std::vector<bool> focusEvents;

 private:
  HWND window_;
};

// The window of a control active in place.
inline HWND WindowOf(IUnknown* control) {
  ComPtr<IOleInPlaceObject> inPlace;
  HWND hwnd = nullptr;
  if (SUCCEEDED(control->QueryInterface(IID_PPV_ARGS(&inPlace)))) inPlace->GetWindow(&hwnd);
  return hwnd;
}

// A control sited at `site` in `host` and active in place; its window.
inline HWND Activate(IUnknown* control, TestSite& site, HWND host) {
  ComPtr<IOleObject> ole = Query<IOleObject>(control);
  EXPECT_EQ(ole->SetClientSite(&site), S_OK);
  EXPECT_EQ(ole->DoVerb(OLEIVERB_INPLACEACTIVATE, nullptr, &site, 0, host, &site.position), S_OK);
  HWND hwnd = WindowOf(control);
  EXPECT_NE(hwnd, nullptr) << "no window";
  return hwnd;
}

// The control closed and unsited again.
inline void Close(IUnknown* control) {
  ComPtr<IOleObject> ole = Query<IOleObject>(control);
  ole->Close(OLECLOSE_NOSAVE);
  ole->SetClientSite(nullptr);
}

// A test with Almanix.dll registered, for hosts that create by ProgID.
class RegisteredTest : public ::testing::Test {
 protected:
  void SetUp() override {
    OleInitialize(nullptr);
    ASSERT_EQ(library.Register(), S_OK);
  }
  void TearDown() override {
    library.Unregister();
    OleUninitialize();
  }
  Library library;
};

}  // namespace almanix::testing

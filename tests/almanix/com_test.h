#pragma once
// What the tests of Almanix share: a host window and its message loop, real
// mouse input, a surface to read drawing back from, the controls' numbered
// errors; and for Almanix.dll, the library loaded as a host loads it, the
// property bag, connection sinks and in-place site a host would supply, and
// child processes (regsvr32, cscript).
#include <gtest/gtest.h>
#include <windows.h>
#include <ocidl.h>
#include <olectl.h>
#include <wrl/client.h>

#include <cstdint>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "almanix/comframe/almanix_idl.h"
#include "common/numbered_error.h"

namespace almanix::testing {

using Microsoft::WRL::ComPtr;

// A visible top-level window (500 x 400 at 50, 50) for controls and sites.
HWND CreateHostWindow(WNDPROC proc = DefWindowProcW);

// Dispatches the messages waiting in the thread's queue.
void Pump();
// Runs the message loop until `done` or the time is up; false on time-out.
bool PumpUntil(const std::function<bool()>& done, DWORD timeoutMs = 3000);
// Runs the message loop for `ms` milliseconds.
void PumpFor(DWORD ms);
// A button pressed and released at a screen point through the system's input
// queue, as a mouse hook sees it (MOUSEEVENTF_* flags), then dispatched.
void Press(POINT screen, DWORD down, DWORD up);

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

// A 32-bit top-down DIB section with its own DC, to read back what was drawn.
class Dib {
 public:
  Dib(int width, int height, COLORREF fill = RGB(255, 0, 255));
  ~Dib();
  Dib(const Dib&) = delete;
  HDC dc() const { return dc_; }
  void Fill(COLORREF color);
  COLORREF At(int x, int y) const;
  // Pixels of [left, right) x [top, bottom) for which pred(colour) holds.
  int Count(int left, int top, int right, int bottom, const std::function<bool(COLORREF)>& pred) const;
  int CountColor(int left, int top, int right, int bottom, COLORREF c) const {
    return Count(left, top, right, bottom, [c](COLORREF p) { return p == c; });
  }

 private:
  int width_, height_;
  HDC dc_;
  HBITMAP bitmap_;
  HGDIOBJ old_;
  void* bits_ = nullptr;
};

// A path of the build machine as Wine sees it (drive Z: for Unix paths).
std::wstring WinePath(const char* path);
// The built Almanix.dll as a Windows path.
std::wstring DllPath();

// Almanix.dll loaded with LoadLibrary, registration-free.
class Library {
 public:
  Library();
  ~Library();
  HMODULE Module() const { return module_; }
  HRESULT CanUnloadNow() const;
  HRESULT Register() const;
  HRESULT Unregister() const;
  HRESULT ClassObject(REFCLSID clsid, IClassFactory** out) const;
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
  HMODULE module_ = nullptr;
};

// Runs a command line; returns its exit code (-1 when it could not start)
// and what it wrote to its standard output.
int RunProcess(const std::wstring& commandLine, std::string* output = nullptr);

// Properties through IDispatch, by name. Put returns the HRESULT and fills
// `error` with the exception a script would see.
VARIANT GetProperty(IDispatch* object, const wchar_t* name);
HRESULT PutProperty(IDispatch* object, const wchar_t* name, VARIANT value, EXCEPINFO* error = nullptr);
VARIANT DateVariant(double date);
VARIANT IntVariant(LONG value);
VARIANT TextVariant(const wchar_t* text);  // the caller clears it
// A calendar date as an OLE date.
double Date(int y, int m, int d);
// Whether the picker's calendar is dropped down.
bool Dropped(_DatePicker* picker);

// A host's property bag kept in memory.
class TestBag final : public IPropertyBag {
 public:
  ~TestBag();
  STDMETHODIMP QueryInterface(REFIID iid, void** out) override;
  STDMETHODIMP_(ULONG) AddRef() override { return 2; }
  STDMETHODIMP_(ULONG) Release() override { return 1; }
  STDMETHODIMP Read(LPCOLESTR name, VARIANT* value, IErrorLog*) override;
  STDMETHODIMP Write(LPCOLESTR name, VARIANT* value) override;
  std::map<std::wstring, VARIANT> values;
  bool answerText = false;  // answers every read with text, as PARAM bags do
};

// A host's end of a control's connections: the events it hears (writing
// into their cancel arguments), property notifications (refusing edits when
// told) and the advice that the control closes. From inside any of them it
// can let go of the host's last reference to the control.
class HostSink final : public IDispatch, public IPropertyNotifySink, public IAdviseSink {
 public:
  STDMETHODIMP QueryInterface(REFIID iid, void** out) override;
  STDMETHODIMP_(ULONG) AddRef() override { return 2; }
  STDMETHODIMP_(ULONG) Release() override { return 1; }
  STDMETHODIMP GetTypeInfoCount(UINT* n) override { *n = 0; return S_OK; }
  STDMETHODIMP GetTypeInfo(UINT, LCID, ITypeInfo**) override { return E_NOTIMPL; }
  STDMETHODIMP GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override { return E_NOTIMPL; }
  STDMETHODIMP Invoke(DISPID id, REFIID, LCID, WORD, DISPPARAMS* params, VARIANT*, EXCEPINFO*, UINT*) override;
  STDMETHODIMP OnChanged(DISPID id) override { changed.push_back(id); return LetGo(); }
  STDMETHODIMP OnRequestEdit(DISPID id) override { requested.push_back(id); return refuse ? S_FALSE : S_OK; }
  STDMETHODIMP_(void) OnDataChange(FORMATETC*, STGMEDIUM*) override {}
  STDMETHODIMP_(void) OnViewChange(DWORD, LONG) override {}
  STDMETHODIMP_(void) OnRename(IMoniker*) override {}
  STDMETHODIMP_(void) OnSave() override {}
  STDMETHODIMP_(void) OnClose() override { LetGo(); }

  // Advises the control's connection point for `point` (its event
  // interface or IID_IPropertyNotifySink) / unadvises it.
  void Connect(IUnknown* control, const IID& point);
  void Disconnect();
  // Lets go of the connection point (and the control it holds) while
  // staying advised.
  void DropPoint() { point_.Reset(); }
  int Count(DISPID id) const;

  std::vector<DISPID> heard, changed, requested;
  std::vector<VARTYPE> lastTypes;  // argument types of the last event
  bool cancel = false;             // written into cancel arguments
  bool refuse = false;             // refuses edits
  bool answersDispatch = true;     // false: answers only for the event interface
  IUnknown* letGo = nullptr;       // released (once) from inside the next call

 private:
  HRESULT LetGo();
  IID events_ = IID_NULL;
  ComPtr<IConnectionPoint> point_;
  DWORD cookie_ = 0;
};

// A container site: a window, IOleInPlaceSite, IOleControlSite and the
// ambient properties UserMode, Font, LocaleID and DisplayName.
class TestSite final : public IOleClientSite, public IOleInPlaceSite, public IOleControlSite, public IDispatch {
 public:
  explicit TestSite(HWND window) : window_(window) {}
  STDMETHODIMP QueryInterface(REFIID iid, void** out) override;
  STDMETHODIMP_(ULONG) AddRef() override { return 2; }
  STDMETHODIMP_(ULONG) Release() override { return 1; }
  // IOleClientSite
  STDMETHODIMP SaveObject() override { ++saves; return S_OK; }
  STDMETHODIMP GetMoniker(DWORD, DWORD, IMoniker**) override { return E_NOTIMPL; }
  STDMETHODIMP GetContainer(IOleContainer**) override { return E_NOINTERFACE; }
  STDMETHODIMP ShowObject() override { return S_OK; }
  STDMETHODIMP OnShowWindow(BOOL) override { return S_OK; }
  STDMETHODIMP RequestNewObjectLayout() override { return E_NOTIMPL; }
  // IOleInPlaceSite
  STDMETHODIMP GetWindow(HWND* hwnd) override { *hwnd = window_; return S_OK; }
  STDMETHODIMP ContextSensitiveHelp(BOOL) override { return E_NOTIMPL; }
  STDMETHODIMP CanInPlaceActivate() override { return S_OK; }
  STDMETHODIMP OnInPlaceActivate() override { return S_OK; }
  STDMETHODIMP OnUIActivate() override { ++uiActivations; return S_OK; }
  STDMETHODIMP GetWindowContext(IOleInPlaceFrame** frame, IOleInPlaceUIWindow** doc, LPRECT pos, LPRECT clip,
                                LPOLEINPLACEFRAMEINFO) override;
  STDMETHODIMP Scroll(SIZE) override { return E_NOTIMPL; }
  STDMETHODIMP OnUIDeactivate(BOOL) override { return S_OK; }
  STDMETHODIMP OnInPlaceDeactivate() override { ++inPlaceDeactivations; return S_OK; }
  STDMETHODIMP DiscardUndoState() override { return E_NOTIMPL; }
  STDMETHODIMP DeactivateAndUndo() override { return E_NOTIMPL; }
  STDMETHODIMP OnPosRectChange(LPCRECT) override { return S_OK; }
  // IOleControlSite
  STDMETHODIMP OnControlInfoChanged() override { return S_OK; }
  STDMETHODIMP LockInPlaceActive(BOOL) override { return S_OK; }
  STDMETHODIMP GetExtendedControl(IDispatch**) override { return E_NOTIMPL; }
  STDMETHODIMP TransformCoords(POINTL*, POINTF*, DWORD) override { return E_NOTIMPL; }
  STDMETHODIMP TranslateAccelerator(MSG*, DWORD) override { return S_FALSE; }
  STDMETHODIMP OnFocus(BOOL gained) override { focusEvents.push_back(gained != FALSE); return S_OK; }
  STDMETHODIMP ShowPropertyFrame() override { return E_NOTIMPL; }
  // IDispatch: the ambient properties
  STDMETHODIMP GetTypeInfoCount(UINT* n) override { *n = 0; return S_OK; }
  STDMETHODIMP GetTypeInfo(UINT, LCID, ITypeInfo**) override { return E_NOTIMPL; }
  STDMETHODIMP GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override { return E_NOTIMPL; }
  STDMETHODIMP Invoke(DISPID id, REFIID, LCID, WORD, DISPPARAMS*, VARIANT* result, EXCEPINFO*, UINT*) override;

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

// A control sited at `site` in `host` and active in place; its window; the
// control closed and unsited again.
void Activate(IUnknown* control, TestSite& site, HWND host);
HWND WindowOf(IUnknown* control);
void Close(IUnknown* control);

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

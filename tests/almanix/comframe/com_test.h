#pragma once
// What the tests of Almanix.dll use: the library loaded as a host loads it,
// a property bag and an event sink a host would supply, a small in-place
// site with ambient properties, and child processes (regsvr32, cscript).
#include <gtest/gtest.h>
#include <windows.h>
#include <ocidl.h>
#include <olectl.h>
#include <wrl/client.h>

#include <map>
#include <string>
#include <vector>

#include "almanix/comframe/almanix_idl.h"

namespace almanix::comtest {

using Microsoft::WRL::ComPtr;

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

// An event sink that records the dispatch ids it hears and can write into
// the events' by-reference arguments.
class EventSink final : public IDispatch {
 public:
  explicit EventSink(const IID& events) : events_(events) {}
  STDMETHODIMP QueryInterface(REFIID iid, void** out) override;
  STDMETHODIMP_(ULONG) AddRef() override { return 2; }
  STDMETHODIMP_(ULONG) Release() override { return 1; }
  STDMETHODIMP GetTypeInfoCount(UINT* n) override { *n = 0; return S_OK; }
  STDMETHODIMP GetTypeInfo(UINT, LCID, ITypeInfo**) override { return E_NOTIMPL; }
  STDMETHODIMP GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override { return E_NOTIMPL; }
  STDMETHODIMP Invoke(DISPID id, REFIID, LCID, WORD, DISPPARAMS* params, VARIANT*, EXCEPINFO*, UINT*) override;

  // Connects to / disconnects from a control's event connection point.
  void Connect(IUnknown* control);
  void Disconnect();
  // Lets go of the connection point (and the control it holds) while
  // staying advised.
  void DropPoint() { point_.Reset(); }
  int Count(DISPID id) const;

  std::vector<DISPID> heard;
  std::vector<VARTYPE> lastTypes;  // argument types of the last event
  bool cancel = false;             // written into cancel arguments
  bool answersDispatch = true;     // false: answers only for the event interface
  IUnknown* releaseOnEvent = nullptr;  // released (once) from inside an event

 private:
  IID events_;
  ComPtr<IConnectionPoint> point_;
  DWORD cookie_ = 0;
};

// A container site: a window, IOleInPlaceSite, IOleControlSite and the
// ambient properties UserMode, Font and LocaleID.
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
  STDMETHODIMP OnInPlaceActivate() override { ++inPlaceActivations; return S_OK; }
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
  ComPtr<IFontDisp> font;  // ambient font; none when null
  LCID locale = 0;         // none when 0
  std::wstring displayName;  // ambient DisplayName; none when empty
  int inPlaceActivations = 0, uiActivations = 0, inPlaceDeactivations = 0, saves = 0;
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

// A visible top-level window for sites and hosts.
HWND CreateHostWindow();

}  // namespace almanix::comtest

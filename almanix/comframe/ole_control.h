#pragma once
// OleControl: what makes a plain control an ActiveX control a host can
// site, activate in place, draw, persist, hear events from and drive with
// keys. A control class (calendar_object.h, picker_object.h) adds its dual
// interface and its plain C++ control.
#include <windows.h>
#include <ocidl.h>
#include <olectl.h>
#include <wrl/client.h>

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "almanix/comframe/connection_point.h"
#include "almanix/comframe/property_bags.h"
#include "almanix/picker/date_picker.h"
#include "common/property_bag.h"

namespace almanix::com {

// What a control class tells the frame about itself.
struct ControlClass {
  const CLSID& clsid;
  const IID& dual;    // default (dual) interface
  const IID& events;  // event dispatch interface
  SIZE naturalSize;   // pixels
  bool fixedSize;     // the control keeps its natural size
};

// One argument of an event, passed by reference.
struct EventArg {
  VARIANTARG v{};
  bool* flag = nullptr;
  VARIANT_BOOL temp = VARIANT_FALSE;
};
inline void MakeEventArg(EventArg& a, int16_t& x) { a.v.vt = VT_I2 | VT_BYREF; a.v.piVal = &x; }
inline void MakeEventArg(EventArg& a, float& x) { a.v.vt = VT_R4 | VT_BYREF; a.v.pfltVal = &x; }
inline void MakeEventArg(EventArg& a, bool& x) {
  a.flag = &x;
  a.temp = x ? VARIANT_TRUE : VARIANT_FALSE;
  a.v.vt = VT_BOOL | VT_BYREF;
  a.v.pboolVal = &a.temp;
}

class OleControl : public IOleObject,
                   public IOleInPlaceObject,
                   public IOleInPlaceActiveObject,
                   public IOleControl,
                   public IViewObject2,
                   public IPersistPropertyBag,
                   public IPersistStreamInit,
                   public IPersistStorage,
                   public IConnectionPointContainer,
                   public IProvideClassInfo2,
                   public ISupportErrorInfo {
 public:
  OleControl(const OleControl&) = delete;
  OleControl& operator=(const OleControl&) = delete;

  // IOleObject
  STDMETHODIMP SetClientSite(IOleClientSite* site) override;
  STDMETHODIMP GetClientSite(IOleClientSite** site) override;
  STDMETHODIMP SetHostNames(LPCOLESTR, LPCOLESTR) override { return S_OK; }
  STDMETHODIMP Close(DWORD saveOption) override;
  STDMETHODIMP SetMoniker(DWORD, IMoniker*) override { return E_NOTIMPL; }
  STDMETHODIMP GetMoniker(DWORD, DWORD, IMoniker**) override { return E_NOTIMPL; }
  STDMETHODIMP InitFromData(IDataObject*, BOOL, DWORD) override { return E_NOTIMPL; }
  STDMETHODIMP GetClipboardData(DWORD, IDataObject**) override { return E_NOTIMPL; }
  STDMETHODIMP DoVerb(LONG verb, LPMSG msg, IOleClientSite* site, LONG index, HWND parent,
                      LPCRECT pos) override;
  STDMETHODIMP EnumVerbs(IEnumOLEVERB** verbs) override;
  STDMETHODIMP Update() override { return S_OK; }
  STDMETHODIMP IsUpToDate() override { return S_OK; }
  STDMETHODIMP GetUserClassID(CLSID* clsid) override;
  STDMETHODIMP GetUserType(DWORD form, LPOLESTR* type) override;
  STDMETHODIMP SetExtent(DWORD aspect, SIZEL* size) override;
  STDMETHODIMP GetExtent(DWORD aspect, SIZEL* size) override;
  STDMETHODIMP Advise(IAdviseSink* sink, DWORD* cookie) override;
  STDMETHODIMP Unadvise(DWORD cookie) override;
  STDMETHODIMP EnumAdvise(IEnumSTATDATA** out) override;
  STDMETHODIMP GetMiscStatus(DWORD aspect, DWORD* status) override;
  STDMETHODIMP SetColorScheme(LOGPALETTE*) override { return E_NOTIMPL; }

  // IOleWindow, IOleInPlaceObject
  STDMETHODIMP GetWindow(HWND* hwnd) override;
  STDMETHODIMP ContextSensitiveHelp(BOOL) override { return E_NOTIMPL; }
  STDMETHODIMP InPlaceDeactivate() override;
  STDMETHODIMP UIDeactivate() override;
  STDMETHODIMP SetObjectRects(LPCRECT pos, LPCRECT clip) override;
  STDMETHODIMP ReactivateAndUndo() override { return E_NOTIMPL; }

  // IOleInPlaceActiveObject
  STDMETHODIMP TranslateAccelerator(LPMSG msg) override;
  STDMETHODIMP OnFrameWindowActivate(BOOL) override { return S_OK; }
  STDMETHODIMP OnDocWindowActivate(BOOL) override { return S_OK; }
  STDMETHODIMP ResizeBorder(LPCRECT, IOleInPlaceUIWindow*, BOOL) override { return S_OK; }
  STDMETHODIMP EnableModeless(BOOL) override { return S_OK; }

  // IOleControl
  STDMETHODIMP GetControlInfo(CONTROLINFO* info) override;
  STDMETHODIMP OnMnemonic(MSG*) override { return E_NOTIMPL; }
  STDMETHODIMP OnAmbientPropertyChange(DISPID id) override;
  STDMETHODIMP FreezeEvents(BOOL freeze) override;

  // IViewObject, IViewObject2
  STDMETHODIMP Draw(DWORD aspect, LONG index, void* aspectInfo, DVTARGETDEVICE* target, HDC targetInfo,
                    HDC dc, LPCRECTL bounds, LPCRECTL metafileBounds, BOOL(STDMETHODCALLTYPE* cont)(ULONG_PTR),
                    ULONG_PTR contArg) override;
  STDMETHODIMP GetColorSet(DWORD, LONG, void*, DVTARGETDEVICE*, HDC, LOGPALETTE**) override { return E_NOTIMPL; }
  STDMETHODIMP Freeze(DWORD, LONG, void*, DWORD*) override { return E_NOTIMPL; }
  STDMETHODIMP Unfreeze(DWORD) override { return E_NOTIMPL; }
  STDMETHODIMP SetAdvise(DWORD aspects, DWORD flags, IAdviseSink* sink) override;
  STDMETHODIMP GetAdvise(DWORD* aspects, DWORD* flags, IAdviseSink** sink) override;
  STDMETHODIMP GetExtent(DWORD aspect, LONG index, DVTARGETDEVICE* target, LPSIZEL size) override;

  // IPersist and the three ways of persisting
  STDMETHODIMP GetClassID(CLSID* clsid) override;
  STDMETHODIMP InitNew() override;
  STDMETHODIMP Load(IPropertyBag* bag, IErrorLog* log) override;
  STDMETHODIMP Save(IPropertyBag* bag, BOOL clearDirty, BOOL saveAll) override;
  STDMETHODIMP IsDirty() override { return dirty_ ? S_OK : S_FALSE; }
  STDMETHODIMP Load(LPSTREAM stream) override;
  STDMETHODIMP Save(LPSTREAM stream, BOOL clearDirty) override;
  STDMETHODIMP GetSizeMax(ULARGE_INTEGER* size) override;
  STDMETHODIMP InitNew(IStorage* storage) override;
  STDMETHODIMP Load(IStorage* storage) override;
  STDMETHODIMP Save(IStorage* storage, BOOL sameAsLoad) override;
  STDMETHODIMP SaveCompleted(IStorage* storage) override;
  STDMETHODIMP HandsOffStorage() override { return S_OK; }

  // IConnectionPointContainer
  STDMETHODIMP EnumConnectionPoints(IEnumConnectionPoints** out) override;
  STDMETHODIMP FindConnectionPoint(REFIID iid, IConnectionPoint** out) override;

  // IProvideClassInfo2
  STDMETHODIMP GetClassInfo(ITypeInfo** out) override;
  STDMETHODIMP GetGUID(DWORD kind, GUID* guid) override;

  // ISupportErrorInfo
  STDMETHODIMP InterfaceSupportsErrorInfo(REFIID iid) override;

 protected:
  explicit OleControl(const ControlClass& cls);
  virtual ~OleControl();

  // IUnknown of the most derived class, which adds the dual interface.
  HRESULT QueryControl(REFIID iid, void** out);
  ULONG AddRefControl();
  ULONG ReleaseControl();

  // -- supplied by the control class --
  virtual IDispatch* Dual() = 0;
  virtual HWND CreateControlWindow(HWND parent, const RECT& pos) = 0;
  virtual HWND ControlWindow() const = 0;
  virtual void DestroyControlWindow() = 0;
  // Draws the control into a host's device context, in `bounds`.
  virtual void Render(HDC dc, const RECT& bounds) = 0;
  virtual void InitNewProperties() = 0;
  virtual void ReadProperties(const common::PropertyBag& bag) = 0;
  virtual void WriteProperties(common::PropertyBag& bag) const = 0;
  virtual std::span<const PropertyId> PersistedProperties() const = 0;
  // An ambient property the frame read anew (DISPID_UNKNOWN: all).
  virtual void AmbientChanged(DISPID) {}

  // -- for the control class --
  // The plain control changed the property with this bag name.
  void PropertyChanged(std::wstring_view bagName);
  // Asks every IPropertyNotifySink sink to let the property change; a
  // refusal raises "Set not permitted" (387).
  void RequestEdit(DISPID dispid);
  // Fires an event with its arguments by reference; nothing while events
  // are frozen. The control is held while the sinks run.
  template <class... A>
  void Fire(DISPID id, A&... args) {
    EventArg list[sizeof...(A) + 1];
    size_t i = sizeof...(A);
    (MakeEventArg(list[--i], args), ...);  // the last argument comes first
    FireArgs(id, list, static_cast<UINT>(sizeof...(A)));
  }
  bool UserMode() const { return userMode_; }
  const std::optional<PickerFont>& AmbientFont() const { return ambientFont_; }
  std::optional<OLE_COLOR> AmbientBackColor() const { return ambientBackColor_; }
  LCID AmbientLocale() const { return ambientLocale_; }
  const std::wstring& AmbientDisplayName() const { return ambientDisplayName_; }

  // Holds the control across a call out to the host, which may release the
  // host's last reference: the last release then waits for the message
  // loop, once the control's own code has returned.
  class Hold {
   public:
    explicit Hold(OleControl& c);
    ~Hold();
    Hold(const Hold&) = delete;
    Hold& operator=(const Hold&) = delete;

   private:
    OleControl* control_;
  };

 private:
  // Runs `read` with the control loading, however it ends; a whole read
  // leaves the control clean.
  template <class F>
  void Load(F read) {
    loading_ = true;
    try {
      read();
    } catch (...) {
      loading_ = false;
      throw;
    }
    loading_ = false;
    dirty_ = false;
  }
  static LRESULT CALLBACK SubclassProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp, UINT_PTR id, DWORD_PTR self);
  static void CALLBACK ReleaseLater(HWND, UINT, UINT_PTR timer, DWORD);
  LRESULT FilterMessage(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp);

  HRESULT InPlaceActivate(LONG verb, HWND parent = nullptr, LPCRECT pos = nullptr);
  void ReadAmbients(DISPID which);
  bool Ambient(DISPID id, VARIANT& out);
  void FireArgs(DISPID id, EventArg* args, UINT count);
  void OnFocus(bool gained);
  bool KeyForControl(const MSG& msg) const;
  HRESULT LoadFromBag(IPropertyBag* bag, IErrorLog* log);
  HRESULT SaveToBag(IPropertyBag* bag, BOOL clearDirty);
  void ViewChanged();

  const ControlClass& class_;
  LONG refs_ = 1;

  ComPtr<IOleClientSite> site_;
  ComPtr<IOleInPlaceSite> inPlaceSite_;
  ComPtr<IOleAdviseHolder> adviseHolder_;
  ComPtr<IAdviseSink> viewSink_;
  DWORD viewAspects_ = 0, viewFlags_ = 0;
  bool inPlaceActive_ = false;
  bool uiActive_ = false;
  SIZEL extent_{};  // HIMETRIC

  ConnectionPoint eventPoint_;
  ConnectionPoint notifyPoint_;
  int freeze_ = 0;
  bool dirty_ = false;
  bool loading_ = false;
  bool savedElsewhere_ = false;  // IPersistStorage::Save into a new storage

  bool userMode_ = true;
  std::optional<PickerFont> ambientFont_;
  std::optional<OLE_COLOR> ambientBackColor_;
  LCID ambientLocale_ = LOCALE_USER_DEFAULT;
  std::wstring ambientDisplayName_;
};

// Pixels of the screen in HIMETRIC (0.01 mm) units.
SIZEL PixelsToHimetric(SIZE pixels);

}  // namespace almanix::com

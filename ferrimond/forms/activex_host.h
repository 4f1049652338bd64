#pragma once
// ActiveXHost: a control of the forms layer that holds one ActiveX control
// (an in-process OLE control) in place, like any other control of a form.
//
//   forms::ActiveXHost Picker{frame, L"Picker", {4080, 1440, 1455, 255}};
//   ...
//   if (!Picker.CreateControl({L"Vendor.Control", L"Vendor.dll"},
//                             {{L"Value", forms::AxDate(38237)}}))
//     ... Picker.CreateError() says why ...
//   Picker.OnEvent(1, [this](forms::AxEventArgs&) { Picker_Change(); });
//
// The host window is made at construction, so the control keeps its place in
// the Tab order; the control itself is made by CreateControl: by ProgID from
// the registry, or else from the named DLL in the program's own folder
// (DllGetClassObject, no registration needed). Its design values reach it
// through IPersistPropertyBag; a control without design values is
// initialised with InitNew. Events are heard on the control's default
// source interface and handed to handlers by dispatch id; properties are
// read and written by name through IDispatch.
//
// The host needs OLE on its thread: InitializeApplication sets it up, as
// every form's constructor calls it.
#include <windows.h>
#include <ole2.h>
#include <ocidl.h>

#include <functional>
#include <map>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "ferrimond/forms/control.h"

namespace ferrimond::forms {

// Where a control comes from: its ProgID ("Library.Class"), and the DLL
// beside the program that serves it when the ProgID is not registered. With
// no class id given, the class is looked up by the ProgID's class name in the
// DLL's own type library.
struct AxSource {
  std::wstring progId;
  std::wstring fallbackDll;
  CLSID clsid = CLSID_NULL;
};

// How the control was made.
enum class AxOrigin { None, Registered, ProgramFolder };

// A design value: a property name and its value, which it owns (made with
// the Ax... functions below).
class AxValue {
 public:
  AxValue(std::wstring name, VARIANT value);
  AxValue(const AxValue& other);
  AxValue& operator=(const AxValue& other);
  ~AxValue();
  const std::wstring& Name() const { return name_; }
  const VARIANT& Value() const { return value_; }

 private:
  std::wstring name_;
  VARIANT value_;
};
using AxValues = std::vector<AxValue>;

// VARIANT makers for design values and Put, which take them over.
VARIANT AxDate(double date);
VARIANT AxBool(bool value);
VARIANT AxLong(int32_t value);
VARIANT AxText(const std::wstring& text);

// The arguments of an event in their declared order. By-reference
// arguments (the usual kind for events with Button, Shift, X, Y) are read
// through to what they point at.
class AxEventArgs {
 public:
  explicit AxEventArgs(DISPPARAMS* params) : params_(params) {}
  size_t Count() const { return params_ ? params_->cArgs : 0; }
  // Argument `i` (0 = first declared), read through a variant passed by
  // reference; nullptr when there is none or it refers to nothing.
  VARIANTARG* At(size_t i) const;
  // The argument converted to a number; 0 when missing or not numeric.
  double Number(size_t i) const;

 private:
  DISPPARAMS* params_;
};

class ActiveXHost : public Control {
 public:
  ActiveXHost(Container& container, std::wstring name, Bounds bounds);
  ~ActiveXHost() override;

  // Makes, initialises and activates the control in place; false (and
  // CreateError says why) when it could not be made. Once only.
  bool CreateControl(const AxSource& source, const AxValues& design = {});
  bool HasControl() const;
  AxOrigin Origin() const { return origin_; }
  // Why CreateControl failed, in words ("" after success).
  const std::wstring& CreateError() const { return createError_; }

  // The control's IUnknown, or nullptr.
  IUnknown* Object() const;
  // The control's own window while it is active in place.
  HWND ControlHwnd() const;

  // Properties through the control's IDispatch. Get answers VT_EMPTY when
  // there is no control; both throw common::NumberedError (the control's
  // own number and text where it gives them) when the control refuses.
  VARIANT Get(const std::wstring& property) const;  // the caller clears it
  void Put(const std::wstring& property, VARIANT value);  // takes `value`

  // An event handler by dispatch id of the default source interface.
  using EventHandler = std::function<void(AxEventArgs& args)>;
  void OnEvent(DISPID id, EventHandler handler);
  // The control gained (true) or lost (false) the focus, as it tells its
  // site (IOleControlSite::OnFocus).
  std::function<void(bool gained)> OnControlFocus;

  // Also sets the control's own Enabled property (DISPID_ENABLED) when it has one.
  void SetEnabled(bool enabled) override;
  // The control hears the ambient change.
  void SetBackColor(OleColor color) override;
  void SetFont(const FontSpec& font) override;

  // Runs the handler for an event as the control would fire it (for the
  // sink and for tests).
  void RaiseEvent(DISPID id, DISPPARAMS* params);

 protected:
  bool HandleMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) override;

 private:
  class Site;
  class Sink;
  friend class Site;
  friend class Sink;

  HRESULT Instantiate(const AxSource& source, IUnknown** out);
  void Release();
  // Tells the control its size (IOleObject::SetExtent).
  void UpdateExtent();
  void PlaceControl();
  void Focused(bool gained);
  // The key belongs to the control: its in-place active object translates it.
  bool PreTranslate(MSG& msg);
  void AmbientChanged(DISPID id);

  Site* site_ = nullptr;
  Sink* sink_ = nullptr;
  IUnknown* object_ = nullptr;
  IOleObject* oleObject_ = nullptr;
  IOleInPlaceObject* inPlace_ = nullptr;
  IOleInPlaceActiveObject* active_ = nullptr;
  IDispatch* dispatch_ = nullptr;
  IConnectionPoint* point_ = nullptr;
  DWORD cookie_ = 0;
  AxOrigin origin_ = AxOrigin::None;
  std::wstring createError_;
  std::map<DISPID, EventHandler> handlers_;
  // Cleared on destruction: the form's key hook outlives the host.
  std::shared_ptr<ActiveXHost*> alive_;
};

}  // namespace ferrimond::forms

#pragma once
// The DatePicker control as a COM object: _DatePicker over the plain
// almanix::DatePicker, its events through __DatePicker, its font as a
// standard font object.
#include "almanix/comframe/almanix_idl.h"
#include "almanix/comframe/dispatch.h"
#include "almanix/comframe/ole_control.h"
#include "almanix/picker/date_picker.h"

namespace almanix::com {

class PickerObject final : public OleControl, public DispatchImpl<_DatePicker>, private DatePickerEvents {
 public:
  static HRESULT Create(REFIID iid, void** out);

  STDMETHODIMP QueryInterface(REFIID iid, void** out) override { return QueryControl(iid, out); }
  STDMETHODIMP_(ULONG) AddRef() override { return AddRefControl(); }
  STDMETHODIMP_(ULONG) Release() override { return ReleaseControl(); }

  // _DatePicker
  STDMETHODIMP get_Value(VARIANT* value) override;
  STDMETHODIMP put_Value(VARIANT value) override;
  STDMETHODIMP get_DateValue(DATE* value) override;
  STDMETHODIMP get_TimeValue(DATE* value) override;
  STDMETHODIMP get_IsDropped(VARIANT_BOOL* value) override;
  STDMETHODIMP get_MinDate(DATE* value) override;
  STDMETHODIMP put_MinDate(DATE value) override;
  STDMETHODIMP get_MaxDate(DATE* value) override;
  STDMETHODIMP put_MaxDate(DATE value) override;
  STDMETHODIMP get_Format(::dtpFormats* value) override;
  STDMETHODIMP put_Format(::dtpFormats value) override;
  STDMETHODIMP get_CustomFormat(BSTR* value) override;
  STDMETHODIMP put_CustomFormat(BSTR value) override;
  STDMETHODIMP get_ButtonStyle(::dtpButtonStyles* value) override;
  STDMETHODIMP put_ButtonStyle(::dtpButtonStyles value) override;
  STDMETHODIMP get_ButtonWidth(LONG* value) override;
  STDMETHODIMP put_ButtonWidth(LONG value) override;
  STDMETHODIMP get_FlatButton(VARIANT_BOOL* value) override;
  STDMETHODIMP put_FlatButton(VARIANT_BOOL value) override;
  STDMETHODIMP get_BorderStyle(::dtpBorderStyles* value) override;
  STDMETHODIMP put_BorderStyle(::dtpBorderStyles value) override;
  STDMETHODIMP get_Font(IFontDisp** value) override;
  STDMETHODIMP putref_Font(IFontDisp* value) override;
  STDMETHODIMP get_BackColor(OLE_COLOR* value) override;
  STDMETHODIMP put_BackColor(OLE_COLOR value) override;
  STDMETHODIMP get_ForeColor(OLE_COLOR* value) override;
  STDMETHODIMP put_ForeColor(OLE_COLOR value) override;
  STDMETHODIMP get_Enabled(VARIANT_BOOL* value) override;
  STDMETHODIMP put_Enabled(VARIANT_BOOL value) override;
  STDMETHODIMP get_Locked(VARIANT_BOOL* value) override;
  STDMETHODIMP put_Locked(VARIANT_BOOL value) override;
  STDMETHODIMP get_AllowEmpty(VARIANT_BOOL* value) override;
  STDMETHODIMP put_AllowEmpty(VARIANT_BOOL value) override;
  STDMETHODIMP get_FocusColor(OLE_COLOR* value) override;
  STDMETHODIMP put_FocusColor(OLE_COLOR value) override;
  STDMETHODIMP get_ShowFocusRect(VARIANT_BOOL* value) override;
  STDMETHODIMP put_ShowFocusRect(VARIANT_BOOL value) override;
  STDMETHODIMP get_UseFocusColor(VARIANT_BOOL* value) override;
  STDMETHODIMP put_UseFocusColor(VARIANT_BOOL value) override;
  STDMETHODIMP get_HoverIcon(VARIANT_BOOL* value) override;
  STDMETHODIMP put_HoverIcon(VARIANT_BOOL value) override;
  STDMETHODIMP get_EmptyButtonCaption(BSTR* value) override;
  STDMETHODIMP put_EmptyButtonCaption(BSTR value) override;
  STDMETHODIMP get_TodayButtonCaption(BSTR* value) override;
  STDMETHODIMP put_TodayButtonCaption(BSTR value) override;
  STDMETHODIMP get_FirstDayofWeek(LONG* value) override;
  STDMETHODIMP put_FirstDayofWeek(LONG value) override;
  STDMETHODIMP get_CalendarBackColor(OLE_COLOR* value) override;
  STDMETHODIMP put_CalendarBackColor(OLE_COLOR value) override;
  STDMETHODIMP get_CalendarActiveMonthColor(OLE_COLOR* value) override;
  STDMETHODIMP put_CalendarActiveMonthColor(OLE_COLOR value) override;
  STDMETHODIMP get_CalendarInactiveMonthColor(OLE_COLOR* value) override;
  STDMETHODIMP put_CalendarInactiveMonthColor(OLE_COLOR value) override;
  STDMETHODIMP get_CalendarHeaderColor(OLE_COLOR* value) override;
  STDMETHODIMP put_CalendarHeaderColor(OLE_COLOR value) override;
  STDMETHODIMP get_CalendarHeaderForeColor(OLE_COLOR* value) override;
  STDMETHODIMP put_CalendarHeaderForeColor(OLE_COLOR value) override;
  STDMETHODIMP get_CalendarPresentDateColor(OLE_COLOR* value) override;
  STDMETHODIMP put_CalendarPresentDateColor(OLE_COLOR value) override;
  STDMETHODIMP get_hWnd(LONG* value) override;
  STDMETHODIMP DropDownCalendar() override;
  STDMETHODIMP CloseUpCalendar() override;

 private:
  // Hears the font object's changes (Font.Bold = True and the like). Not
  // reference counted: the picker unhooks it before it goes.
  class FontSink final : public IPropertyNotifySink {
   public:
    explicit FontSink(PickerObject& owner) : owner_(owner) {}
    STDMETHODIMP QueryInterface(REFIID iid, void** out) override;
    STDMETHODIMP_(ULONG) AddRef() override { return 2; }
    STDMETHODIMP_(ULONG) Release() override { return 1; }
    STDMETHODIMP OnChanged(DISPID) override;
    STDMETHODIMP OnRequestEdit(DISPID) override { return S_OK; }

   private:
    PickerObject& owner_;
  };

  PickerObject();
  ~PickerObject() override;

  IDispatch* Dual() override { return static_cast<_DatePicker*>(this); }
  HWND CreateControlWindow(HWND parent, const RECT& pos) override;
  HWND ControlWindow() const override { return picker_.hWnd(); }
  void DestroyControlWindow() override { picker_.Destroy(); }
  void Render(HDC dc, const RECT& bounds) override;
  void InitNewProperties() override;
  void ReadProperties(const common::PropertyBag& bag) override;
  void WriteProperties(common::PropertyBag& bag) const override { picker_.WriteProperties(bag); }
  std::span<const PropertyId> PersistedProperties() const override;
  void AmbientChanged(DISPID id) override;

  // The font object get_Font hands out, made from the picker's font.
  IFont* FontObject();
  void DropFontObject();
  // The font object's IPropertyNotifySink connection point, or null.
  ComPtr<IConnectionPoint> FontNotifyPoint() const;

  // DatePickerEvents: raised to the host as __DatePicker.
  void Change() override { Fire(1); }
  void MouseDown(int16_t& Button, int16_t& Shift, float& X, float& Y) override { Fire(2, Button, Shift, X, Y); }
  void MouseMove(int16_t& Button, int16_t& Shift, float& X, float& Y) override { Fire(3, Button, Shift, X, Y); }
  void MouseUp(int16_t& Button, int16_t& Shift, float& X, float& Y) override { Fire(4, Button, Shift, X, Y); }
  void KeyDown(int16_t& KeyCode, int16_t& Shift) override { Fire(5, KeyCode, Shift); }
  void KeyPress(int16_t& KeyAscii) override { Fire(6, KeyAscii); }
  void KeyUp(int16_t& KeyCode, int16_t& Shift) override { Fire(7, KeyCode, Shift); }
  void EmptyClicked(bool& cancel) override { Fire(8, cancel); }
  void BeforeCalendarDropDown(bool& cancel) override { Fire(9, cancel); }
  void AfterCalendarDropDown() override { Fire(10); }
  void AfterCalendarCloseUp() override { Fire(11); }
  void BeforeCalendarCloseUp(bool& cancel) override { Fire(12, cancel); }

  template <class F>
  HRESULT Put(F&& write) { return Guard(IID__DatePicker, write); }

  DatePicker picker_;
  FontSink fontSink_{*this};
  ComPtr<IFont> font_;
  DWORD fontCookie_ = 0;
};

}  // namespace almanix::com

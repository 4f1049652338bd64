#pragma once
// The MonthCalendar control as a COM object: _MonthCalendar over the
// plain almanix::MonthCalendar, its events through __MonthCalendar.
#include "almanix/calendar/month_calendar.h"
#include "almanix/comframe/almanix_idl.h"
#include "almanix/comframe/dispatch.h"
#include "almanix/comframe/ole_control.h"

namespace almanix::com {

class CalendarObject final : public OleControl,
                             public DispatchImpl<_MonthCalendar>,
                             private MonthCalendarEvents {
 public:
  static HRESULT Create(REFIID iid, void** out);

  STDMETHODIMP QueryInterface(REFIID iid, void** out) override { return QueryControl(iid, out); }
  STDMETHODIMP_(ULONG) AddRef() override { return AddRefControl(); }
  STDMETHODIMP_(ULONG) Release() override { return ReleaseControl(); }

  // _MonthCalendar
  STDMETHODIMP get_Value(DATE* value) override;
  STDMETHODIMP put_Value(DATE value) override;
  STDMETHODIMP get_MinDate(DATE* value) override;
  STDMETHODIMP put_MinDate(DATE value) override;
  STDMETHODIMP get_MaxDate(DATE* value) override;
  STDMETHODIMP put_MaxDate(DATE value) override;
  STDMETHODIMP get_SelectedDay(LONG* value) override;
  STDMETHODIMP put_SelectedDay(LONG value) override;
  STDMETHODIMP get_SelectedMonth(LONG* value) override;
  STDMETHODIMP put_SelectedMonth(LONG value) override;
  STDMETHODIMP get_SelectedYear(LONG* value) override;
  STDMETHODIMP put_SelectedYear(LONG value) override;
  STDMETHODIMP get_FirstDayofWeek(LONG* value) override;
  STDMETHODIMP put_FirstDayofWeek(LONG value) override;
  STDMETHODIMP get_PresentDateColor(OLE_COLOR* value) override;
  STDMETHODIMP put_PresentDateColor(OLE_COLOR value) override;
  STDMETHODIMP get_HeaderForeColor(OLE_COLOR* value) override;
  STDMETHODIMP put_HeaderForeColor(OLE_COLOR value) override;
  STDMETHODIMP get_HeaderColor(OLE_COLOR* value) override;
  STDMETHODIMP put_HeaderColor(OLE_COLOR value) override;
  STDMETHODIMP get_BackColor(OLE_COLOR* value) override;
  STDMETHODIMP put_BackColor(OLE_COLOR value) override;
  STDMETHODIMP get_ActiveMonthColor(OLE_COLOR* value) override;
  STDMETHODIMP put_ActiveMonthColor(OLE_COLOR value) override;
  STDMETHODIMP get_InactiveMonthColor(OLE_COLOR* value) override;
  STDMETHODIMP put_InactiveMonthColor(OLE_COLOR value) override;
  STDMETHODIMP get_TodayButtonCaption(BSTR* value) override;
  STDMETHODIMP put_TodayButtonCaption(BSTR value) override;
  STDMETHODIMP get_EmptyButtonCaption(BSTR* value) override;
  STDMETHODIMP put_EmptyButtonCaption(BSTR value) override;
  STDMETHODIMP get_EmptyButton(VARIANT_BOOL* value) override;
  STDMETHODIMP put_EmptyButton(VARIANT_BOOL value) override;
  STDMETHODIMP get_Enabled(VARIANT_BOOL* value) override;
  STDMETHODIMP put_Enabled(VARIANT_BOOL value) override;
  STDMETHODIMP get_HoverIcon(VARIANT_BOOL* value) override;
  STDMETHODIMP put_HoverIcon(VARIANT_BOOL value) override;
  STDMETHODIMP get_hWnd(LONG* value) override;
  STDMETHODIMP Paint() override;

 private:
  CalendarObject();
  ~CalendarObject() override;

  IDispatch* Dual() override { return static_cast<_MonthCalendar*>(this); }
  HWND CreateControlWindow(HWND parent, const RECT& pos) override;
  HWND ControlWindow() const override { return calendar_.hWnd(); }
  void DestroyControlWindow() override { calendar_.Destroy(); }
  void Render(HDC dc, const RECT& bounds) override;
  void InitNewProperties() override { calendar_.InitProperties(); }
  void ReadProperties(const common::PropertyBag& bag) override { calendar_.ReadProperties(bag); }
  void WriteProperties(common::PropertyBag& bag) const override { calendar_.WriteProperties(bag); }
  std::span<const PropertyId> PersistedProperties() const override;
  void AmbientChanged(DISPID) override { calendar_.AccessibleName = AmbientDisplayName(); }

  // MonthCalendarEvents: raised to the host as __MonthCalendar.
  void Change() override { Fire(1); }
  void MonthChanged() override { Fire(2); }
  void YearChanged() override { Fire(3); }
  void DateClicked() override { Fire(4); }
  void EmptyClicked() override { Fire(5); }
  void MouseMove(int16_t& Button, float& X, float& Y) override { Fire(6, Button, X, Y); }
  void MouseDown(int16_t& Button, float& X, float& Y) override { Fire(7, Button, X, Y); }
  void MouseUp(int16_t& Button, float& X, float& Y) override { Fire(8, Button, X, Y); }
  void KeyDown(int16_t& KeyCode, int16_t& Shift) override { Fire(9, KeyCode, Shift); }
  void KeyPress(int16_t& KeyAscii) override { Fire(10, KeyAscii); }
  void KeyUp(int16_t& KeyCode, int16_t& Shift) override { Fire(11, KeyCode, Shift); }

  template <class F>
  HRESULT Put(F&& write) { return Guard(IID__MonthCalendar, write); }

  MonthCalendar calendar_;
};

}  // namespace almanix::com

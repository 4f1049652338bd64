#include "almanix/comframe/calendar_object.h"

#include <new>

#include "almanix/comframe/accessors.h"
#include "almanix/core/ole_color.h"

namespace almanix::com {

namespace {

const ControlClass kCalendarClass{CLSID_MonthCalendar, IID__MonthCalendar, DIID___MonthCalendar,
                                  {MonthCalendar::kWidth, MonthCalendar::kHeight}, true};

constexpr PropertyId kPersisted[] = {
    {L"Value", DISPID_VALUE, VT_DATE},           {L"MinDate", 1, VT_DATE},
    {L"MaxDate", 2, VT_DATE},                    {L"SelectedMonth", 4, VT_I4},
    {L"SelectedYear", 5, VT_I4},               {L"FirstDayOfWeek", 6, VT_I4},
    {L"PresentDateColor", 7, VT_I4},           {L"HeaderForeColor", 8, VT_I4},
    {L"HeaderColor", 9, VT_I4},                {L"BackColor", DISPID_BACKCOLOR, VT_I4},
    {L"ActiveMonthColor", 10, VT_I4},          {L"InactiveMonthColor", 11, VT_I4},
    {L"TodayButtonCaption", 12, VT_BSTR},        {L"EmptyButtonCaption", 13, VT_BSTR},
    {L"EmptyButton", 14, VT_BOOL},               {L"Enabled", DISPID_ENABLED, VT_BOOL},
    {L"HoverIcon", 15, VT_BOOL},
};

}  // namespace

HRESULT CalendarObject::Create(REFIID iid, void** out) {
  auto* object = new (std::nothrow) CalendarObject;
  if (!object) return E_OUTOFMEMORY;
  const HRESULT hr = object->QueryInterface(iid, out);
  object->Release();
  return hr;
}

CalendarObject::CalendarObject() : OleControl(kCalendarClass) {
  calendar_.SetPropertyChangedHandler([this](std::wstring_view name) { PropertyChanged(name); });
  calendar_.Events().Advise(this);
}

CalendarObject::~CalendarObject() {
  calendar_.Events().Unadvise(this);
  InPlaceDeactivate();
  calendar_.Destroy();
}

HWND CalendarObject::CreateControlWindow(HWND parent, const RECT& pos) {
  return calendar_.Create(parent, pos.left, pos.top, WS_CHILD | WS_VISIBLE | WS_TABSTOP);
}

void CalendarObject::Render(HDC dc, const RECT& bounds) {
  // The calendar keeps its size; a larger box shows the container's own
  // background around it.
  if (bounds.right - bounds.left > MonthCalendar::kWidth || bounds.bottom - bounds.top > MonthCalendar::kHeight) {
    const COLORREF back = TranslateColor(AmbientBackColor().value_or(kSysButtonFace));
    HBRUSH brush = CreateSolidBrush(back == CLR_INVALID ? GetSysColor(COLOR_BTNFACE) : back);
    FillRect(dc, &bounds, brush);
    DeleteObject(brush);
  }
  const int saved = SaveDC(dc);
  IntersectClipRect(dc, bounds.left, bounds.top, bounds.right, bounds.bottom);
  calendar_.DrawTo(dc, bounds.left, bounds.top);
  RestoreDC(dc, saved);
}

std::span<const PropertyId> CalendarObject::PersistedProperties() const { return kPersisted; }

#define ALMANIX_GET(Name, Type, expr) \
  STDMETHODIMP CalendarObject::get_##Name(Type* value) { \
    return GetProperty(IID__MonthCalendar, value, [&] { return expr; }); \
  }
#define ALMANIX_PUT(Name, Type, statement) \
  STDMETHODIMP CalendarObject::put_##Name(Type value) { \
    return Put([&] { statement; }); \
  }

ALMANIX_GET(Value, DATE, calendar_.Value().Value())
STDMETHODIMP CalendarObject::put_Value(DATE value) {
  return Put([&] {
    RequestEdit(DISPID_VALUE);
    calendar_.SetValue(common::DateTime(value));
  });
}
ALMANIX_GET(MinDate, DATE, calendar_.MinDate().Value())
ALMANIX_PUT(MinDate, DATE, calendar_.SetMinDate(common::DateTime(value)))
ALMANIX_GET(MaxDate, DATE, calendar_.MaxDate().Value())
ALMANIX_PUT(MaxDate, DATE, calendar_.SetMaxDate(common::DateTime(value)))
ALMANIX_GET(SelectedDay, LONG, calendar_.SelectedDay())
ALMANIX_PUT(SelectedDay, LONG, calendar_.SetSelectedDay(value))
ALMANIX_GET(SelectedMonth, LONG, calendar_.SelectedMonth())
ALMANIX_PUT(SelectedMonth, LONG, calendar_.SetSelectedMonth(value))
ALMANIX_GET(SelectedYear, LONG, calendar_.SelectedYear())
ALMANIX_PUT(SelectedYear, LONG, calendar_.SetSelectedYear(value))
ALMANIX_GET(FirstDayofWeek, LONG, calendar_.FirstDayofWeek())
ALMANIX_PUT(FirstDayofWeek, LONG, calendar_.SetFirstDayofWeek(value))
ALMANIX_GET(PresentDateColor, OLE_COLOR, calendar_.PresentDateColor())
ALMANIX_PUT(PresentDateColor, OLE_COLOR, calendar_.SetPresentDateColor(value))
ALMANIX_GET(HeaderForeColor, OLE_COLOR, calendar_.HeaderForeColor())
ALMANIX_PUT(HeaderForeColor, OLE_COLOR, calendar_.SetHeaderForeColor(value))
ALMANIX_GET(HeaderColor, OLE_COLOR, calendar_.HeaderColor())
ALMANIX_PUT(HeaderColor, OLE_COLOR, calendar_.SetHeaderColor(value))
ALMANIX_GET(BackColor, OLE_COLOR, calendar_.BackColor())
ALMANIX_PUT(BackColor, OLE_COLOR, calendar_.SetBackColor(value))
ALMANIX_GET(ActiveMonthColor, OLE_COLOR, calendar_.ActiveMonthColor())
ALMANIX_PUT(ActiveMonthColor, OLE_COLOR, calendar_.SetActiveMonthColor(value))
ALMANIX_GET(InactiveMonthColor, OLE_COLOR, calendar_.InactiveMonthColor())
ALMANIX_PUT(InactiveMonthColor, OLE_COLOR, calendar_.SetInactiveMonthColor(value))
ALMANIX_GET(TodayButtonCaption, BSTR, NewBstr(calendar_.TodayButtonCaption()))
ALMANIX_PUT(TodayButtonCaption, BSTR, calendar_.SetTodayButtonCaption(FromBstr(value)))
ALMANIX_GET(EmptyButtonCaption, BSTR, NewBstr(calendar_.EmptyButtonCaption()))
ALMANIX_PUT(EmptyButtonCaption, BSTR, calendar_.SetEmptyButtonCaption(FromBstr(value)))
ALMANIX_GET(EmptyButton, VARIANT_BOOL, ToVariantBool(calendar_.EmptyButton()))
ALMANIX_PUT(EmptyButton, VARIANT_BOOL, calendar_.SetEmptyButton(FromVariantBool(value)))
ALMANIX_GET(Enabled, VARIANT_BOOL, ToVariantBool(calendar_.Enabled()))
ALMANIX_PUT(Enabled, VARIANT_BOOL, calendar_.SetEnabled(FromVariantBool(value)))
ALMANIX_GET(HoverIcon, VARIANT_BOOL, ToVariantBool(calendar_.HoverIcon))
ALMANIX_PUT(HoverIcon, VARIANT_BOOL, calendar_.HoverIcon = FromVariantBool(value); PropertyChanged(L"HoverIcon"))
ALMANIX_GET(hWnd, LONG, HandleValue(calendar_.hWnd()))

#undef ALMANIX_GET
#undef ALMANIX_PUT

STDMETHODIMP CalendarObject::Paint() {
  return Put([&] { calendar_.Paint(); });
}

}  // namespace almanix::com

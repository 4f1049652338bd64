#include "almanix/comframe/picker_object.h"

#include <new>

#include "almanix/comframe/accessors.h"
#include "almanix/comframe/font_object.h"
#include "almanix/core/control_error.h"

namespace almanix::com {

namespace {

const ControlClass kPickerClass{CLSID_DatePicker, IID__DatePicker, DIID___DatePicker, {120, 21}, false};

constexpr PropertyId kPersisted[] = {
    {L"Font", DISPID_FONT, VT_DISPATCH},
    {L"CustomFormat", 7, VT_BSTR},
    {L"BackColor", DISPID_BACKCOLOR, VT_I4},
    {L"ForeColor", DISPID_FORECOLOR, VT_I4},
    {L"ButtonWidth", 9, VT_I4},
    {L"ButtonStyle", 8, VT_I4},
    {L"FlatButton", 10, VT_BOOL},
    {L"MaxDate", 5, VT_DATE},
    {L"MinDate", 4, VT_DATE},
    {L"Value", DISPID_VALUE, VT_DATE},
    {L"FocusColor", 13, VT_I4},
    {L"ShowFocusRect", 14, VT_BOOL},
    {L"UseFocusColor", 15, VT_BOOL},
    {L"Locked", 11, VT_BOOL},
    {L"BorderStyle", DISPID_BORDERSTYLE, VT_I4},
    {L"Enabled", DISPID_ENABLED, VT_BOOL},
    {L"AllowEmpty", 12, VT_BOOL},
    {L"CalendarBackColor", 20, VT_I4},
    {L"CalendarHeaderColor", 23, VT_I4},
    {L"CalendarHeaderForeColor", 24, VT_I4},
    {L"CalendarActiveMonthColor", 21, VT_I4},
    {L"CalendarInactiveMonthColor", 22, VT_I4},
    {L"CalendarPresentDateColor", 25, VT_I4},
    {L"FirstDayofWeek", 19, VT_I4},
    {L"TodayButtonCaption", 18, VT_BSTR},
    {L"EmptyButtonCaption", 17, VT_BSTR},
    {L"HoverIcon", 16, VT_BOOL},
    {L"Format", 6, VT_I4},
};

}  // namespace

HRESULT PickerObject::Create(REFIID iid, void** out) {
  auto* object = new (std::nothrow) PickerObject;
  if (!object) return E_OUTOFMEMORY;
  const HRESULT hr = object->QueryInterface(iid, out);
  object->Release();
  return hr;
}

PickerObject::PickerObject() : OleControl(kPickerClass) {
  picker_.SetPropertyChangedHandler([this](std::wstring_view name) { PropertyChanged(name); });
  picker_.Events().Advise(this);
}

PickerObject::~PickerObject() {
  picker_.Events().Unadvise(this);
  DropFontObject();
  InPlaceDeactivate();
  picker_.Destroy();
}

HWND PickerObject::CreateControlWindow(HWND parent, const RECT& pos) {
  return picker_.Create(parent, pos.left, pos.top, pos.right - pos.left, pos.bottom - pos.top,
                        WS_CHILD | WS_VISIBLE | WS_TABSTOP);
}

void PickerObject::Render(HDC dc, const RECT& bounds) {
  // The border a window would get from its styles is drawn here.
  int edge = 0;
  switch (picker_.BorderStyle()) {
    case dtpBorder3D: edge = 2; break;
    case dtpBorderThin3D: case dtpBorderFlat: edge = 1; break;
    default: break;
  }
  RECT inner = bounds;
  InflateRect(&inner, -edge, -edge);
  picker_.SetSurfaceSize(inner.right - inner.left, inner.bottom - inner.top);
  const int saved = SaveDC(dc);
  IntersectClipRect(dc, inner.left, inner.top, inner.right, inner.bottom);
  picker_.DrawTo(dc, inner.left, inner.top);
  RestoreDC(dc, saved);
  RECT frame = bounds;
  switch (picker_.BorderStyle()) {
    case dtpBorder3D: DrawEdge(dc, &frame, EDGE_SUNKEN, BF_RECT); break;
    case dtpBorderThin3D: DrawEdge(dc, &frame, BDR_SUNKENOUTER, BF_RECT); break;
    case dtpBorderFlat: FrameRect(dc, &frame, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH))); break;
    default: break;
  }
}

void PickerObject::InitNewProperties() {
  picker_.InitProperties();
  DropFontObject();
}

void PickerObject::ReadProperties(const common::PropertyBag& bag) {
  picker_.ReadProperties(bag);
  DropFontObject();
}

std::span<const PropertyId> PickerObject::PersistedProperties() const { return kPersisted; }

void PickerObject::AmbientChanged(DISPID id) {
  if (id == DISPID_UNKNOWN || id == DISPID_AMBIENT_USERMODE) picker_.SetUserMode(UserMode());
  picker_.AccessibleName = AmbientDisplayName();
  if ((id == DISPID_UNKNOWN || id == DISPID_AMBIENT_FONT) && AmbientFont()) {
    picker_.SetAmbientFont(*AmbientFont());
    DropFontObject();
  }
}

// ---------------------------------------------------------------- font object

IFont* PickerObject::FontObject() {
  if (!font_) {
    HRESULT hr = CreateFontObject(picker_.Font(), &font_);
    if (FAILED(hr)) throw common::NumberedError(hr, L"", kErrorSource);
    if (ComPtr<IConnectionPoint> point = FontNotifyPoint()) point->Advise(&fontSink_, &fontCookie_);
  }
  return font_.Get();
}

void PickerObject::DropFontObject() {
  if (!font_) return;
  if (fontCookie_) {
    if (ComPtr<IConnectionPoint> point = FontNotifyPoint()) point->Unadvise(fontCookie_);
  }
  fontCookie_ = 0;
  font_.Reset();
}

ComPtr<IConnectionPoint> PickerObject::FontNotifyPoint() const {
  ComPtr<IConnectionPointContainer> points;
  ComPtr<IConnectionPoint> point;
  if (FAILED(font_.As(&points)) || FAILED(points->FindConnectionPoint(IID_IPropertyNotifySink, &point)))
    return nullptr;
  return point;
}

STDMETHODIMP PickerObject::FontSink::QueryInterface(REFIID iid, void** out) {
  if (!out) return E_POINTER;
  if (iid == IID_IUnknown || iid == IID_IPropertyNotifySink) {
    *out = static_cast<IPropertyNotifySink*>(this);
    return S_OK;
  }
  *out = nullptr;
  return E_NOINTERFACE;
}

STDMETHODIMP PickerObject::FontSink::OnChanged(DISPID) {
  return Guard(IID_IPropertyNotifySink, [&] {
    PickerFont font;
    if (owner_.font_ && FontOfObject(owner_.font_.Get(), font)) owner_.picker_.SetFont(font);
  });
}

STDMETHODIMP PickerObject::get_Font(IFontDisp** value) {
  if (!value) return E_POINTER;
  *value = nullptr;
  return Guard(IID__DatePicker, [&]() -> HRESULT {
    return FontObject()->QueryInterface(IID_IFontDisp, reinterpret_cast<void**>(value));
  });
}

STDMETHODIMP PickerObject::putref_Font(IFontDisp* value) {
  return Put([&] {
    ComPtr<IFont> given;
    if (!value || FAILED(value->QueryInterface(IID_PPV_ARGS(&given))))
      common::Raise(common::ErrInvalidArgument, kErrorSource);
    // The picker keeps a copy of its own: a font shared with the host would
    // change the picker behind its back.
    ComPtr<IFont> copy;
    HRESULT hr = given->Clone(&copy);
    if (FAILED(hr)) throw common::NumberedError(hr, L"", kErrorSource);
    PickerFont font;
    if (!FontOfObject(copy.Get(), font)) common::Raise(common::ErrInvalidArgument, kErrorSource);
    DropFontObject();
    picker_.SetFont(font);
    font_ = copy;
    if (ComPtr<IConnectionPoint> point = FontNotifyPoint()) point->Advise(&fontSink_, &fontCookie_);
  });
}

// ---------------------------------------------------------------- Value

STDMETHODIMP PickerObject::get_Value(VARIANT* value) {
  if (!value) return E_POINTER;
  VariantInit(value);
  return Guard(IID__DatePicker, [&] {
    const DateOrNull v = picker_.Value();
    if (v) {
      value->vt = VT_DATE;
      value->date = v->Value();
    } else {
      value->vt = VT_NULL;
    }
  });
}

STDMETHODIMP PickerObject::put_Value(VARIANT value) {
  return Put([&] {
    VARIANT v;
    VariantInit(&v);
    if (FAILED(VariantCopyInd(&v, &value))) common::Raise(common::ErrTypeMismatch, kErrorSource);
    struct Clear {
      VARIANT& v;
      ~Clear() { VariantClear(&v); }
    } clear{v};
    RequestEdit(DISPID_VALUE);
    // Null, Empty and "" empty the picker; a date or a date text (read in
    // the container's locale) is a date; anything else changes nothing.
    if (v.vt == VT_NULL || v.vt == VT_EMPTY || (v.vt == VT_BSTR && SysStringLen(v.bstrVal) == 0)) {
      picker_.SetValue(std::nullopt);
    } else if (v.vt == VT_DATE) {
      picker_.SetValue(common::DateTime(v.date));
    } else if (v.vt == VT_BSTR) {
      DATE date = 0;
      if (SUCCEEDED(VarDateFromStr(v.bstrVal, AmbientLocale(), 0, &date))) picker_.SetValue(common::DateTime(date));
      else picker_.Paint();
    } else {
      picker_.Paint();
    }
  });
}

// ---------------------------------------------------------------- the other properties

#define ALMANIX_GET(Name, Type, expr) \
  STDMETHODIMP PickerObject::get_##Name(Type* value) { \
    return GetProperty(IID__DatePicker, value, [&] { return expr; }); \
  }
#define ALMANIX_PUT(Name, Type, statement) \
  STDMETHODIMP PickerObject::put_##Name(Type value) { \
    return Put([&] { statement; }); \
  }

ALMANIX_GET(DateValue, DATE, picker_.DateValue().Value())
ALMANIX_GET(TimeValue, DATE, picker_.TimeValue().Value())
ALMANIX_GET(IsDropped, VARIANT_BOOL, ToVariantBool(picker_.IsDropped()))
ALMANIX_GET(MinDate, DATE, picker_.MinDate().Value())
ALMANIX_PUT(MinDate, DATE, picker_.SetMinDate(common::DateTime(value)))
ALMANIX_GET(MaxDate, DATE, picker_.MaxDate().Value())
ALMANIX_PUT(MaxDate, DATE, picker_.SetMaxDate(common::DateTime(value)))
ALMANIX_GET(Format, ::dtpFormats, static_cast<::dtpFormats>(picker_.Format()))
ALMANIX_PUT(Format, ::dtpFormats, picker_.SetFormat(value))
ALMANIX_GET(CustomFormat, BSTR, NewBstr(picker_.CustomFormat()))
ALMANIX_PUT(CustomFormat, BSTR, picker_.SetCustomFormat(FromBstr(value)))
ALMANIX_GET(ButtonStyle, ::dtpButtonStyles, static_cast<::dtpButtonStyles>(picker_.ButtonStyle()))
ALMANIX_PUT(ButtonStyle, ::dtpButtonStyles, picker_.SetButtonStyle(value))
ALMANIX_GET(ButtonWidth, LONG, picker_.ButtonWidth())
ALMANIX_PUT(ButtonWidth, LONG, picker_.SetButtonWidth(value))
ALMANIX_GET(FlatButton, VARIANT_BOOL, ToVariantBool(picker_.FlatButton()))
ALMANIX_PUT(FlatButton, VARIANT_BOOL, picker_.SetFlatButton(FromVariantBool(value)))
ALMANIX_GET(BorderStyle, ::dtpBorderStyles, static_cast<::dtpBorderStyles>(picker_.BorderStyle()))
ALMANIX_PUT(BorderStyle, ::dtpBorderStyles, picker_.SetBorderStyle(value))
ALMANIX_GET(BackColor, OLE_COLOR, picker_.BackColor())
ALMANIX_PUT(BackColor, OLE_COLOR, picker_.SetBackColor(value))
ALMANIX_GET(ForeColor, OLE_COLOR, picker_.ForeColor())
ALMANIX_PUT(ForeColor, OLE_COLOR, picker_.SetForeColor(value))
ALMANIX_GET(Enabled, VARIANT_BOOL, ToVariantBool(picker_.Enabled()))
ALMANIX_PUT(Enabled, VARIANT_BOOL, picker_.SetEnabled(FromVariantBool(value)))
ALMANIX_GET(Locked, VARIANT_BOOL, ToVariantBool(picker_.Locked()))
ALMANIX_PUT(Locked, VARIANT_BOOL, picker_.SetLocked(FromVariantBool(value)))
ALMANIX_GET(AllowEmpty, VARIANT_BOOL, ToVariantBool(picker_.AllowEmpty()))
ALMANIX_PUT(AllowEmpty, VARIANT_BOOL, picker_.SetAllowEmpty(FromVariantBool(value)))
// The three plain fields: stored, shown at the next redraw, persisted.
ALMANIX_GET(FocusColor, OLE_COLOR, picker_.FocusColor)
ALMANIX_PUT(FocusColor, OLE_COLOR, picker_.FocusColor = value; picker_.Paint(); PropertyChanged(L"FocusColor"))
ALMANIX_GET(ShowFocusRect, VARIANT_BOOL, ToVariantBool(picker_.ShowFocusRect))
ALMANIX_PUT(ShowFocusRect, VARIANT_BOOL,
            picker_.ShowFocusRect = FromVariantBool(value); picker_.Paint(); PropertyChanged(L"ShowFocusRect"))
ALMANIX_GET(UseFocusColor, VARIANT_BOOL, ToVariantBool(picker_.UseFocusColor))
ALMANIX_PUT(UseFocusColor, VARIANT_BOOL,
            picker_.UseFocusColor = FromVariantBool(value); picker_.Paint(); PropertyChanged(L"UseFocusColor"))
ALMANIX_GET(HoverIcon, VARIANT_BOOL, ToVariantBool(picker_.HoverIcon()))
ALMANIX_PUT(HoverIcon, VARIANT_BOOL, picker_.SetHoverIcon(FromVariantBool(value)))
ALMANIX_GET(EmptyButtonCaption, BSTR, NewBstr(picker_.EmptyButtonCaption()))
ALMANIX_PUT(EmptyButtonCaption, BSTR, picker_.SetEmptyButtonCaption(FromBstr(value)))
ALMANIX_GET(TodayButtonCaption, BSTR, NewBstr(picker_.TodayButtonCaption()))
ALMANIX_PUT(TodayButtonCaption, BSTR, picker_.SetTodayButtonCaption(FromBstr(value)))
ALMANIX_GET(FirstDayofWeek, LONG, picker_.FirstDayofWeek())
ALMANIX_PUT(FirstDayofWeek, LONG, picker_.SetFirstDayofWeek(value))
ALMANIX_GET(CalendarBackColor, OLE_COLOR, picker_.CalendarBackColor())
ALMANIX_PUT(CalendarBackColor, OLE_COLOR, picker_.SetCalendarBackColor(value))
ALMANIX_GET(CalendarActiveMonthColor, OLE_COLOR, picker_.CalendarActiveMonthColor())
ALMANIX_PUT(CalendarActiveMonthColor, OLE_COLOR, picker_.SetCalendarActiveMonthColor(value))
ALMANIX_GET(CalendarInactiveMonthColor, OLE_COLOR, picker_.CalendarInactiveMonthColor())
ALMANIX_PUT(CalendarInactiveMonthColor, OLE_COLOR, picker_.SetCalendarInactiveMonthColor(value))
ALMANIX_GET(CalendarHeaderColor, OLE_COLOR, picker_.CalendarHeaderColor())
ALMANIX_PUT(CalendarHeaderColor, OLE_COLOR, picker_.SetCalendarHeaderColor(value))
ALMANIX_GET(CalendarHeaderForeColor, OLE_COLOR, picker_.CalendarHeaderForeColor())
ALMANIX_PUT(CalendarHeaderForeColor, OLE_COLOR, picker_.SetCalendarHeaderForeColor(value))
ALMANIX_GET(CalendarPresentDateColor, OLE_COLOR, picker_.CalendarPresentDateColor())
ALMANIX_PUT(CalendarPresentDateColor, OLE_COLOR, picker_.SetCalendarPresentDateColor(value))
ALMANIX_GET(hWnd, LONG, HandleValue(picker_.hWnd()))

#undef ALMANIX_GET
#undef ALMANIX_PUT

STDMETHODIMP PickerObject::DropDownCalendar() {
  return Put([&] { picker_.DropDownCalendar(); });
}

STDMETHODIMP PickerObject::CloseUpCalendar() {
  return Put([&] { picker_.CloseUpCalendar(); });
}

}  // namespace almanix::com

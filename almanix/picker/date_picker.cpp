#include "almanix/picker/date_picker.h"

#include <windowsx.h>

#include <algorithm>
#include <cmath>
#include <cwchar>
#include <utility>

#include "almanix/core/control_error.h"
#include "almanix/core/control_window.h"
#include "almanix/core/date_range.h"
#include "almanix/core/input.h"
#include "almanix/core/library_state.h"
#include "almanix/core/locale_names.h"
#include "almanix/picker/calendar_sink.h"
#include "common/date_text.h"
#include "common/numbered_error.h"

namespace almanix {

namespace {

constexpr wchar_t kClassName[] = L"AlmanixDatePicker";
constexpr OleColor kDisabledText = kSysButtonFace;

// The window style and extended style bits that draw a border style.
std::pair<DWORD, DWORD> BorderBits(dtpBorderStyles border) {
  switch (border) {
    case dtpBorder3D: return {0, WS_EX_CLIENTEDGE};
    case dtpBorderThin3D: return {0, WS_EX_STATICEDGE};
    case dtpBorderFlat: return {WS_BORDER, 0};
    default: return {0, 0};
  }
}

}  // namespace

DatePicker::DatePicker()
    : sc_(std::make_unique<MonthCalendar>()), calendarSink_(std::make_unique<CalendarSink>(*this)) {
  State().bLoading = true;
  ReadLocalePatterns();
  mdc_.Resize(1, 1);  // fields can be measured before the window exists
  sc_->Events().Advise(calendarSink_.get());
  sc_->SetTakesFocus(false);  // the picker keeps the focus while it is dropped
  InitProperties();
}

DatePicker::~DatePicker() { Destroy(); }

HWND DatePicker::Create(HWND parent, int x, int y, int w, int h, DWORD style, UINT id) {
  if (hwnd_) return hwnd_;
  HINSTANCE module = RegisterControlClass(kClassName, WndProc, LoadCursorW(nullptr, IDC_ARROW));
  const auto [border, ex] = BorderBits(borderStyle_);
  style = (style & ~(WS_BORDER | WS_DLGFRAME)) | border;
  HWND hwnd = CreateWindowExW(ex, kClassName, L"", style, x, y, w, h, parent,
                              reinterpret_cast<HMENU>(static_cast<UINT_PTR>(id)), module, this);
  if (!hwnd) return nullptr;
  UpdateInputState();
  Layout();
  return hwnd;
}

void DatePicker::Destroy() {
  ReleaseCalendar();
  if (hwnd_) {
    HWND hwnd = hwnd_;
    SetWindowLongPtrW(hwnd, GWLP_USERDATA, 0);
    hwnd_ = nullptr;
    DestroyWindow(hwnd);
  }
}

void DatePicker::FireChange() {
  if (!State().bLoading) events_.Fire(&DatePickerEvents::Change);
}

// ---------------------------------------------------------------- properties

void DatePicker::SetValue(const DateOrNull& value) {
  if (!value) {
    value_.reset();
  } else {
    RequireRepresentableDate(*value);
    if (*value < minDate_ || *value > maxDate_) RaiseControlError(ErrDateOutOfRange);
    value_ = *value;
    lastDate_ = *value;
    GiveFieldsValue(*value);
    if (IsDropped()) PushCalendarValue();
  }
  MarkChanged(L"Value");
  Redraw();
}

common::DateTime DatePicker::DateValue() const {
  return value_ ? value_->DatePart() : common::DateTime();
}

common::DateTime DatePicker::TimeValue() const {
  return value_ ? common::DateTime(value_->TimeOfDay()) : common::DateTime();
}


void DatePicker::SetMinDate(common::DateTime value) {
  RequireRepresentableDate(value);
  if (value > maxDate_) RaiseControlError(ErrMinDateAboveMax);
  minDate_ = value;
  if (IsDropped()) PushCalendarValue();
  MarkChanged(L"MinDate");
}

void DatePicker::SetMaxDate(common::DateTime value) {
  RequireRepresentableDate(value);
  if (value < minDate_) RaiseControlError(ErrMaxDateBelowMin);
  maxDate_ = value;
  if (IsDropped()) PushCalendarValue();
  MarkChanged(L"MaxDate");
}

void DatePicker::SetFormat(int32_t value) {
  if (value < dtpLongDate || value > dtpCustom) common::Raise(common::ErrInvalidArgument, kErrorSource);
  format_ = static_cast<dtpFormats>(value);
  ApplyFont();
  MarkChanged(L"Format");
}

void DatePicker::SetCustomFormat(const std::wstring& value) {
  customFormat_ = value;
  ApplyFont();
  MarkChanged(L"CustomFormat");
}

void DatePicker::SetButtonStyle(int32_t value) {
  if (value < dtpDropDown || value > dtpNone) common::Raise(common::ErrInvalidArgument, kErrorSource);
  buttonStyle_ = static_cast<dtpButtonStyles>(value);
  BuildButtons();
  Redraw();
  MarkChanged(L"ButtonStyle");
}

void DatePicker::SetButtonWidth(int32_t value) {
  if (value < 0) common::Raise(common::ErrInvalidArgument, kErrorSource);
  buttonWidth_ = value;
  BuildButtons();
  Redraw();
  MarkChanged(L"ButtonWidth");
}

void DatePicker::SetFlatButton(bool value) {
  flatButton_ = value;
  BuildButtons();
  Redraw();
  MarkChanged(L"FlatButton");
}

void DatePicker::SetBorderStyle(int32_t value) {
  if (value < dtpBorderNone || value > dtpBorderFlat) common::Raise(common::ErrInvalidArgument, kErrorSource);
  borderStyle_ = static_cast<dtpBorderStyles>(value);
  ApplyBorder();
  Layout();
  MarkChanged(L"BorderStyle");
}

PickerFont DatePicker::Font() const { return font_ ? *font_ : AmbientFont(); }

void DatePicker::SetFont(const PickerFont& font) {
  font_ = font;
  ApplyFont();
  MarkChanged(L"Font");
}

void DatePicker::SetBackColor(OleColor value) {
  backColor_ = value;
  Redraw();
  MarkChanged(L"BackColor");
}

void DatePicker::SetForeColor(OleColor value) {
  foreColor_ = value;
  Redraw();
  MarkChanged(L"ForeColor");
}

void DatePicker::SetEnabled(bool value) {
  enabled_ = value;
  for (CFrame& b : buttons_) b.Enabled = value;
  if (!value) CloseUpCalendar();
  UpdateInputState();
  Redraw();
  MarkChanged(L"Enabled");
}

void DatePicker::SetLocked(bool value) {
  locked_ = value;
  if (value) CloseUpCalendar();
  UpdateInputState();
  Redraw();
  MarkChanged(L"Locked");
}

void DatePicker::SetAllowEmpty(bool value) {
  allowEmpty_ = value;
  sc_->SetEmptyButton(value);
  MarkChanged(L"AllowEmpty");
}

bool DatePicker::HoverIcon() const { return sc_->HoverIcon; }
void DatePicker::SetHoverIcon(bool value) { sc_->HoverIcon = value; MarkChanged(L"HoverIcon"); }
std::wstring DatePicker::EmptyButtonCaption() const { return sc_->EmptyButtonCaption(); }
void DatePicker::SetEmptyButtonCaption(const std::wstring& value) {
  sc_->SetEmptyButtonCaption(value);
  MarkChanged(L"EmptyButtonCaption");
}
std::wstring DatePicker::TodayButtonCaption() const { return sc_->TodayButtonCaption(); }
void DatePicker::SetTodayButtonCaption(const std::wstring& value) {
  sc_->SetTodayButtonCaption(value);
  MarkChanged(L"TodayButtonCaption");
}
int32_t DatePicker::FirstDayofWeek() const { return sc_->FirstDayofWeek(); }
void DatePicker::SetFirstDayofWeek(int32_t value) {
  if (value < 0 || value > 7) common::Raise(common::ErrInvalidArgument, kErrorSource);
  sc_->SetFirstDayofWeek(value);
  MarkChanged(L"FirstDayofWeek");
}

#define ALMANIX_CALENDAR_COLOR(Name, CalendarName)                   \
  OleColor DatePicker::Name() const { return sc_->CalendarName(); } \
  void DatePicker::Set##Name(OleColor value) {                      \
    sc_->Set##CalendarName(value);                                  \
    MarkChanged(L## #Name);                                         \
  }
ALMANIX_CALENDAR_COLOR(CalendarBackColor, BackColor)
ALMANIX_CALENDAR_COLOR(CalendarActiveMonthColor, ActiveMonthColor)
ALMANIX_CALENDAR_COLOR(CalendarInactiveMonthColor, InactiveMonthColor)
ALMANIX_CALENDAR_COLOR(CalendarHeaderColor, HeaderColor)
ALMANIX_CALENDAR_COLOR(CalendarHeaderForeColor, HeaderForeColor)
ALMANIX_CALENDAR_COLOR(CalendarPresentDateColor, PresentDateColor)
#undef ALMANIX_CALENDAR_COLOR

// ---------------------------------------------------------------- layout

void DatePicker::SetAmbientFont(const PickerFont& font) {
  ambientFont_ = font;
  if (!font_) ApplyFont();
}

PickerFont DatePicker::AmbientFont() const {
  if (ambientFont_) return *ambientFont_;
  HWND parent = hwnd_ ? GetParent(hwnd_) : nullptr;
  HFONT font = parent ? reinterpret_cast<HFONT>(SendMessageW(parent, WM_GETFONT, 0, 0)) : nullptr;
  return FontOf(font ? font : static_cast<HFONT>(GetStockObject(DEFAULT_GUI_FONT)));
}

PickerFont DatePicker::FontOf(HFONT font) {
  LOGFONTW lf{};
  PickerFont f;
  if (!GetObjectW(font, sizeof(lf), &lf)) return f;
  HDC screen = GetDC(nullptr);
  const int dpi = GetDeviceCaps(screen, LOGPIXELSY);
  ReleaseDC(nullptr, screen);
  f.Name = lf.lfFaceName;
  // Quarter points, as font objects keep their size.
  f.Size = std::round(std::abs(lf.lfHeight) * 72.0 / dpi * 4) / 4;
  f.Bold = lf.lfWeight >= FW_BOLD;
  f.Italic = lf.lfItalic;
  f.Strikethrough = lf.lfStrikeOut;
  f.Underline = lf.lfUnderline;
  return f;
}

void DatePicker::ApplyFont() {
  const PickerFont f = Font();
  mdc_.SetFont(f.Name, f.Size, f.Bold, f.Italic, f.Strikethrough, f.Underline);
  BuildFields();
}


void DatePicker::BuildButtons() {
  buttons_.clear();
  rapidButton_ = nullptr;
  const int w = mdc_.Width(), h = mdc_.Height(), b = buttonWidth_;
  auto add = [&](const wchar_t* tag, int32_t style, int top, int height) {
    CFrame f;
    if (flatButton_) f.Init(cftScroll, style, mdc_.hdc(), top + 1, w - b + 1, height - 2, b - 2);
    else f.Init(cftScroll, style, mdc_.hdc(), top, w - b, height, b);
    if (flatButton_) f.AddState(cfsFlat);
    f.Tag = tag;
    f.Enabled = enabled_;
    buttons_.push_back(f);
  };
  if (buttonStyle_ == dtpDropDown) {
    add(L"DropDown", cfsScrollDown, 0, h);
  } else if (buttonStyle_ == dtpUpDown) {
    add(L"Up", cfsScrollUp, 0, h / 2);
    add(L"Down", cfsScrollDown, h / 2, h / 2);
  }
}

void DatePicker::ApplyBorder() {
  if (!hwnd_) return;
  LONG_PTR style = GetWindowLongPtrW(hwnd_, GWL_STYLE) & ~static_cast<LONG_PTR>(WS_BORDER);
  LONG_PTR ex = GetWindowLongPtrW(hwnd_, GWL_EXSTYLE) & ~static_cast<LONG_PTR>(WS_EX_CLIENTEDGE | WS_EX_STATICEDGE);
  const auto [border, borderEx] = BorderBits(borderStyle_);
  style |= border;
  ex |= borderEx;
  SetWindowLongPtrW(hwnd_, GWL_STYLE, style);
  SetWindowLongPtrW(hwnd_, GWL_EXSTYLE, ex);
  SetWindowPos(hwnd_, nullptr, 0, 0, 0, 0,
               SWP_FRAMECHANGED | SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void DatePicker::Layout() {
  if (!hwnd_ || State().bLoading) return;
  RECT rc;
  GetClientRect(hwnd_, &rc);
  LayOutSurface(rc.right, rc.bottom);
}

void DatePicker::LayOutSurface(int width, int height) {
  mdc_.Resize(std::max(width, 1), std::max(height, 1));
  BuildButtons();
  ApplyFont();  // rebuilds the fields at the new height and redraws
}

void DatePicker::SetSurfaceSize(int width, int height) {
  if (hwnd_ || State().bLoading) return;
  width = std::max(width, 1);
  height = std::max(height, 1);
  if (width == mdc_.Width() && height == mdc_.Height()) return;
  LayOutSurface(width, height);
}

void DatePicker::SetUserMode(bool value) {
  userMode_ = value;
  if (!value) CloseUpCalendar();
}

void DatePicker::UpdateInputState() {
  if (hwnd_) EnableWindow(hwnd_, enabled_ && !locked_);
}

// ---------------------------------------------------------------- drawing

void DatePicker::Render() {
  mdc_.SetBackColor(focused_ && UseFocusColor ? FocusColor : backColor_);
  mdc_.SetTextColor(enabled_ ? foreColor_ : kDisabledText);
  mdc_.Clear();
  bool typing = false;
  for (const CDateMask& f : fields_) typing |= f.HasTyped();
  if (value_ || typing) {
    for (CDateMask& f : fields_) f.Paint();
  }
  for (CFrame& b : buttons_) {
    b.SetHdc(mdc_.hdc());
    b.Paint();
  }
  if (ShowFocusRect && focused_) {
    RECT r{1, 1, mdc_.Width() - 1, mdc_.Height() - 1};
    if (buttonStyle_ != dtpNone) r.right -= buttonWidth_;
    const COLORREF oldText = ::SetTextColor(mdc_.hdc(), RGB(0, 0, 0));
    const COLORREF oldBack = ::SetBkColor(mdc_.hdc(), RGB(255, 255, 255));
    DrawFocusRect(mdc_.hdc(), &r);
    ::SetTextColor(mdc_.hdc(), oldText);
    ::SetBkColor(mdc_.hdc(), oldBack);
  }
}

void DatePicker::Redraw() {
  if (!hwnd_ || State().bLoading) return;
  Render();
  HDC dc = GetDC(hwnd_);
  mdc_.BlitImage(dc);
  ReleaseDC(hwnd_, dc);
}

void DatePicker::Paint() { Redraw(); }

void DatePicker::DrawTo(HDC dc, int x, int y) {
  Render();
  mdc_.BlitImage(dc, x, y);
}

// ---------------------------------------------------------------- value and fields

void DatePicker::GiveFieldsValue(common::DateTime value) {
  for (CDateMask& f : fields_) f.SetValue(value);
}

common::DateTime DatePicker::Clamp(common::DateTime value) const {
  if (value < minDate_) return minDate_;
  if (value > maxDate_) return maxDate_;
  return value;
}

void DatePicker::ChangeValue(common::DateTime value, bool toCalendar) {
  value_ = value;
  lastDate_ = value;
  GiveFieldsValue(value);
  Redraw();
  if (toCalendar && IsDropped()) PushCalendarValue();
  MarkChanged(L"Value");
  FireChange();
}

bool DatePicker::CommitTyped() {
  if (current_ < 0 || !fields_[current_].HasTyped()) return false;
  CDateMask& field = fields_[current_];
  if (!field.Validate()) {
    field.SetValue(lastDate_);
    return false;
  }
  ChangeValue(Clamp(field.Value()), true);
  return true;
}

void DatePicker::SetCurrentField(int index) {
  if (index == current_ || index < 0 || index >= static_cast<int>(fields_.size())) return;
  if (timerTag_ == TimerTag::Validate) {
    StopTimer();
    CommitTyped();
  }
  if (current_ >= 0) fields_[current_].selected = false;
  current_ = index;
  fields_[current_].selected = focused_;
  Redraw();
}

void DatePicker::Step(int16_t amount) {
  if (current_ < 0 || fields_[current_].isliteral()) return;
  CDateMask& field = fields_[current_];
  if (field.HasTyped()) {  // a step replaces digits still waiting
    if (timerTag_ == TimerTag::Validate) StopTimer();
    field.Validate();
  }
  field.SetValue(lastDate_);
  field.AddValue(amount);
  ChangeValue(Clamp(field.Value()), true);
}

void DatePicker::KeyAction(int vk) {
  switch (vk) {
    case VK_LEFT:
      for (int i = current_ - 1; i >= 0; --i)
        if (!fields_[i].isliteral()) { SetCurrentField(i); break; }
      break;
    case VK_RIGHT: case VK_DIVIDE: case VK_DECIMAL: case VK_OEM_2:
      for (int i = current_ + 1; i < static_cast<int>(fields_.size()); ++i)
        if (!fields_[i].isliteral()) { SetCurrentField(i); break; }
      break;
    case VK_UP: case VK_DOWN:
      Step(vk == VK_UP ? 1 : -1);  // an empty picker steps its last date
      break;
    case VK_F4:
      DropDownButton();
      break;
    case VK_ESCAPE:
      CloseUpCalendar();
      break;
    default:
      break;
  }
}

}  // namespace almanix

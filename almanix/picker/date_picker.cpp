#include "almanix/picker/date_picker.h"

#include <windowsx.h>

#include <algorithm>
#include <cmath>
#include <cwchar>
#include <utility>

#include "almanix/core/bag_values.h"
#include "almanix/core/control_error.h"
#include "almanix/core/control_window.h"
#include "almanix/core/date_range.h"
#include "almanix/core/input.h"
#include "almanix/core/library_state.h"
#include "almanix/core/locale_names.h"
#include "common/date_text.h"
#include "common/numbered_error.h"

namespace almanix {

namespace {

constexpr wchar_t kClassName[] = L"AlmanixDatePicker";
constexpr UINT_PTR kTimerId = 1;
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

// Tokens of a pattern, longest of each family first.
constexpr const wchar_t* kTokens[] = {
    L"tt", L"t", L"hh", L"h", L"HH", L"H", L"mm", L"m", L"ss", L"s",
    L"MMMM", L"MMM", L"MM", L"M", L"dddd", L"ddd", L"dd", L"d", L"yyyy", L"yyy", L"yy", L"y"};

}  // namespace

std::wstring FontToText(const PickerFont& f) {
  wchar_t size[32];
  swprintf(size, 32, L"%.2f", f.Size);
  std::wstring s = size;
  while (s.back() == L'0') s.pop_back();
  if (s.back() == L'.') s.pop_back();
  return f.Name + L";" + s + L";" + (f.Bold ? L"1" : L"0") + L";" + (f.Italic ? L"1" : L"0") + L";" +
         (f.Strikethrough ? L"1" : L"0") + L";" + (f.Underline ? L"1" : L"0");
}

bool FontFromText(const std::wstring& text, PickerFont& font) {
  std::vector<std::wstring> parts;
  size_t start = 0;
  for (;;) {
    size_t semi = text.find(L';', start);
    parts.push_back(text.substr(start, semi == std::wstring::npos ? semi : semi - start));
    if (semi == std::wstring::npos) break;
    start = semi + 1;
  }
  if (parts.size() != 6 || parts[0].empty()) return false;
  wchar_t* end = nullptr;
  const double size = wcstod(parts[1].c_str(), &end);
  if (end == parts[1].c_str() || *end || !(size > 0 && size < 1000)) return false;
  PickerFont f;
  f.Name = parts[0];
  f.Size = size;
  bool* flags[] = {&f.Bold, &f.Italic, &f.Strikethrough, &f.Underline};
  for (int i = 0; i < 4; ++i) {
    if (parts[i + 2] != L"0" && parts[i + 2] != L"1") return false;
    *flags[i] = parts[i + 2] == L"1";
  }
  font = f;
  return true;
}

// Receives the drop-down calendar's events.
class DatePicker::CalendarSink : public MonthCalendarEvents {
 public:
  explicit CalendarSink(DatePicker& owner) : owner_(owner) {}
  void Change() override { owner_.OnCalendarChange(); }
  void EmptyClicked() override { owner_.OnCalendarEmptyClicked(); }

 private:
  DatePicker& owner_;
};

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

void DatePicker::ReleaseCalendar() {
  StopTimer();
  if (dropDown_) {
    dropDown_->HideControl = nullptr;
    dropDown_->WillHide = nullptr;
    dropDown_.reset();
  }
  sc_->Destroy();
}

// ---------------------------------------------------------------- persistence

void DatePicker::InitProperties() {
  State().bLoading = false;
  value_ = Today();
  lastDate_ = *value_;
  minDate_ = DefaultMinDate();
  maxDate_ = DefaultMaxDate();
  format_ = dtpShortDate;
  customFormat_.clear();
  buttonStyle_ = dtpDropDown;
  buttonWidth_ = 16;
  flatButton_ = false;
  borderStyle_ = dtpBorder3D;
  font_.reset();
  backColor_ = kSysWindow;
  foreColor_ = kSysWindowText;
  FocusColor = backColor_;
  UseFocusColor = false;
  ShowFocusRect = false;
  enabled_ = true;
  locked_ = false;
  allowEmpty_ = false;

  pushingCalendar_ = true;
  sc_->SetBackColor(kSysWindow);
  sc_->SetHeaderColor(kSysButtonFace);
  sc_->SetPresentDateColor(255);
  sc_->SetActiveMonthColor(kSysWindowText);
  sc_->SetInactiveMonthColor(kSysButtonFace);
  sc_->SetHeaderForeColor(kSysButtonText);
  sc_->SetTodayButtonCaption(L"Today");
  sc_->SetEmptyButtonCaption(L"None");
  sc_->SetEmptyButton(allowEmpty_);
  sc_->SetFirstDayofWeek(0);
  sc_->HoverIcon = true;
  pushingCalendar_ = false;

  ApplySettings();
}

void DatePicker::ReadProperties(const common::PropertyBag& bag) {
  LibraryState& st = State();
  st.bLoading = true;
  try {
    PickerFont f;
    if (auto text = bag.Read(L"Font"); text && std::holds_alternative<std::wstring>(*text) &&
                                        FontFromText(std::get<std::wstring>(*text), f))
      font_ = f;
    else
      font_.reset();
    customFormat_ = bag.ReadString(L"CustomFormat", L"");
    backColor_ = ReadBagColor(bag, L"BackColor", kSysWindow);
    foreColor_ = ReadBagColor(bag, L"ForeColor", kSysWindowText);
    buttonWidth_ = std::max<int32_t>(0, bag.ReadLong(L"ButtonWidth", 16));
    const int32_t bs = bag.ReadLong(L"ButtonStyle", dtpDropDown);
    buttonStyle_ = bs >= dtpDropDown && bs <= dtpNone ? static_cast<dtpButtonStyles>(bs) : dtpDropDown;
    flatButton_ = bag.ReadBool(L"FlatButton", true);
    // Range first, unchecked against the old range; a stored range the
    // wrong way round falls back to the full default range.
    common::DateTime maxDate = ReadBagDate(bag, L"MaxDate", DefaultMaxDate());
    common::DateTime minDate = ReadBagDate(bag, L"MinDate", DefaultMinDate());
    if (minDate > maxDate) minDate = DefaultMinDate(), maxDate = DefaultMaxDate();
    minDate_ = minDate;
    maxDate_ = maxDate;
    if (auto v = bag.Read(L"Value"); v && std::holds_alternative<double>(*v) &&
                                     std::get<double>(*v) != 0.0) {
      value_ = Clamp(common::DateTime(std::get<double>(*v)));
      lastDate_ = *value_;
    } else if (v && std::holds_alternative<std::wstring>(*v) && !std::get<std::wstring>(*v).empty()) {
      value_ = Clamp(ReadBagDate(bag, L"Value", Today()));
      lastDate_ = *value_;
    } else {
      value_.reset();
    }
    FocusColor = ReadBagColor(bag, L"FocusColor", kSysWindow);
    ShowFocusRect = bag.ReadBool(L"ShowFocusRect", true);
    UseFocusColor = bag.ReadBool(L"UseFocusColor", true);
    locked_ = bag.ReadBool(L"Locked", false);
    const int32_t border = bag.ReadLong(L"BorderStyle", dtpBorder3D);
    borderStyle_ = border >= dtpBorderNone && border <= dtpBorderFlat ? static_cast<dtpBorderStyles>(border)
                                                                       : dtpBorder3D;
    enabled_ = bag.ReadBool(L"Enabled", true);
    allowEmpty_ = bag.ReadBool(L"AllowEmpty", true);

    pushingCalendar_ = true;
    sc_->SetEmptyButton(allowEmpty_);
    sc_->SetBackColor(ReadBagColor(bag, L"CalendarBackColor", kSysWindow));
    sc_->SetHeaderColor(ReadBagColor(bag, L"CalendarHeaderColor", kSysButtonFace));
    sc_->SetHeaderForeColor(ReadBagColor(bag, L"CalendarHeaderForeColor", kSysWindowText));
    sc_->SetActiveMonthColor(ReadBagColor(bag, L"CalendarActiveMonthColor", kSysWindowText));
    sc_->SetInactiveMonthColor(ReadBagColor(bag, L"CalendarInactiveMonthColor", kSysButtonFace));
    sc_->SetPresentDateColor(ReadBagColor(bag, L"CalendarPresentDateColor", 255));
    const int32_t first = bag.ReadLong(L"FirstDayofWeek", 0);
    sc_->SetFirstDayofWeek(first >= 0 && first <= 7 ? first : 0);
    sc_->SetTodayButtonCaption(bag.ReadString(L"TodayButtonCaption", L"Today"));
    sc_->SetEmptyButtonCaption(bag.ReadString(L"EmptyButtonCaption", L"Empty"));
    sc_->HoverIcon = bag.ReadBool(L"HoverIcon", true);
    pushingCalendar_ = false;

    const int32_t format = bag.ReadLong(L"Format", dtpShortDate);
    st.bLoading = false;
    format_ = format >= dtpLongDate && format <= dtpCustom ? static_cast<dtpFormats>(format) : dtpShortDate;
  } catch (...) {
    pushingCalendar_ = false;
    st.bLoading = false;
    throw;
  }
  ApplySettings();
}

void DatePicker::ApplySettings() {
  if (hwnd_) {
    ApplyBorder();
    UpdateInputState();
    Layout();
  } else {
    ApplyFont();
  }
}

void DatePicker::WriteProperties(common::PropertyBag& bag) const {
  if (font_) bag.Write(L"Font", FontToText(*font_));
  bag.WriteWithDefault(L"CustomFormat", customFormat_, std::wstring());
  WriteBagColor(bag, L"BackColor", backColor_, kSysWindow);
  WriteBagColor(bag, L"ForeColor", foreColor_, kSysWindowText);
  bag.WriteWithDefault(L"ButtonWidth", buttonWidth_, int32_t{16});
  bag.WriteWithDefault(L"ButtonStyle", static_cast<int32_t>(buttonStyle_), int32_t{0});
  bag.WriteWithDefault(L"FlatButton", flatButton_, true);
  bag.WriteWithDefault(L"MaxDate", maxDate_.Value(), DefaultMaxDate().Value());
  bag.WriteWithDefault(L"MinDate", minDate_.Value(), DefaultMinDate().Value());
  if (value_) bag.Write(L"Value", value_->Value());
  WriteBagColor(bag, L"FocusColor", FocusColor, kSysWindow);
  bag.WriteWithDefault(L"ShowFocusRect", ShowFocusRect, true);
  bag.WriteWithDefault(L"UseFocusColor", UseFocusColor, true);
  bag.WriteWithDefault(L"Locked", locked_, false);
  bag.WriteWithDefault(L"BorderStyle", static_cast<int32_t>(borderStyle_), int32_t{1});
  bag.WriteWithDefault(L"Enabled", enabled_, true);
  bag.WriteWithDefault(L"AllowEmpty", allowEmpty_, true);
  WriteBagColor(bag, L"CalendarBackColor", sc_->BackColor(), kSysWindow);
  WriteBagColor(bag, L"CalendarHeaderColor", sc_->HeaderColor(), kSysButtonFace);
  WriteBagColor(bag, L"CalendarHeaderForeColor", sc_->HeaderForeColor(), kSysWindowText);
  WriteBagColor(bag, L"CalendarActiveMonthColor", sc_->ActiveMonthColor(), kSysWindowText);
  WriteBagColor(bag, L"CalendarInactiveMonthColor", sc_->InactiveMonthColor(), kSysButtonFace);
  WriteBagColor(bag, L"CalendarPresentDateColor", sc_->PresentDateColor(), 255);
  bag.WriteWithDefault(L"FirstDayofWeek", sc_->FirstDayofWeek(), int32_t{0});
  bag.WriteWithDefault(L"TodayButtonCaption", sc_->TodayButtonCaption(), std::wstring(L"Today"));
  bag.WriteWithDefault(L"EmptyButtonCaption", sc_->EmptyButtonCaption(), std::wstring(L"Empty"));
  bag.WriteWithDefault(L"HoverIcon", sc_->HoverIcon, true);
  bag.WriteWithDefault(L"Format", static_cast<int32_t>(format_), int32_t{1});
}

void DatePicker::FireChange() {
  if (!State().bLoading) events_.Fire(&DatePickerEvents::Change);
}

// ---------------------------------------------------------------- properties

void DatePicker::SetValue(const DateOrNull& value) {
  if (!value) {
    value_.reset();
  } else {
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

bool DatePicker::IsDropped() const {
  return sc_->hWnd() && IsWindowVisible(sc_->hWnd()) && dropDown_ && dropDown_->Control();
}

void DatePicker::SetMinDate(common::DateTime value) {
  if (value > maxDate_) RaiseControlError(ErrMinDateAboveMax);
  minDate_ = value;
  MarkChanged(L"MinDate");
}

void DatePicker::SetMaxDate(common::DateTime value) {
  if (value < minDate_) RaiseControlError(ErrMaxDateBelowMin);
  maxDate_ = value;
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

void DatePicker::BuildFields() {
  const LibraryState& st = State();
  switch (format_) {
    case dtpLongDate: pattern_ = st.longDatePattern; break;
    case dtpTime: pattern_ = st.timePattern; break;
    case dtpCustom: pattern_ = customFormat_.empty() ? st.shortDatePattern : customFormat_; break;
    default: pattern_ = st.shortDatePattern; break;
  }
  const int height = mdc_.Height();
  fields_.clear();
  int x = 2;
  auto add = [&](const std::wstring& mask) {
    CDateMask m;
    m.Init(&mdc_, mask, x, height);
    x += m.Width;
    fields_.push_back(std::move(m));
  };
  std::wstring literal;
  auto flush = [&] {
    if (literal.empty()) return;
    add(literal);
    literal.clear();
  };
  for (size_t i = 0; i < pattern_.size();) {
    if (pattern_[i] == L'\'') {
      // Quoted text is literal; two quotes stand for one.
      size_t j = i + 1;
      for (; j < pattern_.size(); ++j) {
        if (pattern_[j] != L'\'') {
          literal += pattern_[j];
        } else if (j + 1 < pattern_.size() && pattern_[j + 1] == L'\'') {
          literal += L'\'';
          ++j;
        } else {
          break;
        }
      }
      if (j == i + 1 && j < pattern_.size()) literal += L'\'';  // '' outside quotes
      i = j + 1;
      continue;
    }
    const wchar_t* token = nullptr;
    for (const wchar_t* t : kTokens) {
      if (pattern_.compare(i, wcslen(t), t) == 0) {
        token = t;
        break;
      }
    }
    if (!token) {
      literal += pattern_[i++];
      continue;
    }
    flush();
    add(token);
    i += wcslen(token);
  }
  flush();

  GiveFieldsValue(lastDate_);
  current_ = -1;
  for (size_t i = 0; i < fields_.size(); ++i) {
    if (!fields_[i].isliteral()) {
      current_ = static_cast<int>(i);
      break;
    }
  }
  if (current_ >= 0) fields_[current_].selected = focused_;
  Redraw();
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
  mdc_.Resize(std::max<int>(rc.right, 1), std::max<int>(rc.bottom, 1));
  BuildButtons();
  ApplyFont();  // rebuilds the fields at the new height and redraws
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

// ---------------------------------------------------------------- drop-down

void DatePicker::EnsureCalendarWindow() {
  if (!sc_->hWnd()) sc_->Create(hwnd_, 0, 0, WS_CHILD);
  if (!dropDown_) {
    dropDown_ = std::make_unique<cDropDown>();
    dropDown_->WillHide = [this](bool& dontHide, const cMouselParam& mouse) {
      OnDropDownWillHide(dontHide, mouse);
    };
    dropDown_->HideControl = [this] {
      // Keyboard focus must not stay behind in the hidden calendar.
      HWND focus = GetFocus();
      if (hwnd_ && focus && (focus == sc_->hWnd() || IsChild(sc_->hWnd(), focus))) SetFocus(hwnd_);
    };
  }
}

void DatePicker::PushCalendarValue() {
  pushingCalendar_ = true;
  try {
    // Widen the calendar's range first so that neither bound trips over
    // the other's old value.
    if (minDate_ > sc_->MaxDate()) {
      sc_->SetMaxDate(maxDate_);
      sc_->SetMinDate(minDate_);
    } else {
      sc_->SetMinDate(minDate_);
      sc_->SetMaxDate(maxDate_);
    }
    sc_->SetValue(lastDate_);
  } catch (...) {
    pushingCalendar_ = false;
    throw;
  }
  pushingCalendar_ = false;
}

void DatePicker::DropDownCalendar() {
  if (!hwnd_) return;
  EnsureCalendarWindow();
  PushCalendarValue();
  RECT r;
  GetWindowRect(hwnd_, &r);
  dropDown_->Show(sc_->hWnd(), r.left, r.bottom, MonthCalendar::kWidth, MonthCalendar::kHeight,
                  r.bottom - r.top, true);
}

void DatePicker::CloseUpCalendar() {
  if (dropDown_ && IsDropped()) dropDown_->Hide();
}

void DatePicker::DropDownButton() {
  bool cancel = false;
  events_.Fire(&DatePickerEvents::BeforeCalendarDropDown, cancel);
  if (cancel) return;
  DropDownCalendar();
  events_.Fire(&DatePickerEvents::AfterCalendarDropDown);
}

void DatePicker::OnDropDownWillHide(bool& dontHide, const cMouselParam& mouse) {
  // The calendar's month list drops below the calendar in a window of its
  // own: a press there is a press inside.
  COMBOBOXINFO combo{};
  combo.cbSize = sizeof(combo);
  if (sc_->MonthList() && GetComboBoxInfo(sc_->MonthList(), &combo) && mouse.hWnd() &&
      (mouse.hWnd() == combo.hwndList || mouse.hWnd() == combo.hwndCombo)) {
    dontHide = true;
    return;
  }
  // A press on our own drop-down button closes the calendar; the button
  // must not open it again right away.
  const CFrame* button = Button(L"DropDown");
  if (!button || !hwnd_) return;
  if (button->CheckPoint(mouse.ClientX(hwnd_), mouse.ClientY(hwnd_)) &&
      WindowFromPoint(POINT{mouse.X(), mouse.Y()}) == hwnd_)
    closedByButtonClick_ = true;
}

void DatePicker::OnCalendarChange() {
  if (State().bLoading || pushingCalendar_) return;
  const common::DateTime v = sc_->Value();
  if (v >= minDate_ && v <= maxDate_) ChangeValue(v, false);
  bool cancel = false;
  events_.Fire(&DatePickerEvents::BeforeCalendarCloseUp, cancel);
  if (cancel) return;
  if (hwnd_) SetFocus(hwnd_);
  if (dropDown_ && IsDropped()) dropDown_->Hide();
  events_.Fire(&DatePickerEvents::AfterCalendarCloseUp);
}

void DatePicker::OnCalendarEmptyClicked() {
  if (State().bLoading || pushingCalendar_) return;
  bool cancel = false;
  events_.Fire(&DatePickerEvents::EmptyClicked, cancel);
  if (cancel) return;
  value_.reset();
  MarkChanged(L"Value");
  Redraw();
  FireChange();
  if (dropDown_ && IsDropped()) dropDown_->Hide();
}

// ---------------------------------------------------------------- buttons and timer

const CFrame* DatePicker::Button(std::wstring_view tag) const {
  for (const CFrame& b : buttons_)
    if (b.Tag == tag) return &b;
  return nullptr;
}

void DatePicker::ButtonAction(CFrame& frame) {
  if (frame.Tag == L"Up") KeyAction(VK_UP);
  else if (frame.Tag == L"Down") KeyAction(VK_DOWN);
  else if (frame.Tag == L"DropDown") DropDownButton();
}

void DatePicker::StartTimer(TimerTag tag, UINT interval) {
  timerTag_ = tag;
  if (hwnd_) SetTimer(hwnd_, kTimerId, interval, nullptr);
}

void DatePicker::StopTimer() {
  timerTag_ = TimerTag::None;
  if (hwnd_) KillTimer(hwnd_, kTimerId);
}

void DatePicker::OnTimer() {
  if (timerTag_ == TimerTag::Validate) {
    StopTimer();
    CommitTyped();
    Redraw();
  } else if (timerTag_ == TimerTag::RapidFire) {
    POINT pt;
    GetCursorPos(&pt);
    ScreenToClient(hwnd_, &pt);
    if (rapidButton_ && (rapidButton_->State & cfspushed) && rapidButton_->CheckPoint(pt.x, pt.y)) {
      StartTimer(TimerTag::RapidFire, kRepeatMs);
      ButtonAction(*rapidButton_);
    } else {
      StopTimer();
    }
  } else {
    StopTimer();
  }
}

// ---------------------------------------------------------------- mouse and keys

void DatePicker::OnMouseDown(int16_t button, int16_t shift, int x, int y) {
  float fx = static_cast<float>(x), fy = static_cast<float>(y);
  events_.Fire(&DatePickerEvents::MouseDown, button, shift, fx, fy);
  if (!hwnd_) return;
  const bool reopenBlocked = closedByButtonClick_;
  closedByButtonClick_ = false;
  if (button != 1) {
    Redraw();
    return;
  }
  lastDragY_ = y;
  dragging_ = true;
  for (size_t i = 0; i < fields_.size(); ++i) {
    if (!fields_[i].isliteral() && fields_[i].CheckPoint(x, y)) {
      SetCurrentField(static_cast<int>(i));
      break;
    }
  }
  for (CFrame& b : buttons_) {
    if (!b.CheckPoint(x, y)) continue;
    dragging_ = false;
    b.AddState(cfspushed);
    Redraw();
    if (b.Tag == L"DropDown" && reopenBlocked) break;
    if (b.Tag == L"Up" || b.Tag == L"Down") {
      rapidButton_ = &b;
      StartTimer(TimerTag::RapidFire, kFirstRepeatMs);
    }
    ButtonAction(b);
    if (!hwnd_) return;
    break;
  }
  Redraw();
}

void DatePicker::OnMouseMove(int16_t button, int16_t shift, int x, int y) {
  float fx = static_cast<float>(x), fy = static_cast<float>(y);
  events_.Fire(&DatePickerEvents::MouseMove, button, shift, fx, fy);
  if (!(button & 1) || !dragging_) return;
  if (y - lastDragY_ > 2) {
    KeyAction(VK_DOWN);
    lastDragY_ = y;
  } else if (lastDragY_ - y > 2) {
    KeyAction(VK_UP);
    lastDragY_ = y;
  }
}

void DatePicker::OnMouseUp(int16_t button, int16_t shift, int x, int y) {
  float fx = static_cast<float>(x), fy = static_cast<float>(y);
  events_.Fire(&DatePickerEvents::MouseUp, button, shift, fx, fy);
  if (button == 1) dragging_ = false;
  for (CFrame& b : buttons_) b.RemoveState(cfspushed);
  if (timerTag_ == TimerTag::RapidFire) StopTimer();
  rapidButton_ = nullptr;
  Redraw();
}

void DatePicker::OnDoubleClick(int x, int y) {
  const bool reopenBlocked = closedByButtonClick_;
  closedByButtonClick_ = false;
  for (CFrame& b : buttons_) {
    if (!b.CheckPoint(x, y)) continue;
    b.AddState(cfspushed);
    Redraw();
    b.RemoveState(cfspushed);
    Redraw();
    if (b.Tag == L"DropDown" && (reopenBlocked || IsDropped())) break;
    ButtonAction(b);
    break;
  }
}

void DatePicker::OnFocus(bool gained, HWND other) {
  if (gained) {
    focused_ = true;
    if (current_ >= 0) fields_[current_].selected = true;
  } else {
    focused_ = false;
    for (CDateMask& f : fields_) f.selected = false;
    // Focus moving into the drop-down calendar (its month list) keeps it
    // open; picking a date brings the focus back.
    const bool intoCalendar =
        sc_->hWnd() && other && (other == sc_->hWnd() || IsChild(sc_->hWnd(), other));
    if (!intoCalendar) CloseUpCalendar();
  }
  Redraw();
}

// ---------------------------------------------------------------- window

LRESULT CALLBACK DatePicker::WndProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
  auto* self = static_cast<DatePicker*>(AttachedControl(hwnd, msg, lp));
  if (!self) return DefWindowProcW(hwnd, msg, wp, lp);
  if (msg == WM_NCCREATE) self->hwnd_ = hwnd;
  try {
    return self->HandleMessage(msg, wp, lp);
  } catch (...) {
    // Nothing may unwind through the system's message dispatch.
    return DefWindowProcW(hwnd, msg, wp, lp);
  }
}

LRESULT DatePicker::HandleMessage(UINT msg, WPARAM wp, LPARAM lp) {
  const int x = GET_X_LPARAM(lp), y = GET_Y_LPARAM(lp);
  switch (msg) {
    case WM_ERASEBKGND:
      return 1;
    case WM_PAINT: {
      PAINTSTRUCT ps;
      HDC dc = BeginPaint(hwnd_, &ps);
      if (!State().bLoading) DrawTo(dc);
      EndPaint(hwnd_, &ps);
      return 0;
    }
    case WM_SIZE:
      Layout();
      return 0;
    case WM_SETFONT:
      if (wp) SetAmbientFont(FontOf(reinterpret_cast<HFONT>(wp)));
      return 0;
    case WM_GETDLGCODE: {
      LRESULT code = DLGC_WANTARROWS | DLGC_WANTCHARS;
      if (IsDropped()) code |= DLGC_WANTMESSAGE;  // Escape closes the calendar
      return code;
    }
    case WM_SETFOCUS:
      OnFocus(true, reinterpret_cast<HWND>(wp));
      return 0;
    case WM_KILLFOCUS:
      OnFocus(false, reinterpret_cast<HWND>(wp));
      return 0;
    case WM_LBUTTONDOWN: case WM_RBUTTONDOWN: case WM_MBUTTONDOWN: {
      if (GetFocus() != hwnd_) SetFocus(hwnd_);
      if (msg == WM_LBUTTONDOWN) SetCapture(hwnd_);
      const int16_t button = ButtonOfMessage(msg);
      OnMouseDown(button, ShiftState(), x, y);
      return 0;
    }
    case WM_LBUTTONUP: case WM_RBUTTONUP: case WM_MBUTTONUP: {
      if (msg == WM_LBUTTONUP && GetCapture() == hwnd_) ReleaseCapture();
      const int16_t button = ButtonOfMessage(msg);
      OnMouseUp(button, ShiftState(), x, y);
      return 0;
    }
    case WM_LBUTTONDBLCLK:
      OnDoubleClick(x, y);
      return 0;
    case WM_MOUSEMOVE:
      OnMouseMove(ButtonsFromKeys(wp), ShiftState(), x, y);
      return 0;
    case WM_KEYDOWN: case WM_SYSKEYDOWN: {
      int16_t key = static_cast<int16_t>(wp), shift = ShiftState();
      events_.Fire(&DatePickerEvents::KeyDown, key, shift);
      if (key) KeyAction(key);
      if (msg == WM_SYSKEYDOWN) break;
      return 0;
    }
    case WM_KEYUP: case WM_SYSKEYUP: {
      int16_t key = static_cast<int16_t>(wp), shift = ShiftState();
      events_.Fire(&DatePickerEvents::KeyUp, key, shift);
      if (msg == WM_SYSKEYUP) break;
      return 0;
    }
    case WM_CHAR: {
      int16_t ascii = static_cast<int16_t>(wp);
      events_.Fire(&DatePickerEvents::KeyPress, ascii);
      // Separator keys already moved to the next field.
      const bool separator = ascii == L'/' || ascii == L'.' || ascii == L'?';
      if (ascii >= L' ' && !separator && current_ >= 0 && !fields_[current_].isliteral()) {
        fields_[current_].HandleKeyPress(ascii);
        Redraw();
        StartTimer(TimerTag::Validate, kValidateMs);
      }
      return 0;
    }
    case WM_TIMER:
      if (wp == kTimerId) OnTimer();
      return 0;
    case WM_CANCELMODE:
    case WM_CAPTURECHANGED:
      dragging_ = false;
      break;
    case WM_DESTROY:
      ReleaseCalendar();
      break;
    case WM_NCDESTROY: {
      HWND hwnd = hwnd_;
      SetWindowLongPtrW(hwnd, GWLP_USERDATA, 0);
      hwnd_ = nullptr;
      return DefWindowProcW(hwnd, msg, wp, lp);
    }
    default:
      break;
  }
  return DefWindowProcW(hwnd_, msg, wp, lp);
}

}  // namespace almanix

// Saving and loading a picker's properties, and the font as bag text.
#include "almanix/picker/date_picker.h"

#include <cwchar>

#include "almanix/core/bag_values.h"
#include "almanix/core/date_range.h"
#include "almanix/core/library_state.h"
#include "almanix/core/locale_names.h"

namespace almanix {

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
    // A stored date is checked as put_Value checks it: NaN, infinities
    // and years past 9999 are no date (the picker is empty).
    if (auto v = bag.Read(L"Value"); v && std::holds_alternative<double>(*v) &&
                                     std::get<double>(*v) != 0.0 && IsRepresentableDate(std::get<double>(*v))) {
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

}  // namespace almanix

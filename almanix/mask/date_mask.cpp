#include "almanix/mask/date_mask.h"

#include <windows.h>

#include <algorithm>
#include <cmath>
#include <vector>

#include "almanix/core/locale_names.h"
#include "almanix/core/ole_color.h"
#include "almanix/drawing/mdc.h"
#include "common/numbered_error.h"

namespace almanix {

namespace {

std::wstring Padded(int value, size_t width) {
  std::wstring text = std::to_wstring(value);
  if (text.size() < width) text.insert(0, width - text.size(), L'0');
  return text;
}

bool IsOneOf(const std::wstring& s, std::initializer_list<const wchar_t*> list) {
  for (const wchar_t* item : list)
    if (s == item) return true;
  return false;
}

// The first and last moments the calendar can hold.
common::DateTime CalendarEnd(bool last) {
  common::DateTime out;
  common::DateTime::FromParts(last ? common::DateParts{9999, 12, 31, 23, 59, 59}
                                   : common::DateParts{100, 1, 1, 0, 0, 0},
                              out);
  return out;
}

}  // namespace

common::DateTime WithDate(common::DateTime value, int year, int month, int day) {
  common::DateParts p = value.Parts();
  p.year = year;
  p.month = month;
  const int last = common::DaysInMonth(year, month);
  p.day = day > last ? last : day;
  common::DateTime out;
  return common::DateTime::FromParts(p, out) ? out : value;
}

common::DateTime WithTime(common::DateTime value, int hour, int minute, int second) {
  common::DateParts p = value.Parts();
  p.hour = hour;
  p.minute = minute;
  p.second = second;
  common::DateTime out;
  return common::DateTime::FromParts(p, out) ? out : value;
}

std::wstring AmDesignator() { return LocaleText(LOCALE_S1159); }
std::wstring PmDesignator() { return LocaleText(LOCALE_S2359); }

std::wstring FormatToken(common::DateTime value, const std::wstring& token) {
  const common::DateParts p = value.Parts();
  if (token == L"d") return std::to_wstring(p.day);
  if (token == L"dd") return Padded(p.day, 2);
  if (token == L"ddd") return AbbrevDayName(value.Weekday());
  if (token == L"dddd") return DayName(value.Weekday());
  if (token == L"M") return std::to_wstring(p.month);
  if (token == L"MM") return Padded(p.month, 2);
  if (token == L"MMM") return AbbrevMonthName(p.month);
  if (token == L"MMMM") return MonthName(p.month);
  if (token == L"y") return std::to_wstring(p.year % 100);
  if (token == L"yy") return Padded(p.year % 100, 2);
  if (token == L"yyy" || token == L"yyyy") return Padded(p.year, 4);
  const int h12 = p.hour % 12 == 0 ? 12 : p.hour % 12;
  if (token == L"h") return std::to_wstring(h12);
  if (token == L"hh") return Padded(h12, 2);
  if (token == L"H") return std::to_wstring(p.hour);
  if (token == L"HH") return Padded(p.hour, 2);
  if (token == L"n" || token == L"m") return std::to_wstring(p.minute);
  if (token == L"nn" || token == L"mm") return Padded(p.minute, 2);
  if (token == L"s") return std::to_wstring(p.second);
  if (token == L"ss") return Padded(p.second, 2);
  if (token == L"t" || token == L"tt") {
    std::wstring d = p.hour < 12 ? AmDesignator() : PmDesignator();
    return token == L"t" ? d.substr(0, 1) : d;
  }
  return token;
}

void CDateMask::Init(cMDC* mDC, const std::wstring& Mask, int left, int height) {
  mdc_ = mDC;
  Left = left;
  Height = height;
  typed_.clear();
  literal_ = false;
  // Name fields are as wide as the widest name of the locale, so that no
  // month or day name is clipped in any language.
  std::vector<std::wstring> samples;
  auto names = [&](std::wstring (*name)(int), int count) {
    for (int i = 1; i <= count; ++i) samples.push_back(name(i));
  };
  bool margin = true;
  if (IsOneOf(Mask, {L"M", L"MM"})) kind_ = L"M", samples = {L"99"};
  else if (Mask == L"MMM") kind_ = L"M", names(AbbrevMonthName, 12);
  else if (Mask == L"MMMM") kind_ = L"M", names(MonthName, 12);
  else if (IsOneOf(Mask, {L"d", L"dd"})) kind_ = L"d", samples = {L"99"};
  else if (Mask == L"ddd") kind_ = L"d", names(AbbrevDayName, 7);
  else if (Mask == L"dddd") kind_ = L"d", names(DayName, 7);
  else if (IsOneOf(Mask, {L"y", L"yy"})) kind_ = L"y", samples = {L"99"};
  else if (IsOneOf(Mask, {L"yyy", L"yyyy"})) kind_ = L"y", samples = {L"0000"};
  else if (IsOneOf(Mask, {L"h", L"hh", L"H", L"HH"})) kind_ = L"h", samples = {L"99"};
  else if (IsOneOf(Mask, {L"m", L"mm"})) kind_ = L"m", samples = {L"99"};
  else if (IsOneOf(Mask, {L"s", L"ss"})) kind_ = L"s", samples = {L"99"};
  else if (IsOneOf(Mask, {L"t", L"tt"})) kind_ = L"t", samples = {AmDesignator(), PmDesignator()}, margin = false;
  else kind_.clear(), literal_ = true, samples = {Mask}, margin = false;

  if (Mask == L"m") mask_ = L"n";
  else if (Mask == L"mm") mask_ = L"nn";
  else if (Mask == L"yyy") mask_ = L"yyyy";
  else mask_ = Mask;
  int widest = 0;
  for (const std::wstring& s : samples) widest = std::max(widest, mdc_ ? mdc_->TextWidth(s) : 0);
  Width = widest + (margin ? 2 : 0);
}

bool CDateMask::CheckPoint(int32_t X, int32_t Y) const {
  return X >= Left && X < Left + Width && Y >= 0 && Y < Height;
}

bool CDateMask::TwoDigitMask() const {
  return IsOneOf(mask_, {L"d", L"dd", L"M", L"MM", L"h", L"hh", L"H", L"HH", L"n", L"nn", L"s", L"ss"});
}

bool CDateMask::YearMask() const { return IsOneOf(mask_, {L"y", L"yy", L"yyyy"}); }

void CDateMask::HandleKeyPress(int16_t KeyAscii) {
  if (literal_) return;
  const bool digit = KeyAscii >= L'0' && KeyAscii <= L'9';
  if (YearMask()) {
    if (!digit) {
      typed_ = std::to_wstring(value_.Parts().year);
      return;
    }
    std::wstring t = typed_ + static_cast<wchar_t>(KeyAscii);
    if (t.size() > 4) t.erase(0, t.size() - 4);
    typed_ = Padded(std::stoi(t), 4);
  } else if (digit && TwoDigitMask()) {
    typed_ += static_cast<wchar_t>(KeyAscii);
    if (typed_.size() > 2) typed_.erase(0, typed_.size() - 2);
  }
}

bool CDateMask::Validate() {
  if (typed_.empty()) return false;
  const int v = std::stoi(typed_);
  typed_.clear();
  const common::DateParts p = value_.Parts();
  if (kind_ == L"m") {
    if (v > 59) return false;
    value_ = WithTime(value_, p.hour, v, p.second);
  } else if (kind_ == L"s") {
    if (v > 59) return false;
    value_ = WithTime(value_, p.hour, p.minute, v);
  } else if (kind_ == L"h" && (mask_ == L"h" || mask_ == L"hh")) {
    // A 12-hour field keeps the half of the day the value is in.
    if (v < 1 || v > 12) return false;
    value_ = WithTime(value_, v % 12 + (p.hour >= 12 ? 12 : 0), p.minute, p.second);
  } else if (kind_ == L"h") {
    if (v > 23) return false;
    value_ = WithTime(value_, v, p.minute, p.second);
  } else if (kind_ == L"M") {
    if (v < 1 || v > 12) return false;
    value_ = WithDate(value_, p.year, v, p.day);
  } else if (kind_ == L"d") {
    if (v < 1 || v > common::DaysInMonth(p.year, p.month)) return false;
    value_ = WithDate(value_, p.year, p.month, v);
  } else if (kind_ == L"y") {
    int year = v;
    if (year < 30) year += 2000;
    else if (year < 100) year += 1900;
    value_ = WithDate(value_, year, p.month, p.day);
  } else {
    return false;
  }
  return true;
}

void CDateMask::AddValue(int16_t Amount) {
  if (literal_ || Amount == 0) return;
  try {
    if (kind_ == L"M") value_ = value_.AddMonths(Amount);
    else if (kind_ == L"y") value_ = value_.AddYears(Amount);
    else if (kind_ == L"d") value_ = value_.AddDays(Amount);
    else if (kind_ == L"h") value_ = value_.AddDays(Amount / 24.0);
    else if (kind_ == L"m") value_ = value_.AddDays(Amount / 1440.0);
    else if (kind_ == L"s") value_ = value_.AddDays(Amount / 86400.0);
    else if (kind_ == L"t") value_ = value_.AddDays(Amount / 2.0);
  } catch (const common::NumberedError&) {
    value_ = CalendarEnd(Amount > 0);
    return;
  }
  if (value_ > CalendarEnd(true)) value_ = CalendarEnd(true);
  if (value_ < CalendarEnd(false)) value_ = CalendarEnd(false);
}

std::wstring CDateMask::Text() const {
  if (literal_) return mask_;
  if (!typed_.empty()) {
    if (TwoDigitMask() && typed_.size() < 2) return L"0" + typed_;
    return typed_;
  }
  return FormatToken(value_, mask_);
}

void CDateMask::Paint() {
  if (!mdc_) return;
  constexpr UINT kFlags = DT_CENTER | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX;
  const OleColor text = mdc_->TextColor();
  if (selected && !literal_)
    mdc_->DrawText(Text(), Left, 0, Width, Height, kSysHighlightText, kSysHighlight, kFlags, false);
  else
    mdc_->DrawText(Text(), Left, 0, Width, Height, text, kNoColor, kFlags, true);
  mdc_->SetTextColor(text);  // drawing in highlight colours must not stick
}

}  // namespace almanix

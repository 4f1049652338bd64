#include "ferrimond/support/record_line.h"

#include <charconv>
#include <cmath>
#include <cstdio>

#include "common/numbered_error.h"

namespace ferrimond {

using common::DateParts;
using common::DateTime;
using common::Raise;

namespace {

std::wstring Widen(std::string_view ascii) { return std::wstring(ascii.begin(), ascii.end()); }

std::wstring Two(int n) {
  wchar_t buf[8];
  swprintf(buf, 8, L"%02d", n);
  return buf;
}

bool IsBlank(wchar_t c) { return c == L' ' || c == L'\t'; }
bool IsLineEnd(wchar_t c) { return c == L'\r' || c == L'\n'; }

std::wstring Trim(std::wstring_view s) {
  size_t b = 0, e = s.size();
  while (b < e && IsBlank(s[b])) ++b;
  while (e > b && IsBlank(s[e - 1])) --e;
  return std::wstring(s.substr(b, e - b));
}

// Parses "yyyy-mm-dd", "hh:mm:ss" or both separated by a blank.
bool ParseDate(const std::wstring& text, DateTime& out) {
  int y = 1899, mo = 12, d = 30, h = 0, mi = 0, s = 0;
  const std::string narrow(text.begin(), text.end());
  char tail = 0;
  bool ok = false;
  if (std::sscanf(narrow.c_str(), "%d-%d-%d %d:%d:%d%c", &y, &mo, &d, &h, &mi, &s, &tail) == 6) {
    ok = true;
  } else if (h = mi = s = 0; std::sscanf(narrow.c_str(), "%d-%d-%d%c", &y, &mo, &d, &tail) == 3) {
    ok = true;
  } else if (y = 1899, mo = 12, d = 30;
             std::sscanf(narrow.c_str(), "%d:%d:%d%c", &h, &mi, &s, &tail) == 3) {
    ok = true;
  }
  return ok && DateTime::FromParts({y, mo, d, h, mi, s}, out);
}

}  // namespace

std::wstring FormatRecordDate(DateTime date) {
  const DateParts p = date.Parts();
  const bool midnight = p.hour == 0 && p.minute == 0 && p.second == 0;
  const bool noDate = p.year == 1899 && p.month == 12 && p.day == 30;
  std::wstring out = L"#";
  if (!noDate) {
    wchar_t buf[16];
    swprintf(buf, 16, L"%04d-", p.year);
    out += buf + Two(p.month) + L"-" + Two(p.day);
  }
  if (noDate || !midnight) {
    if (out.size() > 1) out += L" ";
    out += Two(p.hour) + L":" + Two(p.minute) + L":" + Two(p.second);
  }
  return out + L"#";
}

std::wstring FormatRecordDouble(double value) {
  if (value == 0 || !std::isfinite(value)) return L"0";
  char buf[64];
  auto [end, ec] = std::to_chars(buf, buf + sizeof buf, value, std::chars_format::general, 15);
  std::string s(buf, end);
  for (char& c : s)
    if (c == 'e') c = 'E';
  return Widen(s);
}

RecordWriter& RecordWriter::String(std::wstring_view text) {
  Item(L"\"" + std::wstring(text) + L"\"");
  return *this;
}

RecordWriter& RecordWriter::Date(DateTime date) {
  Item(FormatRecordDate(date));
  return *this;
}

RecordWriter& RecordWriter::Long(int32_t value) {
  Item(std::to_wstring(value));
  return *this;
}

RecordWriter& RecordWriter::Integer(int16_t value) {
  Item(std::to_wstring(value));
  return *this;
}

RecordWriter& RecordWriter::Double(double value) {
  Item(FormatRecordDouble(value));
  return *this;
}

RecordWriter& RecordWriter::Boolean(bool value) {
  Item(value ? L"#TRUE#" : L"#FALSE#");
  return *this;
}

RecordWriter& RecordWriter::EndRecord() {
  bytes_ += "\r\n";
  midRecord_ = false;
  return *this;
}

void RecordWriter::Item(std::wstring_view text) {
  if (midRecord_) bytes_ += ',';
  bytes_ += common::Utf8FromWide(text);
  midRecord_ = true;
}

RecordReader::RecordReader(std::string_view bytes, common::AnsiDecoder ansi)
    : text_(common::WideFromBytes(bytes, ansi)) {}

bool RecordReader::AtEnd() const {
  for (size_t i = pos_; i < text_.size(); ++i)
    if (!IsBlank(text_[i]) && !IsLineEnd(text_[i])) return false;
  return true;
}

RecordReader::Field RecordReader::NextField() {
  // Blank lines between records carry no item.
  while (pos_ < text_.size() && (IsBlank(text_[pos_]) || IsLineEnd(text_[pos_]))) ++pos_;
  if (pos_ >= text_.size()) Raise(common::ErrInputPastEnd);

  Field field{{}, 0};
  const wchar_t first = text_[pos_];
  if (first == L'"' || first == L'#') {
    const size_t close = text_.find(first, pos_ + 1);
    const size_t stop = close == std::wstring::npos ? text_.size() : close;
    field.text = text_.substr(pos_ + 1, stop - pos_ - 1);
    field.delimiter = first;
    pos_ = close == std::wstring::npos ? text_.size() : close + 1;
    // Whatever stands between the closing mark and the separator is dropped.
    while (pos_ < text_.size() && text_[pos_] != L',' && !IsLineEnd(text_[pos_])) ++pos_;
  } else {
    const size_t start = pos_;
    while (pos_ < text_.size() && text_[pos_] != L',' && !IsLineEnd(text_[pos_])) ++pos_;
    field.text = Trim(std::wstring_view(text_).substr(start, pos_ - start));
  }
  if (pos_ < text_.size()) {
    if (text_[pos_] == L',') {
      ++pos_;
    } else if (text_[pos_] == L'\r') {
      ++pos_;
      if (pos_ < text_.size() && text_[pos_] == L'\n') ++pos_;
    } else if (text_[pos_] == L'\n') {
      ++pos_;
    }
  }
  return field;
}

std::wstring RecordReader::ReadString() { return NextField().text; }

DateTime RecordReader::ReadDate() {
  const Field f = NextField();
  DateTime out;
  if (f.delimiter != L'#' || !ParseDate(Trim(f.text), out)) Raise(common::ErrTypeMismatch);
  return out;
}

bool RecordReader::ReadBoolean() {
  const Field f = NextField();
  if (f.delimiter == L'#') {
    if (f.text == L"TRUE") return true;
    if (f.text == L"FALSE") return false;
  }
  Raise(common::ErrTypeMismatch);
}

double RecordReader::ReadNumber(bool whole, double min, double max) {
  const Field f = NextField();
  if (f.delimiter == L'"') Raise(common::ErrTypeMismatch);
  if (f.delimiter == L'#') {
    // Booleans read as numbers the way the runtime converts them.
    if (f.text == L"TRUE") return -1;
    if (f.text == L"FALSE") return 0;
    Raise(common::ErrTypeMismatch);
  }
  if (f.text.empty()) return 0;
  std::string narrow;
  for (wchar_t c : f.text) {
    if (c > 0x7F) Raise(common::ErrTypeMismatch);
    narrow.push_back(static_cast<char>(c));
  }
  const char* b = narrow.data();
  if (*b == '+') ++b;
  double value = 0;
  auto [end, ec] = std::from_chars(b, narrow.data() + narrow.size(), value);
  if (ec == std::errc::result_out_of_range) Raise(common::ErrOverflow);
  if (ec != std::errc() || end != narrow.data() + narrow.size()) Raise(common::ErrTypeMismatch);
  if (whole) {
    value = std::nearbyint(value);  // whole items round half to even
    if (!(value >= min && value <= max)) Raise(common::ErrOverflow);
  }
  return value;
}

int32_t RecordReader::ReadLong() { return static_cast<int32_t>(ReadNumber(true, INT32_MIN, INT32_MAX)); }

int16_t RecordReader::ReadInteger() { return static_cast<int16_t>(ReadNumber(true, INT16_MIN, INT16_MAX)); }

double RecordReader::ReadDouble() { return ReadNumber(false, 0, 0); }

std::wstring RecordReader::ReadLine() {
  if (pos_ >= text_.size()) Raise(common::ErrInputPastEnd);
  size_t end = pos_;
  while (end < text_.size() && !IsLineEnd(text_[end])) ++end;
  std::wstring line = text_.substr(pos_, end - pos_);
  pos_ = end;
  if (pos_ < text_.size() && text_[pos_] == L'\r') ++pos_;
  if (pos_ < text_.size() && text_[pos_] == L'\n') ++pos_;
  return line;
}

}  // namespace ferrimond

#include "almanix/picker/picker_pattern.h"

#include <cwchar>

#include "almanix/core/library_state.h"
#include "almanix/picker/date_picker.h"

namespace almanix {

namespace {

// Tokens of a pattern, longest of each family first.
constexpr const wchar_t* kTokens[] = {
    L"tt", L"t", L"hh", L"h", L"HH", L"H", L"mm", L"m", L"ss", L"s",
    L"MMMM", L"MMM", L"MM", L"M", L"dddd", L"ddd", L"dd", L"d", L"yyyy", L"yyy", L"yy", L"y"};

}  // namespace

std::vector<PatternPiece> SplitPattern(const std::wstring& pattern) {
  std::vector<PatternPiece> pieces;
  std::wstring literal;
  auto flush = [&] {
    if (!literal.empty()) pieces.push_back({literal, false});
    literal.clear();
  };
  for (size_t i = 0; i < pattern.size();) {
    if (pattern[i] == L'\'') {
      size_t j = i + 1;
      for (; j < pattern.size(); ++j) {
        if (pattern[j] != L'\'') {
          literal += pattern[j];
        } else if (j + 1 < pattern.size() && pattern[j + 1] == L'\'') {
          literal += L'\'';
          ++j;
        } else {
          break;
        }
      }
      if (j == i + 1 && j < pattern.size()) literal += L'\'';  // '' outside quotes
      i = j + 1;
      continue;
    }
    const wchar_t* token = nullptr;
    for (const wchar_t* t : kTokens) {
      if (pattern.compare(i, wcslen(t), t) == 0) {
        token = t;
        break;
      }
    }
    if (!token) {
      literal += pattern[i++];
      continue;
    }
    flush();
    pieces.push_back({token, true});
    i += wcslen(token);
  }
  flush();
  return pieces;
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
  for (const PatternPiece& piece : SplitPattern(pattern_)) {
    CDateMask m;
    m.Init(&mdc_, piece.text, x, height);
    x += m.Width;
    fields_.push_back(std::move(m));
  }

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

}  // namespace almanix

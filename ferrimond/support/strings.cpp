#include "ferrimond/support/strings.h"

#include "ferrimond/support/case_fold.h"

namespace ferrimond {

bool SameCharIgnoringCase(wchar_t a, wchar_t b) {
  return UpperChar(a) == UpperChar(b);
}

std::wstring TranslateChars(const std::wstring& text, const std::wstring& fromSet,
                            const std::wstring& toSet, int32_t compareMode) {
  if (fromSet.empty()) return {};
  std::wstring to = toSet;
  if (!to.empty()) to.resize(fromSet.size(), to.back());
  std::wstring out;
  out.reserve(text.size());
  for (wchar_t c : text) {
    size_t p = std::wstring::npos;
    for (size_t i = 0; i < fromSet.size(); ++i) {
      if (compareMode == TextCompare ? SameCharIgnoringCase(c, fromSet[i]) : c == fromSet[i]) {
        p = i;
        break;
      }
    }
    if (p == std::wstring::npos)
      out.push_back(c);
    else if (!to.empty())
      out.push_back(to[p]);
  }
  return out;
}

std::wstring GetField(const std::wstring& text, int16_t n, const std::wstring& delimiters) {
  if (delimiters.empty()) return text;
  const std::wstring t = delimiters.size() > 1
                             ? TranslateChars(text, delimiters, std::wstring(1, delimiters[0]), BinaryCompare)
                             : text;
  return std::wstring(FieldOf(t, n, delimiters[0]));
}

std::wstring_view FieldOf(std::wstring_view text, int n, wchar_t delimiter) {
  if (text.find(delimiter) == std::wstring_view::npos) return text;
  size_t start = 0;
  for (int field = 1; field < n; ++field) {
    const size_t next = text.find(delimiter, start);
    if (next == std::wstring_view::npos) return {};
    start = next + 1;
  }
  const size_t end = text.find(delimiter, start);
  return text.substr(start, end == std::wstring_view::npos ? std::wstring_view::npos : end - start);
}

}  // namespace ferrimond

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
  const wchar_t d = delimiters[0];
  if (t.find(d) == std::wstring::npos) return t;
  size_t start = 0;
  for (int field = 1; field < n; ++field) {
    const size_t next = t.find(d, start);
    if (next == std::wstring::npos) return {};
    start = next + 1;
  }
  const size_t end = t.find(d, start);
  return t.substr(start, end == std::wstring::npos ? std::wstring::npos : end - start);
}

}  // namespace ferrimond

#include "ferrimond/mainwindow/date_tag.h"

#include <string_view>

namespace ferrimond {

namespace {

bool UsableInFileName(const std::wstring& text) {
  if (text.empty()) return false;
  for (wchar_t c : text) {
    if (c < 32 || std::wstring_view(L"\\/:*?\"<>|").find(c) != std::wstring_view::npos)
      return false;
  }
  return true;
}

}  // namespace

std::wstring MakeDateTag(const std::wstring& shortDateText, common::DateTime date) {
  const auto first = shortDateText.find(L'/');
  if (first != std::wstring::npos) {
    const auto second = shortDateText.find(L'/', first + 1);
    if (second != std::wstring::npos) {
      std::wstring tag = shortDateText;
      tag[first] = L'_';
      tag[second] = L'_';
      if (UsableInFileName(tag)) return tag;
    }
  }
  const common::DateParts p = date.Parts();
  return std::to_wstring(p.month) + L"_" + std::to_wstring(p.day) + L"_" + std::to_wstring(p.year);
}

}  // namespace ferrimond

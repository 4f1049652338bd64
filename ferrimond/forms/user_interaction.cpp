#include "ferrimond/forms/user_interaction.h"

namespace ferrimond::forms {

namespace {
std::wstring& Title() {
  static std::wstring title = L"Ferrimond";
  return title;
}
}  // namespace

const std::wstring& AppTitle() { return Title(); }

void SetAppTitle(std::wstring title) { Title() = std::move(title); }

const std::wstring& ShownTitle(const std::wstring& title) {
  return title.empty() ? AppTitle() : title;
}

}  // namespace ferrimond::forms

#include "tests/ferrimond/mainwindow/prompt_script.h"

#include <gtest/gtest.h>

namespace ferrimond::mwtest {

namespace {
std::string Narrow(const std::wstring& text) { return std::string(text.begin(), text.end()); }
}  // namespace

forms::MsgResult PromptScript::MsgBox(const std::wstring& text, forms::MsgButtons buttons,
                                      forms::MsgIcon icon, const std::wstring& title) {
  EXPECT_EQ(buttons, forms::MsgButtons::Ok) << Narrow(text);
  EXPECT_TRUE(title.empty()) << Narrow(text);
  messages.push_back(text);
  return forms::MsgResult::Ok;
}

std::wstring PromptScript::InputBox(const std::wstring& prompt, const std::wstring&,
                                    const std::wstring&) {
  ADD_FAILURE() << "unexpected input box: " << Narrow(prompt);
  return {};
}

std::vector<std::wstring> PromptScript::OpenFileDialog(const forms::FileDialogOptions&) {
  ADD_FAILURE() << "unexpected open dialog";
  return {};
}

std::wstring PromptScript::SaveFileDialog(const forms::FileDialogOptions&) {
  ADD_FAILURE() << "unexpected save dialog";
  return {};
}

std::wstring PromptScript::BrowseForFolder(const std::wstring& title, const std::wstring&) {
  ADD_FAILURE() << "unexpected folder browser: " << Narrow(title);
  return {};
}

void PromptScript::PrintText(const std::wstring&, const std::wstring&) {
  ADD_FAILURE() << "unexpected printing";
}

bool PromptScript::ShowHelp(const std::wstring&) {
  ADD_FAILURE() << "unexpected help";
  return false;
}

bool PromptScript::OpenUrl(const std::wstring& url) {
  ADD_FAILURE() << "unexpected shell open: " << Narrow(url);
  return false;
}

}  // namespace ferrimond::mwtest

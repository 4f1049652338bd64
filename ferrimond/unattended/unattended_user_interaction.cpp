#include "ferrimond/unattended/unattended_user_interaction.h"

#include "common/numbered_error.h"
#include "ferrimond/backup/run_text.h"

namespace ferrimond {

namespace {

constexpr int32_t kNoPrinter = 482;

// A message on one line: its line breaks become " / ".
std::wstring OneLine(const std::wstring& text) {
  std::wstring out;
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] == L'\r' || text[i] == L'\n') {
      if (text[i] == L'\r' && i + 1 < text.size() && text[i + 1] == L'\n') ++i;
      out += L" / ";
    } else {
      out += text[i];
    }
  }
  return out;
}

}  // namespace

void UnattendedUserInteraction::Record(std::wstring line) { recorded_.push_back(OneLine(line)); }

forms::MsgResult UnattendedUserInteraction::MsgBox(const std::wstring& text, forms::MsgButtons buttons,
                                                   forms::MsgIcon, const std::wstring& title) {
  const std::wstring& shown = forms::ShownTitle(title);
  Record(shown == forms::AppTitle() ? text : shown + L": " + text);
  if (title == kChangeDriveTitle || text == kChooseTimeText) {
    if (onWaitWouldFollow) onWaitWouldFollow(title == kChangeDriveTitle);
    return forms::MsgResult::Ok;
  }
  switch (buttons) {
    case forms::MsgButtons::OkCancel: return forms::MsgResult::Cancel;
    case forms::MsgButtons::YesNo: return forms::MsgResult::No;
    case forms::MsgButtons::Ok: break;
  }
  return forms::MsgResult::Ok;
}

std::wstring UnattendedUserInteraction::InputBox(const std::wstring& prompt, const std::wstring&,
                                                 const std::wstring&) {
  Record(L"(question not answered) " + prompt);
  return {};
}

std::vector<std::wstring> UnattendedUserInteraction::OpenFileDialog(const forms::FileDialogOptions&) {
  Record(L"(file dialog not shown)");
  return {};
}

std::wstring UnattendedUserInteraction::SaveFileDialog(const forms::FileDialogOptions&) {
  Record(L"(file dialog not shown)");
  return {};
}

std::wstring UnattendedUserInteraction::BrowseForFolder(const std::wstring&, const std::wstring&) {
  Record(L"(folder dialog not shown)");
  return {};
}

void UnattendedUserInteraction::PrintText(const std::wstring& documentName, const std::wstring&) {
  Record(L"(not printed) " + documentName);
  common::Raise(kNoPrinter);
}

bool UnattendedUserInteraction::ShowHelp(const std::wstring& helpFile) {
  Record(L"(help not shown) " + helpFile);
  return false;
}

bool UnattendedUserInteraction::OpenUrl(const std::wstring& url) {
  Record(L"(address not opened) " + url);
  return false;
}

}  // namespace ferrimond

#include "tests/ferrimond/forms/scripted_user_interaction.h"

#include <gtest/gtest.h>

#include "common/numbered_error.h"

namespace ferrimond::forms::testing {

namespace {

std::string Narrow(const std::wstring& text) {
  std::string out;
  for (wchar_t c : text) out.push_back(c < 128 ? static_cast<char>(c) : '?');
  return out;
}

const char* KindName(PromptKind kind) {
  static const char* const names[] = {"message box", "input box",  "open-file dialog", "save-file dialog",
                                      "folder browser", "printing", "help", "shell open"};
  return names[static_cast<int>(kind)];
}

}  // namespace

ScriptedUserInteraction::~ScriptedUserInteraction() {
  for (const Answer& answer : answers_)
    ADD_FAILURE() << "unused answer for a " << KindName(answer.kind) << " (" << Narrow(answer.text) << ")";
}

ScriptedUserInteraction::Answer& ScriptedUserInteraction::Queue(PromptKind kind, During during) {
  Answer& answer = answers_.emplace_back(kind);
  answer.during = std::move(during);
  return answer;
}

std::vector<Prompt> ScriptedUserInteraction::PromptsOf(PromptKind kind) const {
  std::vector<Prompt> out;
  for (const Prompt& p : prompts_)
    if (p.kind == kind) out.push_back(p);
  return out;
}

std::vector<std::wstring> ScriptedUserInteraction::Messages() const {
  std::vector<std::wstring> out;
  for (const Prompt& p : PromptsOf(PromptKind::MsgBox)) out.push_back(p.text);
  return out;
}

bool ScriptedUserInteraction::Take(const Prompt& prompt, Answer& answer) {
  prompts_.push_back(prompt);
  if (answers_.empty() || answers_.front().kind != prompt.kind) {
    if (answers_.empty()) ADD_FAILURE() << "unexpected " << KindName(prompt.kind) << ": \"" << Narrow(prompt.text) << "\"";
    else ADD_FAILURE() << "expected a " << KindName(answers_.front().kind) << " but got a " << KindName(prompt.kind)
                       << ": \"" << Narrow(prompt.text) << "\"";
    return false;
  }
  answer = std::move(answers_.front());
  answers_.pop_front();
  if (answer.during) answer.during(prompts_.back());
  return true;
}

MsgResult ScriptedUserInteraction::MsgBox(const std::wstring& text, MsgButtons buttons, MsgIcon icon,
                                          const std::wstring& title) {
  Prompt p(PromptKind::MsgBox, text, ShownTitle(title));
  p.buttons = buttons;
  p.icon = icon;
  Answer a;
  const MsgResult safe = buttons == MsgButtons::YesNo ? MsgResult::No
                         : buttons == MsgButtons::Ok  ? MsgResult::Ok
                                                      : MsgResult::Cancel;
  if (!Take(p, a)) return safe;
  const bool fits = buttons == MsgButtons::Ok      ? a.result == MsgResult::Ok
                    : buttons == MsgButtons::YesNo ? (a.result == MsgResult::Yes || a.result == MsgResult::No)
                                                   : (a.result == MsgResult::Ok || a.result == MsgResult::Cancel);
  if (fits) return a.result;
  ADD_FAILURE() << "the answer is not one of the buttons of \"" << Narrow(text) << "\"";
  return safe;
}

std::wstring ScriptedUserInteraction::InputBox(const std::wstring& prompt, const std::wstring& title,
                                               const std::wstring& defaultText) {
  Prompt p(PromptKind::InputBox, prompt, ShownTitle(title));
  p.defaultText = defaultText;
  Answer a;
  return Take(p, a) ? a.text : std::wstring();
}

std::vector<std::wstring> ScriptedUserInteraction::OpenFileDialog(const FileDialogOptions& options) {
  Prompt p(PromptKind::OpenFile, options.title, options.title);
  p.file = options;
  Answer a;
  if (!Take(p, a)) return {};
  if (!options.multiSelect && a.files.size() > 1) {
    ADD_FAILURE() << "several files answered to a single-selection dialog";
    a.files.resize(1);
  }
  return a.files;
}

std::wstring ScriptedUserInteraction::SaveFileDialog(const FileDialogOptions& options) {
  Prompt p(PromptKind::SaveFile, options.title, options.title);
  p.file = options;
  Answer a;
  return Take(p, a) ? a.text : std::wstring();
}

std::wstring ScriptedUserInteraction::BrowseForFolder(const std::wstring& title, const std::wstring& startFolder) {
  Prompt p(PromptKind::BrowseFolder, title, title);
  p.startFolder = startFolder;
  Answer a;
  if (!Take(p, a)) return {};
  if (a.error) common::Raise(a.error);
  return a.text;
}

void ScriptedUserInteraction::PrintText(const std::wstring& documentName, const std::wstring& text) {
  Prompt p(PromptKind::Print, text);
  p.documentName = documentName;
  prompts_.push_back(p);
  if (printError_) common::Raise(printError_);
}

}  // namespace ferrimond::forms::testing

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
  Answer& answer = answers_.emplace_back();
  answer.kind = kind, answer.during = std::move(during);
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

const ScriptedUserInteraction::Answer* ScriptedUserInteraction::Take(Prompt prompt) {
  const Prompt& p = prompts_.emplace_back(std::move(prompt));
  if (answers_.empty() || answers_.front().kind != p.kind) {
    ADD_FAILURE() << "unexpected " << KindName(p.kind) << ": \"" << Narrow(p.text) << "\" (the next answer: "
                  << (answers_.empty() ? "none" : KindName(answers_.front().kind)) << ")";
    return nullptr;
  }
  taken_ = std::move(answers_.front());
  answers_.pop_front();
  if (taken_.during) taken_.during(p);
  return &taken_;
}

MsgResult ScriptedUserInteraction::MsgBox(const std::wstring& text, MsgButtons buttons, MsgIcon,
                                          const std::wstring& title) {
  Prompt p(PromptKind::MsgBox, text, ShownTitle(title));
  p.buttons = buttons;
  const MsgResult safe = buttons == MsgButtons::YesNo ? MsgResult::No
                         : buttons == MsgButtons::Ok  ? MsgResult::Ok
                                                      : MsgResult::Cancel;
  const Answer* a = Take(p);
  if (!a || a->result == safe) return safe;
  // The other button of the pair.
  if (a->result == (buttons == MsgButtons::YesNo ? MsgResult::Yes : MsgResult::Ok)) return a->result;
  ADD_FAILURE() << "the answer is not one of the buttons of \"" << Narrow(text) << "\"";
  return safe;
}

std::wstring ScriptedUserInteraction::InputBox(const std::wstring& prompt, const std::wstring& title,
                                               const std::wstring&) {
  const Answer* a = Take(Prompt(PromptKind::InputBox, prompt, ShownTitle(title)));
  return a ? a->text : std::wstring();
}

std::vector<std::wstring> ScriptedUserInteraction::OpenFileDialog(const FileDialogOptions& options) {
  Prompt p(PromptKind::OpenFile, options.title, options.title);
  p.file = options;
  const Answer* a = Take(p);
  return a ? a->files : std::vector<std::wstring>();
}

std::wstring ScriptedUserInteraction::SaveFileDialog(const FileDialogOptions& options) {
  Prompt p(PromptKind::SaveFile, options.title, options.title);
  p.file = options;
  const Answer* a = Take(p);
  return a ? a->text : std::wstring();
}

std::wstring ScriptedUserInteraction::BrowseForFolder(const std::wstring& title, const std::wstring& startFolder) {
  Prompt p(PromptKind::BrowseFolder, title, title);
  p.startFolder = startFolder;
  const Answer* a = Take(p);
  if (a && a->error) common::Raise(a->error);
  return a ? a->text : std::wstring();
}

void ScriptedUserInteraction::PrintText(const std::wstring& documentName, const std::wstring& text) {
  prompts_.emplace_back(PromptKind::Print, text).documentName = documentName;
  if (printError_) common::Raise(printError_);
}

}  // namespace ferrimond::forms::testing

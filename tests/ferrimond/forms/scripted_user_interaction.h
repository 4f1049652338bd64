#pragma once
// Test double of the user-interaction seam: records every prompt (kind,
// text, buttons, title) and answers from a queue. A prompt that finds
// no answer, or an answer of another kind, fails the running test and gets
// the safe answer (Cancel / No / OK for a lone OK, empty text, no file, no
// folder). Printing, help and opening addresses are recorded, not queued.
#include <cstdint>
#include <deque>
#include <functional>
#include <string>
#include <vector>

#include "ferrimond/forms/user_interaction.h"

namespace ferrimond::forms::testing {

enum class PromptKind { MsgBox, InputBox, OpenFile, SaveFile, BrowseFolder, Print, Help, OpenUrl };

struct Prompt {
  Prompt() = default;
  Prompt(PromptKind k, std::wstring t, std::wstring ti = {}) : kind(k), text(std::move(t)), title(std::move(ti)) {}
  PromptKind kind = PromptKind::MsgBox;
  std::wstring text;   // message, input prompt, printed text, help file or URL
  std::wstring title;  // as shown: the application title when the caller gave none
  MsgButtons buttons = MsgButtons::Ok;
  FileDialogOptions file;     // file dialogs
  std::wstring startFolder;   // folder browser
  std::wstring documentName;  // printing
};

class ScriptedUserInteraction : public UserInteraction {
 public:
  // Run while the prompt is open, before its answer is returned: the place
  // to act as the user would meanwhile (e.g. press another button).
  using During = std::function<void(const Prompt&)>;

  ScriptedUserInteraction() = default;
  // Answers left unused at the end fail the test too.
  ~ScriptedUserInteraction() override;

  void AnswerMsgBox(MsgResult answer, During during = {}) { Queue(PromptKind::MsgBox, during).result = answer; }
  void AnswerInputBox(std::wstring text, During during = {}) { Queue(PromptKind::InputBox, during).text = text; }
  // {} = cancel
  void AnswerOpenFile(std::vector<std::wstring> files, During during = {}) {
    Queue(PromptKind::OpenFile, during).files = files;
  }
  // "" = cancel
  void AnswerSaveFile(std::wstring path, During during = {}) { Queue(PromptKind::SaveFile, during).text = path; }
  void AnswerBrowseFolder(std::wstring path, During during = {}) {
    Queue(PromptKind::BrowseFolder, during).text = path;
  }
  // The folder browser cannot be created: BrowseForFolder throws this number.
  void FailBrowseFolder(int32_t errorNumber = 429) { Queue(PromptKind::BrowseFolder, {}).error = errorNumber; }
  // PrintText throws this number (a missing printer, say).
  void FailPrinting(int32_t errorNumber = 482) { printError_ = errorNumber; }

  const std::vector<Prompt>& Prompts() const { return prompts_; }
  // Only the prompts of one kind.
  std::vector<Prompt> PromptsOf(PromptKind kind) const;
  // The texts of the message boxes shown, in order.
  std::vector<std::wstring> Messages() const;
  void ClearRecord() { prompts_.clear(); }
  // Drops unused answers without failing.
  void DiscardAnswers() { answers_.clear(); }

  MsgResult MsgBox(const std::wstring& text, MsgButtons buttons, MsgIcon icon,
                   const std::wstring& title) override;
  std::wstring InputBox(const std::wstring& prompt, const std::wstring& title,
                        const std::wstring& defaultText) override;
  std::vector<std::wstring> OpenFileDialog(const FileDialogOptions& options) override;
  std::wstring SaveFileDialog(const FileDialogOptions& options) override;
  std::wstring BrowseForFolder(const std::wstring& title, const std::wstring& startFolder) override;
  void PrintText(const std::wstring& documentName, const std::wstring& text) override;
  bool ShowHelp(const std::wstring& helpFile) override { return prompts_.emplace_back(PromptKind::Help, helpFile), true; }
  bool OpenUrl(const std::wstring& url) override { return prompts_.emplace_back(PromptKind::OpenUrl, url), true; }

 private:
  struct Answer {
    PromptKind kind = PromptKind::MsgBox;
    MsgResult result = MsgResult::Ok;
    std::wstring text;
    std::vector<std::wstring> files;
    int32_t error = 0;
    During during;
  };
  // A new answer at the end of the queue.
  Answer& Queue(PromptKind kind, During during);
  // Records the prompt and takes the next answer if it is of its kind;
  // otherwise fails the test and gives null.
  const Answer* Take(Prompt prompt);

  std::vector<Prompt> prompts_;
  std::deque<Answer> answers_;
  Answer taken_;
  int32_t printError_ = 0;
};

// The entries of a list or combo box, in order.
template <class Box>
std::vector<std::wstring> Entries(const Box& box) {
  std::vector<std::wstring> out;
  for (int i = 0; i < box.ListCount(); ++i) out.push_back(box.List(i));
  return out;
}

}  // namespace ferrimond::forms::testing

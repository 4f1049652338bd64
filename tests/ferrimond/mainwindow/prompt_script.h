#pragma once
// Records every message box; any other prompt fails the test.
#include <string>
#include <vector>

#include "ferrimond/forms/user_interaction.h"

namespace ferrimond::mwtest {

class PromptScript : public forms::UserInteraction {
 public:
  std::vector<std::wstring> messages;

  forms::MsgResult MsgBox(const std::wstring& text, forms::MsgButtons buttons, forms::MsgIcon icon,
                          const std::wstring& title) override;
  std::wstring InputBox(const std::wstring& prompt, const std::wstring& title,
                        const std::wstring& defaultText) override;
  std::vector<std::wstring> OpenFileDialog(const forms::FileDialogOptions& options) override;
  std::wstring SaveFileDialog(const forms::FileDialogOptions& options) override;
  std::wstring BrowseForFolder(const std::wstring& title, const std::wstring& startFolder) override;
  void PrintText(const std::wstring& documentName, const std::wstring& text) override;
  bool ShowHelp(const std::wstring& helpFile) override;
  bool OpenUrl(const std::wstring& url) override;
};

}  // namespace ferrimond::mwtest

#pragma once
// The user-interaction seam for a run nobody watches: no dialog ever opens.
// Every message is recorded and answered by a fixed policy:
//   - a message after which the backup would wait for someone (another
//     drive: full, gone, write-protected; or a date option) calls
//     `onWaitWouldFollow` (the run presses Stop) and is answered OK;
//   - a question is answered the safe way: Cancel, or No;
//   - any other message is answered OK.
// Input boxes and file and folder dialogs answer as cancelled, printing
// fails, help and addresses are not opened; each is recorded.
#include <functional>
#include <string>
#include <vector>

#include "ferrimond/forms/user_interaction.h"

namespace ferrimond {

class UnattendedUserInteraction : public forms::UserInteraction {
 public:
  // `forDrive`: the wait would be for another removable drive.
  std::function<void(bool forDrive)> onWaitWouldFollow;

  // What the run would have shown, in order, as one line each.
  const std::vector<std::wstring>& Recorded() const { return recorded_; }

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

 private:
  void Record(std::wstring line);
  std::vector<std::wstring> recorded_;
};

}  // namespace ferrimond

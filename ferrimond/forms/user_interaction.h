#pragma once
// The one seam through which the program asks the user anything or hands
// something to the shell: message and input boxes, file and folder dialogs,
// printing, help and opening addresses. Windows gets the real dialogs
// (WindowsUserInteraction); tests get a scripted double that records every
// prompt and answers from a queue.
#include <cstdint>
#include <string>
#include <vector>

namespace ferrimond::forms {

// The application title: the default title of every prompt.
const std::wstring& AppTitle();
void SetAppTitle(std::wstring title);
// The title a prompt shows: `title`, or AppTitle() when it is empty.
const std::wstring& ShownTitle(const std::wstring& title);

enum class MsgButtons { Ok, OkCancel, YesNo };
enum class MsgIcon { None, Exclamation, Information, Question, Critical };
enum class MsgResult { Ok, Cancel, Yes, No };

struct FileDialogOptions {
  std::wstring title;       // empty: the dialog's own title
  // Pairs of description and pattern separated by "|", as
  // "Log files (*.log)|*.log|All files (*.*)|*.*"; empty: no filter.
  std::wstring filter;
  int filterIndex = 1;      // 1-based
  std::wstring initialDir;  // empty: the system's choice
  std::wstring fileName;    // proposed name
  std::wstring defaultExt;  // without dot; appended when the user types none
  bool overwritePrompt = true;  // save dialog: ask before replacing a file
};

class UserInteraction {
 public:
  virtual ~UserInteraction() = default;

  // Modal message box; an empty title means AppTitle().
  virtual MsgResult MsgBox(const std::wstring& text, MsgButtons buttons = MsgButtons::Ok,
                           MsgIcon icon = MsgIcon::None, const std::wstring& title = {}) = 0;

  // Modal input box with one edit line. Cancel gives the empty text, as does
  // an empty answer: callers cannot tell them apart.
  virtual std::wstring InputBox(const std::wstring& prompt, const std::wstring& title = {},
                                const std::wstring& defaultText = {}) = 0;

  // Full paths of the chosen files; empty when cancelled.
  virtual std::vector<std::wstring> OpenFileDialog(const FileDialogOptions& options) = 0;
  // Full path of the chosen file; empty when cancelled.
  virtual std::wstring SaveFileDialog(const FileDialogOptions& options) = 0;

  // Modal folder picker rooted at the desktop, opened at startFolder.
  // Returns the full path (a drive root as "C:\"), or empty when cancelled.
  // Throws common::NumberedError (429) when the picker cannot be created.
  virtual std::wstring BrowseForFolder(const std::wstring& title,
                                       const std::wstring& startFolder) = 0;

  // Prints the text on the default printer with the printer's default font
  // and margins, breaking pages as needed. Throws common::NumberedError when
  // there is no printer or the job fails.
  virtual void PrintText(const std::wstring& documentName, const std::wstring& text) = 0;

  // Shows the contents of a help file. Returns false when it cannot be shown.
  virtual bool ShowHelp(const std::wstring& helpFile) = 0;

  // Hands the address to the shell ("open", shown normally). Returns whether
  // the shell accepted it; callers may ignore the result.
  virtual bool OpenUrl(const std::wstring& url) = 0;
};

}  // namespace ferrimond::forms

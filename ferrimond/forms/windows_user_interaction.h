#pragma once
// The real dialogs: MessageBoxW, an input box built in code, the common file
// dialogs, SHBrowseForFolderW, the default printer and ShellExecuteW. A
// message box is task-modal (every window of the thread is disabled while
// it is up); every other prompt is owned by the thread's active window.
// Each releases any mouse capture first, so a prompt raised from a
// mouse-press handler gets the mouse.
#include <windows.h>

#include <string>
#include <vector>

#include "ferrimond/forms/user_interaction.h"

namespace ferrimond::forms {

class WindowsUserInteraction : public UserInteraction {
 public:
  MsgResult MsgBox(const std::wstring& text, MsgButtons buttons, MsgIcon icon,
                   const std::wstring& title) override;
  std::wstring InputBox(const std::wstring& prompt, const std::wstring& title,
                        const std::wstring& defaultText) override;
  std::vector<std::wstring> OpenFileDialog(const FileDialogOptions& options) override;
  std::wstring SaveFileDialog(const FileDialogOptions& options) override;
  std::wstring BrowseForFolder(const std::wstring& title, const std::wstring& startFolder) override;
  void PrintText(const std::wstring& documentName, const std::wstring& text) override;
  bool ShowHelp(const std::wstring& helpFile) override;
  bool OpenUrl(const std::wstring& url) override;
};

// The input box dialog itself, exposed for tests: its window class is
// kInputBoxClass, the edit line has the control id kInputBoxEditId and the
// buttons IDOK and IDCANCEL.
inline constexpr wchar_t kInputBoxClass[] = L"FerrimondInputBox";
inline constexpr int kInputBoxEditId = 100;
inline constexpr int kInputBoxPromptId = 101;

// Printing layout, exposed for tests: the lines of `text` in the DC's
// current font within `area`. Lines end at CR, LF or CR LF; a long line
// wraps after a blank where one fits (else between characters); a form feed
// or a full page starts the next page. Pieces keep every character, so the
// pieces of a line joined give the line back.
struct PrintedLine {
  int page;  // from 0
  int y;     // top of the line
  std::wstring text;
};
std::vector<PrintedLine> LayOutText(HDC dc, const std::wstring& text, const RECT& area);

// The printout's font: 10 points of the message font's face at the DC's
// resolution.
HFONT CreatePrintFont(HDC dc);
// The printout's pages: `text` laid out by LayOutText, in the DC's current
// font, on pages whose printable area is `page` device units at the DC's
// resolution, within one-inch margins (an eighth of the page at most).
struct PrintLayout {
  RECT area;
  std::vector<PrintedLine> lines;
};
PrintLayout LayOutPages(HDC dc, SIZE page, const std::wstring& text);

// Splits a "description|pattern|..." filter into the double-zero-terminated
// form of OPENFILENAMEW.
std::wstring FilterForDialog(const std::wstring& filter);

}  // namespace ferrimond::forms

#include "ferrimond/forms/windows_user_interaction.h"

#include <commctrl.h>
#include <commdlg.h>
#include <shellapi.h>
#include <shlobj.h>
#include <winspool.h>

#include <algorithm>
#include <vector>

#include "common/numbered_error.h"
#include "common/system_error.h"
#include "ferrimond/forms/internal.h"
#include "ferrimond/forms/runtime.h"

namespace ferrimond::forms {

namespace {

// The window a prompt belongs to: the thread's active top-level window. Any
// mouse capture is let go, or the prompt would not get the mouse.
HWND PromptOwner() {
  if (GetCapture()) ReleaseCapture();
  HWND active = GetActiveWindow();
  return active ? GetAncestor(active, GA_ROOT) : nullptr;
}

// ---------------------------------------------------------------- input box

struct InputState {
  bool done = false;
  bool ok = false;
  HWND edit = nullptr;
  std::wstring text;
};

LRESULT CALLBACK InputBoxProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  auto* state = reinterpret_cast<InputState*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
  switch (message) {
    case WM_NCCREATE:
      SetWindowLongPtrW(hwnd, GWLP_USERDATA,
                        reinterpret_cast<LONG_PTR>(
                            reinterpret_cast<CREATESTRUCTW*>(lParam)->lpCreateParams));
      break;
    case DM_GETDEFID:
      return MAKELRESULT(IDOK, DC_HASDEFID);
    case WM_COMMAND:
      if (state && (LOWORD(wParam) == IDOK || LOWORD(wParam) == IDCANCEL) && !state->done) {
        state->ok = LOWORD(wParam) == IDOK;
        if (state->ok && state->edit) state->text = internal::WindowText(state->edit);
        state->done = true;
        return 0;
      }
      break;
    case WM_CLOSE:
      if (state && !state->done) {
        state->ok = false;
        state->done = true;
      }
      return 0;
    case WM_CTLCOLORSTATIC:
    case WM_CTLCOLORDLG:
      SetBkColor(reinterpret_cast<HDC>(wParam), GetSysColor(COLOR_BTNFACE));
      return reinterpret_cast<LRESULT>(GetSysColorBrush(COLOR_BTNFACE));
    case WM_ERASEBKGND: {
      RECT rc;
      GetClientRect(hwnd, &rc);
      FillRect(reinterpret_cast<HDC>(wParam), &rc, GetSysColorBrush(COLOR_BTNFACE));
      return 1;
    }
    default:
      break;
  }
  return DefWindowProcW(hwnd, message, wParam, lParam);
}

void RegisterInputBoxClass() {
  static bool done = false;
  if (done) return;
  WNDCLASSEXW wc{};
  wc.cbSize = sizeof(wc);
  wc.lpfnWndProc = InputBoxProc;
  wc.hInstance = GetModuleHandleW(nullptr);
  wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
  wc.lpszClassName = kInputBoxClass;
  RegisterClassExW(&wc);
  done = true;
}

HWND Child(HWND parent, const wchar_t* cls, const std::wstring& text, DWORD style, DWORD ex, int id,
           int x, int y, int w, int h, HFONT font) {
  HWND hwnd = CreateWindowExW(ex, cls, text.c_str(), WS_CHILD | WS_VISIBLE | style, x, y, w, h,
                              parent, reinterpret_cast<HMENU>(INT_PTR(id)),
                              GetModuleHandleW(nullptr), nullptr);
  SendMessageW(hwnd, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
  return hwnd;
}

std::wstring RunInputBox(const std::wstring& prompt, const std::wstring& title,
                         const std::wstring& defaultText) {
  InitializeApplication();
  RegisterInputBoxClass();
  HWND owner = PromptOwner();

  // Layout in dialog units of the message font, as a resource dialog would be.
  HFONT font = MessageFontHandle();
  HDC dc = GetDC(nullptr);
  HGDIOBJ oldFont = SelectObject(dc, font);
  TEXTMETRICW tm{};
  GetTextMetricsW(dc, &tm);
  SIZE sample{};
  GetTextExtentPoint32W(dc, L"ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz", 52, &sample);
  int cx = std::max<int>((sample.cx / 26 + 1) / 2, 1);
  int cy = std::max<int>(tm.tmHeight, 1);
  auto dluX = [cx](int units) { return MulDiv(units, cx, 4); };
  auto dluY = [cy](int units) { return MulDiv(units, cy, 8); };
  int margin = dluX(7);
  int width = dluX(280);
  int buttonW = dluX(50), buttonH = dluY(14);
  int promptW = width - 3 * margin - buttonW;
  RECT measure{0, 0, promptW, 0};
  DrawTextW(dc, prompt.c_str(), -1, &measure,
            DT_CALCRECT | DT_WORDBREAK | DT_NOPREFIX | DT_EXPANDTABS);
  SelectObject(dc, oldFont);
  ReleaseDC(nullptr, dc);
  int promptH = std::max<int>(measure.bottom, 3 * cy);
  int editTop = margin + std::max(promptH, 2 * buttonH + dluY(4)) + dluY(6);
  int editH = dluY(12);
  int height = editTop + editH + margin;

  DWORD style = WS_POPUP | WS_CAPTION | WS_SYSMENU | WS_CLIPCHILDREN;
  DWORD exStyle = WS_EX_DLGMODALFRAME | WS_EX_CONTROLPARENT;
  RECT frame{0, 0, width, height};
  AdjustWindowRectEx(&frame, style, FALSE, exStyle);
  int outerW = frame.right - frame.left, outerH = frame.bottom - frame.top;
  int x = (GetSystemMetrics(SM_CXSCREEN) - outerW) / 2;
  int y = (GetSystemMetrics(SM_CYSCREEN) - outerH) / 3;

  InputState state;
  HWND dlg = CreateWindowExW(exStyle, kInputBoxClass, ShownTitle(title).c_str(), style, x, y,
                             outerW, outerH, owner, nullptr, GetModuleHandleW(nullptr), &state);
  if (!dlg) common::Raise(7);  // out of memory: nothing to show
  Child(dlg, WC_STATICW, prompt, SS_LEFT | SS_NOPREFIX | SS_EDITCONTROL, 0, kInputBoxPromptId,
        margin, margin, promptW, promptH, font);
  Child(dlg, WC_BUTTONW, L"OK", WS_TABSTOP | WS_GROUP | BS_DEFPUSHBUTTON, 0, IDOK,
        width - margin - buttonW, margin, buttonW, buttonH, font);
  Child(dlg, WC_BUTTONW, L"Cancel", WS_TABSTOP | BS_PUSHBUTTON, 0, IDCANCEL,
        width - margin - buttonW, margin + buttonH + dluY(4), buttonW, buttonH, font);
  state.edit = Child(dlg, WC_EDITW, defaultText, WS_TABSTOP | WS_GROUP | ES_AUTOHSCROLL,
                     WS_EX_CLIENTEDGE, kInputBoxEditId, margin, editTop, width - 2 * margin,
                     editH, font);

  // Modal to the owner, or to every window of the thread when there is none
  // (as a task-modal message box). A window that an outer prompt disabled
  // stays disabled afterwards.
  std::vector<HWND> disabled;
  if (owner) {
    disabled.push_back(owner);
  } else {
    EnumThreadWindows(
        GetCurrentThreadId(),
        [](HWND hwnd, LPARAM list) {
          reinterpret_cast<std::vector<HWND>*>(list)->push_back(hwnd);
          return TRUE;
        },
        reinterpret_cast<LPARAM>(&disabled));
  }
  disabled.erase(std::remove_if(disabled.begin(), disabled.end(),
                                [dlg](HWND hwnd) {
                                  return hwnd == dlg || !IsWindowEnabled(hwnd) ||
                                         !IsWindowVisible(hwnd);
                                }),
                 disabled.end());
  if (owner && disabled.empty() && IsWindowEnabled(owner)) disabled.push_back(owner);
  for (HWND hwnd : disabled) EnableWindow(hwnd, FALSE);
  ShowWindow(dlg, SW_SHOW);
  SetForegroundWindow(dlg);
  SetFocus(state.edit);
  SendMessageW(state.edit, EM_SETSEL, 0, -1);

  MSG msg;
  while (!state.done) {
    BOOL got = GetMessageW(&msg, nullptr, 0, 0);
    if (got == 0) {
      // Leave the quit for the program's own loop; the box counts as cancelled.
      PostQuitMessage(static_cast<int>(msg.wParam));
      break;
    }
    if (got == -1) break;
    if (!IsDialogMessageW(dlg, &msg)) {
      TranslateMessage(&msg);
      DispatchMessageW(&msg);
    }
  }
  // Enable the owner first so that activation goes back to it.
  for (HWND hwnd : disabled) EnableWindow(hwnd, TRUE);
  DestroyWindow(dlg);
  if (owner) SetActiveWindow(owner);
  return state.ok ? state.text : std::wstring();
}

// ---------------------------------------------------------------- folder browser

struct BrowseState {
  std::wstring start;
  bool opened = false;
};

int CALLBACK BrowseCallback(HWND hwnd, UINT message, LPARAM, LPARAM data) {
  auto* state = reinterpret_cast<BrowseState*>(data);
  if (message == BFFM_INITIALIZED) {
    state->opened = true;
    if (!state->start.empty()) {
      SendMessageW(hwnd, BFFM_SETSELECTIONW, TRUE, reinterpret_cast<LPARAM>(state->start.c_str()));
    }
  }
  return 0;
}

// ---------------------------------------------------------------- printing

std::vector<std::wstring> SplitLines(const std::wstring& text) {
  std::vector<std::wstring> lines;
  std::wstring line;
  for (size_t i = 0; i < text.size(); ++i) {
    wchar_t c = text[i];
    if (c == L'\r' || c == L'\n') {
      lines.push_back(line);
      line.clear();
      if (c == L'\r' && i + 1 < text.size() && text[i + 1] == L'\n') ++i;
    } else if (c == L'\t') {
      line.append(8 - line.size() % 8, L' ');
    } else if (c == L'\f') {
      lines.push_back(line);
      lines.push_back(L"\f");
      line.clear();
    } else {
      line.push_back(c);
    }
  }
  if (!line.empty()) lines.push_back(line);
  return lines;
}

// What the open and save dialogs share. The buffer starts with the
// proposed name and receives the choice; `ofn` points into the members.
struct FileDialog {
  FileDialog(const FileDialogOptions& options, size_t bufferSize)
      : buffer(bufferSize, L'\0'), filter(FilterForDialog(options.filter)) {
    std::copy_n(options.fileName.begin(), std::min(options.fileName.size(), buffer.size() - 1),
                buffer.begin());
    ofn.lStructSize = sizeof(ofn);
    ofn.hwndOwner = PromptOwner();
    ofn.lpstrFilter = options.filter.empty() ? nullptr : filter.c_str();
    ofn.nFilterIndex = static_cast<DWORD>(std::max(options.filterIndex, 1));
    ofn.lpstrFile = buffer.data();
    ofn.nMaxFile = static_cast<DWORD>(buffer.size());
    ofn.lpstrInitialDir = options.initialDir.empty() ? nullptr : options.initialDir.c_str();
    ofn.lpstrTitle = options.title.empty() ? nullptr : options.title.c_str();
    ofn.lpstrDefExt = options.defaultExt.empty() ? nullptr : options.defaultExt.c_str();
    ofn.Flags = OFN_EXPLORER | OFN_HIDEREADONLY | OFN_PATHMUSTEXIST | OFN_NOCHANGEDIR;
  }
  FileDialog(const FileDialog&) = delete;
  FileDialog& operator=(const FileDialog&) = delete;

  std::vector<wchar_t> buffer;
  std::wstring filter;
  OPENFILENAMEW ofn{};
};

}  // namespace

// ---------------------------------------------------------------- helpers

std::wstring FilterForDialog(const std::wstring& filter) {
  if (filter.empty()) return std::wstring(2, L'\0');
  std::wstring out = filter;
  std::replace(out.begin(), out.end(), L'|', L'\0');
  // An odd count (description without pattern) gets "*.*" as its pattern.
  size_t parts = std::count(filter.begin(), filter.end(), L'|') + 1;
  if (parts % 2) out += std::wstring(1, L'\0') + L"*.*";
  out.push_back(L'\0');
  out.push_back(L'\0');
  return out;
}

// ---------------------------------------------------------------- the seam

MsgResult WindowsUserInteraction::MsgBox(const std::wstring& text, MsgButtons buttons, MsgIcon icon,
                                         const std::wstring& title) {
  // Task-modal whatever window is in front: owned by a modeless window
  // (the about box), the box would leave the main window taking input, and
  // a command pressed there would run inside the question.
  PromptOwner();  // lets go of the mouse
  UINT flags = MB_SETFOREGROUND | MB_TASKMODAL;
  switch (buttons) {
    case MsgButtons::Ok: flags |= MB_OK; break;
    case MsgButtons::OkCancel: flags |= MB_OKCANCEL; break;
    case MsgButtons::YesNo: flags |= MB_YESNO; break;
  }
  switch (icon) {
    case MsgIcon::None: break;
    case MsgIcon::Exclamation: flags |= MB_ICONEXCLAMATION; break;
    case MsgIcon::Information: flags |= MB_ICONINFORMATION; break;
    case MsgIcon::Question: flags |= MB_ICONQUESTION; break;
    case MsgIcon::Critical: flags |= MB_ICONERROR; break;
  }
  int answer = MessageBoxW(nullptr, text.c_str(), ShownTitle(title).c_str(), flags);
  switch (answer) {
    case IDOK: return MsgResult::Ok;
    case IDYES: return MsgResult::Yes;
    case IDNO: return MsgResult::No;
    default:
      // A failed box counts as the safe answer of its buttons.
      return buttons == MsgButtons::YesNo ? MsgResult::No
             : buttons == MsgButtons::Ok  ? MsgResult::Ok
                                          : MsgResult::Cancel;
  }
}

std::wstring WindowsUserInteraction::InputBox(const std::wstring& prompt, const std::wstring& title,
                                              const std::wstring& defaultText) {
  return RunInputBox(prompt, title, defaultText);
}

std::vector<std::wstring> WindowsUserInteraction::OpenFileDialog(const FileDialogOptions& options) {
  FileDialog dialog(options, MAX_PATH * 4);
  dialog.ofn.Flags |= OFN_FILEMUSTEXIST;
  if (!GetOpenFileNameW(&dialog.ofn)) return {};
  return {std::wstring(dialog.buffer.data())};
}

std::wstring WindowsUserInteraction::SaveFileDialog(const FileDialogOptions& options) {
  FileDialog dialog(options, MAX_PATH * 4);
  if (options.overwritePrompt) dialog.ofn.Flags |= OFN_OVERWRITEPROMPT;
  if (!GetSaveFileNameW(&dialog.ofn)) return {};
  return dialog.buffer.data();
}

std::wstring WindowsUserInteraction::BrowseForFolder(const std::wstring& title,
                                                     const std::wstring& startFolder) {
  InitializeApplication();
  BrowseState state{startFolder};
  BROWSEINFOW info{};
  info.hwndOwner = PromptOwner();
  info.pidlRoot = nullptr;  // the desktop
  info.lpszTitle = title.empty() ? nullptr : title.c_str();
  info.ulFlags = BIF_RETURNONLYFSDIRS | BIF_NEWDIALOGSTYLE;
  info.lpfn = BrowseCallback;
  info.lParam = reinterpret_cast<LPARAM>(&state);
  PIDLIST_ABSOLUTE chosen = SHBrowseForFolderW(&info);
  if (!chosen) {
    // Nothing chosen without the dialog ever opening: it could not be made.
    if (!state.opened) common::Raise(429);
    return {};
  }
  std::vector<wchar_t> path(32768, L'\0');
  BOOL ok = SHGetPathFromIDListEx(chosen, path.data(), static_cast<DWORD>(path.size()), GPFIDL_DEFAULT);
  CoTaskMemFree(chosen);
  return ok ? std::wstring(path.data()) : std::wstring();
}

void WindowsUserInteraction::PrintText(const std::wstring& documentName, const std::wstring& text) {
  constexpr int kPrinterError = 482;
  DWORD size = 0;
  GetDefaultPrinterW(nullptr, &size);
  if (size == 0) {
    throw common::NumberedError(kPrinterError, L"There is no default printer.");
  }
  std::wstring printer(size, L'\0');
  if (!GetDefaultPrinterW(printer.data(), &size)) {
    throw common::NumberedError(kPrinterError, common::SystemMessage(GetLastError()));
  }
  printer.resize(wcslen(printer.c_str()));
  HDC dc = CreateDCW(L"WINSPOOL", printer.c_str(), nullptr, nullptr);
  if (!dc) throw common::NumberedError(kPrinterError, common::SystemMessage(GetLastError()));

  DOCINFOW doc{};
  doc.cbSize = sizeof(doc);
  doc.lpszDocName = documentName.empty() ? AppTitle().c_str() : documentName.c_str();
  if (StartDocW(dc, &doc) <= 0) {
    DWORD error = GetLastError();
    DeleteDC(dc);
    throw common::NumberedError(kPrinterError, common::SystemMessage(error));
  }
  HFONT font = CreatePrintFont(dc);
  HGDIOBJ oldFont = SelectObject(dc, font);
  const PrintLayout layout =
      LayOutPages(dc, SIZE{GetDeviceCaps(dc, HORZRES), GetDeviceCaps(dc, VERTRES)}, text);
  const RECT& area = layout.area;
  const std::vector<PrintedLine>& lines = layout.lines;
  bool failed = false;
  int page = -1;
  for (const PrintedLine& line : lines) {
    if (line.page != page) {
      if (page >= 0 && EndPage(dc) <= 0) failed = true;
      if (StartPage(dc) <= 0) failed = true;
      SelectObject(dc, font);
      page = line.page;
    }
    if (failed) break;
    TextOutW(dc, area.left, line.y, line.text.c_str(), static_cast<int>(line.text.size()));
  }
  if (page < 0 && StartPage(dc) <= 0) failed = true;  // an empty text: one blank page
  if (!failed && EndPage(dc) <= 0) failed = true;
  DWORD error = GetLastError();
  SelectObject(dc, oldFont);
  if (failed) AbortDoc(dc);
  else if (EndDoc(dc) <= 0) failed = true;
  DeleteObject(font);
  DeleteDC(dc);
  if (failed) throw common::NumberedError(kPrinterError, common::SystemMessage(error));
}

HFONT CreatePrintFont(HDC dc) {
  LOGFONTW lf{};
  lf.lfHeight = -MulDiv(10, GetDeviceCaps(dc, LOGPIXELSY), 72);
  lf.lfWeight = FW_NORMAL;
  lstrcpynW(lf.lfFaceName, MessageFont().name.c_str(), LF_FACESIZE);
  return CreateFontIndirectW(&lf);
}

PrintLayout LayOutPages(HDC dc, SIZE page, const std::wstring& text) {
  const int marginX = std::min<int>(GetDeviceCaps(dc, LOGPIXELSX), page.cx / 8);
  const int marginY = std::min<int>(GetDeviceCaps(dc, LOGPIXELSY), page.cy / 8);
  PrintLayout layout;
  layout.area = RECT{marginX, marginY, page.cx - marginX, page.cy - marginY};
  layout.lines = LayOutText(dc, text, layout.area);
  return layout;
}

std::vector<PrintedLine> LayOutText(HDC dc, const std::wstring& text, const RECT& area) {
  TEXTMETRICW tm{};
  GetTextMetricsW(dc, &tm);
  int lineH = std::max<int>(tm.tmHeight + tm.tmExternalLeading, 1);
  int width = std::max<int>(area.right - area.left, 1);
  std::vector<PrintedLine> out;
  int page = 0, y = area.top;
  auto place = [&](std::wstring piece) {
    if (y + lineH > area.bottom && y > area.top) {
      ++page;
      y = area.top;
    }
    out.push_back({page, y, std::move(piece)});
    y += lineH;
  };
  for (const std::wstring& whole : SplitLines(text)) {
    if (whole == L"\f") {
      ++page;
      y = area.top;
      continue;
    }
    if (whole.empty()) {
      place({});
      continue;
    }
    // Long lines wrap at the right margin, after a blank where there is one.
    // Only the next few thousand characters are measured: no page holds more
    // on one line, and a huge line then costs time in proportion to its size.
    constexpr size_t kMeasured = 4096;
    size_t pos = 0;
    while (pos < whole.size()) {
      std::wstring rest = whole.substr(pos, kMeasured);
      int fit = 0;
      SIZE extent{};
      GetTextExtentExPointW(dc, rest.c_str(), static_cast<int>(rest.size()), width, &fit, nullptr,
                            &extent);
      size_t take = static_cast<size_t>(std::max(fit, 1));
      if (take < rest.size()) {
        size_t blank = rest.find_last_of(L' ', take);
        if (blank != std::wstring::npos && blank > 0) take = blank + 1;
      }
      place(rest.substr(0, take));
      pos += take;
    }
  }
  return out;
}

bool WindowsUserInteraction::ShowHelp(const std::wstring& helpFile) {
  if (GetFileAttributesW(helpFile.c_str()) == INVALID_FILE_ATTRIBUTES) return false;
  HWND owner = PromptOwner();
  size_t dot = helpFile.find_last_of(L'.');
  std::wstring ext = dot == std::wstring::npos ? L"" : helpFile.substr(dot);
  if (_wcsicmp(ext.c_str(), L".hlp") == 0) {
    return WinHelpW(owner, helpFile.c_str(), HELP_FINDER, 0) != FALSE;
  }
  auto result = reinterpret_cast<INT_PTR>(
      ShellExecuteW(owner, nullptr, helpFile.c_str(), nullptr, nullptr, SW_SHOWNORMAL));
  return result > 32;
}

bool WindowsUserInteraction::OpenUrl(const std::wstring& url) {
  auto result = reinterpret_cast<INT_PTR>(
      ShellExecuteW(nullptr, nullptr, url.c_str(), nullptr, nullptr, SW_SHOWNORMAL));
  return result > 32;
}

}  // namespace ferrimond::forms

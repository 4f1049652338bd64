// The user-interaction seam: the scripted double's bookkeeping, the real
// input box driven like a user would, and the file-dialog helpers.
#include <windows.h>
#include <winspool.h>

#include <gtest/gtest-spi.h>
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "common/numbered_error.h"
#include "ferrimond/forms/forms.h"
#include "ferrimond/forms/windows_user_interaction.h"
#include "tests/ferrimond/forms/scripted_user_interaction.h"

namespace ferrimond::forms {
namespace {

using testing::PromptKind;
using testing::ScriptedUserInteraction;

TEST(ScriptedPrompts, RecordsEveryPromptAndAnswersInOrder) {
  ScriptedUserInteraction ui;
  ui.AnswerMsgBox(MsgResult::Cancel);
  ui.AnswerInputBox(L"*.tmp");
  ui.AnswerBrowseFolder(L"C:\\Data");
  ui.AnswerOpenFile({});
  EXPECT_EQ(ui.MsgBox(L"Paused", MsgButtons::OkCancel, MsgIcon::Exclamation, L"Change Drive"),
            MsgResult::Cancel);
  EXPECT_EQ(ui.InputBox(L"Please add", {}, {}), L"*.tmp");
  EXPECT_EQ(ui.BrowseForFolder({}, L"c:\\windows"), L"C:\\Data");
  EXPECT_TRUE(ui.OpenFileDialog({}).empty());
  ui.OpenUrl(L"https://ferrimond.example.org");

  ASSERT_EQ(ui.Prompts().size(), 5u);
  const auto& box = ui.Prompts()[0];
  EXPECT_EQ(box.kind, PromptKind::MsgBox);
  EXPECT_EQ(box.buttons, MsgButtons::OkCancel);
  EXPECT_EQ(box.icon, MsgIcon::Exclamation);
  EXPECT_EQ(box.title, L"Change Drive");
  EXPECT_EQ(ui.Prompts()[1].title, L"Ferrimond");  // no title of its own
  EXPECT_EQ(ui.Prompts()[2].startFolder, L"c:\\windows");
  EXPECT_EQ(ui.PromptsOf(PromptKind::OpenUrl).at(0).text, L"https://ferrimond.example.org");
  EXPECT_EQ(ui.PendingAnswers(), 0u);
}

TEST(ScriptedPrompts, DuringRunsWhileThePromptIsOpen) {
  ScriptedUserInteraction ui;
  std::vector<std::wstring> order;
  ui.AnswerMsgBox(MsgResult::Ok, [&](const testing::Prompt& p) { order.push_back(L"during " + p.text); });
  ui.MsgBox(L"Backup paused", MsgButtons::OkCancel, MsgIcon::None, {});
  order.push_back(L"after");
  EXPECT_EQ(order, (std::vector<std::wstring>{L"during Backup paused", L"after"}));
}

TEST(ScriptedPrompts, UnexpectedPromptFailsTheTestAndGetsTheSafeAnswer) {
  EXPECT_NONFATAL_FAILURE(
      {
        ScriptedUserInteraction ui;
        EXPECT_EQ(ui.MsgBox(L"Erase?", MsgButtons::YesNo, MsgIcon::None, {}), MsgResult::No);
      },
      "unexpected message box");
  EXPECT_NONFATAL_FAILURE(
      {
        ScriptedUserInteraction ui;
        ui.AnswerInputBox(L"x");
        EXPECT_EQ(ui.MsgBox(L"Sure?", MsgButtons::OkCancel, MsgIcon::None, {}), MsgResult::Cancel);
        ui.DiscardAnswers();
      },
      "expected a input box but got a message box");
  EXPECT_NONFATAL_FAILURE(
      {
        ScriptedUserInteraction ui;
        ui.AnswerMsgBox(MsgResult::Yes);
        EXPECT_EQ(ui.MsgBox(L"Done", MsgButtons::Ok, MsgIcon::None, {}), MsgResult::Ok);
      },
      "not one of the buttons");
  EXPECT_NONFATAL_FAILURE({ ScriptedUserInteraction ui; ui.AnswerSaveFile(L"a.log"); },
                          "unused answer");
}

TEST(ScriptedPrompts, ScriptedFailures) {
  ScriptedUserInteraction ui;
  ui.FailBrowseFolder();
  try {
    ui.BrowseForFolder({}, {});
    FAIL() << "no error";
  } catch (const common::NumberedError& e) {
    EXPECT_EQ(e.Number(), 429);
  }
  ui.FailPrinting();
  EXPECT_THROW(ui.PrintText(L"doc", L"text"), common::NumberedError);
  EXPECT_EQ(ui.PromptsOf(PromptKind::Print).at(0).text, L"text");
}

// ---- The real input box, answered by a thread timer as a user would. ----

struct Script {
  explicit Script(std::wstring t, int b = IDOK, bool enter = false)
      : type(std::move(t)), button(b), useEnterKey(enter) {}
  std::wstring type;
  int button = IDOK;
  bool useEnterKey = false;
  std::wstring seenTitle;
  std::wstring seenPrompt;
  std::wstring seenDefault;
  bool found = false;
};
Script* g_script = nullptr;

std::wstring TextOf(HWND hwnd) {
  wchar_t buffer[512] = {};
  GetWindowTextW(hwnd, buffer, 512);
  return buffer;
}

void CALLBACK AnswerInputBox(HWND, UINT, UINT_PTR id, DWORD) {
  HWND box = FindWindowW(kInputBoxClass, nullptr);
  if (!box || !g_script) return;
  KillTimer(nullptr, id);
  Script& s = *g_script;
  s.found = true;
  s.seenTitle = TextOf(box);
  s.seenPrompt = TextOf(GetDlgItem(box, kInputBoxPromptId));
  HWND edit = GetDlgItem(box, kInputBoxEditId);
  s.seenDefault = TextOf(edit);
  EXPECT_EQ(GetFocus(), edit);
  SetWindowTextW(edit, s.type.c_str());
  if (s.useEnterKey) {
    PostMessageW(edit, WM_KEYDOWN, VK_RETURN, 0x001C0001);
  } else {
    PostMessageW(GetDlgItem(box, s.button), BM_CLICK, 0, 0);
  }
}

std::wstring AskWith(Script& script, UserInteraction& ui, const std::wstring& prompt,
                     const std::wstring& def = {}) {
  g_script = &script;
  SetTimer(nullptr, 0, 30, AnswerInputBox);
  std::wstring answer = ui.InputBox(prompt, {}, def);
  g_script = nullptr;
  return answer;
}

TEST(RealInputBox, OkGivesTheTextCancelGivesEmpty) {
  InitializeApplication();
  WindowsUserInteraction ui;
  Form owner(ui, L"Owner", L"Owner", 3000, 2000);
  owner.Show();

  Script ok{L"01/02/03 10:00:00 AM"};
  std::wstring prompt = L"Please input date and time you want to backup from\n"
                        L"The format is  mm/dd/yy hh:mm:ss AM/PM";
  EXPECT_EQ(AskWith(ok, ui, prompt), L"01/02/03 10:00:00 AM");
  ASSERT_TRUE(ok.found);
  EXPECT_EQ(ok.seenTitle, L"Ferrimond");
  EXPECT_EQ(ok.seenPrompt, prompt);
  // The owner was disabled while the box was up, and is usable again.
  EXPECT_TRUE(IsWindowEnabled(owner.Hwnd()));
  EXPECT_EQ(FindWindowW(kInputBoxClass, nullptr), nullptr);

  Script cancel{L"typed but cancelled", IDCANCEL};
  EXPECT_EQ(AskWith(cancel, ui, L"Please add the file name(s)"), L"");
  EXPECT_TRUE(cancel.found);

  Script empty{L""};
  EXPECT_EQ(AskWith(empty, ui, L"Prompt", L"default"), L"");
  EXPECT_EQ(empty.seenDefault, L"default");

  Script enter{L"x.doc", IDOK, true};
  EXPECT_EQ(AskWith(enter, ui, L"Enter presses OK"), L"x.doc");
}

TEST(FileDialogHelpers, FilterAndMultiSelect) {
  std::wstring f = FilterForDialog(L"log files(*.log)|*.log|all files(*.*)|*.*");
  EXPECT_EQ(f, std::wstring(L"log files(*.log)\0*.log\0all files(*.*)\0*.*\0\0", 43));
  EXPECT_EQ(FilterForDialog(L""), std::wstring(2, L'\0'));

  const wchar_t single[] = L"C:\\a\\b.txt\0";
  EXPECT_EQ(SplitMultiSelect(single), (std::vector<std::wstring>{L"C:\\a\\b.txt"}));
  const wchar_t several[] = L"C:\\a\0b.txt\0c.doc\0";
  EXPECT_EQ(SplitMultiSelect(several), (std::vector<std::wstring>{L"C:\\a\\b.txt", L"C:\\a\\c.doc"}));
  const wchar_t root[] = L"C:\\\0b.txt\0c.doc\0";
  EXPECT_EQ(SplitMultiSelect(root), (std::vector<std::wstring>{L"C:\\b.txt", L"C:\\c.doc"}));
}


// ---- The other real dialogs, answered by a thread timer. ----

struct DialogAnswer {
  std::wstring title;  // the dialog's caption as seen
  std::wstring text;   // all static texts, joined
  bool hasIcon = false;
  int command = IDOK;
  std::wstring fileName;  // typed into a file dialog before OK
  bool found = false;
};
DialogAnswer* g_answer = nullptr;

BOOL CALLBACK CollectStatics(HWND child, LPARAM data) {
  auto* answer = reinterpret_cast<DialogAnswer*>(data);
  wchar_t cls[32] = {};
  GetClassNameW(child, cls, 32);
  if (_wcsicmp(cls, L"Static") == 0) {
    if ((GetWindowLongW(child, GWL_STYLE) & SS_TYPEMASK) == SS_ICON &&
        SendMessageW(child, STM_GETICON, 0, 0)) {
      answer->hasIcon = true;
    }
    answer->text += TextOf(child);
  }
  return TRUE;
}

void CALLBACK AnswerDialog(HWND, UINT, UINT_PTR id, DWORD) {
  HWND box = FindWindowW(L"#32770", nullptr);
  if (!box || !g_answer || !IsWindowVisible(box)) return;
  KillTimer(nullptr, id);
  g_answer->found = true;
  g_answer->title = TextOf(box);
  EnumChildWindows(box, CollectStatics, reinterpret_cast<LPARAM>(g_answer));
  if (!g_answer->fileName.empty()) {
    // The file-name box of the explorer-style dialog (cmb13, or edt1).
    HWND name = GetDlgItem(box, 0x47c);
    if (!name) name = GetDlgItem(box, 0x480);
    SetWindowTextW(name, g_answer->fileName.c_str());
  }
  PostMessageW(box, WM_COMMAND, MAKEWPARAM(g_answer->command, BN_CLICKED),
               reinterpret_cast<LPARAM>(GetDlgItem(box, g_answer->command)));
}

template <class F>
auto Answered(DialogAnswer& answer, F&& show) {
  g_answer = &answer;
  SetTimer(nullptr, 0, 50, AnswerDialog);
  auto result = show();
  g_answer = nullptr;
  return result;
}

TEST(RealDialogs, MessageBoxTitleButtonsAndIcon) {
  InitializeApplication();
  WindowsUserInteraction ui;
  DialogAnswer no;
  no.command = IDNO;
  EXPECT_EQ(Answered(no, [&] {
              return ui.MsgBox(L"Erase all files?", MsgButtons::YesNo, MsgIcon::Exclamation, {});
            }),
            MsgResult::No);
  ASSERT_TRUE(no.found);
  EXPECT_EQ(no.title, L"Ferrimond");
  EXPECT_NE(no.text.find(L"Erase all files?"), std::wstring::npos);
  EXPECT_TRUE(no.hasIcon);

  DialogAnswer cancel;
  cancel.command = IDCANCEL;
  EXPECT_EQ(Answered(cancel, [&] {
              return ui.MsgBox(L"Paused", MsgButtons::OkCancel, MsgIcon::None, L"Change Drive");
            }),
            MsgResult::Cancel);
  EXPECT_EQ(cancel.title, L"Change Drive");
  EXPECT_FALSE(cancel.hasIcon);
}

TEST(RealDialogs, FolderBrowserStartsAtTheGivenFolder) {
  InitializeApplication();
  WindowsUserInteraction ui;
  wchar_t windows[MAX_PATH];
  GetWindowsDirectoryW(windows, MAX_PATH);
  DialogAnswer ok;
  std::wstring chosen = Answered(ok, [&] { return ui.BrowseForFolder({}, windows); });
  ASSERT_TRUE(ok.found);
  EXPECT_EQ(_wcsicmp(chosen.c_str(), windows), 0) << std::string(chosen.begin(), chosen.end());

  DialogAnswer cancel;
  cancel.command = IDCANCEL;
  EXPECT_EQ(Answered(cancel, [&] { return ui.BrowseForFolder({}, windows); }), L"");
}

TEST(RealDialogs, OpenFileGivesTheFullPathOrNothing) {
  InitializeApplication();
  WindowsUserInteraction ui;
  wchar_t windows[MAX_PATH];
  GetWindowsDirectoryW(windows, MAX_PATH);
  FileDialogOptions options;
  options.filter = L"Executables (*.exe)|*.exe|All files (*.*)|*.*";
  options.initialDir = windows;

  DialogAnswer cancel;
  cancel.command = IDCANCEL;
  EXPECT_TRUE(Answered(cancel, [&] { return ui.OpenFileDialog(options); }).empty());
  EXPECT_TRUE(cancel.found);

  DialogAnswer ok;
  ok.fileName = L"notepad.exe";
  auto files = Answered(ok, [&] { return ui.OpenFileDialog(options); });
  ASSERT_EQ(files.size(), 1u);
  EXPECT_EQ(_wcsicmp(files[0].c_str(), (std::wstring(windows) + L"\\notepad.exe").c_str()), 0);
}

TEST(RealDialogs, SaveFileShowsTitleAndProposedNameAndAddsTheExtension) {
  InitializeApplication();
  WindowsUserInteraction ui;
  wchar_t windows[MAX_PATH];
  GetWindowsDirectoryW(windows, MAX_PATH);
  FileDialogOptions options;
  options.title = L"Save Log As";
  options.filter = L"Log files (*.log)|*.log";
  options.initialDir = windows;
  options.fileName = L"ferrimond-backup.log";
  options.defaultExt = L"log";
  const std::wstring folder = std::wstring(windows) + L"\\";

  DialogAnswer proposed;
  std::wstring path = Answered(proposed, [&] { return ui.SaveFileDialog(options); });
  ASSERT_TRUE(proposed.found);
  EXPECT_EQ(proposed.title, L"Save Log As");
  EXPECT_EQ(_wcsicmp(path.c_str(), (folder + L"ferrimond-backup.log").c_str()), 0)
      << std::string(path.begin(), path.end());

  DialogAnswer typed;
  typed.fileName = L"ferrimond-report";
  path = Answered(typed, [&] { return ui.SaveFileDialog(options); });
  EXPECT_EQ(_wcsicmp(path.c_str(), (folder + L"ferrimond-report.log").c_str()), 0)
      << std::string(path.begin(), path.end());
}

TEST(RealDialogs, PrintingWithoutAPrinterIsAnError) {
  DWORD size = 0;
  GetDefaultPrinterW(nullptr, &size);
  if (size != 0) GTEST_SKIP() << "this machine has a default printer";
  WindowsUserInteraction ui;
  try {
    ui.PrintText(L"default.log", L"line 1\r\nline 2");
    FAIL() << "printing reported success";
  } catch (const common::NumberedError& e) {
    EXPECT_EQ(e.Number(), 482);
  }
}

// Printing lays out lines on pages without losing a character.
TEST(PrintLayout, WrapsAtBlanksAndBreaksPages) {
  HDC dc = CreateCompatibleDC(nullptr);
  HGDIOBJ old = SelectObject(dc, MessageFontHandle());
  TEXTMETRICW tm{};
  GetTextMetricsW(dc, &tm);
  int lineH = tm.tmHeight + tm.tmExternalLeading;
  RECT area{10, 20, 10 + 200, 20 + 3 * lineH};  // three lines a page
  std::wstring longLine =
      L"Directories for Backup: C:\\Data C:\\Documents and Settings\\user1\\My Documents";
  std::wstring word(80, L'x');  // no blank to wrap at
  auto lines = LayOutText(dc, L"first\r\n" + longLine + L"\n\n" + word + L"\fafter", area);

  std::wstring joined;
  int lastPage = 0;
  for (const auto& line : lines) {
    SIZE size{};
    GetTextExtentPoint32W(dc, line.text.c_str(), static_cast<int>(line.text.size()), &size);
    EXPECT_LE(size.cx, 200 + tm.tmAveCharWidth) << "line too wide";
    EXPECT_GE(line.y, area.top);
    EXPECT_LE(line.y + lineH, area.bottom);
    EXPECT_GE(line.page, lastPage);
    lastPage = line.page;
    joined += line.text;
  }
  EXPECT_EQ(joined, L"first" + longLine + word + L"after");
  EXPECT_EQ(lines.front().text, L"first");
  EXPECT_EQ(lines.front().y, area.top);
  // The long line wrapped after a blank.
  EXPECT_EQ(lines[1].text.back(), L' ');
  // The form feed put "after" at the top of a new page.
  EXPECT_EQ(lines.back().text, L"after");
  EXPECT_EQ(lines.back().y, area.top);
  EXPECT_GT(lines.back().page, lines[lines.size() - 2].page);
  SelectObject(dc, old);
  DeleteDC(dc);
}

}  // namespace
}  // namespace ferrimond::forms

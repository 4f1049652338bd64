// The user-interaction seam: the real input and message boxes driven like a
// user would, and the printed page.
#include <windows.h>
#include <winspool.h>

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "common/numbered_error.h"
#include "ferrimond/forms/forms.h"
#include "ferrimond/forms/windows_user_interaction.h"
#include "tests/harness/expect.h"

namespace ferrimond::forms {
namespace {

// ---- The real dialogs, answered from a thread timer as a user would. ----

std::wstring TextOf(HWND hwnd) {
  wchar_t buffer[512] = {};
  GetWindowTextW(hwnd, buffer, 512);
  return buffer;
}

// What the user does with the next dialog, and what was seen there.
struct User {
  int command = IDOK;
  std::wstring type = {};  // into the input line
  bool enter = false;      // Enter in the input line instead of a button
  bool found = false, hasIcon = false;
  std::wstring title = {}, text = {}, input = {};  // caption, static texts, input line as found
  std::vector<HWND> watched = {};  // windows whose state is noted while the box is up
  std::vector<bool> enabledDuring = {};
};
User* g_user = nullptr;

BOOL CALLBACK CollectStatics(HWND child, LPARAM data) {
  auto* user = reinterpret_cast<User*>(data);
  wchar_t cls[32] = {};
  GetClassNameW(child, cls, 32);
  if (_wcsicmp(cls, L"Static") != 0) return TRUE;
  if ((GetWindowLongW(child, GWL_STYLE) & SS_TYPEMASK) == SS_ICON && SendMessageW(child, STM_GETICON, 0, 0))
    user->hasIcon = true;
  user->text += TextOf(child);
  return TRUE;
}

void CALLBACK Act(HWND, UINT, UINT_PTR id, DWORD) {
  HWND box = FindWindowW(kInputBoxClass, nullptr);
  const bool inputBox = box != nullptr;
  if (!inputBox) box = FindWindowW(L"#32770", nullptr);
  if (!box || !g_user || !IsWindowVisible(box)) return;
  KillTimer(nullptr, id);
  User& u = *g_user;
  u.found = true;
  for (HWND hwnd : u.watched) u.enabledDuring.push_back(IsWindowEnabled(hwnd) != FALSE);
  u.title = TextOf(box);
  EnumChildWindows(box, CollectStatics, reinterpret_cast<LPARAM>(&u));
  if (!inputBox) {
    PostMessageW(box, WM_COMMAND, MAKEWPARAM(u.command, BN_CLICKED), reinterpret_cast<LPARAM>(GetDlgItem(box, u.command)));
    return;
  }
  HWND edit = GetDlgItem(box, kInputBoxEditId);
  EXPECT_EQ(GetFocus(), edit);
  u.input = TextOf(edit);
  SetWindowTextW(edit, u.type.c_str());
  if (u.enter) PostMessageW(edit, WM_KEYDOWN, VK_RETURN, 0x001C0001);
  else PostMessageW(GetDlgItem(box, u.command), BM_CLICK, 0, 0);
}

// The input box gives the text on OK and on Enter, nothing on Cancel, and
// shows its default text; the message box its title and icon. Whatever
// window is in front (a modeless box), no window of the program takes input
// while a message box is up, and all are usable again afterwards.
TEST(RealDialogs, InputAndMessageBoxesAnsweredAsAUserWould) {
  InitializeApplication();
  WindowsUserInteraction ui;
  Form main(ui, L"Main", L"Main", 3000, 2000), modeless(ui, L"About", L"About", 2000, 1000);
  main.Show(), modeless.Show();
  const std::wstring prompt = L"Please input date and time\nThe format is  mm/dd/yy";
  auto input = [&](std::wstring defaultText) { return [&, defaultText] { return ui.InputBox(prompt, {}, defaultText); }; };
  auto box = [&](MsgButtons buttons, MsgIcon icon, std::wstring title) {
    return [&, buttons, icon, title] { return std::to_wstring(static_cast<int>(ui.MsgBox(L"Erase?", buttons, icon, title))); };
  };
  const std::wstring no = std::to_wstring(static_cast<int>(MsgResult::No)),
                     cancel = std::to_wstring(static_cast<int>(MsgResult::Cancel));
  const struct {
    User user;
    std::function<std::wstring()> show;
    std::wstring result, title, seen = {};  // seen: the input line as found
    bool icon = false;
  } rows[] = {
      {User{IDOK, L"01/02/03 10:00:00 AM"}, input(L"default"), L"01/02/03 10:00:00 AM", L"Ferrimond", L"default"},
      {User{IDCANCEL, L"typed but cancelled"}, input({}), L"", L"Ferrimond"},
      {User{IDOK, L"x.doc", true}, input({}), L"x.doc", L"Ferrimond"},
      {User{IDNO}, box(MsgButtons::YesNo, MsgIcon::Exclamation, {}), no, L"Ferrimond", L"", true},
      {User{IDCANCEL}, box(MsgButtons::OkCancel, MsgIcon::None, L"Change Drive"), cancel, L"Change Drive"},
  };
  for (auto row : rows) {
    const bool inputBox = row.result != no && row.result != cancel;
    SCOPED_TRACE(std::string(row.result.begin(), row.result.end()));
    row.user.watched = {main.Hwnd(), modeless.Hwnd()};
    g_user = &row.user;
    SetTimer(nullptr, 0, 40, Act);
    EXPECT_EQ(row.show(), row.result);
    g_user = nullptr;
    EXPECT_TRUE(row.user.found && row.user.title == row.title && row.user.hasIcon == row.icon && row.user.input == row.seen);
    if (inputBox) {
      EXPECT_EQ(row.user.text, prompt);
    } else {
      EXPECT_EQ(row.user.enabledDuring, (std::vector<bool>{false, false}));
    }
    EXPECT_TRUE(IsWindowEnabled(main.Hwnd()) && IsWindowEnabled(modeless.Hwnd()) && !FindWindowW(kInputBoxClass, nullptr));
  }
}

// The printed pages, on a memory device context: a long line wraps after a
// blank (between characters where there is none) within the margins, a form
// feed starts the next page, and no character is lost. Without a printer,
// printing is an error.
TEST(Printing, WrapsWithinTheMarginsBreaksPagesAndWithoutAPrinterIsAnError) {
  HDC dc = CreateCompatibleDC(nullptr);
  HFONT font = CreatePrintFont(dc);
  HGDIOBJ old = SelectObject(dc, font);
  const std::wstring line = L"\"C:\\Documents and Settings\\User1\\My Documents\\Project 0\\a long file name that fills more than a line.doc\"";
  const std::wstring word(200, L'x');  // no blank to wrap at
  const SIZE page{600, 800};
  const PrintLayout layout = LayOutPages(dc, page, line + L"\r\n" + word + L"\fafter");
  const RECT& area = layout.area;
  std::wstring joined;
  for (const PrintedLine& printed : layout.lines) {
    SIZE extent{};
    GetTextExtentPoint32W(dc, printed.text.c_str(), static_cast<int>(printed.text.find_last_not_of(L' ') + 1), &extent);
    EXPECT_TRUE(area.left + extent.cx <= area.right && printed.y >= area.top) << printed.text;
    joined += printed.text;
  }
  EXPECT_EQ(joined, line + word + L"after");
  EXPECT_TRUE(layout.lines.size() > 2 && layout.lines[0].text.back() == L' ' && area.left > 0 && area.right < page.cx);
  const PrintedLine& last = layout.lines.back();
  EXPECT_TRUE(last.text == L"after" && last.y == area.top && last.page > layout.lines.end()[-2].page);
  SelectObject(dc, old), DeleteObject(font), DeleteDC(dc);
  DWORD size = 0;
  GetDefaultPrinterW(nullptr, &size);
  if (size != 0) GTEST_SKIP() << "this machine has a default printer";
  WindowsUserInteraction ui;
  EXPECT_EQ(harness::ErrorNumberOf([&] { ui.PrintText(L"default.log", L"line 1\r\nline 2"); }), 482);
}

}  // namespace
}  // namespace ferrimond::forms

#pragma once
// Plumbing shared by the forms layer's own sources; not for callers.
#include <windows.h>

#include <string>

#include "ferrimond/forms/control.h"

namespace ferrimond::forms {
class Form;
namespace internal {

struct ControlAccess {
  static void Command(Control& control, int code) { control.HandleCommand(code); }
  static HBRUSH CtlColor(Control& control, HDC dc) { return control.HandleCtlColor(dc); }
  static int Id(const Control& control) { return control.ControlId(); }
};

Control* ControlOf(HWND hwnd);
// The window's whole text.
std::wstring WindowText(HWND hwnd);
// WM_COMMAND and WM_CTLCOLOR* from a child, handed to the child's control.
bool ReflectToControl(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result);
void MouseTwips(LPARAM lParam, int& x, int& y);
int MouseButtonOf(UINT message);
// Sets the cursor for the screen's pointer or else `own`; false for default.
bool SetCursorFor(Pointer own);

// KeyDown: the message loop raises it before dialog navigation can swallow
// the key (Tab, Esc, arrows); the control's window then must not raise it
// again for the same message.
bool KeyDownAlreadyRaised(HWND hwnd, UINT message, WPARAM key);
void RaiseKeyDown(Control* control, Form* form, int key, int shift);
// One message of the loop: KeyDown, dialog navigation, dispatch.
void DispatchOne(MSG& msg);

}  // namespace internal
}  // namespace ferrimond::forms

#pragma once
// Plumbing shared by the forms layer's own sources; not for callers.
#include <windows.h>

#include <exception>
#include <string>

#include "ferrimond/forms/control.h"

namespace ferrimond::forms {
class Form;
class UserInteraction;
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

// Fills a window's client area with `color` for WM_ERASEBKGND; returns 1,
// the message's result.
LRESULT EraseBackground(HWND hwnd, HDC dc, OleColor color);
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

// ---- Errors that escape handlers ----
// An error must never unwind through the system's frames (user32 calling a
// window procedure) nor out of the loop's dispatch into the run that
// yielded. Every place where the system enters the layer runs its work
// through FromSystem. An error escaping there goes to the code whose call
// of the layer made the system raise the event (ByCode: SetFocus, Show, ...),
// which raises it again once the system has returned; when no such call is
// waiting, it is shown through the form's prompts and the program goes on.

// Where FromSystem hands an error: the slot of the call of the layer that
// waits on the system now, or nullptr (the user). Returns the previous one.
std::exception_ptr* SwapCodeCallSlot(std::exception_ptr* slot);
// Shows the error as the program reports unexpected errors.
void ReportEscaped(UserInteraction& ui, const std::exception_ptr& error) noexcept;

template <class Body>
LRESULT FromSystem(UserInteraction& ui, Body&& body) noexcept {
  // Handlers run here are code of their own: a call of the layer they make
  // opens its own slot, and whatever else they set off is not the caller's.
  std::exception_ptr* const caller = SwapCodeCallSlot(nullptr);
  LRESULT result = 0;
  try {
    result = body();
  } catch (...) {
    if (!caller) {
      ReportEscaped(ui, std::current_exception());
    } else if (!*caller) {
      *caller = std::current_exception();
    }
  }
  SwapCodeCallSlot(caller);
  return result;
}

// Runs a call of the layer, made by code, that makes the system raise
// events; raises the first error that escaped one of their handlers.
template <class Call>
void ByCode(Call&& call) {
  std::exception_ptr escaped;
  std::exception_ptr* const outer = SwapCodeCallSlot(&escaped);
  try {
    call();
  } catch (...) {
    SwapCodeCallSlot(outer);
    throw;
  }
  SwapCodeCallSlot(outer);
  if (escaped) std::rethrow_exception(escaped);
}

}  // namespace internal
}  // namespace ferrimond::forms

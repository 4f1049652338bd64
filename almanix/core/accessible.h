#pragma once
// What the controls tell screen readers: an IAccessible for the control's
// window (WM_GETOBJECT, OBJID_CLIENT) over oleacc's standard proxy. The
// control describes itself (child 0) and its parts (children 1..n); the
// proxy answers the rest (parent, focus, navigation out of the control).
#include <windows.h>
#include <oleacc.h>

#include <string>

#include "common/ole_date.h"

namespace almanix {

struct AccessiblePart {
  long role = ROLE_SYSTEM_CLIENT;
  long state = 0;
  std::wstring name, value, description, defaultAction;
  RECT rect{};  // client pixels; the control itself: its client area
};

class AccessibleControl {
 public:
  virtual ~AccessibleControl() = default;
  virtual long AccessibleChildCount() const = 0;
  // child 0: the control; 1..AccessibleChildCount(): its parts.
  virtual AccessiblePart AccessiblePartOf(long child) const = 0;
  // Runs the part's default action; false when it has none now.
  virtual bool AccessibleAction(long child) = 0;
};

class WindowAccessible;

// The screen readers' object of one control window, which the control
// owns: made at the first WM_GETOBJECT and the same object for every later
// one, and cut off from the control when its window goes (WM_NCDESTROY)
// or the control does, however long a reader holds on to it.
class AccessibleObject {
 public:
  AccessibleObject() = default;
  ~AccessibleObject() { Disconnect(); }
  AccessibleObject(const AccessibleObject&) = delete;
  AccessibleObject& operator=(const AccessibleObject&) = delete;

  // The answer to WM_GETOBJECT for `control`'s window; 0 leaves the
  // message to DefWindowProc.
  LRESULT Answer(HWND hwnd, AccessibleControl* control, WPARAM wp, LPARAM lp);
  void Disconnect();

 private:
  WindowAccessible* object_ = nullptr;
};

// Accessible objects alive, connected or not: their code is the library's.
long LiveAccessibleObjects();

// The states every control window has: focusable, focused, invisible.
// Unavailable is the control's to say (a locked picker's window is
// disabled, yet the picker is read-only, not unavailable).
long WindowStates(HWND hwnd);

// A day as screen readers read it: the locale's long date ("Tuesday,
// September 7, 2004"), or "Tuesday, 7 September 2004" where the locale
// gives none.
std::wstring LongDateText(common::DateTime date);

}  // namespace almanix

#pragma once
// Thread-local Windows hooks shared by every client of one thread: one
// system hook per hook type, installed on the first attachment and removed
// on the last detachment; each notification is passed to the attached
// sinks in attachment order.
#include <windows.h>

#include <cstdint>

#include "almanix/core/control_error.h"

namespace almanix {

// Error raised for unsupported hook types and failed installations.
constexpr int32_t kHookError = ErrHookFailure;

// What a hook client implements. Setting bConsume stops the notification
// from reaching later sinks and, for the message-filter, keyboard,
// call-window-procedure and mouse hooks, the application itself.
class IWindowsHook {
 public:
  virtual ~IWindowsHook() = default;
  virtual LRESULT HookProc(int32_t eType, int32_t nCode, WPARAM wParam, LPARAM lParam,
                           bool& bConsume) = 0;
};

// Read-only copy of the mouse-hook record a WH_MOUSE notification carries.
class cMouselParam {
 public:
  cMouselParam() = default;
  // Copies the record from a mouse hook's lParam.
  explicit cMouselParam(LPARAM lParam);

  int32_t X() const { return x_; }
  int32_t Y() const { return y_; }
  // The same point in the client coordinates of the given window.
  int32_t ClientX(HWND lhWnd) const;
  int32_t ClientY(HWND lhWnd) const;
  HWND hWnd() const { return hwnd_; }
  int32_t wHitTestCode() const { return hitTest_; }
  ULONG_PTR dwExtraInfo() const { return extraInfo_; }

 private:
  POINT Client(HWND lhWnd) const;

  int32_t x_ = 0, y_ = 0;
  HWND hwnd_ = nullptr;
  int32_t hitTest_ = 0;
  ULONG_PTR extraInfo_ = 0;
};

namespace mWindowsHook {

// Attaches a sink to the calling thread's hook of that type, installing the
// hook if it is the first sink. Raises kHookError for an unsupported type
// (-1 message filter, 2 keyboard, 3 get-message, 4 call-window-procedure,
// 7 mouse, 10 shell, 11 foreground-idle, 12 call-window-procedure-return)
// or when the system refuses the hook. The sink must detach before it dies.
void Attach(int32_t hookType, IWindowsHook* sink);
// Detaches the sink from that type; the last sink removes the hook. A sink
// that is not attached is ignored.
void Detach(IWindowsHook* sink, int32_t hookType);

// The installed hook of that type in this thread, or null.
HHOOK InstalledHook(int32_t hookType);
// Live attachments of that type in this thread.
int AttachedCount(int32_t hookType);

}  // namespace mWindowsHook

}  // namespace almanix

#pragma once
// The message loop and real mouse input for tests of the controls' windows.
#include <windows.h>

#include <functional>

namespace almanix::testing {

// Dispatches the messages waiting in the thread's queue.
inline void Pump() {
  MSG msg;
  while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
    TranslateMessage(&msg);
    DispatchMessageW(&msg);
  }
}

// Runs the message loop until `done` or the time is up; false on time-out.
inline bool PumpUntil(const std::function<bool()>& done, DWORD timeoutMs = 3000) {
  const DWORD start = GetTickCount();
  while (!done()) {
    if (GetTickCount() - start > timeoutMs) return false;
    MsgWaitForMultipleObjects(0, nullptr, FALSE, 20, QS_ALLINPUT);
    Pump();
  }
  return true;
}

// Runs the message loop for `ms` milliseconds.
inline void PumpFor(DWORD ms) {
  for (DWORD start = GetTickCount(), elapsed; (elapsed = GetTickCount() - start) < ms;) {
    MsgWaitForMultipleObjects(0, nullptr, FALSE, ms - elapsed, QS_ALLINPUT);
    Pump();
  }
}

// A button pressed and released at a screen point through the system's
// input queue, as a mouse hook sees it (MOUSEEVENTF_* flags); the messages
// are dispatched before it returns.
inline void Press(POINT screen, DWORD down, DWORD up) {
  SetCursorPos(screen.x, screen.y);
  INPUT in[2] = {};
  in[0].type = in[1].type = INPUT_MOUSE;
  in[0].mi.dwFlags = down;
  in[1].mi.dwFlags = up;
  SendInput(2, in, sizeof(INPUT));
  Pump();
}

}  // namespace almanix::testing

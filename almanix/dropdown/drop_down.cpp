#include "almanix/dropdown/drop_down.h"

namespace almanix {

cDropDown::~cDropDown() {
  if (attached_) {
    // Events must not reach an owner that is being torn down.
    HideControl = nullptr;
    WillHide = nullptr;
    Hide();
  }
}

void cDropDown::Show(HWND control, long Left, long Top, long Width, long Height,
                     long ParentHeight, bool AutoHide) {
  control_ = control;
  LONG_PTR ex = GetWindowLongPtrW(control, GWL_EXSTYLE);
  SetWindowLongPtrW(control, GWL_EXSTYLE, (ex & ~WS_EX_APPWINDOW) | WS_EX_TOOLWINDOW);

  // The work area of the monitor the pop-up opens on: with several
  // monitors the primary one's area would pull it onto another screen.
  RECT work{};
  MONITORINFO monitor{};
  monitor.cbSize = sizeof(monitor);
  if (GetMonitorInfoW(MonitorFromPoint(POINT{Left, Top}, MONITOR_DEFAULTTONEAREST), &monitor))
    work = monitor.rcWork;
  else if (!SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0))
    work = {0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
  if (Left + Width > work.right) Left = work.right - Width;
  if (Top + Height > work.bottom) Top = Top - ParentHeight - Height;

  MoveWindow(control, Left, Top, Width, Height, FALSE);
  SetParent(control, GetDesktopWindow());
  ShowWindow(control, SW_SHOWNORMAL);

  if (AutoHide && !attached_) {
    mWindowsHook::Attach(WH_MOUSE, this);
    attached_ = true;
  }
}

void cDropDown::Hide() {
  if (attached_) {
    mWindowsHook::Detach(this, WH_MOUSE);
    attached_ = false;
  }
  if (control_) ShowWindow(control_, SW_HIDE);
  if (HideControl) HideControl();
}

LRESULT cDropDown::HookProc(int32_t eType, int32_t nCode, WPARAM wParam, LPARAM lParam,
                            bool& bConsume) {
  switch (wParam) {
    case WM_LBUTTONDOWN: case WM_RBUTTONDOWN: case WM_MBUTTONDOWN:
    case WM_NCLBUTTONDOWN: case WM_NCRBUTTONDOWN: case WM_NCMBUTTONDOWN:
      break;
    default:
      return 0;
  }
  const cMouselParam mouse(lParam);
  RECT popup{};
  if (!control_ || !GetWindowRect(control_, &popup)) return 0;
  const POINT pt{mouse.X(), mouse.Y()};
  if (PtInRect(&popup, pt)) return 0;
  bool dontHide = false;
  if (WillHide) WillHide(dontHide, mouse);
  if (!dontHide && !KeepOpen && attached_) Hide();
  return 0;  // never consumed: the click goes on to its window
}

}  // namespace almanix

// The picker's buttons, timer, mouse, keys and window procedure.
#include "almanix/picker/date_picker.h"

#include <windowsx.h>

#include "almanix/core/control_window.h"
#include "almanix/core/input.h"
#include "almanix/core/library_state.h"

namespace almanix {

namespace {
constexpr UINT_PTR kTimerId = 1;
}  // namespace

// ---------------------------------------------------------------- buttons and timer

const CFrame* DatePicker::Button(std::wstring_view tag) const {
  for (const CFrame& b : buttons_)
    if (b.Tag == tag) return &b;
  return nullptr;
}

void DatePicker::ButtonAction(CFrame& frame) {
  if (frame.Tag == L"Up") KeyAction(VK_UP);
  else if (frame.Tag == L"Down") KeyAction(VK_DOWN);
  else if (frame.Tag == L"DropDown") DropDownButton();
}

void DatePicker::StartTimer(TimerTag tag, UINT interval) {
  timerTag_ = tag;
  if (hwnd_) SetTimer(hwnd_, kTimerId, interval, nullptr);
}

void DatePicker::StopTimer() {
  timerTag_ = TimerTag::None;
  if (hwnd_) KillTimer(hwnd_, kTimerId);
}

void DatePicker::OnTimer() {
  if (timerTag_ == TimerTag::Validate) {
    StopTimer();
    CommitTyped();
    Redraw();
  } else if (timerTag_ == TimerTag::RapidFire) {
    POINT pt;
    GetCursorPos(&pt);
    ScreenToClient(hwnd_, &pt);
    if (rapidButton_ && (rapidButton_->State & cfspushed) && rapidButton_->CheckPoint(pt.x, pt.y)) {
      StartTimer(TimerTag::RapidFire, kRepeatMs);
      ButtonAction(*rapidButton_);
    } else {
      StopTimer();
    }
  } else {
    StopTimer();
  }
}

// ---------------------------------------------------------------- mouse and keys

void DatePicker::OnMouseDown(int16_t button, int16_t shift, int x, int y) {
  float fx = static_cast<float>(x), fy = static_cast<float>(y);
  events_.Fire(&DatePickerEvents::MouseDown, button, shift, fx, fy);
  if (!hwnd_) return;
  const bool reopenBlocked = closedByButtonClick_;
  closedByButtonClick_ = false;
  if (button != 1) {
    Redraw();
    return;
  }
  lastDragY_ = y;
  dragging_ = true;
  for (size_t i = 0; i < fields_.size(); ++i) {
    if (!fields_[i].isliteral() && fields_[i].CheckPoint(x, y)) {
      SetCurrentField(static_cast<int>(i));
      break;
    }
  }
  for (CFrame& b : buttons_) {
    if (!b.CheckPoint(x, y)) continue;
    dragging_ = false;
    b.AddState(cfspushed);
    Redraw();
    if (b.Tag == L"DropDown" && reopenBlocked) break;
    if (b.Tag == L"Up" || b.Tag == L"Down") {
      rapidButton_ = &b;
      StartTimer(TimerTag::RapidFire, kFirstRepeatMs);
    }
    ButtonAction(b);
    if (!hwnd_) return;
    break;
  }
  Redraw();
}

void DatePicker::OnMouseMove(int16_t button, int16_t shift, int x, int y) {
  float fx = static_cast<float>(x), fy = static_cast<float>(y);
  events_.Fire(&DatePickerEvents::MouseMove, button, shift, fx, fy);
  if (!(button & 1) || !dragging_) return;
  if (y - lastDragY_ > 2) {
    KeyAction(VK_DOWN);
    lastDragY_ = y;
  } else if (lastDragY_ - y > 2) {
    KeyAction(VK_UP);
    lastDragY_ = y;
  }
}

void DatePicker::OnMouseUp(int16_t button, int16_t shift, int x, int y) {
  float fx = static_cast<float>(x), fy = static_cast<float>(y);
  events_.Fire(&DatePickerEvents::MouseUp, button, shift, fx, fy);
  if (button == 1) dragging_ = false;
  for (CFrame& b : buttons_) b.RemoveState(cfspushed);
  if (timerTag_ == TimerTag::RapidFire) StopTimer();
  rapidButton_ = nullptr;
  Redraw();
}

void DatePicker::OnDoubleClick(int x, int y) {
  const bool reopenBlocked = closedByButtonClick_;
  closedByButtonClick_ = false;
  for (CFrame& b : buttons_) {
    if (!b.CheckPoint(x, y)) continue;
    b.AddState(cfspushed);
    Redraw();
    b.RemoveState(cfspushed);
    Redraw();
    if (b.Tag == L"DropDown" && (reopenBlocked || IsDropped())) break;
    ButtonAction(b);
    break;
  }
}

void DatePicker::OnFocus(bool gained, HWND other) {
  if (gained) {
    focused_ = true;
    if (current_ >= 0) fields_[current_].selected = true;
  } else {
    focused_ = false;
    for (CDateMask& f : fields_) f.selected = false;
    // Focus moving into the drop-down calendar (its month list) keeps it
    // open; picking a date brings the focus back.
    const bool intoCalendar =
        sc_->hWnd() && other && (other == sc_->hWnd() || IsChild(sc_->hWnd(), other));
    if (!intoCalendar) CloseUpCalendar();
  }
  Redraw();
}

// ---------------------------------------------------------------- window

LRESULT CALLBACK DatePicker::WndProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
  auto* self = static_cast<DatePicker*>(AttachedControl(hwnd, msg, lp));
  if (!self) return DefWindowProcW(hwnd, msg, wp, lp);
  if (msg == WM_NCCREATE) self->hwnd_ = hwnd;
  try {
    return self->HandleMessage(msg, wp, lp);
  } catch (...) {
    // Nothing may unwind through the system's message dispatch.
    return DefWindowProcW(hwnd, msg, wp, lp);
  }
}

LRESULT DatePicker::HandleMessage(UINT msg, WPARAM wp, LPARAM lp) {
  const int x = GET_X_LPARAM(lp), y = GET_Y_LPARAM(lp);
  switch (msg) {
    case WM_GETOBJECT:
      if (LRESULT answer = accessible_.Answer(hwnd_, this, wp, lp)) return answer;
      break;
    case WM_ERASEBKGND:
      return 1;
    case WM_PAINT: {
      PAINTSTRUCT ps;
      HDC dc = BeginPaint(hwnd_, &ps);
      if (!State().bLoading) DrawTo(dc);
      EndPaint(hwnd_, &ps);
      return 0;
    }
    case WM_SIZE:
      Layout();
      return 0;
    case WM_SETFONT:
      if (wp) SetAmbientFont(FontOf(reinterpret_cast<HFONT>(wp)));
      return 0;
    case WM_GETDLGCODE: {
      LRESULT code = DLGC_WANTARROWS | DLGC_WANTCHARS;
      if (IsDropped()) code |= DLGC_WANTMESSAGE;  // Escape closes the calendar
      return code;
    }
    case WM_SETFOCUS:
      OnFocus(true, reinterpret_cast<HWND>(wp));
      return 0;
    case WM_KILLFOCUS:
      OnFocus(false, reinterpret_cast<HWND>(wp));
      return 0;
    case WM_LBUTTONDOWN: case WM_RBUTTONDOWN: case WM_MBUTTONDOWN: {
      if (GetFocus() != hwnd_) SetFocus(hwnd_);
      if (msg == WM_LBUTTONDOWN) SetCapture(hwnd_);
      const int16_t button = ButtonOfMessage(msg);
      OnMouseDown(button, ShiftState(), x, y);
      return 0;
    }
    case WM_LBUTTONUP: case WM_RBUTTONUP: case WM_MBUTTONUP: {
      if (msg == WM_LBUTTONUP && GetCapture() == hwnd_) ReleaseCapture();
      const int16_t button = ButtonOfMessage(msg);
      OnMouseUp(button, ShiftState(), x, y);
      return 0;
    }
    case WM_LBUTTONDBLCLK:
      OnDoubleClick(x, y);
      return 0;
    case WM_MOUSEMOVE:
      OnMouseMove(ButtonsFromKeys(wp), ShiftState(), x, y);
      return 0;
    case WM_KEYDOWN: case WM_SYSKEYDOWN: {
      int16_t key = static_cast<int16_t>(wp), shift = ShiftState();
      events_.Fire(&DatePickerEvents::KeyDown, key, shift);
      // Alt with a key (Alt+F4, Alt+arrows, menu keys) belongs to the host.
      if (msg == WM_SYSKEYDOWN) break;
      if (key) KeyAction(key);
      return 0;
    }
    case WM_KEYUP: case WM_SYSKEYUP: {
      int16_t key = static_cast<int16_t>(wp), shift = ShiftState();
      events_.Fire(&DatePickerEvents::KeyUp, key, shift);
      if (msg == WM_SYSKEYUP) break;
      return 0;
    }
    case WM_CHAR: {
      int16_t ascii = static_cast<int16_t>(wp);
      events_.Fire(&DatePickerEvents::KeyPress, ascii);
      // Separator keys already moved to the next field.
      const bool separator = ascii == L'/' || ascii == L'.' || ascii == L'?';
      if (ascii >= L' ' && !separator && current_ >= 0 && !fields_[current_].isliteral()) {
        fields_[current_].HandleKeyPress(ascii);
        Redraw();
        StartTimer(TimerTag::Validate, kValidateMs);
      }
      return 0;
    }
    case WM_TIMER:
      if (wp == kTimerId) OnTimer();
      return 0;
    case WM_CANCELMODE:
    case WM_CAPTURECHANGED:
      dragging_ = false;
      break;
    case WM_DESTROY:
      ReleaseCalendar();
      break;
    case WM_NCDESTROY: {
      HWND hwnd = hwnd_;
      SetWindowLongPtrW(hwnd, GWLP_USERDATA, 0);
      accessible_.Disconnect();
      hwnd_ = nullptr;
      return DefWindowProcW(hwnd, msg, wp, lp);
    }
    default:
      break;
  }
  return DefWindowProcW(hwnd_, msg, wp, lp);
}

}  // namespace almanix

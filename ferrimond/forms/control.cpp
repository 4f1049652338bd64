#include "ferrimond/forms/control.h"

#include <commctrl.h>

#include <algorithm>
#include <unordered_map>

#include "ferrimond/forms/form.h"
#include "ferrimond/forms/internal.h"

namespace ferrimond::forms {

namespace {

// The layer's windows and the procedure each had before the layer took it
// over. The layer keeps this itself rather than in window properties (or
// through the common controls' subclassing, which reads a property for
// every message): under Wine a property is a round trip to the server, and
// the walk sends a control a message for every few files.
struct Subclassed {
  Control* control;  // none once the control is gone and its window is closing
  WNDPROC previous;
};

std::unordered_map<HWND, Subclassed>& Windows() {
  static std::unordered_map<HWND, Subclassed> windows;
  return windows;
}

LRESULT CallPrevious(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  auto it = Windows().find(hwnd);
  if (it == Windows().end()) return DefWindowProcW(hwnd, message, wParam, lParam);
  return CallWindowProcW(it->second.previous, hwnd, message, wParam, lParam);
}

// The window's place in its container in pixels; `height` is the window's
// own (WindowHeight).
RECT PixelRect(const Bounds& bounds, int height) {
  return {TwipsToPixelsX(bounds.left), TwipsToPixelsY(bounds.top),
          TwipsToPixelsX(bounds.left + bounds.width), TwipsToPixelsY(bounds.top + height)};
}

// Set while focus is being put back after a cancelled Validate: the focus
// events of that round trip are not the user's and raise nothing.
bool g_restoringFocus = false;

}  // namespace

namespace internal {

Control* ControlOf(HWND hwnd) {
  if (!hwnd) return nullptr;
  auto it = Windows().find(hwnd);
  return it == Windows().end() ? nullptr : it->second.control;
}

std::wstring WindowText(HWND hwnd) {
  int length = GetWindowTextLengthW(hwnd);
  std::wstring text(static_cast<size_t>(length) + 1, L'\0');
  int got = GetWindowTextW(hwnd, text.data(), length + 1);
  text.resize(static_cast<size_t>(std::max(got, 0)));
  return text;
}

LRESULT EraseBackground(HWND hwnd, HDC dc, OleColor color) {
  RECT rc;
  GetClientRect(hwnd, &rc);
  FillRect(dc, &rc, BrushFor(color));
  return 1;
}

bool ReflectToControl(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) {
  switch (message) {
    case WM_COMMAND: {
      if (lParam == 0) return false;
      // Only the layer's own windows: a hosted control's children keep theirs.
      Control* control = ControlOf(reinterpret_cast<HWND>(lParam));
      if (!control) return false;
      ControlAccess::Command(*control, HIWORD(wParam));
      result = 0;
      return true;
    }
    case WM_CTLCOLORSTATIC:
    case WM_CTLCOLOREDIT:
    case WM_CTLCOLORBTN:
    case WM_CTLCOLORLISTBOX: {
      Control* control = ControlOf(reinterpret_cast<HWND>(lParam));
      if (!control) return false;
      HBRUSH brush = ControlAccess::CtlColor(*control, reinterpret_cast<HDC>(wParam));
      if (!brush) return false;
      result = reinterpret_cast<LRESULT>(brush);
      return true;
    }
    default:
      return false;
  }
}

// Mouse coordinates of a client-area message, in twips.
void MouseTwips(LPARAM lParam, int& x, int& y) {
  x = PixelsToTwipsX(static_cast<short>(LOWORD(lParam)));
  y = PixelsToTwipsY(static_cast<short>(HIWORD(lParam)));
}

int MouseButtonOf(UINT message) {
  switch (message) {
    case WM_RBUTTONDOWN: return kRightButton;
    case WM_MBUTTONDOWN: return kMiddleButton;
    default: return kLeftButton;
  }
}

bool SetCursorFor(Pointer own) {
  Pointer pointer = ScreenMousePointer() != Pointer::Default ? ScreenMousePointer() : own;
  HCURSOR cursor = CursorFor(pointer);
  if (!cursor) return false;
  SetCursor(cursor);
  return true;
}

}  // namespace internal

LRESULT CALLBACK ControlWindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  auto it = Windows().find(hwnd);
  if (it == Windows().end()) return DefWindowProcW(hwnd, message, wParam, lParam);
  if (Control* control = it->second.control) {
    return internal::FromSystem(control->OwnerForm().Ui(), [&] {
      return control->Dispatch(hwnd, message, wParam, lParam);
    });
  }
  // The control is gone; its window is being destroyed.
  const WNDPROC previous = it->second.previous;
  if (message == WM_NCDESTROY) Windows().erase(it);
  return CallWindowProcW(previous, hwnd, message, wParam, lParam);
}

void Control::Subclass(HWND hwnd) {
  const auto previous = reinterpret_cast<WNDPROC>(GetWindowLongPtrW(hwnd, GWLP_WNDPROC));
  Windows()[hwnd] = Subclassed{this, previous};
  SetWindowLongPtrW(hwnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(ControlWindowProc));
}

Control::Control(Container& container, std::wstring name, Bounds bounds)
    : container_(container), form_(container.OwnerForm()), name_(std::move(name)),
      bounds_(bounds), font_(MessageFont()) {
  id_ = form_.NextControlId();
  container_.children_.push_back(this);
}

Control::~Control() {
  if (hwnd_) {
    // The windows' last messages go straight to their own procedures.
    for (HWND hwnd : inner_) {
      if (auto it = Windows().find(hwnd); it != Windows().end()) it->second.control = nullptr;
    }
    if (auto it = Windows().find(hwnd_); it != Windows().end()) it->second.control = nullptr;
    DestroyWindow(hwnd_);
    hwnd_ = nullptr;
  }
  if (!orphaned_) {
    auto& list = container_.children_;
    list.erase(std::remove(list.begin(), list.end(), this), list.end());
  }
}

Container::~Container() {
  for (Control* child : children_) child->orphaned_ = true;
}

Control* Control::FromHwnd(HWND hwnd) {
  // Inner windows (a combo box's edit line) carry their control too.
  for (int depth = 0; hwnd && depth < 3; ++depth) {
    if (Control* control = internal::ControlOf(hwnd)) return control;
    if (!(GetWindowLongW(hwnd, GWL_STYLE) & WS_CHILD)) break;
    hwnd = GetParent(hwnd);
  }
  return nullptr;
}

const wchar_t* Control::PlainWindowClass(const wchar_t* name) {
  WNDCLASSEXW wc{};
  wc.cbSize = sizeof(wc);
  if (!GetClassInfoExW(GetModuleHandleW(nullptr), name, &wc)) {
    wc = {};
    wc.cbSize = sizeof(wc);
    wc.style = CS_HREDRAW | CS_VREDRAW;
    wc.lpfnWndProc = DefWindowProcW;
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    wc.lpszClassName = name;
    RegisterClassExW(&wc);
  }
  return name;
}

void Control::Create(const wchar_t* windowClass, const std::wstring& text, DWORD style,
                     DWORD exStyle) {
  style |= WS_CHILD;
  if (visible_) style |= WS_VISIBLE;
  if (!enabled_) style |= WS_DISABLED;
  // Each control starts a group except an option button that follows another
  // one of the same container: arrow keys move within an option group.
  const auto& siblings = container_.children_;
  auto self = std::find(siblings.begin(), siblings.end(), this);
  bool continuesGroup = false;
  if (dynamic_cast<OptionButton*>(this) && self != siblings.begin()) {
    Control* previous = *(self - 1);
    continuesGroup = dynamic_cast<OptionButton*>(previous) != nullptr;
  }
  if (!continuesGroup) style |= WS_GROUP;

  const RECT rc = PixelRect(bounds_, WindowHeight());
  hwnd_ = CreateWindowExW(exStyle, windowClass, text.c_str(), style, rc.left, rc.top,
                          std::max<int>(rc.right - rc.left, 0),
                          std::max<int>(rc.bottom - rc.top, 0), container_.ContainerHwnd(),
                          reinterpret_cast<HMENU>(INT_PTR(id_)), GetModuleHandleW(nullptr), nullptr);
  if (!hwnd_) return;
  Subclass(hwnd_);
  ApplyFont();
}

void Control::Adopt(HWND inner) {
  if (!inner) return;
  inner_.push_back(inner);
  Subclass(inner);
}

void Control::ApplyFont() {
  if (hwnd_) SendMessageW(hwnd_, WM_SETFONT, reinterpret_cast<WPARAM>(FontHandle(font_)), TRUE);
}

LRESULT Control::CallDefault(UINT message, WPARAM wParam, LPARAM lParam) {
  return hwnd_ ? CallPrevious(hwnd_, message, wParam, lParam) : 0;
}

HBRUSH Control::HandleCtlColor(HDC dc) {
  SetTextColor(dc, TranslateColor(foreColor_));
  SetBkColor(dc, TranslateColor(backColor_));
  return BrushFor(backColor_);
}

LRESULT Control::Dispatch(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_NCDESTROY) {
    const WNDPROC previous = Windows()[hwnd].previous;
    Windows().erase(hwnd);
    LRESULT result = CallWindowProcW(previous, hwnd, message, wParam, lParam);
    if (hwnd == hwnd_) {
      hwnd_ = nullptr;
    } else {
      inner_.erase(std::remove(inner_.begin(), inner_.end(), hwnd), inner_.end());
    }
    return result;
  }
  if (hwnd == hwnd_) {
    LRESULT handled = 0;
    if (HandleMessage(message, wParam, lParam, handled)) return handled;
  }

  switch (message) {
    case WM_KEYDOWN:
    case WM_SYSKEYDOWN: {
      if (!internal::KeyDownAlreadyRaised(hwnd, message, wParam)) {
        internal::RaiseKeyDown(this, &OwnerForm(), static_cast<int>(wParam),
                               CurrentShiftState());
        if (!IsWindow(hwnd)) return 0;
      }
      break;
    }
    case WM_LBUTTONDOWN:
    case WM_RBUTTONDOWN:
    case WM_MBUTTONDOWN: {
      // Take the focus first, as a click would: when a Validate elsewhere
      // refuses to let it go, the press is dropped and nothing is clicked.
      if (message == WM_LBUTTONDOWN && TakesFocus() && enabled_ &&
          FromHwnd(GetFocus()) != this) {
        // A Validate or focus handler that fails drops the press as well.
        internal::ByCode([hwnd] { ::SetFocus(hwnd); });
        if (!IsWindow(hwnd)) return 0;
        if (FromHwnd(GetFocus()) != this) return 0;
      }
      LRESULT result = CallPrevious(hwnd, message, wParam, lParam);
      if (!IsWindow(hwnd)) return result;
      Pressed(internal::MouseButtonOf(message));
      if (OnMouseDown && IsWindow(hwnd)) {
        int x, y;
        internal::MouseTwips(lParam, x, y);
        int shift = (wParam & MK_SHIFT ? kShiftMask : 0) | (wParam & MK_CONTROL ? kCtrlMask : 0) |
                    (GetKeyState(VK_MENU) < 0 ? kAltMask : 0);
        auto handler = OnMouseDown;
        handler(internal::MouseButtonOf(message), shift, x, y);
      }
      return result;
    }
    case WM_SETFOCUS: {
      LRESULT result = CallPrevious(hwnd, message, wParam, lParam);
      if (!g_restoringFocus && OnGotFocus && IsWindow(hwnd)) {
        // Focus moving between a control's own windows is not a new focus.
        HWND from = reinterpret_cast<HWND>(wParam);
        if (!from || FromHwnd(from) != this) {
          auto handler = OnGotFocus;
          handler();
        }
      }
      return result;
    }
    case WM_KILLFOCUS: {
      HWND to = reinterpret_cast<HWND>(wParam);
      Control* target = to ? FromHwnd(to) : nullptr;
      if (target == this) break;
      if (!g_restoringFocus && OnValidate && target && &target->OwnerForm() == &OwnerForm() &&
          target->CausesValidation()) {
        bool cancel = false;
        auto handler = OnValidate;
        handler(cancel);
        if (!IsWindow(hwnd)) return 0;
        if (cancel) {
          LRESULT result = CallPrevious(hwnd, message, wParam, lParam);
          g_restoringFocus = true;
          ::SetFocus(hwnd_);
          g_restoringFocus = false;
          return result;
        }
      }
      LRESULT result = CallPrevious(hwnd, message, wParam, lParam);
      if (!g_restoringFocus && OnLostFocus && IsWindow(hwnd)) {
        auto handler = OnLostFocus;
        handler();
      }
      return result;
    }
    case WM_SETCURSOR:
      // The screen's pointer holds over every part of the window; the
      // control's own only over its client area.
      if ((LOWORD(lParam) == HTCLIENT || ScreenMousePointer() != Pointer::Default) &&
          internal::SetCursorFor(pointer_)) {
        return TRUE;
      }
      break;
    default:
      break;
  }
  return CallPrevious(hwnd, message, wParam, lParam);
}

// Disabling or hiding the focused control takes its focus away: LostFocus
// runs inside these calls.
void Control::SetEnabled(bool enabled) {
  enabled_ = enabled;
  if (hwnd_) internal::ByCode([&] { EnableWindow(hwnd_, enabled); });
}

void Control::SetVisible(bool visible) {
  visible_ = visible;
  if (hwnd_) internal::ByCode([&] { ShowWindow(hwnd_, visible ? SW_SHOWNA : SW_HIDE); });
}

void Control::Move(int left, int top) { Move(left, top, bounds_.width, bounds_.height); }

void Control::Move(int left, int top, int width, int height) {
  bounds_ = {left, top, std::max(width, 0), std::max(height, 0)};
  if (!hwnd_) return;
  const RECT rc = PixelRect(bounds_, WindowHeight());
  SetWindowPos(hwnd_, nullptr, rc.left, rc.top, std::max<int>(rc.right - rc.left, 0),
               std::max<int>(rc.bottom - rc.top, 0), SWP_NOZORDER | SWP_NOACTIVATE);
}

void Control::SetBackColor(OleColor color) {
  backColor_ = color;
  if (hwnd_) InvalidateRect(hwnd_, nullptr, TRUE);
}

void Control::SetForeColor(OleColor color) {
  foreColor_ = color;
  if (hwnd_) InvalidateRect(hwnd_, nullptr, TRUE);
}

void Control::SetFont(const FontSpec& font) {
  font_ = font;
  ApplyFont();
  if (hwnd_) InvalidateRect(hwnd_, nullptr, TRUE);
}

void Control::SetMousePointer(Pointer pointer) {
  pointer_ = pointer;
  POINT pt;
  if (hwnd_ && GetCursorPos(&pt) && WindowFromPoint(pt) == hwnd_) internal::SetCursorFor(pointer);
}

void Control::SetFocus() {
  if (hwnd_) internal::ByCode([this] { ::SetFocus(hwnd_); });
}

bool Control::HasFocus() const {
  HWND focus = GetFocus();
  return focus && FromHwnd(focus) == this;
}

void Control::Refresh() {
  if (hwnd_) {
    InvalidateRect(hwnd_, nullptr, TRUE);
    UpdateWindow(hwnd_);
  }
}

}  // namespace ferrimond::forms

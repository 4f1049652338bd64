#include "ferrimond/forms/form.h"

#include <algorithm>
#include <new>

#include "common/numbered_error.h"
#include "common/text_codec.h"
#include "ferrimond/forms/internal.h"

namespace ferrimond::forms {

LRESULT CALLBACK FormWindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);

namespace {

constexpr wchar_t kFormClass[] = L"FerrimondForm";

// The message the loop is dispatching after raising its KeyDown.
const MSG* g_keyMessage = nullptr;

// The slot of the call of the layer made by code that waits on the system.
std::exception_ptr* g_codeCallSlot = nullptr;
// Set while an escaped error is shown: the prompt's own loop goes on
// dispatching, and a handler that fails every time (a timer's) would
// otherwise stack prompt upon prompt.
bool g_reportShowing = false;

std::wstring EscapedText(const std::exception_ptr& error) {
  const auto numbered = [](int32_t number, const std::wstring& description) {
    return L"Error code " + std::to_wstring(number) + L" was generated \r\n" + description;
  };
  try {
    std::rethrow_exception(error);
  } catch (const common::NumberedError& e) {
    return numbered(e.Number(), e.Description());
  } catch (const std::bad_alloc&) {
    return numbered(7, common::RuntimeDescription(7));
  } catch (const std::exception& e) {
    return L"Unexpected error was generated \r\n" + common::WideFromBytes(e.what());
  } catch (...) {
    return L"Unexpected error was generated";
  }
}

void RegisterFormClass() {
  static bool registered = false;
  if (registered) return;
  WNDCLASSEXW wc{};
  wc.cbSize = sizeof(wc);
  wc.lpfnWndProc = FormWindowProc;
  wc.hInstance = GetModuleHandleW(nullptr);
  wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
  // The program's icon is resource 1 when it has one.
  wc.hIcon = LoadIconW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(1));
  if (wc.hIcon) {
    wc.hIconSm = static_cast<HICON>(LoadImageW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(1),
                                               IMAGE_ICON, GetSystemMetrics(SM_CXSMICON),
                                               GetSystemMetrics(SM_CYSMICON), 0));
  } else {
    wc.hIcon = LoadIconW(nullptr, IDI_APPLICATION);
  }
  wc.lpszClassName = kFormClass;
  RegisterClassExW(&wc);
  registered = true;
}

void StylesFor(BorderStyle border, DWORD& style, DWORD& exStyle) {
  exStyle = WS_EX_CONTROLPARENT;
  style = 0;
  switch (border) {
    case BorderStyle::FixedSingle:
      style = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX;
      break;
    case BorderStyle::Sizable:
      style = WS_OVERLAPPEDWINDOW;
      break;
    case BorderStyle::FixedDialog:
      style = WS_POPUP | WS_CAPTION | WS_SYSMENU;
      exStyle |= WS_EX_DLGMODALFRAME;
      break;
    case BorderStyle::None:
      style = WS_POPUP | WS_BORDER;
      break;
  }
  style |= WS_CLIPCHILDREN;
}

MenuItem* FindMenu(const std::vector<MenuItem*>& items, int id) {
  for (MenuItem* item : items) {
    if (item->CommandId() == id) return item;
    if (MenuItem* found = FindMenu(item->Items(), id)) return found;
  }
  return nullptr;
}

Control* FindControl(const Container& container, int id) {
  for (Control* child : container.Children()) {
    if (internal::ControlAccess::Id(*child) == id) return child;
    if (auto* inner = dynamic_cast<const Container*>(child)) {
      if (Control* found = FindControl(*inner, id)) return found;
    }
  }
  return nullptr;
}

bool AnyVisible(const std::vector<MenuItem*>& items) {
  return std::any_of(items.begin(), items.end(), [](MenuItem* m) { return m->Visible(); });
}

void AppendItems(HMENU menu, const std::vector<MenuItem*>& items, bool onBar) {
  for (MenuItem* item : items) {
    if (!item->Visible()) continue;
    UINT flags = item->Enabled() ? MF_ENABLED : MF_GRAYED;
    if (item->IsSeparator() && !onBar) {
      AppendMenuW(menu, MF_SEPARATOR, 0, nullptr);
    } else if (AnyVisible(item->Items())) {
      HMENU sub = CreatePopupMenu();
      AppendItems(sub, item->Items(), false);
      AppendMenuW(menu, flags | MF_POPUP | MF_STRING, reinterpret_cast<UINT_PTR>(sub),
                  item->Caption().c_str());
    } else {
      if (item->Checked() && !onBar) flags |= MF_CHECKED;
      AppendMenuW(menu, flags | MF_STRING, static_cast<UINT_PTR>(item->CommandId()),
                  item->Caption().c_str());
    }
  }
}

}  // namespace

// ---------------------------------------------------------------- loop plumbing

namespace internal {

bool KeyDownAlreadyRaised(HWND hwnd, UINT message, WPARAM key) {
  return g_keyMessage && g_keyMessage->hwnd == hwnd && g_keyMessage->message == message &&
         g_keyMessage->wParam == key;
}

void RaiseKeyDown(Control* control, Form* form, int key, int shift) {
  if (control) {
    if (control->OnKeyDown) {
      auto handler = control->OnKeyDown;
      handler(key, shift);
    }
  } else if (form && form->OnKeyDown) {
    auto handler = form->OnKeyDown;
    handler(key, shift);
  }
}

std::exception_ptr* SwapCodeCallSlot(std::exception_ptr* slot) {
  std::exception_ptr* previous = g_codeCallSlot;
  g_codeCallSlot = slot;
  return previous;
}

void ReportEscaped(UserInteraction& ui, const std::exception_ptr& error) noexcept {
  if (g_reportShowing) return;
  g_reportShowing = true;
  try {
    ui.MsgBox(EscapedText(error), MsgButtons::Ok, MsgIcon::Critical);
  } catch (...) {
    // Nothing is left to tell it with.
  }
  g_reportShowing = false;
}

void DispatchOne(MSG& msg) {
  HWND root = msg.hwnd ? GetAncestor(msg.hwnd, GA_ROOT) : nullptr;
  Form* form = root ? Form::FromHwnd(root) : nullptr;
  if (!form) {
    TranslateMessage(&msg);
    DispatchMessageW(&msg);
    return;
  }
  // KeyDown and the hook run here, outside any window procedure. An error
  // from them ends this message's handling.
  FromSystem(form->Ui(), [&] {
    struct KeyMessage {
      const MSG* outer = g_keyMessage;
      ~KeyMessage() { g_keyMessage = outer; }
    } restore;
    if (msg.message == WM_KEYDOWN || msg.message == WM_SYSKEYDOWN) {
      // Raise KeyDown here: dialog navigation would swallow Tab, Esc, Enter
      // and the arrows before the control saw them.
      Control* control = Control::FromHwnd(msg.hwnd);
      if (control && &control->OwnerForm() != form) control = nullptr;
      if (control || msg.hwnd == root) {
        RaiseKeyDown(control, form, static_cast<int>(msg.wParam), CurrentShiftState());
        if (!IsWindow(msg.hwnd)) return LRESULT{0};
        g_keyMessage = &msg;
      }
    }
    if (form->OnPreTranslateMessage) {
      auto hook = form->OnPreTranslateMessage;
      if (hook(msg)) return LRESULT{0};
    }
    // Access keys (with Alt only), Tab order and option-group arrows. A plain
    // letter is left to the control: dialog navigation would take it as an
    // access key whenever the focus is on a button, so "P" would press
    // "&Pause" on top of what its KeyDown handler does.
    bool handled = msg.message != WM_CHAR && IsWindow(root) && IsDialogMessageW(root, &msg);
    if (!handled) {
      TranslateMessage(&msg);
      DispatchMessageW(&msg);
    }
    return LRESULT{0};
  });
}

}  // namespace internal

// ---------------------------------------------------------------- Form

LRESULT CALLBACK FormWindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  Form* form = nullptr;
  if (message == WM_NCCREATE) {
    auto* cs = reinterpret_cast<CREATESTRUCTW*>(lParam);
    form = static_cast<Form*>(cs->lpCreateParams);
    SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(form));
    form->hwnd_ = hwnd;
  } else {
    form = reinterpret_cast<Form*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
  }
  if (!form) return DefWindowProcW(hwnd, message, wParam, lParam);
  if (message == WM_NCDESTROY) {
    SetWindowLongPtrW(hwnd, GWLP_USERDATA, 0);
    form->hwnd_ = nullptr;
    form->menuBar_ = nullptr;
    return DefWindowProcW(hwnd, message, wParam, lParam);
  }
  return internal::FromSystem(form->Ui(),
                              [&] { return form->HandleMessage(message, wParam, lParam); });
}

Form* Form::FromHwnd(HWND hwnd) {
  if (!hwnd) return nullptr;
  wchar_t cls[64];
  if (!GetClassNameW(hwnd, cls, 64) || lstrcmpW(cls, kFormClass) != 0) return nullptr;
  return reinterpret_cast<Form*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
}

Form::Form(UserInteraction& ui, std::wstring name, std::wstring caption, int clientWidth,
           int clientHeight, BorderStyle border)
    : ui_(ui), name_(std::move(name)), caption_(std::move(caption)), border_(border) {
  InitializeApplication();
  RegisterFormClass();
  DWORD style, exStyle;
  StylesFor(border, style, exStyle);
  RECT rc{0, 0, TwipsToPixelsX(clientWidth), TwipsToPixelsY(clientHeight)};
  clientWidth_ = rc.right;
  clientHeight_ = rc.bottom;
  AdjustWindowRectEx(&rc, style, FALSE, exStyle);
  int width = rc.right - rc.left, height = rc.bottom - rc.top;
  // Centred on the screen until the program places it.
  int x = std::max((GetSystemMetrics(SM_CXSCREEN) - width) / 2, 0);
  int y = std::max((GetSystemMetrics(SM_CYSCREEN) - height) / 2, 0);
  CreateWindowExW(exStyle, kFormClass, caption_.c_str(), style, x, y, width, height, nullptr,
                  nullptr, GetModuleHandleW(nullptr), this);
  if (hwnd_) SendMessageW(hwnd_, WM_SETFONT, reinterpret_cast<WPARAM>(MessageFontHandle()), 0);
}

Form::~Form() {
  for (Timer* timer : timers_) timer->id_ = 0;
  std::vector<MenuItem*> pending(menus_.begin(), menus_.end());
  while (!pending.empty()) {
    MenuItem* item = pending.back();
    pending.pop_back();
    item->orphaned_ = true;
    pending.insert(pending.end(), item->items_.begin(), item->items_.end());
  }
  if (hwnd_) {
    SetWindowLongPtrW(hwnd_, GWLP_USERDATA, 0);
    DestroyWindow(hwnd_);
    hwnd_ = nullptr;
  }
}

void Form::Load() {
  if (loaded_ || unloaded_) return;
  loaded_ = true;
  RebuildMenu();
  if (OnLoad) {
    auto handler = OnLoad;
    handler();
  }
}

void Form::Show() {
  Load();
  if (!hwnd_) return;
  internal::ByCode([this] {
    ShowWindow(hwnd_, SW_SHOW);
    SetForegroundWindow(hwnd_);
  });
}

void Form::Hide() {
  if (hwnd_) internal::ByCode([this] { ShowWindow(hwnd_, SW_HIDE); });
}

bool Form::Visible() const { return hwnd_ && IsWindowVisible(hwnd_); }

void Form::Unload() {
  if (unloading_ || unloaded_) return;
  RaiseUnload();
  Destroy();
}

bool Form::RaiseUnload() {
  unloading_ = true;
  bool cancel = false;
  if (OnUnload) {
    auto handler = OnUnload;
    try {
      handler(cancel);
    } catch (...) {
      // The window stays, and can be closed again.
      unloading_ = false;
      throw;
    }
  }
  return cancel;
}

void Form::Destroy() {
  for (Timer* timer : timers_) {
    if (hwnd_ && timer->id_) KillTimer(hwnd_, timer->id_);
  }
  unloaded_ = true;
  unloading_ = false;
  if (hwnd_) internal::ByCode([this] { DestroyWindow(hwnd_); });
  hwnd_ = nullptr;
}

void Form::SetCaption(const std::wstring& caption) {
  caption_ = caption;
  if (hwnd_) SetWindowTextW(hwnd_, caption_.c_str());
}

int Form::Left() const {
  RECT rc{};
  if (hwnd_) GetWindowRect(hwnd_, &rc);
  return PixelsToTwipsX(rc.left);
}

int Form::Top() const {
  RECT rc{};
  if (hwnd_) GetWindowRect(hwnd_, &rc);
  return PixelsToTwipsY(rc.top);
}

int Form::Width() const {
  RECT rc{};
  if (hwnd_) GetWindowRect(hwnd_, &rc);
  return PixelsToTwipsX(rc.right - rc.left);
}

int Form::Height() const {
  RECT rc{};
  if (hwnd_) GetWindowRect(hwnd_, &rc);
  return PixelsToTwipsY(rc.bottom - rc.top);
}

void Form::Move(int left, int top) {
  if (hwnd_) {
    SetWindowPos(hwnd_, nullptr, TwipsToPixelsX(left), TwipsToPixelsY(top), 0, 0,
                 SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
  }
}

int Form::ScaleWidth() const {
  RECT rc{};
  if (hwnd_) GetClientRect(hwnd_, &rc);
  return PixelsToTwipsX(rc.right);
}

int Form::ScaleHeight() const {
  RECT rc{};
  if (hwnd_) GetClientRect(hwnd_, &rc);
  return PixelsToTwipsY(rc.bottom);
}

void Form::SetBackColor(OleColor color) {
  backColor_ = color;
  if (hwnd_) RedrawWindow(hwnd_, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN);
}

void Form::SetMousePointer(Pointer pointer) {
  if (pointer == pointer_) return;
  pointer_ = pointer;
  POINT pt;
  if (hwnd_ && GetCursorPos(&pt) && WindowFromPoint(pt) == hwnd_) internal::SetCursorFor(pointer);
}

bool Form::Enabled() const { return hwnd_ && IsWindowEnabled(hwnd_); }

void Form::SetEnabled(bool enabled) {
  if (hwnd_) internal::ByCode([&] { EnableWindow(hwnd_, enabled); });
}

Control* Form::ActiveControl() const {
  HWND focus = GetFocus();
  Control* control = focus ? Control::FromHwnd(focus) : nullptr;
  return control && &control->OwnerForm() == this ? control : nullptr;
}

// Keeps the client area at its designed size whatever the menu bar takes
// (it may wrap to two rows).
void Form::FitClientArea() {
  if (!hwnd_) return;
  for (int attempt = 0; attempt < 2; ++attempt) {
    RECT client, window;
    GetClientRect(hwnd_, &client);
    GetWindowRect(hwnd_, &window);
    int dw = clientWidth_ - client.right, dh = clientHeight_ - client.bottom;
    if (dw == 0 && dh == 0) return;
    SetWindowPos(hwnd_, nullptr, 0, 0, window.right - window.left + dw,
                 window.bottom - window.top + dh, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
  }
}

void Form::RebuildMenu() {
  if (!hwnd_) return;
  HMENU old = GetMenu(hwnd_);
  HMENU bar = nullptr;
  if (AnyVisible(menus_)) {
    bar = CreateMenu();
    AppendItems(bar, menus_, true);
  }
  // The client area changes under the menu bar: Resize runs meanwhile.
  internal::ByCode([&] {
    SetMenu(hwnd_, bar);
    if (old) DestroyMenu(old);
    menuBar_ = bar;
    DrawMenuBar(hwnd_);
    // A sizable window keeps what the user made of it after the first time.
    if (border_ != BorderStyle::Sizable || !menuFitted_) FitClientArea();
    menuFitted_ = true;
  });
}

void Form::MenuChanged() {
  if (loaded_ && hwnd_) RebuildMenu();
}

bool Form::EnableCommandInBar(int id, bool enabled, bool onBar) {
  if (!loaded_ || !hwnd_ || !menuBar_ || GetMenu(hwnd_) != menuBar_) return false;
  if (EnableMenuItem(menuBar_, static_cast<UINT>(id), MF_BYCOMMAND | (enabled ? MF_ENABLED : MF_GRAYED)) == -1)
    return false;
  if (onBar) DrawMenuBar(hwnd_);
  return true;
}

LRESULT Form::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
  LRESULT result = 0;
  if (internal::ReflectToControl(message, wParam, lParam, result)) return result;
  switch (message) {
    case WM_COMMAND:
      if (lParam != 0) return 0;
      if (MenuItem* item = FindMenu(menus_, LOWORD(wParam))) {
        if (HIWORD(wParam) <= 1) item->Click();
      } else if (HIWORD(wParam) == BN_CLICKED) {
        // Enter on the focused button: dialog navigation names it by its id
        // only, since GetDlgItem does not look into frames.
        if (Control* control = FindControl(*this, LOWORD(wParam))) {
          if (dynamic_cast<CommandButton*>(control) && control->Hwnd()) {
            SendMessageW(control->Hwnd(), BM_CLICK, 0, 0);
          }
        }
      }
      return 0;
    case DM_GETDEFID: {
      // The focused push button is the default one, as in a dialog box.
      auto* button = dynamic_cast<CommandButton*>(ActiveControl());
      if (button && button->Enabled()) return MAKELRESULT(button->ControlId(), DC_HASDEFID);
      return 0;
    }
    case WM_TIMER: {
      for (Timer* timer : timers_) {
        if (timer->id_ == wParam) {
          timer->Fire();
          break;
        }
      }
      return 0;
    }
    case WM_CLOSE: {
      if (unloading_) return 0;
      const bool cancel = RaiseUnload();
      if (cancel && !unloaded_) {
        unloading_ = false;
        return 0;
      }
      Destroy();
      return 0;
    }
    case WM_ERASEBKGND: {
      RECT rc;
      GetClientRect(hwnd_, &rc);
      FillRect(reinterpret_cast<HDC>(wParam), &rc, BrushFor(backColor_));
      return 1;
    }
    case WM_CTLCOLORDLG:
      return reinterpret_cast<LRESULT>(BrushFor(backColor_));
    case WM_SIZE:
      if (OnResize) {
        auto handler = OnResize;
        handler();
      }
      return 0;
    case WM_ACTIVATE:
      // Remember the focused control while inactive and give it back.
      if (LOWORD(wParam) == WA_INACTIVE) {
        HWND focus = GetFocus();
        if (focus && IsChild(hwnd_, focus)) savedFocus_ = focus;
      } else if (!HIWORD(wParam)) {
        if (savedFocus_ && IsWindow(savedFocus_) && IsChild(hwnd_, savedFocus_) &&
            IsWindowEnabled(savedFocus_) && IsWindowVisible(savedFocus_)) {
          ::SetFocus(savedFocus_);
        } else if (HWND first = GetNextDlgTabItem(hwnd_, nullptr, FALSE)) {
          ::SetFocus(first);
        }
      }
      return 0;
    case WM_LBUTTONDOWN:
    case WM_RBUTTONDOWN:
    case WM_MBUTTONDOWN:
      if (OnMouseDown) {
        int x, y;
        internal::MouseTwips(lParam, x, y);
        int shift = (wParam & MK_SHIFT ? kShiftMask : 0) | (wParam & MK_CONTROL ? kCtrlMask : 0);
        auto handler = OnMouseDown;
        handler(internal::MouseButtonOf(message), shift, x, y);
      }
      return 0;
    case WM_KEYDOWN:
    case WM_SYSKEYDOWN:
      if (!internal::KeyDownAlreadyRaised(hwnd_, message, wParam)) {
        internal::RaiseKeyDown(nullptr, this, static_cast<int>(wParam), CurrentShiftState());
      }
      break;
    case WM_SETCURSOR:
      if ((ScreenMousePointer() != Pointer::Default ||
           (reinterpret_cast<HWND>(wParam) == hwnd_ && LOWORD(lParam) == HTCLIENT)) &&
          internal::SetCursorFor(pointer_)) {
        return TRUE;
      }
      break;
    default:
      break;
  }
  return DefWindowProcW(hwnd_, message, wParam, lParam);
}

// ---------------------------------------------------------------- MenuItem

MenuItem::MenuItem(Form& form, std::wstring name, std::wstring caption)
    : form_(form), name_(std::move(name)), caption_(std::move(caption)), id_(form.NextMenuId()) {
  topLevel_ = true;
  form_.menus_.push_back(this);
  form_.MenuChanged();
}

MenuItem::MenuItem(MenuItem& parent, std::wstring name, std::wstring caption, bool checked)
    : form_(parent.form_), parent_(&parent), name_(std::move(name)), caption_(std::move(caption)),
      checked_(checked), id_(parent.form_.NextMenuId()) {
  parent.items_.push_back(this);
  form_.MenuChanged();
}

MenuItem::~MenuItem() {
  for (MenuItem* child : items_) child->parent_ = nullptr;
  if (parent_) {
    auto& list = parent_->items_;
    list.erase(std::remove(list.begin(), list.end(), this), list.end());
  } else if (topLevel_ && !orphaned_) {
    auto& list = form_.menus_;
    list.erase(std::remove(list.begin(), list.end(), this), list.end());
  }
}

void MenuItem::Changed() {
  if (!orphaned_) form_.MenuChanged();
}

void MenuItem::SetCaption(const std::wstring& caption) {
  if (caption == caption_) return;
  caption_ = caption;
  Changed();
}

void MenuItem::SetChecked(bool checked) {
  if (checked == checked_) return;
  checked_ = checked;
  Changed();
}

void MenuItem::SetEnabled(bool enabled) {
  if (enabled == enabled_) return;
  enabled_ = enabled;
  // A command changes in place: building the bar again took 5 ms under
  // Wine, and every run turns seven items off and on again.
  if (!orphaned_ && visible_ && !AnyVisible(items_) && form_.EnableCommandInBar(id_, enabled, topLevel_)) return;
  Changed();
}

void MenuItem::SetVisible(bool visible) {
  if (visible == visible_) return;
  visible_ = visible;
  Changed();
}

void MenuItem::Click() {
  if (!enabled_ || IsSeparator() || !OnClick) return;
  auto handler = OnClick;
  handler();
}

// ---------------------------------------------------------------- Timer

Timer::Timer(Form& form, std::wstring name, int interval, bool enabled)
    : form_(form), name_(std::move(name)), interval_(std::max(interval, 0)), enabled_(enabled),
      id_(form.NextTimerId()) {
  form_.timers_.push_back(this);
  Apply();
}

Timer::~Timer() {
  if (id_ == 0) return;  // the form went first
  if (form_.hwnd_) KillTimer(form_.hwnd_, id_);
  auto& list = form_.timers_;
  list.erase(std::remove(list.begin(), list.end(), this), list.end());
}

void Timer::Apply() {
  if (id_ == 0 || !form_.hwnd_) return;
  if (enabled_ && interval_ > 0) {
    SetTimer(form_.hwnd_, id_, static_cast<UINT>(interval_), nullptr);
  } else {
    KillTimer(form_.hwnd_, id_);
  }
}

void Timer::SetInterval(int milliseconds) {
  interval_ = std::max(milliseconds, 0);
  Apply();
}

void Timer::SetEnabled(bool enabled) {
  enabled_ = enabled;
  Apply();
}

void Timer::Fire() {
  if (!enabled_ || interval_ == 0 || !OnTimer) return;
  auto handler = OnTimer;
  handler();
}

}  // namespace ferrimond::forms

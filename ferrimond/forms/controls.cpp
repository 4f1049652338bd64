#include "ferrimond/forms/controls.h"

#include <commctrl.h>

#include <algorithm>
#include <vector>

#include "ferrimond/forms/form.h"
#include "common/numbered_error.h"
#include "ferrimond/forms/internal.h"

namespace ferrimond::forms {

namespace {

using internal::WindowText;

// An entry as a list control keeps it: up to its first null character.
std::wstring AsStored(const std::wstring& item) { return std::wstring(item.c_str()); }

// Appends (index -1, by `add`) or inserts (by `insert`) an entry of a list or
// combo box, and puts it into `items` where the window reports it went.
void AddEntry(HWND hwnd, std::vector<std::wstring>& items, const std::wstring& item, int index,
              UINT add, UINT insert) {
  const std::wstring shown = AsStored(item);
  const auto text = reinterpret_cast<LPARAM>(shown.c_str());
  const LRESULT at =
      index < 0 ? SendMessageW(hwnd, add, 0, text) : SendMessageW(hwnd, insert, index, text);
  if (at >= 0 && at <= static_cast<LRESULT>(items.size())) items.insert(items.begin() + at, shown);
}

// `remove` answers the entries left, or LB_ERR / CB_ERR (both -1).
void RemoveEntry(HWND hwnd, std::vector<std::wstring>& items, int index, UINT remove) {
  if (SendMessageW(hwnd, remove, index, 0) >= 0) items.erase(items.begin() + index);
}

OleColor ContainerBack(Container& container) {
  if (auto* frame = dynamic_cast<Frame*>(&container)) return frame->BackColor();
  return container.OwnerForm().BackColor();
}

}  // namespace

// ---------------------------------------------------------------- Label

Label::Label(Container& container, std::wstring name, Bounds bounds, std::wstring caption)
    : Control(container, std::move(name), bounds), caption_(std::move(caption)) {
  backColor_ = kColorButtonFace;
  foreColor_ = kColorButtonText;
  Create(WC_STATICW, caption_, SS_LEFT | SS_NOTIFY);
}

void Label::SetCaption(const std::wstring& caption) {
  if (caption == caption_) return;
  caption_ = caption;
  if (Hwnd()) SetWindowTextW(Hwnd(), caption_.c_str());
}

void Label::SetAlignment(Alignment alignment) {
  alignment_ = alignment;
  if (!Hwnd()) return;
  LONG style = GetWindowLongW(Hwnd(), GWL_STYLE) & ~(SS_LEFT | SS_CENTER | SS_RIGHT);
  style |= alignment == Alignment::Right ? SS_RIGHT
           : alignment == Alignment::Center ? SS_CENTER
                                            : SS_LEFT;
  SetWindowLongW(Hwnd(), GWL_STYLE, style);
  InvalidateRect(Hwnd(), nullptr, TRUE);
}

void Label::SetUseMnemonic(bool use) {
  useMnemonic_ = use;
  if (!Hwnd()) return;
  LONG style = GetWindowLongW(Hwnd(), GWL_STYLE);
  SetWindowLongW(Hwnd(), GWL_STYLE, use ? (style & ~SS_NOPREFIX) : (style | SS_NOPREFIX));
  InvalidateRect(Hwnd(), nullptr, TRUE);
}

void Label::SetTransparent(bool transparent) {
  transparent_ = transparent;
  if (Hwnd()) InvalidateRect(Hwnd(), nullptr, TRUE);
}

void Label::HandleCommand(int code) {
  if (code == STN_CLICKED && OnClick) {
    auto handler = OnClick;
    handler();
  }
}

HBRUSH Label::HandleCtlColor(HDC dc) {
  SetTextColor(dc, TranslateColor(foreColor_));
  OleColor back = transparent_ ? ContainerBack(Parent()) : backColor_;
  SetBkColor(dc, TranslateColor(back));
  return BrushFor(back);
}

// ---------------------------------------------------------------- TextBox

TextBox::TextBox(Container& container, std::wstring name, Bounds bounds, std::wstring text,
                 bool multiLine)
    : Control(container, std::move(name), bounds), text_(std::move(text)) {
  backColor_ = kColorWindow;
  foreColor_ = kColorWindowText;
  DWORD style = WS_TABSTOP | ES_LEFT;
  style |= multiLine ? (ES_MULTILINE | ES_AUTOVSCROLL | ES_WANTRETURN) : ES_AUTOHSCROLL;
  settingText_ = true;
  Create(WC_EDITW, text_, style, WS_EX_CLIENTEDGE);
  settingText_ = false;
}

std::wstring TextBox::Text() const { return Hwnd() ? WindowText(Hwnd()) : text_; }

void TextBox::SetText(const std::wstring& text) {
  if (text == Text()) return;
  text_ = text;
  if (Hwnd()) {
    settingText_ = true;
    SetWindowTextW(Hwnd(), text.c_str());
    settingText_ = false;
    text_ = WindowText(Hwnd());  // MaxLength may have cut it
  }
  if (OnChange) {
    auto handler = OnChange;
    handler();
  }
}

void TextBox::HandleCommand(int code) {
  if (code != EN_CHANGE || settingText_) return;
  std::wstring now = WindowText(Hwnd());
  if (now == text_) return;
  text_ = now;
  if (OnChange) {
    auto handler = OnChange;
    handler();
  }
}

void TextBox::SetLocked(bool locked) {
  locked_ = locked;
  if (Hwnd()) SendMessageW(Hwnd(), EM_SETREADONLY, locked, 0);
}

void TextBox::SetMaxLength(int length) {
  maxLength_ = std::max(length, 0);
  if (Hwnd()) SendMessageW(Hwnd(), EM_SETLIMITTEXT, maxLength_, 0);
}

int TextBox::SelStart() const {
  DWORD start = 0, end = 0;
  if (Hwnd()) SendMessageW(Hwnd(), EM_GETSEL, reinterpret_cast<WPARAM>(&start),
                           reinterpret_cast<LPARAM>(&end));
  return static_cast<int>(start);
}

int TextBox::SelLength() const {
  DWORD start = 0, end = 0;
  if (Hwnd()) SendMessageW(Hwnd(), EM_GETSEL, reinterpret_cast<WPARAM>(&start),
                           reinterpret_cast<LPARAM>(&end));
  return static_cast<int>(end - start);
}

void TextBox::SetSel(int start, int length) {
  if (Hwnd()) SendMessageW(Hwnd(), EM_SETSEL, start, start + length);
}

// ---------------------------------------------------------------- CommandButton

CommandButton::CommandButton(Container& container, std::wstring name, Bounds bounds,
                             std::wstring caption)
    : Control(container, std::move(name), bounds), caption_(std::move(caption)) {
  Create(WC_BUTTONW, caption_, WS_TABSTOP | BS_PUSHBUTTON);
}

void CommandButton::SetCaption(const std::wstring& caption) {
  caption_ = caption;
  if (Hwnd()) SetWindowTextW(Hwnd(), caption_.c_str());
}

void CommandButton::SetValue(bool value) {
  // Pressing from code runs Click at once, whatever the button's state.
  if (value && OnClick) {
    auto handler = OnClick;
    handler();
  }
}

void CommandButton::HandleCommand(int code) {
  if (code == BN_CLICKED && Enabled() && OnClick) {
    auto handler = OnClick;
    handler();
  }
}

// ---------------------------------------------------------------- CheckBox

CheckBox::CheckBox(Container& container, std::wstring name, Bounds bounds, std::wstring caption,
                   int value)
    : Control(container, std::move(name), bounds), caption_(std::move(caption)), value_(value) {
  Create(WC_BUTTONW, caption_, WS_TABSTOP | BS_3STATE);
  if (Hwnd()) SendMessageW(Hwnd(), BM_SETCHECK, value_, 0);
}

void CheckBox::SetCaption(const std::wstring& caption) {
  caption_ = caption;
  if (Hwnd()) SetWindowTextW(Hwnd(), caption_.c_str());
}

void CheckBox::SetValue(int value) {
  if (value < kUnchecked || value > kGrayed) return;
  if (value == value_) return;
  value_ = value;
  if (Hwnd()) SendMessageW(Hwnd(), BM_SETCHECK, value_, 0);
  if (OnClick) {
    auto handler = OnClick;
    handler();
  }
}

void CheckBox::HandleCommand(int code) {
  // A click ticks an unticked or grayed box and unticks a ticked one.
  if (code == BN_CLICKED && Enabled()) SetValue(value_ == kChecked ? kUnchecked : kChecked);
}

// ---------------------------------------------------------------- OptionButton

OptionButton::OptionButton(Container& container, std::wstring name, Bounds bounds,
                           std::wstring caption, bool value)
    : Control(container, std::move(name), bounds), caption_(std::move(caption)), value_(false) {
  Create(WC_BUTTONW, caption_, BS_RADIOBUTTON);
  if (value) SetChecked(true);
  UpdateTabStops();
}

void OptionButton::SetCaption(const std::wstring& caption) {
  caption_ = caption;
  if (Hwnd()) SetWindowTextW(Hwnd(), caption_.c_str());
}

void OptionButton::SetChecked(bool value) {
  if (value) {
    for (Control* sibling : Parent().Children()) {
      auto* option = dynamic_cast<OptionButton*>(sibling);
      if (option && option != this && option->value_) {
        option->value_ = false;
        if (option->Hwnd()) SendMessageW(option->Hwnd(), BM_SETCHECK, BST_UNCHECKED, 0);
      }
    }
  }
  value_ = value;
  if (Hwnd()) SendMessageW(Hwnd(), BM_SETCHECK, value ? BST_CHECKED : BST_UNCHECKED, 0);
}

void OptionButton::SetValue(bool value) {
  if (value == value_) return;
  SetChecked(value);
  UpdateTabStops();
  if (value && OnClick) {
    auto handler = OnClick;
    handler();
  }
}

void OptionButton::HandleCommand(int code) {
  if (code == BN_CLICKED && Enabled() && !releasing_) SetValue(true);
}

void OptionButton::Pressed(int button) {
  if (button == kLeftButton && Enabled()) SetValue(true);
}

bool OptionButton::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) {
  if (message != WM_LBUTTONUP) return false;
  // The press selected already; the button's click on release is not a
  // second selection.
  releasing_ = true;
  result = CallDefault(message, wParam, lParam);
  releasing_ = false;
  return true;
}

// Tab reaches an option group at its selected button (or its first one when
// none is selected); the arrow keys move inside the group.
void OptionButton::UpdateTabStops() {
  std::vector<OptionButton*> group;
  for (Control* sibling : Parent().Children()) {
    if (auto* option = dynamic_cast<OptionButton*>(sibling)) group.push_back(option);
  }
  OptionButton* stop = nullptr;
  for (OptionButton* option : group) {
    if (option->value_) stop = option;
  }
  if (!stop && !group.empty()) stop = group.front();
  for (OptionButton* option : group) {
    if (!option->Hwnd()) continue;
    LONG style = GetWindowLongW(option->Hwnd(), GWL_STYLE);
    LONG wanted = option == stop ? (style | WS_TABSTOP) : (style & ~WS_TABSTOP);
    if (wanted != style) SetWindowLongW(option->Hwnd(), GWL_STYLE, wanted);
  }
}

// ---------------------------------------------------------------- Frame

Frame::Frame(Container& container, std::wstring name, Bounds bounds, std::wstring caption)
    : Control(container, std::move(name), bounds), caption_(std::move(caption)) {
  Create(PlainWindowClass(L"FerrimondFrame"), caption_, WS_CLIPSIBLINGS, WS_EX_CONTROLPARENT);
}

void Frame::SetCaption(const std::wstring& caption) {
  caption_ = caption;
  if (Hwnd()) {
    SetWindowTextW(Hwnd(), caption_.c_str());
    InvalidateRect(Hwnd(), nullptr, TRUE);
  }
}

void Frame::SetBorderStyle(int style) {
  borderStyle_ = style ? 1 : 0;
  if (Hwnd()) InvalidateRect(Hwnd(), nullptr, TRUE);
}

void Frame::SetBackColor(OleColor color) {
  // Each run sets the frames' colours at its start and end: the same colour
  // again would repaint the whole frame for nothing.
  if (color == BackColor()) return;
  Control::SetBackColor(color);
  // Labels that show the frame's background repaint with it.
  if (Hwnd()) RedrawWindow(Hwnd(), nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN);
}

bool Frame::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) {
  if (internal::ReflectToControl(message, wParam, lParam, result)) return true;
  switch (message) {
    case WM_ERASEBKGND:
      result = internal::EraseBackground(Hwnd(), reinterpret_cast<HDC>(wParam), BackColor());
      return true;
    case WM_PAINT: {
      PAINTSTRUCT ps;
      HDC dc = BeginPaint(Hwnd(), &ps);
      if (borderStyle_) {
        RECT rc;
        GetClientRect(Hwnd(), &rc);
        HGDIOBJ old = SelectObject(dc, FontHandle(Font()));
        TEXTMETRICW tm{};
        GetTextMetricsW(dc, &tm);
        RECT edge = rc;
        edge.top += tm.tmHeight / 2;
        DrawEdge(dc, &edge, EDGE_ETCHED, BF_RECT);
        if (!caption_.empty()) {
          RECT text{TwipsToPixelsX(120) - 2, rc.top, rc.right - 4, rc.top + tm.tmHeight};
          UINT flags = DT_SINGLELINE | DT_LEFT | DT_TOP;
          RECT measure = text;
          DrawTextW(dc, caption_.c_str(), -1, &measure, flags | DT_CALCRECT);
          text.right = std::min(text.right, measure.right + 4);
          FillRect(dc, &text, BrushFor(BackColor()));
          text.left += 2;
          SetBkMode(dc, TRANSPARENT);
          SetTextColor(dc, TranslateColor(Enabled() ? ForeColor() : 0x80000011));
          DrawTextW(dc, caption_.c_str(), -1, &text, flags | DT_END_ELLIPSIS);
        }
        SelectObject(dc, old);
      }
      EndPaint(Hwnd(), &ps);
      result = 0;
      return true;
    }
    default:
      return false;
  }
}

// ---------------------------------------------------------------- ListBox

ListBox::ListBox(Container& container, std::wstring name, Bounds bounds)
    : Control(container, std::move(name), bounds) {
  backColor_ = kColorWindow;
  foreColor_ = kColorWindowText;
  DWORD style = WS_TABSTOP | WS_VSCROLL | LBS_NOTIFY | LBS_NOINTEGRALHEIGHT;
  Create(WC_LISTBOXW, L"", style, WS_EX_CLIENTEDGE);
}

void ListBox::AddItem(const std::wstring& item, int index) {
  if (!Hwnd()) return;
  if (index > ListCount()) common::Raise(common::ErrInvalidArgument);
  AddEntry(Hwnd(), items_, item, index, LB_ADDSTRING, LB_INSERTSTRING);
}

void ListBox::RemoveItem(int index) {
  if (index < 0 || index >= ListCount()) common::Raise(common::ErrInvalidArgument);
  RemoveEntry(Hwnd(), items_, index, LB_DELETESTRING);
}

void ListBox::Clear() {
  if (!Hwnd()) return;
  SendMessageW(Hwnd(), LB_RESETCONTENT, 0, 0);
  items_.clear();
}

int ListBox::ListCount() const { return Hwnd() ? static_cast<int>(items_.size()) : 0; }

std::wstring ListBox::List(int index) const {
  // Outside the list the runtime gives the empty text.
  if (index < 0 || index >= ListCount()) return {};
  return items_[static_cast<size_t>(index)];
}

int ListBox::ListIndex() const {
  return Hwnd() ? static_cast<int>(SendMessageW(Hwnd(), LB_GETCURSEL, 0, 0)) : -1;
}

void ListBox::SetListIndex(int index) {
  if (index < -1 || index >= ListCount()) common::Raise(common::ErrInvalidArgument);
  if (index == ListIndex() && (index == -1 || Selected(index))) return;
  SendMessageW(Hwnd(), LB_SETCURSEL, index, 0);
  if (OnClick) {
    auto handler = OnClick;
    handler();
  }
}

bool ListBox::Selected(int index) const {
  if (!Hwnd() || index < 0 || index >= ListCount()) return false;
  return SendMessageW(Hwnd(), LB_GETSEL, index, 0) > 0;
}

std::wstring ListBox::Text() const {
  int index = ListIndex();
  return index >= 0 ? List(index) : std::wstring();
}

void ListBox::HandleCommand(int code) {
  if (code == LBN_SELCHANGE && OnClick) {
    auto handler = OnClick;
    handler();
  } else if (code == LBN_DBLCLK && OnDblClick) {
    auto handler = OnDblClick;
    handler();
  }
}

// ---------------------------------------------------------------- ComboBox

ComboBox::ComboBox(Container& container, std::wstring name, Bounds bounds, ComboStyle style)
    : Control(container, std::move(name), bounds), style_(style) {
  backColor_ = kColorWindow;
  foreColor_ = kColorWindowText;
  DWORD ws = WS_TABSTOP | WS_VSCROLL | CBS_AUTOHSCROLL;
  ws |= style == ComboStyle::DropDownList ? CBS_DROPDOWNLIST
        : style == ComboStyle::SimpleCombo ? CBS_SIMPLE
                                           : CBS_DROPDOWN;
  Create(WC_COMBOBOXW, L"", ws);
  if (Hwnd()) {
    COMBOBOXINFO info{};
    info.cbSize = sizeof(info);
    if (GetComboBoxInfo(Hwnd(), &info)) {
      if (info.hwndItem && info.hwndItem != Hwnd()) Adopt(info.hwndItem);
    }
  }
}

// The height of a drop-down combo is that of its edit line; the window
// itself is made tall enough for its list.
int ComboBox::WindowHeight() const {
  return style_ == ComboStyle::SimpleCombo ? Height() : std::max(Height(), 2400);
}

void ComboBox::AddItem(const std::wstring& item, int index) {
  if (!Hwnd()) return;
  if (index > ListCount()) common::Raise(common::ErrInvalidArgument);
  AddEntry(Hwnd(), items_, item, index, CB_ADDSTRING, CB_INSERTSTRING);
}

void ComboBox::RemoveItem(int index) {
  if (index < 0 || index >= ListCount()) common::Raise(common::ErrInvalidArgument);
  RemoveEntry(Hwnd(), items_, index, CB_DELETESTRING);
}

void ComboBox::Clear() {
  text_.clear();
  if (!Hwnd()) return;
  settingText_ = true;
  SendMessageW(Hwnd(), CB_RESETCONTENT, 0, 0);
  items_.clear();
  SetWindowTextW(Hwnd(), L"");
  settingText_ = false;
}

int ComboBox::ListCount() const { return Hwnd() ? static_cast<int>(items_.size()) : 0; }

std::wstring ComboBox::List(int index) const {
  if (index < 0 || index >= ListCount()) return {};
  return items_[static_cast<size_t>(index)];
}

int ComboBox::ListIndex() const {
  return Hwnd() ? static_cast<int>(SendMessageW(Hwnd(), CB_GETCURSEL, 0, 0)) : -1;
}

void ComboBox::SetListIndex(int index) {
  if (index < -1 || index >= ListCount()) common::Raise(common::ErrInvalidArgument);
  if (index == ListIndex()) return;
  // As a choice from the list: Click only, no Change for the new text.
  settingText_ = true;
  SendMessageW(Hwnd(), CB_SETCURSEL, index, 0);
  settingText_ = false;
  text_ = Text();
  if (OnClick) {
    auto handler = OnClick;
    handler();
  }
}

std::wstring ComboBox::Text() const { return Hwnd() ? WindowText(Hwnd()) : text_; }

void ComboBox::SetText(const std::wstring& text) {
  if (text == Text()) return;
  text_ = text;
  if (Hwnd()) {
    settingText_ = true;
    if (style_ == ComboStyle::DropDownList) {
      // Only an entry of the list can be shown.
      LRESULT found = SendMessageW(Hwnd(), CB_FINDSTRINGEXACT, static_cast<WPARAM>(-1),
                                   reinterpret_cast<LPARAM>(text.c_str()));
      if (found == CB_ERR) {
        settingText_ = false;
        common::Raise(383);  // 'Text' property is read-only
      }
      SendMessageW(Hwnd(), CB_SETCURSEL, found, 0);
    } else {
      SetWindowTextW(Hwnd(), text.c_str());
    }
    settingText_ = false;
  }
  if (OnChange) {
    auto handler = OnChange;
    handler();
  }
}

void ComboBox::HandleCommand(int code) {
  if (settingText_) return;
  if (code == CBN_SELCHANGE) {
    // The edit line would take the entry's text only after this
    // notification; Click must already see it.
    int index = ListIndex();
    text_ = List(index);
    if (style_ != ComboStyle::DropDownList && index >= 0) {
      settingText_ = true;
      SetWindowTextW(Hwnd(), text_.c_str());
      settingText_ = false;
    }
    if (OnClick) {
      auto handler = OnClick;
      handler();
    }
  } else if (code == CBN_EDITCHANGE) {
    text_ = Text();
    if (OnChange) {
      auto handler = OnChange;
      handler();
    }
  }
}

// ---------------------------------------------------------------- Line

namespace {
Bounds LineBounds(int x1, int y1, int x2, int y2) {
  int left = std::min(x1, x2), top = std::min(y1, y2);
  int width = std::abs(x2 - x1), height = std::abs(y2 - y1);
  // One pixel thick across the direction of the line.
  int pixelW = static_cast<int>(TwipsPerPixelX() + 0.5);
  int pixelH = static_cast<int>(TwipsPerPixelY() + 0.5);
  return {left, top, std::max(width, pixelW), std::max(height, pixelH)};
}
}  // namespace

Line::Line(Container& container, std::wstring name, int x1, int y1, int x2, int y2)
    : Control(container, std::move(name), LineBounds(x1, y1, x2, y2)),
      x1_(x1), y1_(y1), x2_(x2), y2_(y2) {
  Create(PlainWindowClass(L"FerrimondLine"), L"", 0);
}

void Line::SetBorderColor(OleColor color) {
  borderColor_ = color;
  if (Hwnd()) InvalidateRect(Hwnd(), nullptr, TRUE);
}

bool Line::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) {
  if (message == WM_ERASEBKGND) {
    result = 1;
    return true;
  }
  if (message != WM_PAINT) return false;
  PAINTSTRUCT ps;
  HDC dc = BeginPaint(Hwnd(), &ps);
  RECT rc;
  GetClientRect(Hwnd(), &rc);
  if (rc.right <= 1 || rc.bottom <= 1) {
    FillRect(dc, &rc, BrushFor(borderColor_));
  } else {
    // A slanted line: draw it on the container's background.
    FillRect(dc, &rc, BrushFor(ContainerBack(Parent())));
    HPEN pen = CreatePen(PS_SOLID, 1, TranslateColor(borderColor_));
    HGDIOBJ old = SelectObject(dc, pen);
    bool down = (x2_ - x1_) * (y2_ - y1_) >= 0;
    MoveToEx(dc, 0, down ? 0 : rc.bottom - 1, nullptr);
    LineTo(dc, rc.right - 1, down ? rc.bottom - 1 : 0);
    SelectObject(dc, old);
    DeleteObject(pen);
  }
  EndPaint(Hwnd(), &ps);
  result = 0;
  return true;
}

// ---------------------------------------------------------------- Shape

namespace {
// The far edges sit one pixel inside the bounds, as a drawn rectangle's do.
int Inner(int start, int length, double twipsPerPixel) {
  return start + std::max(length - static_cast<int>(twipsPerPixel + 0.5), 0);
}
}  // namespace

Shape::Shape(Container& container, std::wstring name, Bounds b)
    : name_(std::move(name)), bounds_(b),
      top_(container, name_, b.left, b.top, b.left + b.width, b.top),
      bottom_(container, name_, b.left, Inner(b.top, b.height, TwipsPerPixelY()), b.left + b.width,
              Inner(b.top, b.height, TwipsPerPixelY())),
      left_(container, name_, b.left, b.top, b.left, b.top + b.height),
      right_(container, name_, Inner(b.left, b.width, TwipsPerPixelX()), b.top,
             Inner(b.left, b.width, TwipsPerPixelX()), b.top + b.height) {}

void Shape::SetBorderColor(OleColor color) {
  for (Line* edge : {&top_, &bottom_, &left_, &right_}) edge->SetBorderColor(color);
}

void Shape::SetVisible(bool visible) {
  for (Line* edge : {&top_, &bottom_, &left_, &right_}) edge->SetVisible(visible);
}

void Shape::Move(int left, int top, int width, int height) {
  bounds_ = {left, top, width, height};
  int px = static_cast<int>(TwipsPerPixelX() + 0.5), py = static_cast<int>(TwipsPerPixelY() + 0.5);
  top_.Move(left, top, std::max(width, px), py);
  bottom_.Move(left, Inner(top, height, TwipsPerPixelY()), std::max(width, px), py);
  left_.Move(left, top, px, std::max(height, py));
  right_.Move(Inner(left, width, TwipsPerPixelX()), top, px, std::max(height, py));
}

// ---------------------------------------------------------------- Image

Image::Image(Container& container, std::wstring name, Bounds bounds, bool stretch)
    : Control(container, std::move(name), bounds), stretch_(stretch) {
  Create(PlainWindowClass(L"FerrimondImage"), L"", 0);
}

Image::~Image() {
  if (bitmap_) DeleteObject(bitmap_);
}

void Image::SetPicture(HBITMAP bitmap) {
  if (bitmap_ && bitmap_ != bitmap) DeleteObject(bitmap_);
  bitmap_ = bitmap;
  if (Hwnd()) InvalidateRect(Hwnd(), nullptr, TRUE);
}

bool Image::LoadPicture(const std::wstring& path) {
  auto bitmap = static_cast<HBITMAP>(
      LoadImageW(nullptr, path.c_str(), IMAGE_BITMAP, 0, 0, LR_LOADFROMFILE | LR_CREATEDIBSECTION));
  if (!bitmap) return false;
  SetPicture(bitmap);
  return true;
}

void Image::SetStretch(bool stretch) {
  stretch_ = stretch;
  if (Hwnd()) InvalidateRect(Hwnd(), nullptr, TRUE);
}

void Image::SetMaskColor(OleColor color) {
  maskColor_ = color;
  if (Hwnd()) InvalidateRect(Hwnd(), nullptr, TRUE);
}

void Image::SetUseMaskColor(bool use) {
  useMaskColor_ = use;
  if (Hwnd()) InvalidateRect(Hwnd(), nullptr, TRUE);
}

bool Image::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) {
  switch (message) {
    case WM_ERASEBKGND:
      result = 1;
      return true;
    case WM_LBUTTONUP:
      if (OnClick) {
        auto handler = OnClick;
        handler();
      }
      return false;
    case WM_PAINT: {
      PAINTSTRUCT ps;
      HDC dc = BeginPaint(Hwnd(), &ps);
      RECT rc;
      GetClientRect(Hwnd(), &rc);
      FillRect(dc, &rc, BrushFor(ContainerBack(Parent())));
      if (bitmap_) {
        BITMAP info{};
        GetObjectW(bitmap_, sizeof(info), &info);
        HDC mem = CreateCompatibleDC(dc);
        HGDIOBJ old = SelectObject(mem, bitmap_);
        int w = stretch_ ? rc.right : info.bmWidth;
        int h = stretch_ ? rc.bottom : info.bmHeight;
        if (useMaskColor_) {
          TransparentBlt(dc, 0, 0, w, h, mem, 0, 0, info.bmWidth, info.bmHeight,
                         TranslateColor(maskColor_));
        } else {
          SetStretchBltMode(dc, HALFTONE);
          StretchBlt(dc, 0, 0, w, h, mem, 0, 0, info.bmWidth, info.bmHeight, SRCCOPY);
        }
        SelectObject(mem, old);
        DeleteDC(mem);
      }
      EndPaint(Hwnd(), &ps);
      result = 0;
      return true;
    }
    default:
      return false;
  }
}

}  // namespace ferrimond::forms

#include "ferrimond/controls/xlink_label.h"

#include <windowsx.h>

#include <cmath>

#include "ferrimond/forms/controls.h"
#include "ferrimond/forms/form.h"

namespace ferrimond {

using forms::FontSpec;
using forms::OleColor;

namespace {

// Colours travel through property bags as signed 32-bit numbers.
int32_t ToBag(OleColor color) { return static_cast<int32_t>(color); }
OleColor FromBag(int32_t value) { return static_cast<OleColor>(value); }

}  // namespace

XLinkLabel::XLinkLabel(forms::Container& container, std::wstring name, forms::Bounds bounds)
    : Control(container, std::move(name), bounds) {
  backColor_ = AmbientBackColor();
  foreColor_ = normTextColor_;
  Create(PlainWindowClass(L"FerrimondXLinkLabel"), L"", WS_CLIPSIBLINGS);
  if (Hwnd()) StoreSize();
}

FontSpec XLinkLabel::AmbientFont() const { return forms::MessageFont(); }

OleColor XLinkLabel::AmbientBackColor() const {
  if (auto* frame = dynamic_cast<forms::Frame*>(&Parent())) return frame->BackColor();
  return OwnerForm().BackColor();
}

OleColor XLinkLabel::AmbientForeColor() const {
  if (auto* frame = dynamic_cast<forms::Frame*>(&Parent())) return frame->ForeColor();
  return forms::kColorButtonText;
}

void XLinkLabel::Changed(const wchar_t* name) {
  if (OnPropertyChanged) {
    auto handler = OnPropertyChanged;
    handler(name);
  }
}

void XLinkLabel::Repaint() {
  if (Hwnd()) InvalidateRect(Hwnd(), nullptr, TRUE);
}

void XLinkLabel::StoreSize() {
  RECT rc;
  GetClientRect(Hwnd(), &rc);
  width_ = forms::PixelsToTwipsX(rc.right);
  height_ = forms::PixelsToTwipsY(rc.bottom);
}

bool XLinkLabel::Inside(int x, int y) const {
  return x >= 0 && y >= 0 && forms::PixelsToTwipsX(x) <= width_ &&
         forms::PixelsToTwipsY(y) <= height_;
}

// ---------------------------------------------------------------- host contract

void XLinkLabel::InitProperties() {
  SetFont(AmbientFont());
  SetBackColor(AmbientBackColor());
  SetNormTextColor(AmbientForeColor());
  SetHoverTextColor(AmbientForeColor());
  SetURL(kDefaultLinkUrl);
  SetEnabled(true);
  SetCaption(Name());
  SetNormUnderline(false);
  SetHoverUnderline(true);
}

void XLinkLabel::ReadProperties(const common::PropertyBag& bag) {
  // Each key on its own: a damaged value must not cost the others.
  auto each = [](auto&& step) {
    try {
      step();
    } catch (...) {
    }
  };
  each([&] {
    FontSpec font = AmbientFont();
    if (auto stored = bag.Read(L"Font")) {
      const auto* text = std::get_if<std::wstring>(&*stored);
      if (!text || !font.FromString(*text)) return;  // unreadable: keep the current font
    }
    SetFont(font);
  });
  each([&] { SetBackColor(FromBag(bag.ReadLong(L"BackColor", ToBag(AmbientBackColor())))); });
  each([&] { SetNormTextColor(FromBag(bag.ReadLong(L"NormTextColor", ToBag(AmbientForeColor())))); });
  each([&] { SetHoverTextColor(FromBag(bag.ReadLong(L"HoverTextColor", ToBag(AmbientForeColor())))); });
  each([&] { SetURL(bag.ReadString(L"URL", kDefaultLinkUrl)); });
  each([&] { SetEnabled(bag.ReadBool(L"Enabled", true)); });
  each([&] { SetCaption(bag.ReadString(L"Caption", kDefaultLinkCaption)); });
  each([&] { SetNormUnderline(bag.ReadBool(L"NormUnderline", false)); });
  each([&] { SetHoverUnderline(bag.ReadBool(L"HoverUnderline", true)); });
}

void XLinkLabel::WriteProperties(common::PropertyBag& bag) const {
  // The font as it is when not hovered, so that a save during a hover does
  // not store the hover underline.
  FontSpec font = Font();
  if (hover_) font.underline = normUnderline_;
  bag.Write(L"Font", font.ToString());
  bag.WriteWithDefault(L"BackColor", ToBag(BackColor()), ToBag(AmbientBackColor()));
  bag.WriteWithDefault(L"NormTextColor", ToBag(normTextColor_), ToBag(AmbientForeColor()));
  bag.WriteWithDefault(L"HoverTextColor", ToBag(hoverTextColor_), ToBag(AmbientForeColor()));
  bag.WriteWithDefault(L"URL", url_, std::wstring(kDefaultLinkUrl));
  bag.WriteWithDefault(L"Enabled", Enabled(), true);
  bag.WriteWithDefault(L"Caption", caption_, std::wstring(kDefaultLinkCaption));
  bag.WriteWithDefault(L"NormUnderline", normUnderline_, false);
  bag.WriteWithDefault(L"HoverUnderline", hoverUnderline_, true);
}

// ---------------------------------------------------------------- properties

void XLinkLabel::SetBackColor(OleColor NewColor) {
  Control::SetBackColor(NewColor);
  Changed(L"BackColor");
}

void XLinkLabel::SetNormTextColor(OleColor NewColor) {
  normTextColor_ = NewColor;
  Control::SetForeColor(NewColor);
  Changed(L"NormTextColor");
}

void XLinkLabel::SetHoverTextColor(OleColor NewColor) {
  hoverTextColor_ = NewColor;
  Repaint();
  Changed(L"HoverTextColor");
}

void XLinkLabel::SetNormUnderline(bool val) {
  normUnderline_ = val;
  FontSpec font = Font();
  font.underline = val;
  Control::SetFont(font);
  Changed(L"NormUnderline");
}

void XLinkLabel::SetHoverUnderline(bool val) {
  hoverUnderline_ = val;
  Repaint();
  Changed(L"HoverUnderline");
}

void XLinkLabel::SetFont(const FontSpec& NewFont) {
  Control::SetFont(NewFont);
  Changed(L"Font");
}

void XLinkLabel::SetCaption(const std::wstring& val) {
  caption_ = val;
  Repaint();
  Changed(L"Caption");
}

void XLinkLabel::SetURL(const std::wstring& val) {
  url_ = val;
  Changed(L"URL");
}

void XLinkLabel::SetEnabled(bool val) {
  Control::SetEnabled(val);
  if (!val && hover_) {
    // A disabled control gets no more mouse moves: leave the hover look now.
    if (Hwnd() && GetCapture() == Hwnd()) ReleaseCapture();
    MouseMove(-1, -1);
  }
  Changed(L"Enabled");
}

// ---------------------------------------------------------------- behaviour

void XLinkLabel::Paint(HDC dc) {
  RECT rc;
  GetClientRect(Hwnd(), &rc);
  FillRect(dc, &rc, forms::BrushFor(BackColor()));
  HGDIOBJ old = SelectObject(dc, forms::FontHandle(Font()));
  SetBkMode(dc, TRANSPARENT);
  SetTextColor(dc, forms::TranslateColor(ForeColor()));
  // One line from the top-left corner; the window cuts off what does not fit.
  TextOutW(dc, 0, 0, caption_.c_str(), static_cast<int>(caption_.size()));
  SelectObject(dc, old);
}

void XLinkLabel::MouseMove(int x, int y) {
  if (Hwnd() && GetCapture() == Hwnd()) {
    releasing_ = true;
    ReleaseCapture();
    releasing_ = false;
  }
  const bool over = Inside(x, y);
  if (over && Hwnd()) SetCapture(Hwnd());
  if (over == hover_) return;
  hover_ = over;
  FontSpec font = Font();
  font.underline = over ? hoverUnderline_ : normUnderline_;
  Control::SetFont(font);
  Control::SetForeColor(over ? hoverTextColor_ : normTextColor_);
  Repaint();
}

void XLinkLabel::Click() {
  // The shell's answer is not checked: an address it cannot open does nothing.
  OwnerForm().Ui().OpenUrl(url_);
}

bool XLinkLabel::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) {
  switch (message) {
    case WM_ERASEBKGND:
      result = 1;
      return true;
    case WM_PAINT: {
      PAINTSTRUCT ps;
      HDC dc = BeginPaint(Hwnd(), &ps);
      Paint(dc);
      EndPaint(Hwnd(), &ps);
      result = 0;
      return true;
    }
    case WM_PRINTCLIENT:
      Paint(reinterpret_cast<HDC>(wParam));
      result = 0;
      return true;
    case WM_SIZE:
      StoreSize();
      return false;
    case WM_MOUSEMOVE:
      if (!Enabled()) return false;
      MouseMove(GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam));
      result = 0;
      return true;
    case WM_LBUTTONDOWN:
      pressed_ = Enabled();
      return false;
    case WM_LBUTTONUP: {
      const bool click =
          pressed_ && Enabled() && Inside(GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam));
      pressed_ = false;
      if (click) Click();
      result = 0;
      return true;
    }
    case WM_CAPTURECHANGED:
      // Capture taken by someone else (a dialog, another window): the pointer
      // is no longer tracked, so show the normal look.
      if (!releasing_ && hover_ && reinterpret_cast<HWND>(lParam) != Hwnd()) MouseMove(-1, -1);
      return false;
    default:
      return false;
  }
}

}  // namespace ferrimond

#pragma once
// XLinkLabel (type name Ferrimond.XLinkLabel): one line of text shown as a
// hyperlink. Its colour and underline switch while the pointer is over it,
// and a click hands its URL to the shell through the form's
// user-interaction seam.
#include <functional>
#include <string>

#include "common/property_bag.h"
#include "ferrimond/forms/control.h"

namespace ferrimond {

// The product's web pages: the URL of a new link label.
inline constexpr wchar_t kDefaultLinkUrl[] = L"https://ferrimond.example.org";
inline constexpr wchar_t kDefaultLinkCaption[] = L"URL Label";

class XLinkLabel : public forms::Control {
 public:
  XLinkLabel(forms::Container& container, std::wstring name, forms::Bounds bounds);

  // ---- The host contract. ----
  // First creation: ambient font and colours, the default URL, the instance
  // name as caption.
  void InitProperties();
  // Loading: every key in the stored order; a key that is missing takes its
  // default, one that cannot be read or applied is skipped.
  void ReadProperties(const common::PropertyBag& bag);
  // Saving, in the same order; values equal to their defaults are omitted,
  // except the font, which is always written.
  void WriteProperties(common::PropertyBag& bag) const;
  // Told the name of every property a setter changed.
  std::function<void(const std::wstring& name)> OnPropertyChanged;

  // ---- Properties. ----
  void SetBackColor(forms::OleColor NewColor) override;
  forms::OleColor NormTextColor() const { return normTextColor_; }
  void SetNormTextColor(forms::OleColor NewColor);
  forms::OleColor HoverTextColor() const { return hoverTextColor_; }
  void SetHoverTextColor(forms::OleColor NewColor);
  bool NormUnderline() const { return normUnderline_; }
  void SetNormUnderline(bool val);
  bool HoverUnderline() const { return hoverUnderline_; }
  void SetHoverUnderline(bool val);
  void SetFont(const forms::FontSpec& NewFont) override;
  const std::wstring& Caption() const { return caption_; }
  void SetCaption(const std::wstring& val);
  const std::wstring& URL() const { return url_; }
  void SetURL(const std::wstring& val);
  void SetEnabled(bool val) override;

  // Whether the pointer was over the control at the last mouse move.
  bool Hovered() const { return hover_; }
  // Inner size in twips, as taken at the last resize.
  int StoredWidth() const { return width_; }
  int StoredHeight() const { return height_; }
  // The colour the text is drawn in now.
  forms::OleColor TextColor() const { return ForeColor(); }

  // The ambient values of the host: its font, back and fore colours.
  forms::FontSpec AmbientFont() const;
  forms::OleColor AmbientBackColor() const;
  forms::OleColor AmbientForeColor() const;

 protected:
  bool HandleMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) override;
  bool TakesFocus() const override { return false; }

 private:
  void Changed(const wchar_t* name);
  void Repaint();
  void Paint(HDC dc);
  void MouseMove(int x, int y);
  void Click();
  // Takes the inner size from the window (width_, height_).
  void StoreSize();
  // Whether a client point (pixels) is over the control; the right and
  // bottom edges count as inside.
  bool Inside(int x, int y) const;

  forms::OleColor normTextColor_ = forms::kColorButtonText;
  forms::OleColor hoverTextColor_ = forms::kColorButtonText;
  bool normUnderline_ = false;
  bool hoverUnderline_ = true;
  std::wstring caption_ = kDefaultLinkCaption;
  std::wstring url_ = kDefaultLinkUrl;
  int width_ = 0;
  int height_ = 0;
  bool hover_ = false;
  bool pressed_ = false;
  bool releasing_ = false;
};

}  // namespace ferrimond

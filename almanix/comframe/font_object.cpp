#include "almanix/comframe/font_object.h"

#include <cmath>
#include <wrl/client.h>

namespace almanix::com {

HRESULT CreateFontObject(const PickerFont& font, IFont** out) {
  if (!out) return E_POINTER;
  FONTDESC desc{};
  desc.cbSizeofstruct = sizeof(desc);
  desc.lpstrName = const_cast<LPOLESTR>(font.Name.c_str());
  desc.cySize.int64 = std::llround(font.Size * 10000);
  desc.sWeight = font.Bold ? FW_BOLD : FW_NORMAL;
  desc.sCharset = DEFAULT_CHARSET;
  desc.fItalic = font.Italic;
  desc.fUnderline = font.Underline;
  desc.fStrikethrough = font.Strikethrough;
  return OleCreateFontIndirect(&desc, IID_IFont, reinterpret_cast<void**>(out));
}

bool FontOfObject(IUnknown* object, PickerFont& font) {
  Microsoft::WRL::ComPtr<IFont> f;
  if (!object || FAILED(object->QueryInterface(IID_IFont, reinterpret_cast<void**>(f.GetAddressOf()))))
    return false;
  PickerFont out;
  BSTR name = nullptr;
  CY size{};
  BOOL bold = FALSE, italic = FALSE, underline = FALSE, strike = FALSE;
  if (FAILED(f->get_Name(&name)) || FAILED(f->get_Size(&size))) {
    SysFreeString(name);
    return false;
  }
  out.Name = name ? name : L"";
  SysFreeString(name);
  out.Size = size.int64 / 10000.0;
  f->get_Bold(&bold);
  f->get_Italic(&italic);
  f->get_Underline(&underline);
  f->get_Strikethrough(&strike);
  out.Bold = bold;
  out.Italic = italic;
  out.Underline = underline;
  out.Strikethrough = strike;
  font = out;
  return true;
}

}  // namespace almanix::com

#pragma once
// OLE colours: 0x00BBGGRR, or with the high bit set a system colour index.
#include <windows.h>

#include <cstdint>

namespace almanix {

using OleColor = uint32_t;

// The "no colour" argument of the drawing calls and the result of a colour
// that cannot be translated.
inline constexpr OleColor kNoColor = 0xFFFFFFFFu;

// System colours by their OLE value.
inline constexpr OleColor kSysActiveCaption = 0x80000002u;
inline constexpr OleColor kSysWindow = 0x80000005u;
inline constexpr OleColor kSysWindowText = 0x80000008u;
inline constexpr OleColor kSysCaptionText = 0x80000009u;
inline constexpr OleColor kSysButtonFace = 0x8000000Fu;
inline constexpr OleColor kSysButtonShadow = 0x80000010u;
inline constexpr OleColor kSysButtonText = 0x80000012u;
inline constexpr OleColor kSysHighlight = 0x8000000Du;
inline constexpr OleColor kSysHighlightText = 0x8000000Eu;

// The GDI colour through OleTranslateColor; CLR_INVALID (-1) when the value
// is neither an RGB value nor a known system colour.
COLORREF TranslateColor(OleColor color);

}  // namespace almanix

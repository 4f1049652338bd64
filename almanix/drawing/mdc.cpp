#include "almanix/drawing/mdc.h"

#include <cmath>

namespace almanix {

namespace {

// A pen for the outline calls: solid of the given width, or dotted 1-pixel
// for widths below 1.
HPEN MakePen(COLORREF color, int width) {
  if (width < 1) return CreatePen(PS_DOT, 1, color);
  return CreatePen(PS_SOLID, width, color);
}

}  // namespace

cMDC::~cMDC() {
  Release();
  if (font_) DeleteObject(font_);
  if (brush_) DeleteObject(brush_);
}

void cMDC::Release() {
  if (!dc_) return;
  if (oldBitmap_) SelectObject(dc_, oldBitmap_);
  if (oldFont_) SelectObject(dc_, oldFont_);
  if (oldBrush_) SelectObject(dc_, oldBrush_);
  DeleteDC(dc_);
  if (bitmap_) DeleteObject(bitmap_);
  dc_ = nullptr;
  bitmap_ = nullptr;
  oldBitmap_ = oldFont_ = oldBrush_ = nullptr;
}

void cMDC::Resize(int lWidth, int lHeight) {
  Release();
  width_ = lWidth > 0 ? lWidth : 0;
  height_ = lHeight > 0 ? lHeight : 0;
  HDC screen = GetDC(nullptr);
  HDC dc = CreateCompatibleDC(screen);
  // A zero-sized bitmap cannot be created; keep at least one pixel so the
  // DC always has a surface to draw on.
  HBITMAP bitmap = dc ? CreateCompatibleBitmap(screen, width_ > 0 ? width_ : 1, height_ > 0 ? height_ : 1) : nullptr;
  ReleaseDC(nullptr, screen);
  if (!dc || !bitmap) {
    // No surface rather than half of one: whatever was made goes again.
    if (dc) DeleteDC(dc);
    width_ = height_ = 0;
    return;
  }
  dc_ = dc;
  bitmap_ = bitmap;
  oldBitmap_ = SelectObject(dc_, bitmap_);
  if (font_) oldFont_ = SelectObject(dc_, font_);
  if (brush_) oldBrush_ = SelectObject(dc_, brush_);
  SetBkMode(dc_, bkMode_);
  COLORREF text = TranslateColor(textColor_);
  if (text != CLR_INVALID) ::SetTextColor(dc_, text);
}

void cMDC::SetTextColor(OleColor color) {
  textColor_ = color;
  COLORREF c = TranslateColor(color);
  if (dc_ && c != CLR_INVALID) ::SetTextColor(dc_, c);
}

void cMDC::SetBackColor(OleColor color) { backColor_ = color; }

void cMDC::Clear() {
  if (!dc_) return;
  COLORREF c = TranslateColor(backColor_);
  if (c == CLR_INVALID) return;
  RECT r{0, 0, width_, height_};
  COLORREF old = SetBkColor(dc_, c);
  ExtTextOutW(dc_, 0, 0, ETO_OPAQUE, &r, nullptr, 0, nullptr);
  SetBkColor(dc_, old);
}

void cMDC::DrawBox(int lLeft, int lTop, int lWidth, int lHeight, int lLineWidth,
                   std::optional<OleColor> lFColor, OleColor lBColor) {
  if (!dc_) return;
  if (lBColor != kNoColor) {
    COLORREF c = TranslateColor(lBColor);
    if (c != CLR_INVALID) {
      HBRUSH b = CreateSolidBrush(c);
      RECT r{lLeft, lTop, lLeft + lWidth, lTop + lHeight};
      FillRect(dc_, &r, b);
      DeleteObject(b);
    }
  }
  if (lFColor && *lFColor != kNoColor) {
    COLORREF c = TranslateColor(*lFColor);
    if (c == CLR_INVALID) return;
    HPEN pen = MakePen(c, lLineWidth);
    HGDIOBJ old = SelectObject(dc_, pen);
    // The outline runs on the box's outermost pixels, so it covers exactly
    // what the fill covers.
    int right = lLeft + lWidth - 1, bottom = lTop + lHeight - 1;
    MoveToEx(dc_, lLeft, lTop, nullptr);
    LineTo(dc_, right, lTop);
    LineTo(dc_, right, bottom);
    LineTo(dc_, lLeft, bottom);
    LineTo(dc_, lLeft, lTop);
    SelectObject(dc_, old);
    DeleteObject(pen);
  }
}

void cMDC::DrawLine(int lX1, int lY1, int lX2, int lY2, OleColor lColor, int lWidth) {
  if (!dc_) return;
  COLORREF c = TranslateColor(lColor);
  if (c == CLR_INVALID) return;
  HPEN pen = MakePen(c, lWidth);
  HGDIOBJ old = SelectObject(dc_, pen);
  MoveToEx(dc_, lX1, lY1, nullptr);
  LineTo(dc_, lX2, lY2);
  SelectObject(dc_, old);
  DeleteObject(pen);
}

void cMDC::DrawText(const std::wstring& sText, int lLeft, int lTop, int lWidth, int lHeight,
                    OleColor lFColor, OleColor lBColor, UINT lFlags, bool DrawTransparent) {
  if (!dc_) return;
  if (lFlags == 0) lFlags = DT_CENTER | DT_VCENTER | DT_WORDBREAK;
  int oldMode = GetBkMode(dc_);
  COLORREF oldBack = GetBkColor(dc_);
  if (!DrawTransparent && lBColor != kNoColor) {
    DrawBox(lLeft, lTop, lWidth, lHeight, 1, std::nullopt, lBColor);
    // An opaque text background matches the fill.
    COLORREF back = TranslateColor(lBColor);
    if (back != CLR_INVALID) SetBkColor(dc_, back);
  } else {
    SetBkMode(dc_, TRANSPARENT);
  }
  if (lFColor != kNoColor) SetTextColor(lFColor);
  RECT r{lLeft, lTop, lLeft + lWidth, lTop + lHeight};
  ::DrawTextW(dc_, sText.c_str(), static_cast<int>(sText.size()), &r, lFlags);
  SetBkMode(dc_, oldMode);
  SetBkColor(dc_, oldBack);
}

void cMDC::BlitImage(HDC lDestDC, int lLeft, int lTop, int lWidth, int lHeight, bool bStretch,
                     int lOrgX, int lOrgY, bool bInvert) {
  if (!dc_ || !lDestDC) return;
  if (lWidth == 0) lWidth = width_;
  if (lHeight == 0) lHeight = height_;
  DWORD rop = bInvert ? SRCINVERT : SRCCOPY;
  if (bStretch) {
    SetBrushOrgEx(lDestDC, 0, 0, nullptr);
    StretchBlt(lDestDC, lLeft, lTop, lWidth, lHeight, dc_, 0, 0, width_, height_, rop);
  } else {
    BitBlt(lDestDC, lLeft, lTop, lWidth, lHeight, dc_, lOrgX, lOrgY, rop);
  }
}

void cMDC::SetSolidBrush(OleColor lColor) {
  if (!dc_) return;
  COLORREF c = TranslateColor(lColor);
  HBRUSH brush = CreateSolidBrush(c == CLR_INVALID ? 0 : c);
  HGDIOBJ previous = SelectObject(dc_, brush);
  if (brush_) {
    DeleteObject(brush_);  // was selected; the original stays in oldBrush_
  } else {
    oldBrush_ = previous;
  }
  brush_ = brush;
}

void cMDC::RestoreBrush() {
  if (!brush_) return;
  if (dc_ && oldBrush_) SelectObject(dc_, oldBrush_);
  oldBrush_ = nullptr;
  DeleteObject(brush_);
  brush_ = nullptr;
}

SIZE cMDC::MeasureText(const std::wstring& text) {
  if (!dc_) return {0, 0};
  RECT r{0, 0, 0, 0};
  ::DrawTextW(dc_, text.c_str(), static_cast<int>(text.size()), &r, DT_CALCRECT);
  return {r.right - r.left, r.bottom - r.top};
}

int cMDC::TextWidth(const std::wstring& sText) { return MeasureText(sText).cx; }
int cMDC::TextHeight(const std::wstring& sText) { return MeasureText(sText).cy; }

void cMDC::SetFont(const std::wstring& sFaceName, double nSize, bool bBold, bool bItalic,
                   bool bStrikeOut, bool bUnderline, int iRotation) {
  int dpi = 96;
  if (dc_) {
    dpi = GetDeviceCaps(dc_, LOGPIXELSY);
  } else {
    HDC screen = GetDC(nullptr);
    dpi = GetDeviceCaps(screen, LOGPIXELSY);
    ReleaseDC(nullptr, screen);
  }
  LOGFONTW lf{};
  lf.lfHeight = -static_cast<LONG>(std::lround(nSize * dpi / 72.0));
  lf.lfWeight = bBold ? FW_BOLD : FW_NORMAL;
  lf.lfItalic = bItalic;
  lf.lfUnderline = bUnderline;
  lf.lfStrikeOut = bStrikeOut;
  lf.lfEscapement = lf.lfOrientation = iRotation * 10;
  lf.lfCharSet = DEFAULT_CHARSET;
  lstrcpynW(lf.lfFaceName, sFaceName.c_str(), LF_FACESIZE);
  HFONT font = CreateFontIndirectW(&lf);
  if (!font) return;
  if (dc_) {
    HGDIOBJ previous = SelectObject(dc_, font);
    if (!font_) oldFont_ = previous;
  }
  if (font_) DeleteObject(font_);
  font_ = font;
}

}  // namespace almanix

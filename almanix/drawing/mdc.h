#pragma once
// cMDC: an off-screen drawing surface (memory DC and bitmap) that a control
// paints into and then copies to the screen in one blit.
#include <windows.h>

#include <optional>
#include <string>

#include "almanix/core/ole_color.h"

namespace almanix {

class cMDC {
 public:
  cMDC() = default;
  ~cMDC();
  cMDC(const cMDC&) = delete;
  cMDC& operator=(const cMDC&) = delete;

  // A new DC compatible with the display and a bitmap of the size; the
  // previous surface is released. The colours, font and brush carry over.
  void Resize(int lWidth, int lHeight);

  HDC hdc() const { return dc_; }
  int Width() const { return width_; }
  int Height() const { return height_; }

  OleColor TextColor() const { return textColor_; }
  void SetTextColor(OleColor color);
  OleColor BackColor() const { return backColor_; }
  void SetBackColor(OleColor color);

  // Fills the whole surface with BackColor.
  void Clear();

  // Fills with lBColor unless it is kNoColor; outlines with lFColor when
  // given (and not kNoColor). A line width below 1 draws a dotted 1-pixel
  // outline.
  void DrawBox(int lLeft, int lTop, int lWidth, int lHeight, int lLineWidth = 1,
               std::optional<OleColor> lFColor = std::nullopt, OleColor lBColor = kNoColor);
  // A line from (lX1, lY1) up to, not including, (lX2, lY2). A width below 1
  // draws a dotted 1-pixel line.
  void DrawLine(int lX1, int lY1, int lX2, int lY2, OleColor lColor, int lWidth = 1);
  // DrawText flags (DT_*); 0 means centred both ways with word break. Unless
  // transparent, a box with lBColor other than kNoColor is filled first.
  void DrawText(const std::wstring& sText, int lLeft, int lTop, int lWidth, int lHeight,
                OleColor lFColor, OleColor lBColor, UINT lFlags, bool DrawTransparent = true);
  // Copies the surface to lDestDC at (lLeft, lTop). Zero width/height mean
  // the surface's. bStretch stretches the whole surface into the box;
  // otherwise the copy starts at (lOrgX, lOrgY) of the surface. bInvert
  // inverts the destination under the source (SRCINVERT).
  void BlitImage(HDC lDestDC, int lLeft = 0, int lTop = 0, int lWidth = 0, int lHeight = 0,
                 bool bStretch = false, int lOrgX = 0, int lOrgY = 0, bool bInvert = false);

  void SetSolidBrush(OleColor lColor);
  void RestoreBrush();

  int TextWidth(const std::wstring& sText);
  int TextHeight(const std::wstring& sText);

  // nSize in points; the height follows the surface's vertical DPI.
  // iRotation in degrees, counter-clockwise.
  void SetFont(const std::wstring& sFaceName, double nSize, bool bBold = false, bool bItalic = false,
               bool bStrikeOut = false, bool bUnderline = false, int iRotation = 0);

 private:
  SIZE MeasureText(const std::wstring& text);
  void Release();

  HDC dc_ = nullptr;
  HBITMAP bitmap_ = nullptr;
  HGDIOBJ oldBitmap_ = nullptr;
  HFONT font_ = nullptr;
  HGDIOBJ oldFont_ = nullptr;
  HBRUSH brush_ = nullptr;
  HGDIOBJ oldBrush_ = nullptr;
  int width_ = 0, height_ = 0;
  OleColor textColor_ = 0;
  OleColor backColor_ = 0xFFFFFF;
  int bkMode_ = OPAQUE;
};

}  // namespace almanix

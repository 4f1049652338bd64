#include <gtest/gtest.h>

#include <cmath>

#include "almanix/drawing/mdc.h"
#include "dib.h"

using almanix::cMDC;
using almanix::kNoColor;
using testing_dib::Dib;

namespace {

constexpr COLORREF kMagenta = RGB(255, 0, 255);

// Copies the surface into a DIB to read it.
void Snapshot(cMDC& mdc, Dib& dib) { mdc.BlitImage(dib.dc()); }

}  // namespace

TEST(ColorTranslation, SystemColoursAndInvalidValues) {
  EXPECT_EQ(almanix::TranslateColor(0x00123456), 0x00123456u);
  EXPECT_EQ(almanix::TranslateColor(almanix::kSysButtonFace), GetSysColor(COLOR_BTNFACE));
  EXPECT_EQ(almanix::TranslateColor(almanix::kSysWindowText), GetSysColor(COLOR_WINDOWTEXT));
  // Neither RGB nor a system colour index.
  EXPECT_EQ(almanix::TranslateColor(0x80001234), CLR_INVALID);
  EXPECT_EQ(almanix::TranslateColor(kNoColor), CLR_INVALID);
}

TEST(MemoryDC, ResizeGivesASurfaceOfThatSize) {
  cMDC mdc;
  EXPECT_EQ(mdc.hdc(), nullptr);
  mdc.Resize(30, 20);
  ASSERT_NE(mdc.hdc(), nullptr);
  BITMAP bm{};
  GetObjectW(GetCurrentObject(mdc.hdc(), OBJ_BITMAP), sizeof(bm), &bm);
  EXPECT_EQ(bm.bmWidth, 30);
  EXPECT_EQ(bm.bmHeight, 20);
  HDC first = mdc.hdc();
  mdc.Resize(40, 10);
  EXPECT_EQ(mdc.Width(), 40);
  EXPECT_NE(GetObjectType(mdc.hdc()), 0u);
  (void)first;
}

TEST(MemoryDC, ClearFillsWithBackColorAndKeepsTheDcBackground) {
  cMDC mdc;
  mdc.Resize(10, 10);
  SetBkColor(mdc.hdc(), RGB(1, 2, 3));
  mdc.SetBackColor(RGB(10, 200, 30));
  mdc.Clear();
  Dib dib(10, 10);
  Snapshot(mdc, dib);
  EXPECT_EQ(dib.CountColor(0, 0, 10, 10, RGB(10, 200, 30)), 100);
  EXPECT_EQ(GetBkColor(mdc.hdc()), RGB(1, 2, 3));
}

TEST(MemoryDC, DrawBoxFillAndOutlineRules) {
  cMDC mdc;
  mdc.Resize(20, 20);
  mdc.SetBackColor(RGB(255, 255, 255));
  Dib dib(20, 20);

  mdc.Clear();
  mdc.DrawBox(2, 2, 10, 10);  // neither colour: nothing
  Snapshot(mdc, dib);
  EXPECT_EQ(dib.CountColor(0, 0, 20, 20, RGB(255, 255, 255)), 400);

  mdc.Clear();
  mdc.DrawBox(2, 2, 10, 10, 1, std::nullopt, RGB(0, 0, 200));  // fill only
  Snapshot(mdc, dib);
  EXPECT_EQ(dib.CountColor(0, 0, 20, 20, RGB(0, 0, 200)), 100);
  EXPECT_EQ(dib.At(2, 2), RGB(0, 0, 200));
  EXPECT_EQ(dib.At(12, 12), RGB(255, 255, 255));

  mdc.Clear();
  mdc.DrawBox(2, 2, 10, 10, 1, RGB(200, 0, 0));  // outline only: 36 edge pixels
  Snapshot(mdc, dib);
  EXPECT_EQ(dib.CountColor(0, 0, 20, 20, RGB(200, 0, 0)), 36);
  EXPECT_EQ(dib.At(11, 11), RGB(200, 0, 0));
  EXPECT_EQ(dib.At(6, 6), RGB(255, 255, 255));

  mdc.Clear();
  mdc.DrawBox(2, 2, 10, 10, 1, RGB(200, 0, 0), 0x80001234);  // untranslatable fill skipped
  Snapshot(mdc, dib);
  EXPECT_EQ(dib.At(6, 6), RGB(255, 255, 255));
}

TEST(MemoryDC, DrawLineUsesColourAndWidthAndRestoresThePen) {
  cMDC mdc;
  mdc.Resize(20, 20);
  mdc.SetBackColor(RGB(255, 255, 255));
  mdc.Clear();
  HGDIOBJ pen = GetCurrentObject(mdc.hdc(), OBJ_PEN);
  mdc.DrawLine(0, 5, 20, 5, almanix::kSysButtonShadow);
  mdc.DrawLine(0, 10, 20, 10, RGB(0, 128, 0), 3);
  EXPECT_EQ(GetCurrentObject(mdc.hdc(), OBJ_PEN), pen);
  Dib dib(20, 20);
  Snapshot(mdc, dib);
  EXPECT_EQ(dib.CountColor(0, 5, 20, 6, GetSysColor(COLOR_BTNSHADOW)), 20);
  EXPECT_EQ(dib.At(10, 4), RGB(255, 255, 255));
  EXPECT_EQ(dib.At(10, 9), RGB(0, 128, 0));
  EXPECT_EQ(dib.At(10, 11), RGB(0, 128, 0));
  // A width below 1 is a dotted 1-pixel line: gaps along it.
  mdc.Clear();
  mdc.DrawLine(0, 5, 20, 5, RGB(0, 0, 0), 0);
  Snapshot(mdc, dib);
  int dark = dib.CountColor(0, 5, 20, 6, RGB(0, 0, 0));
  EXPECT_GT(dark, 0);
  EXPECT_LT(dark, 20);
}

TEST(MemoryDC, DrawTextCentresWithZeroFlagsAndRestoresTheDc) {
  cMDC mdc;
  mdc.Resize(100, 40);
  mdc.SetBackColor(RGB(255, 255, 255));
  mdc.Clear();
  mdc.SetFont(L"Tahoma", 12, true);
  SetBkMode(mdc.hdc(), OPAQUE);
  mdc.DrawText(L"II", 0, 0, 100, 40, RGB(0, 0, 0), kNoColor, 0);
  EXPECT_EQ(GetBkMode(mdc.hdc()), OPAQUE);
  EXPECT_EQ(mdc.TextColor(), RGB(0, 0, 0));
  Dib dib(100, 40);
  Snapshot(mdc, dib);
  auto dark = [](COLORREF c) { return GetRValue(c) < 128; };
  // Centred across; a word-break box is not centred vertically.
  EXPECT_GT(dib.Count(40, 0, 60, 20, dark), 0);
  EXPECT_EQ(dib.Count(0, 0, 30, 40, dark), 0);
  EXPECT_EQ(dib.Count(70, 0, 100, 40, dark), 0);
  EXPECT_EQ(dib.Count(0, 25, 100, 40, dark), 0);

  // Opaque with a background colour fills the box first, the text cell too.
  mdc.DrawText(L"x", 0, 0, 10, 10, RGB(0, 0, 0), RGB(0, 0, 255), DT_LEFT, false);
  Snapshot(mdc, dib);
  EXPECT_EQ(dib.At(9, 9), RGB(0, 0, 255));
  EXPECT_EQ(dib.At(0, 0), RGB(0, 0, 255));
  EXPECT_EQ(GetBkColor(mdc.hdc()), RGB(255, 255, 255));
}

TEST(MemoryDC, BlitCopiesInvertsAndStretches) {
  cMDC mdc;
  mdc.Resize(4, 4);
  mdc.SetBackColor(RGB(0, 255, 0));
  mdc.Clear();
  mdc.DrawBox(0, 0, 2, 2, 1, std::nullopt, RGB(255, 0, 0));

  Dib dib(16, 16, RGB(0, 0, 0));
  mdc.BlitImage(dib.dc(), 5, 5);
  EXPECT_EQ(dib.At(5, 5), RGB(255, 0, 0));
  EXPECT_EQ(dib.At(8, 8), RGB(0, 255, 0));
  EXPECT_EQ(dib.At(9, 9), RGB(0, 0, 0));

  // From an origin inside the surface.
  dib.Fill(RGB(0, 0, 0));
  mdc.BlitImage(dib.dc(), 0, 0, 2, 2, false, 2, 2);
  EXPECT_EQ(dib.At(0, 0), RGB(0, 255, 0));
  EXPECT_EQ(dib.At(2, 2), RGB(0, 0, 0));

  // Source-invert: XOR with what is there.
  dib.Fill(RGB(255, 255, 255));
  mdc.BlitImage(dib.dc(), 0, 0, 0, 0, false, 0, 0, true);
  EXPECT_EQ(dib.At(0, 0), RGB(0, 255, 255));
  EXPECT_EQ(dib.At(3, 3), RGB(255, 0, 255));

  // Stretch: the whole surface into 16 x 16.
  dib.Fill(RGB(0, 0, 0));
  mdc.BlitImage(dib.dc(), 0, 0, 16, 16, true);
  EXPECT_EQ(dib.At(6, 6), RGB(255, 0, 0));
  EXPECT_EQ(dib.At(9, 9), RGB(0, 255, 0));
  EXPECT_EQ(dib.At(15, 15), RGB(0, 255, 0));
}

TEST(MemoryDC, FontHeightFollowsVerticalDpiAndReplacesThePrevious) {
  cMDC mdc;
  mdc.Resize(10, 10);
  HGDIOBJ stock = GetCurrentObject(mdc.hdc(), OBJ_FONT);
  mdc.SetFont(L"Tahoma", 8.5, true, true, false, true, 90);
  HGDIOBJ first = GetCurrentObject(mdc.hdc(), OBJ_FONT);
  LOGFONTW lf{};
  GetObjectW(first, sizeof(lf), &lf);
  int dpi = GetDeviceCaps(mdc.hdc(), LOGPIXELSY);
  EXPECT_EQ(lf.lfHeight, -static_cast<LONG>(std::lround(8.5 * dpi / 72.0)));
  EXPECT_EQ(lf.lfWeight, FW_BOLD);
  EXPECT_TRUE(lf.lfItalic);
  EXPECT_TRUE(lf.lfUnderline);
  EXPECT_FALSE(lf.lfStrikeOut);
  EXPECT_EQ(lf.lfEscapement, 900);
  EXPECT_STREQ(lf.lfFaceName, L"Tahoma");

  mdc.SetFont(L"Tahoma", 20);
  EXPECT_NE(GetCurrentObject(mdc.hdc(), OBJ_FONT), stock);
  EXPECT_EQ(GetObjectType(first), 0u) << "the replaced font is deleted";
  EXPECT_GT(mdc.TextHeight(L"Ag"), 20);
  EXPECT_GT(mdc.TextWidth(L"WWWW"), mdc.TextWidth(L"W"));
}

TEST(MemoryDC, SolidBrushIsSelectedAndRestored) {
  cMDC mdc;
  mdc.Resize(10, 10);
  HGDIOBJ original = GetCurrentObject(mdc.hdc(), OBJ_BRUSH);
  mdc.SetSolidBrush(RGB(0, 0, 255));
  mdc.SetSolidBrush(almanix::kSysActiveCaption);
  HGDIOBJ ours = GetCurrentObject(mdc.hdc(), OBJ_BRUSH);
  LOGBRUSH lb{};
  GetObjectW(ours, sizeof(lb), &lb);
  EXPECT_EQ(lb.lbColor, GetSysColor(COLOR_ACTIVECAPTION));
  mdc.RestoreBrush();
  EXPECT_EQ(GetCurrentObject(mdc.hdc(), OBJ_BRUSH), original);
  EXPECT_EQ(GetObjectType(ours), 0u);
}

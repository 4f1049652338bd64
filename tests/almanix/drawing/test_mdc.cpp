// The drawing surface and frames the controls draw with (their pictures are
// the calendar's, picker's and contract tests').
#include <cmath>

#include "almanix/drawing/frame.h"
#include "almanix/drawing/mdc.h"
#include "tests/almanix/com_test.h"

namespace almanix::testing {
namespace {

constexpr COLORREF kWhite = RGB(255, 255, 255);

TEST(MemoryDC, ClearBoxesAndOpaqueText) {
  cMDC mdc;
  Dib dib(20, 20);
  auto count = [&](COLORREF c) { return mdc.BlitImage(dib.dc()), dib.CountColor(0, 0, 20, 20, c); };
  mdc.Resize(20, 20);
  SetBkColor(mdc.hdc(), RGB(1, 2, 3));
  mdc.SetBackColor(RGB(10, 200, 30));
  mdc.Clear();
  EXPECT_EQ(count(RGB(10, 200, 30)), 400);
  EXPECT_EQ(GetBkColor(mdc.hdc()), RGB(1, 2, 3)) << "the DC's background colour is put back";

  mdc.SetBackColor(kWhite);
  mdc.Clear();
  mdc.DrawBox(2, 2, 10, 10);  // neither colour: nothing
  EXPECT_EQ(count(kWhite), 400);
  mdc.DrawBox(2, 2, 10, 10, 1, std::nullopt, RGB(0, 0, 200));  // fill, no outline
  EXPECT_EQ(count(RGB(0, 0, 200)), 100);
  mdc.Clear();
  mdc.DrawBox(2, 2, 10, 10, 1, RGB(200, 0, 0), 0x80001234);  // outline; untranslatable fill skipped
  EXPECT_EQ(count(RGB(200, 0, 0)), 36);
  EXPECT_EQ(dib.At(11, 11), RGB(200, 0, 0));
  // Opaque text with a colour: the box and the text cell in that colour.
  mdc.DrawText(L"x", 0, 0, 10, 10, RGB(0, 0, 0), RGB(0, 0, 255), DT_LEFT, false);
  EXPECT_GT(count(RGB(0, 0, 255)), 0);
  EXPECT_EQ(dib.At(9, 9), RGB(0, 0, 255));
}

TEST(MemoryDC, TextFlagsZeroCentreAcrossWithWordBreak) {
  cMDC mdc;
  Dib dib(100, 40);
  mdc.Resize(100, 40);
  mdc.SetBackColor(kWhite);
  mdc.Clear();
  mdc.SetFont(L"Tahoma", 12, true);
  SetBkMode(mdc.hdc(), OPAQUE);
  mdc.DrawText(L"II", 0, 0, 100, 40, RGB(0, 0, 0), kNoColor, 0);
  EXPECT_EQ(GetBkMode(mdc.hdc()), OPAQUE) << "drawn transparent, the mode put back";
  mdc.BlitImage(dib.dc());
  auto dark = [](COLORREF c) { return GetRValue(c) < 128; };
  EXPECT_GT(dib.Count(40, 0, 60, 20, dark), 0);
  EXPECT_EQ(dib.Count(0, 0, 30, 40, dark) + dib.Count(70, 0, 100, 40, dark), 0);
  EXPECT_EQ(dib.Count(0, 25, 100, 40, dark), 0) << "not centred down";
}

TEST(MemoryDC, FontsAndBrushesReplaceAndRestoreAndAFailedResizeKeepsNothing) {
  const DWORD before = GetGuiResources(GetCurrentProcess(), GR_GDIOBJECTS);
  {
    cMDC mdc;
    mdc.Resize(10, 10);
    mdc.SetFont(L"Tahoma", 8.5, true, true, false, true, 90);
    HGDIOBJ first = GetCurrentObject(mdc.hdc(), OBJ_FONT);
    LOGFONTW lf{};
    GetObjectW(first, sizeof(lf), &lf);
    EXPECT_EQ(lf.lfHeight, -std::lround(8.5 * GetDeviceCaps(mdc.hdc(), LOGPIXELSY) / 72.0));
    EXPECT_TRUE(lf.lfWeight == FW_BOLD && lf.lfItalic && lf.lfUnderline && !lf.lfStrikeOut && lf.lfEscapement == 900);
    mdc.SetFont(L"Tahoma", 20);
    EXPECT_EQ(GetObjectType(first), 0u) << "the replaced font is deleted";

    HGDIOBJ original = GetCurrentObject(mdc.hdc(), OBJ_BRUSH);
    mdc.SetSolidBrush(RGB(0, 0, 255));
    mdc.SetSolidBrush(kSysActiveCaption);
    HGDIOBJ ours = GetCurrentObject(mdc.hdc(), OBJ_BRUSH);
    LOGBRUSH lb{};
    GetObjectW(ours, sizeof(lb), &lb);
    EXPECT_EQ(lb.lbColor, GetSysColor(COLOR_ACTIVECAPTION));
    mdc.RestoreBrush();
    EXPECT_EQ(GetCurrentObject(mdc.hdc(), OBJ_BRUSH), original);
    EXPECT_EQ(GetObjectType(ours), 0u);

    for (int i = 0; i < 3; ++i) mdc.Resize(60000, 60000);  // no bitmap that large
    EXPECT_TRUE(mdc.hdc() == nullptr && mdc.Width() == 0);
    mdc.Clear();  // drawing on no surface is harmless
    mdc.Resize(10, 10);
    EXPECT_NE(mdc.hdc(), nullptr);
  }
  EXPECT_EQ(GetGuiResources(GetCurrentProcess(), GR_GDIOBJECTS), before) << "nothing left behind";
}

TEST(Frame, CheckPointIsHalfOpen) {
  CFrame f;
  f.Init(cftScroll, cfsScrollLeft, nullptr, 6, 4, 20, 14);  // (4, 6)-(18, 26)
  EXPECT_TRUE(f.CheckPoint(4, 6) && f.CheckPoint(17, 25));
  EXPECT_FALSE(f.CheckPoint(18, 10) || f.CheckPoint(10, 26) || f.CheckPoint(3, 10));
}

}  // namespace
}  // namespace almanix::testing

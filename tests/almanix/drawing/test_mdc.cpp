// The drawing surface and frames the controls draw with (their pictures are
// the contract test's).
#include <cmath>

#include "almanix/drawing/frame.h"
#include "almanix/drawing/mdc.h"
#include "tests/almanix/com_test.h"

namespace almanix::testing {
namespace {

// Clear and transparent text put the DC's background colour and mode back.
TEST(MemoryDC, ClearAndTransparentTextLeaveTheBackgroundAlone) {
  cMDC mdc;
  Dib dib(20, 20);
  mdc.Resize(20, 20);
  SetBkColor(mdc.hdc(), RGB(1, 2, 3));
  SetBkMode(mdc.hdc(), OPAQUE);
  mdc.SetBackColor(RGB(10, 200, 30));
  mdc.Clear();
  mdc.BlitImage(dib.dc());
  EXPECT_EQ(dib.CountColor(0, 0, 20, 20, RGB(10, 200, 30)), 400);
  EXPECT_EQ(GetBkColor(mdc.hdc()), RGB(1, 2, 3));
  mdc.DrawText(L"II", 0, 0, 20, 20, RGB(0, 0, 0), kNoColor, DT_LEFT);
  EXPECT_EQ(GetBkMode(mdc.hdc()), OPAQUE);
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

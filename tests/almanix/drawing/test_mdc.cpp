#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "almanix/drawing/frame.h"
#include "almanix/drawing/mdc.h"
#include "dib.h"

using almanix::cMDC;
using almanix::kNoColor;
using testing_dib::Dib;

namespace {

constexpr COLORREF kWhite = RGB(255, 255, 255);

struct Surface {
  explicit Surface(int w, int h) : dib(w, h) {
    mdc.Resize(w, h);
    mdc.SetBackColor(kWhite);
    mdc.Clear();
  }
  Dib& Snap() {
    mdc.BlitImage(dib.dc());
    return dib;
  }
  cMDC mdc;
  Dib dib;
};

}  // namespace

TEST(MemoryDC, ClearAndBoxes) {
  Surface s(20, 20);
  SetBkColor(s.mdc.hdc(), RGB(1, 2, 3));
  s.mdc.SetBackColor(RGB(10, 200, 30));
  s.mdc.Clear();
  EXPECT_EQ(s.Snap().CountColor(0, 0, 20, 20, RGB(10, 200, 30)), 400);
  EXPECT_EQ(GetBkColor(s.mdc.hdc()), RGB(1, 2, 3)) << "the DC's background colour is put back";

  s.mdc.SetBackColor(kWhite);
  s.mdc.Clear();
  s.mdc.DrawBox(2, 2, 10, 10);  // neither colour: nothing
  EXPECT_EQ(s.Snap().CountColor(0, 0, 20, 20, kWhite), 400);
  s.mdc.DrawBox(2, 2, 10, 10, 1, std::nullopt, RGB(0, 0, 200));  // fill, no outline
  EXPECT_EQ(s.Snap().CountColor(0, 0, 20, 20, RGB(0, 0, 200)), 100);
  s.mdc.Clear();
  s.mdc.DrawBox(2, 2, 10, 10, 1, RGB(200, 0, 0), 0x80001234);  // outline; untranslatable fill skipped
  EXPECT_EQ(s.Snap().CountColor(0, 0, 20, 20, RGB(200, 0, 0)), 36);
  EXPECT_EQ(s.dib.At(11, 11), RGB(200, 0, 0));
}

TEST(MemoryDC, TextFlagsAndOpaqueBackground) {
  Surface s(100, 40);
  s.mdc.SetFont(L"Tahoma", 12, true);
  SetBkMode(s.mdc.hdc(), OPAQUE);
  s.mdc.DrawText(L"II", 0, 0, 100, 40, RGB(0, 0, 0), kNoColor, 0);
  EXPECT_EQ(GetBkMode(s.mdc.hdc()), OPAQUE);
  auto dark = [](COLORREF c) { return GetRValue(c) < 128; };
  Dib& d = s.Snap();
  // Flags 0: centred across, word break (so not centred vertically).
  EXPECT_GT(d.Count(40, 0, 60, 20, dark), 0);
  EXPECT_EQ(d.Count(0, 0, 30, 40, dark) + d.Count(70, 0, 100, 40, dark), 0);
  EXPECT_EQ(d.Count(0, 25, 100, 40, dark), 0);
  // Opaque with a colour: the box and the text cell in that colour.
  s.mdc.DrawText(L"x", 0, 0, 10, 10, RGB(0, 0, 0), RGB(0, 0, 255), DT_LEFT, false);
  EXPECT_EQ(s.Snap().At(9, 9), RGB(0, 0, 255));
}

TEST(MemoryDC, BlitCopiesInvertsAndStretches) {
  cMDC mdc;
  mdc.Resize(4, 4);
  mdc.SetBackColor(RGB(0, 255, 0));
  mdc.Clear();
  mdc.DrawBox(0, 0, 2, 2, 1, std::nullopt, RGB(255, 0, 0));
  Dib dib(16, 16, RGB(0, 0, 0));
  mdc.BlitImage(dib.dc(), 5, 5);
  EXPECT_EQ((std::vector<COLORREF>{dib.At(5, 5), dib.At(8, 8), dib.At(9, 9)}),
            (std::vector<COLORREF>{RGB(255, 0, 0), RGB(0, 255, 0), RGB(0, 0, 0)}));

  dib.Fill(RGB(255, 255, 255));
  mdc.BlitImage(dib.dc(), 0, 0, 0, 0, false, 0, 0, true);
  EXPECT_TRUE(dib.At(0, 0) == RGB(0, 255, 255) && dib.At(3, 3) == RGB(255, 0, 255));

  dib.Fill(RGB(0, 0, 0));
  mdc.BlitImage(dib.dc(), 0, 0, 16, 16, true);
  EXPECT_TRUE(dib.At(6, 6) == RGB(255, 0, 0) && dib.At(15, 15) == RGB(0, 255, 0));
}

TEST(MemoryDC, FontsAndBrushesReplaceAndRestore) {
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
  mdc.SetSolidBrush(almanix::kSysActiveCaption);
  HGDIOBJ ours = GetCurrentObject(mdc.hdc(), OBJ_BRUSH);
  LOGBRUSH lb{};
  GetObjectW(ours, sizeof(lb), &lb);
  EXPECT_EQ(lb.lbColor, GetSysColor(COLOR_ACTIVECAPTION));
  mdc.RestoreBrush();
  EXPECT_EQ(GetCurrentObject(mdc.hdc(), OBJ_BRUSH), original);
  EXPECT_EQ(GetObjectType(ours), 0u);
}

TEST(MemoryDC, AResizeThatCannotBeMadeLeavesNoSurfaceAndNothingBehind) {
  const DWORD before = GetGuiResources(GetCurrentProcess(), GR_GDIOBJECTS);
  {
    cMDC mdc;
    mdc.Resize(10, 10);
    for (int i = 0; i < 3; ++i) mdc.Resize(60000, 60000);  // no bitmap that large
    EXPECT_TRUE(mdc.hdc() == nullptr && mdc.Width() == 0);
    mdc.Clear();  // drawing on no surface is harmless
    mdc.Resize(10, 10);
    EXPECT_NE(mdc.hdc(), nullptr);
  }
  EXPECT_EQ(GetGuiResources(GetCurrentProcess(), GR_GDIOBJECTS), before);
}

TEST(Frame, CheckPointIsHalfOpen) {
  almanix::CFrame f;
  f.Init(almanix::cftScroll, almanix::cfsScrollLeft, nullptr, 6, 4, 20, 14);  // (4, 6)-(18, 26)
  EXPECT_TRUE(f.CheckPoint(4, 6) && f.CheckPoint(17, 25));
  EXPECT_FALSE(f.CheckPoint(18, 10) || f.CheckPoint(10, 26) || f.CheckPoint(3, 10));
}

TEST(Frame, DisabledFrameHasTheInactiveBitAndMonoStaysSixteenBit) {
  almanix::CFrame f;
  f.Init(almanix::cftButton, almanix::cfsButtonPush, nullptr, 0, 0, 10, 10);
  f.AddState(almanix::cfsFlat | almanix::cfspushed);
  f.RemoveState(almanix::cfspushed);
  f.Enabled = false;
  EXPECT_EQ(f.DrawFlags(), UINT(DFCS_BUTTONPUSH | DFCS_FLAT | DFCS_INACTIVE));
  EXPECT_EQ(f.State, almanix::cfsFlat);
  f.Enabled = true;
  f.State = almanix::cfsMono;
  EXPECT_EQ(f.DrawFlags(), UINT(DFCS_BUTTONPUSH | DFCS_MONO));
}

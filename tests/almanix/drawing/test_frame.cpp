#include <gtest/gtest.h>

#include "almanix/drawing/frame.h"
#include "dib.h"

using almanix::CFrame;
using testing_dib::Dib;

TEST(Frame, CheckPointIsHalfOpen) {
  CFrame f;
  f.Init(almanix::cftScroll, almanix::cfsScrollLeft, nullptr, 6, 4, 20, 14);
  EXPECT_EQ(f.Rect().left, 4);
  EXPECT_EQ(f.Rect().top, 6);
  EXPECT_EQ(f.Rect().right, 18);
  EXPECT_EQ(f.Rect().bottom, 26);
  EXPECT_TRUE(f.CheckPoint(4, 6));
  EXPECT_TRUE(f.CheckPoint(17, 25));
  EXPECT_FALSE(f.CheckPoint(18, 10));
  EXPECT_FALSE(f.CheckPoint(10, 26));
  EXPECT_FALSE(f.CheckPoint(3, 10));
}

TEST(Frame, StateBitsAndTheInactiveBitOfADisabledFrame) {
  CFrame f;
  f.Init(almanix::cftButton, almanix::cfsButtonPush, nullptr, 0, 0, 10, 10);
  f.AddState(almanix::cfsFlat);
  f.AddState(almanix::cfspushed);
  EXPECT_EQ(f.DrawFlags(), UINT(DFCS_BUTTONPUSH | DFCS_FLAT | DFCS_PUSHED));
  f.RemoveState(almanix::cfspushed);
  EXPECT_EQ(f.State, almanix::cfsFlat);
  f.Enabled = false;
  EXPECT_EQ(f.DrawFlags(), UINT(DFCS_BUTTONPUSH | DFCS_FLAT | DFCS_INACTIVE));
  EXPECT_EQ(f.State, almanix::cfsFlat) << "Enabled does not touch State";
  // The mono bit stays one 16-bit flag.
  f.Enabled = true;
  f.State = almanix::cfsMono;
  EXPECT_EQ(f.DrawFlags(), UINT(DFCS_BUTTONPUSH | DFCS_MONO));
}

TEST(Frame, PaintsLikeTheSystemAndNotWhenHidden) {
  Dib drawn(40, 40), expected(40, 40);
  CFrame f;
  f.Init(almanix::cftScroll, almanix::cfsScrollLeft, drawn.dc(), 6, 4, 20, 14);
  f.Enabled = false;
  f.Paint();
  RECT r{4, 6, 18, 26};
  DrawFrameControl(expected.dc(), &r, DFC_SCROLL, DFCS_SCROLLLEFT | DFCS_INACTIVE);
  int differ = 0;
  for (int y = 0; y < 40; ++y)
    for (int x = 0; x < 40; ++x) differ += drawn.At(x, y) != expected.At(x, y);
  EXPECT_EQ(differ, 0);
  EXPECT_NE(drawn.At(10, 15), RGB(255, 0, 255));

  Dib hidden(40, 40);
  f.SetHdc(hidden.dc());
  f.Visible = false;
  f.Paint();
  EXPECT_EQ(hidden.CountColor(0, 0, 40, 40, RGB(255, 0, 255)), 1600);
}

#include <gtest/gtest.h>

#include "almanix/drawing/frame.h"

using almanix::CFrame;

TEST(Frame, CheckPointIsHalfOpen) {
  CFrame f;
  f.Init(almanix::cftScroll, almanix::cfsScrollLeft, nullptr, 6, 4, 20, 14);  // (4, 6)-(18, 26)
  EXPECT_TRUE(f.CheckPoint(4, 6));
  EXPECT_TRUE(f.CheckPoint(17, 25));
  EXPECT_FALSE(f.CheckPoint(18, 10));
  EXPECT_FALSE(f.CheckPoint(10, 26));
  EXPECT_FALSE(f.CheckPoint(3, 10));
}

TEST(Frame, DisabledFrameHasTheInactiveBitAndMonoStaysSixteenBit) {
  CFrame f;
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


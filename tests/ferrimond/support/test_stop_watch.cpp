#include <windows.h>

#include <gtest/gtest.h>

#include <cstdint>
#include <limits>

#include "ferrimond/support/stop_watch.h"

using ferrimond::StopWatch;

namespace {

uint64_t fakeTicks = 0;
uint64_t FakeTicks() { return fakeTicks; }

class FakeClock : public ::testing::Test {
 protected:
  void SetUp() override { StopWatch::SetTickSource(FakeTicks); }
  void TearDown() override { StopWatch::SetTickSource(nullptr); }

  int32_t Elapsed(uint64_t start, uint64_t end) {
    StopWatch watch;
    fakeTicks = start;
    watch.StartTimer();
    fakeTicks = end;
    return watch.EndTimer();
  }
};

}  // namespace

// The tick count is 64 bits wide: no wrap after 24.8 or 49.7 days.
TEST_F(FakeClock, ElapsedIsRightAcrossTheOld32BitLimitsAndClampedBeyondTheRange) {
  EXPECT_EQ(Elapsed(0x7FFFFF00u, 0x80000100u), 512);      // where a signed 32-bit count turns negative
  EXPECT_EQ(Elapsed(0xFFFFFF00u, 0x100000100ull), 512);   // where a 32-bit count wraps to zero
  EXPECT_EQ(Elapsed(1000, 1000), 0);
  EXPECT_EQ(Elapsed(0, 0x100000000ull), std::numeric_limits<int32_t>::max());
}

TEST(StopWatch, MeasuresRealTime) {
  StopWatch watch;
  watch.StartTimer();
  Sleep(60);
  const int32_t ms = watch.EndTimer();
  EXPECT_GE(ms, 40);
  EXPECT_LT(ms, 10000);
}

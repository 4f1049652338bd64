#include <windows.h>

#include <gtest/gtest.h>

#include <cstdint>
#include <limits>

#include "ferrimond/support/at_exit.h"
#include "ferrimond/support/stop_watch.h"

using ferrimond::StopWatch;

namespace {

uint64_t fakeTicks = 0;

int32_t Elapsed(uint64_t start, uint64_t end) {
  StopWatch::SetTickSource([] { return fakeTicks; });
  ferrimond::AtExit restore([] { StopWatch::SetTickSource(nullptr); });
  StopWatch watch;
  fakeTicks = start;
  watch.StartTimer();
  fakeTicks = end;
  return watch.EndTimer();
}

}  // namespace

// The tick count is 64 bits wide: no wrap after 24.8 or 49.7 days.
TEST(StopWatch, ElapsedIsRightAcrossTheOld32BitLimitsAndClampedBeyondTheRange) {
  EXPECT_EQ(Elapsed(0x7FFFFF00u, 0x80000100u), 512);     // where a signed 32-bit count turns negative
  EXPECT_EQ(Elapsed(0xFFFFFF00u, 0x100000100ull), 512);  // where a 32-bit count wraps to zero
  EXPECT_EQ(Elapsed(0, 0x100000000ull), std::numeric_limits<int32_t>::max());
}

TEST(StopWatch, MeasuresRealTimeInMilliseconds) {
  StopWatch watch;
  watch.StartTimer();
  Sleep(60);
  const int32_t ms = watch.EndTimer();
  EXPECT_TRUE(ms >= 40 && ms < 10000) << ms;
}

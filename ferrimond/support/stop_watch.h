#pragma once
// Millisecond stopwatch over the system tick counter.
//
// The counter is read as a 64-bit value, so an elapsed time is right however
// long the system has been running (a 32-bit count wraps after 49.7 days and
// turns negative in signed arithmetic after 24.8).
#include <cstdint>

namespace ferrimond {

class StopWatch {
 public:
  using TickSource = uint64_t (*)();

  void StartTimer();
  // Milliseconds since the last StartTimer; an elapsed time beyond the 32-bit
  // range (24.8 days) is reported as INT32_MAX rather than failing.
  int32_t EndTimer() const;

  // Replaces the system counter (tests); null restores it.
  static void SetTickSource(TickSource source);

 private:
  uint64_t start_ = 0;
};

}  // namespace ferrimond

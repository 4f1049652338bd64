#include "ferrimond/support/stop_watch.h"

#include <windows.h>

#include <limits>

namespace ferrimond {

namespace {

uint64_t SystemTicks() { return GetTickCount64(); }

StopWatch::TickSource tickSource = SystemTicks;

}  // namespace

void StopWatch::SetTickSource(TickSource source) { tickSource = source ? source : SystemTicks; }

void StopWatch::StartTimer() { start_ = tickSource(); }

int32_t StopWatch::EndTimer() const {
  const uint64_t now = tickSource();
  const uint64_t elapsed = now >= start_ ? now - start_ : 0;
  constexpr uint64_t kMax = std::numeric_limits<int32_t>::max();
  return static_cast<int32_t>(elapsed < kMax ? elapsed : kMax);
}

}  // namespace ferrimond

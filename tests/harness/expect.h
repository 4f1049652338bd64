#pragma once
// Small helpers shared by tests on every build (header only, no Windows).
#include <gtest/gtest.h>

#include <cstdint>

#include "common/numbered_error.h"
#include "common/ole_date.h"

namespace harness {

// The number of the NumberedError that `f` raises; 0 when it raises none.
template <class F>
int32_t ErrorNumberOf(F&& f) {
  try {
    f();
  } catch (const common::NumberedError& e) {
    return e.Number();
  }
  return 0;
}

// A moment that must exist in the calendar.
inline common::DateTime At(int y, int m, int d, int hh = 0, int mm = 0, int ss = 0) {
  common::DateTime out;
  EXPECT_TRUE(common::DateTime::FromParts({y, m, d, hh, mm, ss}, out)) << y << "-" << m << "-" << d;
  return out;
}

}  // namespace harness

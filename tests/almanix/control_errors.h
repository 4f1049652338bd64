#pragma once
// The numbered errors the controls raise.
#include <gtest/gtest.h>

#include <cstdint>

#include "common/numbered_error.h"

namespace almanix::testing {

// The number of the error `f` raises, 0 when it raises none; an error must
// come from the controls' source.
template <class F>
int32_t ControlErrorOf(F&& f) {
  try {
    f();
  } catch (const common::NumberedError& e) {
    EXPECT_EQ(e.Source(), L"DatePicker");
    return e.Number();
  }
  return 0;
}

}  // namespace almanix::testing

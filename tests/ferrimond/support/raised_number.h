#pragma once
// The number of the common::NumberedError that `f` raises; 0 when it raises
// nothing.
#include <cstdint>

#include "common/numbered_error.h"

template <class F>
int32_t RaisedNumber(F&& f) {
  try {
    f();
  } catch (const common::NumberedError& e) {
    return e.Number();
  }
  return 0;
}

#include "almanix/core/date_range.h"

#include "almanix/core/control_error.h"
#include "common/numbered_error.h"

namespace almanix {

bool IsRepresentableDate(double serial) { return serial >= -657434.0 && serial < 2958466.0; }

void RequireRepresentableDate(common::DateTime value) {
  if (!IsRepresentableDate(value.Value())) common::Raise(common::ErrInvalidArgument, kErrorSource);
}

common::DateTime DefaultMinDate() { return common::DateTime::Serial(1601, 1, 1); }
common::DateTime DefaultMaxDate() { return common::DateTime::Serial(9999, 12, 31); }

}  // namespace almanix

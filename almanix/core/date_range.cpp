#include "almanix/core/date_range.h"

namespace almanix {

bool IsRepresentableDate(double serial) { return serial >= -657434.0 && serial < 2958466.0; }

common::DateTime DefaultMinDate() { return common::DateTime::Serial(1601, 1, 1); }
common::DateTime DefaultMaxDate() { return common::DateTime::Serial(9999, 12, 31); }

}  // namespace almanix

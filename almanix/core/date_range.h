#pragma once
// The dates the controls accept.
#include "common/ole_date.h"

namespace almanix {

// Whether a serial date names a moment of years 100-9999, the years the
// controls can show.
bool IsRepresentableDate(double serial);
// Raises ErrInvalidArgument (from kErrorSource) for a date that is not.
void RequireRepresentableDate(common::DateTime value);

// The range of a new control: 1 January 1601 to 31 December 9999.
common::DateTime DefaultMinDate();
common::DateTime DefaultMaxDate();

}  // namespace almanix

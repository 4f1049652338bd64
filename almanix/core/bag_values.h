#pragma once
// Dates and colours in a property bag, as every control stores them.
#include "almanix/core/ole_color.h"
#include "common/ole_date.h"
#include "common/property_bag.h"

namespace almanix {

// A date stored as a date value of years 100-9999, or as text: "m/d/yyyy"
// (the form default dates were written in) or a date in the user's locale.
// `def` when the entry is missing or none of these.
common::DateTime ReadBagDate(const common::PropertyBag& bag, const wchar_t* name, common::DateTime def);

// Colours are kept as signed 32-bit numbers; the default is not written.
OleColor ReadBagColor(const common::PropertyBag& bag, const wchar_t* name, OleColor def);
void WriteBagColor(common::PropertyBag& bag, const wchar_t* name, OleColor value, OleColor def);

}  // namespace almanix

#pragma once
// DateTag: the start day as month_day_year (12_31_2004), used in the names
// of the per-day files in the log folder.
#include <string>

#include "common/ole_date.h"

namespace ferrimond {

// Takes the short-date text's fields around its first two "/" (so a
// day/month locale keeps its own order). Where the text has fewer than two
// "/" or would give a name the file system refuses, the tag is built from
// the date's own numbers instead, which equals the United States text.
std::wstring MakeDateTag(const std::wstring& shortDateText, common::DateTime date);

}  // namespace ferrimond

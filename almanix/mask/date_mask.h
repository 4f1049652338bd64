#pragma once
// CDateMask: one entry of a date picker's field row, either literal text of
// the pattern or an editable field built from one format token, with its
// own copy of the value and the digits typed but not yet committed.
#include <cstdint>
#include <string>

#include "common/ole_date.h"

namespace almanix {

class cMDC;

class CDateMask {
 public:
  // Stores the box and the surface (not owned), measures the width on it
  // and derives the kind. Minute tokens "m"/"mm" are kept as "n"/"nn",
  // "yyy" as "yyyy".
  void Init(cMDC* mDC, const std::wstring& Mask, int Left, int Height);

  common::DateTime Value() const { return value_; }
  void SetValue(common::DateTime value) { value_ = value; }

  // "M", "d", "y", "h", "m", "s", "t", or empty for a literal.
  const std::wstring& BasicType() const { return kind_; }
  bool isliteral() const { return literal_; }
  const std::wstring& Mask() const { return mask_; }

  // Whether the point lies in the box (right and bottom edges outside).
  bool CheckPoint(int32_t X, int32_t Y) const;

  // Takes one typed character: digits build up the typed component; any
  // other character on a year field starts again from the shown year.
  void HandleKeyPress(int16_t KeyAscii);
  // Steps the value by Amount units of the field's kind; months and years
  // keep the day where the target month has it and take its last day
  // otherwise. A step past the calendar's range stops at its end.
  void AddValue(int16_t Amount);
  // Commits the typed digits into the value when they form a valid
  // component. The typed digits are cleared in every case; false when
  // nothing was typed or the component was invalid.
  bool Validate();
  bool HasTyped() const { return !typed_.empty(); }
  const std::wstring& Typed() const { return typed_; }

  // The text the entry shows now.
  std::wstring Text() const;
  // Draws the entry on the surface; a selected field in the system's
  // highlight colours.
  void Paint();

  int Left = 0;
  int Height = 0;
  int Width = 0;
  bool selected = false;

 private:
  bool TwoDigitMask() const;
  bool YearMask() const;

  cMDC* mdc_ = nullptr;
  std::wstring mask_;
  std::wstring kind_;
  bool literal_ = true;
  std::wstring typed_;
  common::DateTime value_;
};

// The moment with its date replaced and its time of day kept (WithDate), or
// the other way round (WithTime). A day past the end of the target month
// becomes the month's last day; parts no moment has leave the value as it
// was.
common::DateTime WithDate(common::DateTime value, int year, int month, int day);
common::DateTime WithTime(common::DateTime value, int hour, int minute, int second);

// The locale's morning and afternoon designators.
std::wstring AmDesignator();
std::wstring PmDesignator();
// The value formatted with one token, as the locale writes it ("MMMM" the
// full month name, "h" the 12-hour clock, "tt" the designator, "n"/"nn"
// minutes); other text comes back unchanged.
std::wstring FormatToken(common::DateTime value, const std::wstring& token);

}  // namespace almanix

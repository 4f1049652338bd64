#pragma once
// The picker's receiver of its drop-down calendar's events (private to the
// picker's sources).
#include "almanix/picker/date_picker.h"

namespace almanix {

class DatePicker::CalendarSink : public MonthCalendarEvents {
 public:
  explicit CalendarSink(DatePicker& owner) : owner_(owner) {}
  void Change() override { owner_.OnCalendarChange(); }
  void EmptyClicked() override { owner_.OnCalendarEmptyClicked(); }

 private:
  DatePicker& owner_;
};

}  // namespace almanix

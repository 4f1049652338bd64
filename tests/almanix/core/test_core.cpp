#include <gtest/gtest.h>

#include "almanix/core/control_error.h"
#include "almanix/core/event_source.h"
#include "almanix/core/library_state.h"
#include "almanix/core/locale_names.h"
#include "common/numbered_error.h"

using common::DateTime;

namespace {

struct Sink {
  virtual ~Sink() = default;
  virtual void Cancelable(bool& cancel, int& seen) {}
};

struct Recorder : Sink {
  explicit Recorder(bool cancel) : cancel_(cancel) {}
  void Cancelable(bool& cancel, int& seen) override {
    seenCancel = cancel;
    ++seen;
    if (cancel_) cancel = true;
  }
  bool cancel_;
  bool seenCancel = false;
};

}  // namespace

TEST(EventSource, ArgumentsTravelByReferenceInAdviseOrder) {
  almanix::EventSource<Sink> events;
  Recorder first(true), second(false);
  events.Advise(&first);
  events.Advise(&second);
  events.Advise(&first);  // once only
  bool cancel = false;
  int seen = 0;
  events.Fire(&Sink::Cancelable, cancel, seen);
  EXPECT_TRUE(cancel);
  EXPECT_EQ(seen, 2);
  EXPECT_TRUE(second.seenCancel) << "a later sink sees what an earlier one wrote";
}

TEST(EventSource, ASinkRemovedDuringAnEventIsNotCalled) {
  almanix::EventSource<Sink> events;
  struct Remover : Sink {
    almanix::EventSource<Sink>* source;
    Sink* victim;
    void Cancelable(bool&, int& seen) override {
      ++seen;
      source->Unadvise(victim);
    }
  } remover;
  Recorder victim(false);
  remover.source = &events;
  remover.victim = &victim;
  events.Advise(&remover);
  events.Advise(&victim);
  bool cancel = false;
  int seen = 0;
  events.Fire(&Sink::Cancelable, cancel, seen);
  EXPECT_EQ(seen, 1);
}

TEST(ControlErrors, NumbersTextsAndSource) {
  for (auto [number, text] : {std::pair{1068, L"MinDate can't be larger than MaxDate"},
                              std::pair{1070, L"MaxDate can't be smaller than MinDate"},
                              std::pair{2050, L"The Date specified doesn't fall within the Min/Max Values"}}) {
    try {
      almanix::RaiseControlError(number);
      FAIL();
    } catch (const common::NumberedError& e) {
      EXPECT_EQ(e.Number(), number);
      EXPECT_EQ(e.Description(), text);
      EXPECT_EQ(e.Source(), L"DatePicker");
    }
  }
}

TEST(LocaleNames, UnitedStatesNamesAndWeekdays) {
  EXPECT_EQ(almanix::MonthName(1), L"January");
  EXPECT_EQ(almanix::MonthName(12), L"December");
  EXPECT_EQ(almanix::AbbrevDayName(1), L"Sun");
  EXPECT_EQ(almanix::AbbrevDayName(2), L"Mon");
  EXPECT_EQ(almanix::AbbrevDayName(7), L"Sat");
  EXPECT_EQ(almanix::SystemFirstDayOfWeek(), 1);
  DateTime sunday = DateTime::Serial(2026, 2, 1);
  EXPECT_EQ(almanix::WeekdayFrom(sunday, 1), 1);
  EXPECT_EQ(almanix::WeekdayFrom(sunday, 2), 7);  // Monday first: Sunday is last
  EXPECT_EQ(almanix::WeekdayFrom(sunday, 0), 1);
  EXPECT_EQ(almanix::WeekdayFrom(DateTime::Serial(2026, 2, 4), 7), 5);  // Wednesday from Saturday
  EXPECT_EQ(almanix::MediumDateText(DateTime::Serial(2026, 12, 5)), L"05-Dec-26");
  EXPECT_EQ(almanix::MediumDateText(DateTime::Serial(1601, 1, 1)), L"01-Jan-01");
}

TEST(LibraryState, LocalePatternsReadOncePerThread) {
  almanix::ReadLocalePatterns();
  auto& s = almanix::State();
  EXPECT_TRUE(s.localeRead);
  EXPECT_EQ(s.shortDatePattern, L"M/d/yyyy");
  EXPECT_FALSE(s.longDatePattern.empty());
  EXPECT_FALSE(s.timePattern.empty());
  s.shortDatePattern = L"changed";
  almanix::ReadLocalePatterns();
  EXPECT_EQ(s.shortDatePattern, L"changed");
}

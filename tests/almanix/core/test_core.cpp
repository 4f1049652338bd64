#include <gtest/gtest.h>

#include "almanix/core/control_error.h"
#include "almanix/core/event_source.h"
#include "common/numbered_error.h"

namespace {

struct Sink {
  virtual ~Sink() = default;
  virtual void Cancelable(bool& cancel, int& calls) {}
};

struct Canceller : Sink {
  void Cancelable(bool& cancel, int& calls) override {
    seen = cancel;
    ++calls;
    cancel = true;
  }
  bool seen = false;
};

}  // namespace

TEST(EventSource, ByReferenceArgumentsInAdviseOrder) {
  almanix::EventSource<Sink> events;
  Canceller first, second;
  events.Advise(&first);
  events.Advise(&second);
  events.Advise(&first);  // once only
  bool cancel = false;
  int calls = 0;
  events.Fire(&Sink::Cancelable, cancel, calls);
  EXPECT_TRUE(cancel);
  EXPECT_EQ(calls, 2);
  EXPECT_FALSE(first.seen);
  EXPECT_TRUE(second.seen) << "a later sink sees what an earlier one wrote";
  events.Unadvise(&first);
  events.Fire(&Sink::Cancelable, cancel, calls);
  EXPECT_EQ(calls, 3);
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

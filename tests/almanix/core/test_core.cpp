#include <gtest/gtest.h>

#include <cmath>

#include "almanix/core/bag_values.h"
#include "almanix/core/event_source.h"
#include "common/date_text.h"

namespace {

struct Sink {
  virtual ~Sink() = default;
  virtual void Cancelable(bool& cancel, int& calls) {
    seen = cancel;
    ++calls;
    cancel = true;
  }
  bool seen = false;
};

}  // namespace

TEST(EventSource, ByReferenceArgumentsInAdviseOrder) {
  almanix::EventSource<Sink> events;
  Sink first, second;
  events.Advise(&first);
  events.Advise(&second);
  events.Advise(&first);  // once only
  bool cancel = false;
  int calls = 0;
  events.Fire(&Sink::Cancelable, cancel, calls);
  EXPECT_EQ(calls, 2);
  EXPECT_TRUE(!first.seen && second.seen) << "a later sink sees what an earlier one wrote";
  events.Unadvise(&first);
  events.Fire(&Sink::Cancelable, cancel, calls);
  EXPECT_EQ(calls, 3);
}

TEST(BagValues, DatesOfTheShownYearsAndTextsAndSignedSystemColours) {
  using common::DateTime;
  const DateTime def = DateTime::Serial(2001, 2, 3);
  common::MemoryPropertyBag bag;
  bag.Write(L"TooEarly", DateTime::Serial(100, 1, 1).Value() - 1);
  bag.Write(L"TooLate", DateTime::Serial(9999, 12, 31).Value() + 1);
  bag.Write(L"NaN", std::nan(""));
  bag.Write(L"MonthFirst", std::wstring(L"12/31/2030"));
  bag.Write(L"Locale", common::ShortDateText(DateTime::Serial(1999, 5, 6)));
  bag.Write(L"NoDay", std::wstring(L"2/30/2030"));
  bag.Write(L"Words", std::wstring(L"soon"));
  bag.Write(L"Flag", true);
  EXPECT_EQ(almanix::ReadBagDate(bag, L"MonthFirst", def), DateTime::Serial(2030, 12, 31));
  EXPECT_EQ(almanix::ReadBagDate(bag, L"Locale", def), DateTime::Serial(1999, 5, 6));
  for (const wchar_t* name : {L"TooEarly", L"TooLate", L"NaN", L"NoDay", L"Words", L"Flag", L"Missing"})
    EXPECT_EQ(almanix::ReadBagDate(bag, name, def), def) << name;

  // System colours have the top bit set: they must survive the signed bag number.
  almanix::WriteBagColor(bag, L"Back", almanix::kSysWindow, almanix::kSysWindow);
  EXPECT_FALSE(bag.Read(L"Back")) << "the default is left out";
  almanix::WriteBagColor(bag, L"Back", almanix::kSysButtonFace, almanix::kSysWindow);
  EXPECT_EQ(almanix::ReadBagColor(bag, L"Back", 0), almanix::kSysButtonFace);
  EXPECT_EQ(almanix::ReadBagColor(bag, L"Missing", 0x123456), 0x123456u);
}

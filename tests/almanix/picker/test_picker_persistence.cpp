// Reading a picker's saved properties (every property's round trip is the
// contract test's, through the library).
#include "tests/almanix/picker/picker_fixture.h"

namespace almanix::testing {
namespace {

// A new control writes the defaults an empty bag does not have; an empty
// bag reads as the old saved controls did.
TEST_F(PickerTest, NewControlAndEmptyBagDefaultsDiffer) {
  common::MemoryPropertyBag bag;
  picker_->SetValue(At(2004, 9, 7));
  picker_->WriteProperties(bag);
  DatePicker loaded;
  Recorder loadEvents;
  loaded.Events().Advise(&loadEvents);
  loaded.ReadProperties(bag);
  EXPECT_TRUE(!loaded.FlatButton() && loaded.EmptyButtonCaption() == L"None" && loaded.Value() == At(2004, 9, 7));
  EXPECT_TRUE(loadEvents.log.empty()) << "loading raises no events";

  loaded.ReadProperties(common::MemoryPropertyBag{});
  EXPECT_TRUE(loaded.FlatButton() && loaded.Calendar().EmptyButton());
  EXPECT_FALSE(loaded.Value().has_value());
  EXPECT_EQ(loaded.EmptyButtonCaption(), L"Empty");
  EXPECT_FALSE(State().bLoading);
  common::MemoryPropertyBag out;
  loaded.WriteProperties(out);
  EXPECT_TRUE(out.Values().empty()) << "the bag's defaults are left out";
}

TEST_F(PickerTest, BagTextsAndBadEntriesAreReadSafely) {
  common::MemoryPropertyBag bag;
  bag.Write(L"MaxDate", std::wstring(L"12/31/2030"));
  bag.Write(L"MinDate", std::wstring(L"1/1/2000"));
  bag.Write(L"Value", At(2040, 5, 5).Value());  // outside the stored range
  bag.Write(L"Format", int32_t{7});
  picker_->ReadProperties(bag);
  EXPECT_EQ(picker_->MaxDate(), At(2030, 12, 31));
  EXPECT_EQ(picker_->MinDate(), At(2000, 1, 1));
  EXPECT_EQ(picker_->Value(), At(2030, 12, 31)) << "clamped into the range";
  EXPECT_EQ(picker_->Format(), dtpShortDate);

  common::MemoryPropertyBag reversed;
  reversed.Write(L"MaxDate", At(2000, 1, 1).Value());
  reversed.Write(L"MinDate", At(2030, 1, 1).Value());
  picker_->ReadProperties(reversed);
  EXPECT_LE(picker_->MinDate(), picker_->MaxDate());

  EXPECT_EQ(FontToText({L"Tahoma", 8.25, true}), L"Tahoma;8.25;1;0;0;0");
  PickerFont back;
  for (const wchar_t* bad : {L"", L"Tahoma;8;0;0;0", L"Tahoma;-1;0;0;0;0", L"Tahoma;8x;0;0;0;0"})
    EXPECT_FALSE(FontFromText(bad, back)) << bad;
}

}  // namespace
}  // namespace almanix::testing

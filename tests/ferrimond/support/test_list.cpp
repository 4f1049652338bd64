#include <gtest/gtest.h>

#include <random>
#include <vector>

#include "ferrimond/support/list.h"

using ferrimond::List;
using ferrimond::ListItem;

namespace {

std::vector<std::wstring> Values(const List& list) {
  std::vector<std::wstring> out;
  for (auto item = list.Head(); item; item = item->NextItem) out.push_back(item->Value);
  return out;
}

}  // namespace

TEST(List, DuplicateGoesInFrontOfItsEqualsAndDeleteTakesTheFirst) {
  List list;
  list.Add(L"a");
  auto first = list.Head();
  list.Add(L"b");
  list.Add(L"a");
  auto second = list.Head();
  ASSERT_NE(first, second);
  EXPECT_EQ(second->NextItem, first);  // the newer equal stands in front
  EXPECT_TRUE(list.Delete(L"a"));
  EXPECT_EQ(list.Head(), first);
  EXPECT_TRUE(list.Delete(L"a"));
  EXPECT_EQ(Values(list), (std::vector<std::wstring>{L"b"}));
}

TEST(List, HeldEntriesStayValidAndLinkedWhileOthersAreAdded) {
  List list;
  list.Add(L"m");
  std::shared_ptr<ListItem> held = list.Head();
  list.Add(L"z");
  list.Add(L"a");
  list.Add(L"n");
  EXPECT_EQ(held->Value, L"m");
  EXPECT_EQ(held->NextItem->Value, L"n");
  list.Delete(L"m");
  EXPECT_EQ(held->Value, L"m");  // a removed entry a caller holds lives on
  EXPECT_EQ(Values(list), (std::vector<std::wstring>{L"a", L"n", L"z"}));
}

TEST(List, MatchesAReferenceModelUnderRandomAddsAndDeletes) {
  // The index must give exactly the chain the linear search would build, in
  // ascending character-code order (upper case before lower, "" first).
  std::mt19937 rng(42);
  List list;
  std::vector<std::wstring> model;
  for (int step = 0; step < 4000; ++step) {
    std::wstring v(rng() % 4, L'a');
    for (auto& c : v) c = L"Bab"[rng() % 3];
    if (rng() % 3 == 0) {
      auto it = std::lower_bound(model.begin(), model.end(), v);
      const bool present = it != model.end() && *it == v;
      if (present) model.erase(it);
      ASSERT_EQ(list.Delete(v), present);
    } else {
      model.insert(std::lower_bound(model.begin(), model.end(), v), v);
      list.Add(v);
    }
  }
  EXPECT_EQ(Values(list), model);
  EXPECT_EQ(list.Count(), model.size());
}

TEST(List, ReleasingALongChainDoesNotRecurse) {
  auto list = std::make_unique<List>();
  for (int i = 0; i < 300000; ++i) list->Add(std::to_wstring(1000000 + i));
  list.reset();
  SUCCEED();
}

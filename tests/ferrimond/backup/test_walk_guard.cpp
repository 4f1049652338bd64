// The walk's guard against entering one folder twice: it skips only a folder
// that it really entered before, and walks whatever it cannot tell.
#include <gtest/gtest.h>

#include <map>
#include <string>

#include "ferrimond/backup/walk_guard.h"

namespace ferrimond {
namespace {

TEST(WalkGuard, SkipsOnlyAFolderItReallyEnteredBefore) {
  struct Visit {
    const wchar_t* path;
    uint64_t index;
    bool enteredBefore;
  };
  const struct {
    const char* name;
    std::map<std::wstring, FileIdentity> identities;  // a path missing here cannot be identified
    std::vector<Visit> visits;
  } cases[] = {
      {"a link back to a folder entered before", {{L"C:\\t", {7, 40, 0}}, {L"C:\\t\\loop", {7, 40, 0}}},
       {{L"C:\\t", 40, false}, {L"C:\\t\\loop", 40, true}}},
      {"the same index on two volumes", {{L"C:\\t", {7, 40, 0}}, {L"D:\\t", {8, 40, 0}}},
       {{L"C:\\t", 40, false}, {L"D:\\t", 40, false}}},
      {"the same low id, another high id", {{L"C:\\t", {7, 40, 1}}, {L"C:\\u", {7, 40, 2}}},
       {{L"C:\\t", 40, false}, {L"C:\\u", 40, false}}},
      {"indexes the system does not know", {}, {{L"C:\\a", 0, false}, {L"C:\\b", 0, false}, {L"C:\\a", 0, false}}},
      {"identities the system does not know", {{L"C:\\a", {7, 0, 0}}, {L"C:\\b", {7, 0, 0}}},
       {{L"C:\\a", 9, false}, {L"C:\\b", 9, false}}},
      {"a folder that cannot be identified", {{L"C:\\a", {7, 9, 0}}}, {{L"C:\\a", 9, false}, {L"C:\\b", 9, false}}},
      {"the system's \"no unique id\"", {{L"C:\\a", {7, ~0ull, ~0ull}}, {L"C:\\b", {7, ~0ull, ~0ull}}},
       {{L"C:\\a", 0, false}, {L"C:\\b", 0, false}}},
      {"no index, but an identity", {{L"C:\\a", {7, 9, 0}}, {L"C:\\b", {7, 9, 0}}},
       {{L"C:\\a", 0, false}, {L"C:\\b", 0, true}}},
      // The path of the folder entered first now leads to another folder
      // (it was renamed away): that one was never walked.
      {"a path that now leads elsewhere", {{L"C:\\a", {7, 12, 0}}, {L"C:\\b", {7, 12, 0}}},
       {{L"C:\\a", 9, false}, {L"C:\\b", 9, false}}},
  };
  for (const auto& c : cases) {
    WalkGuard guard([&](const std::wstring& path) -> std::optional<FileIdentity> {
      const auto it = c.identities.find(path);
      if (it == c.identities.end()) return std::nullopt;
      return it->second;
    });
    for (const Visit& v : c.visits) EXPECT_EQ(guard.EnteredBefore(v.path, v.index), v.enteredBefore) << c.name;
  }
}

TEST(WalkGuard, AsksForIdentitiesOnlyWhereIndexesMeet) {
  int asked = 0;
  WalkGuard guard([&](const std::wstring&) -> std::optional<FileIdentity> {
    ++asked;
    return FileIdentity{1, 5, 0};
  });
  for (uint64_t i = 1; i <= 1000; ++i) EXPECT_FALSE(guard.EnteredBefore(L"C:\\f" + std::to_wstring(i), i));
  EXPECT_EQ(asked, 0);
}

}  // namespace
}  // namespace ferrimond

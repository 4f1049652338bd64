#include "ferrimond/backup/walk_guard.h"

namespace ferrimond {

namespace {

bool Usable(const std::optional<FileIdentity>& identity) { return identity && identity->Known(); }

}  // namespace

bool WalkGuard::EnteredBefore(const std::wstring& path, uint64_t index) {
  std::optional<FileIdentity> own;
  bool asked = false;
  auto ask = [&] {
    if (!asked) own = identityOf_(path);
    asked = true;
    return Usable(own);
  };
  // Without an index the identity is the only key; without either the
  // folder is walked and nothing is noted.
  if (index == 0) {
    if (!ask()) return false;
    index = own->low;
  }
  auto [first, last] = entered_.equal_range(index);
  for (auto it = first; it != last; ++it) {
    if (!ask()) break;
    Entered& earlier = it->second;
    if (!earlier.asked) {
      earlier.identity = identityOf_(earlier.path);
      earlier.asked = true;
      // A path that now leads to another folder than the one entered
      // there proves nothing.
      if (Usable(earlier.identity) && earlier.identity->low != it->first) earlier.identity.reset();
    }
    if (Usable(earlier.identity) && *earlier.identity == *own) return true;
  }
  entered_.emplace(index, Entered{path, own, asked});
  return false;
}

}  // namespace ferrimond

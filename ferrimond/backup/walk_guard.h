#pragma once
// Keeps a walk from entering one folder twice: through a link back up the
// tree, through two links to one folder, or through a link and the folder
// itself.
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <unordered_map>

#include "ferrimond/support/file_identity.h"

namespace ferrimond {

class WalkGuard {
 public:
  // The whole identity of the folder at a path; none when it cannot be
  // asked (asking costs an open, so it is asked only where two folders
  // share an index).
  using IdentityOf = std::function<std::optional<FileIdentity>(const std::wstring& path)>;

  explicit WalkGuard(IdentityOf identityOf) : identityOf_(std::move(identityOf)) {}

  // True when the folder at `path`, whose index on its volume is `index`
  // (0: unknown), is one that this walk has entered before; otherwise it
  // is noted as entered. A folder counts as entered before only when its
  // whole identity is known and equals that of a folder entered earlier,
  // read at that folder's own path and still carrying the index it had
  // when it was entered. Anything less is walked.
  bool EnteredBefore(const std::wstring& path, uint64_t index);

  void Clear() { entered_.clear(); }
  size_t Size() const { return entered_.size(); }

 private:
  struct Entered {
    std::wstring path;
    std::optional<FileIdentity> identity;
    bool asked = false;
  };
  IdentityOf identityOf_;
  std::unordered_multimap<uint64_t, Entered> entered_;
};

}  // namespace ferrimond

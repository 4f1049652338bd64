#pragma once
// What a file or folder is on its volume, whatever path leads to it.
#include <cstdint>

namespace ferrimond {

struct FileIdentity {
  uint64_t volumeSerial = 0;
  // The file's id on its volume: all 128 bits where the system gives them,
  // otherwise the 64-bit index in `low`. All bits 0, or all 1 (the
  // system's "no unique id"): the system does not know.
  uint64_t low = 0;
  uint64_t high = 0;
  bool Known() const { return (low != 0 || high != 0) && (low != ~uint64_t{0} || high != ~uint64_t{0}); }
  bool operator==(const FileIdentity&) const = default;
};

}  // namespace ferrimond

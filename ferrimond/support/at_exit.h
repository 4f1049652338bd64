#pragma once
// Runs a function when the scope is left, however it is left.
#include <utility>

namespace ferrimond {

template <class F>
class AtExit {
 public:
  explicit AtExit(F end) : end_(std::move(end)) {}
  ~AtExit() { end_(); }
  AtExit(const AtExit&) = delete;
  AtExit& operator=(const AtExit&) = delete;

 private:
  F end_;
};

}  // namespace ferrimond

#pragma once
// Base of the controls: tells the host which persisted property a setter
// changed, by its bag name, so that the host can mark its document dirty.
#include <functional>
#include <string_view>
#include <utility>

namespace almanix {

class PropertyChanges {
 public:
  // Called with the bag name of every property a setter changes.
  void SetPropertyChangedHandler(std::function<void(std::wstring_view)> handler) {
    handler_ = std::move(handler);
  }

 protected:
  void MarkChanged(std::wstring_view name) const {
    if (handler_) handler_(name);
  }

 private:
  std::function<void(std::wstring_view)> handler_;
};

}  // namespace almanix

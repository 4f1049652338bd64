#pragma once
// Events of a control: an ordered list of sinks, each an object with one
// virtual function per event. Arguments travel by reference, so a sink can
// write back (cancel flags, key codes) and later sinks and the control see
// the written value.
#include <algorithm>
#include <vector>

namespace almanix {

template <class Sink>
class EventSource {
 public:
  void Advise(Sink* sink) {
    if (sink && std::find(sinks_.begin(), sinks_.end(), sink) == sinks_.end()) sinks_.push_back(sink);
  }
  void Unadvise(Sink* sink) { std::erase(sinks_, sink); }
  bool Empty() const { return sinks_.empty(); }

  // Calls `method` on every sink advised at the time of the call that is
  // still advised when its turn comes.
  template <class... Params, class... Args>
  void Fire(void (Sink::*method)(Params...), Args&... args) {
    const std::vector<Sink*> snapshot = sinks_;
    for (Sink* sink : snapshot) {
      if (std::find(sinks_.begin(), sinks_.end(), sink) != sinks_.end()) (sink->*method)(args...);
    }
  }

 private:
  std::vector<Sink*> sinks_;
};

}  // namespace almanix

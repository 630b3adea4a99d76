// The progress events of a dial, handed from the thread that dials to the one that polls.
#pragma once

#include <mutex>
#include <vector>

#include "dialer/dialup.h"

namespace kv::dialer {

class DialEventQueue {
 public:
  void push(DialEvent event) {
    std::lock_guard<std::mutex> hold(mutex_);
    events_.push_back(event);
  }

  void clear() {
    std::lock_guard<std::mutex> hold(mutex_);
    events_.clear();
  }

  // The events pushed since the last call, in order.
  std::vector<DialEvent> take() {
    std::lock_guard<std::mutex> hold(mutex_);
    std::vector<DialEvent> taken;
    taken.swap(events_);
    return taken;
  }

 private:
  std::mutex mutex_;
  std::vector<DialEvent> events_;
};

}  // namespace kv::dialer

// The message queue that both status-window back ends share: timers that fire after their
// period, the signal events turned into messages, and the dispatch of each message to the
// window's handler.
#pragma once

#include <algorithm>
#include <cstdint>
#include <deque>
#include <map>

#include "platform/clock.h"
#include "platform/window.h"

namespace kv {

class WindowQueue {
 public:
  struct Message {
    enum Kind { kChar, kClose, kTimer, kButton } kind;
    int value;
  };

  void start_timer(int id, unsigned period_ms) {
    timers_[id] = Timer{period_ms, clock().ticks_ms() + period_ms};
  }
  void stop_timer(int id) { timers_.erase(id); }
  void clear() {
    timers_.clear();
    queue_.clear();
  }
  void push(Message message) { queue_.push_back(message); }
  bool empty() const { return queue_.empty(); }
  Message pop() {
    Message m = queue_.front();
    queue_.pop_front();
    return m;
  }

  // SIGINT becomes the character 27, SIGTERM and SIGHUP a close message.
  void take_signals() {
    PendingSignals pending = take_pending_signals();
    for (int i = 0; i < pending.interrupts; ++i) push({Message::kChar, 27});
    for (int i = 0; i < pending.closes; ++i) push({Message::kClose, 0});
  }

  // Queues one message for each timer that is due (never two for one timer).
  void take_due_timers() {
    std::uint32_t now = clock().ticks_ms();
    for (auto& [timer_id, timer] : timers_) {
      if (static_cast<std::int32_t>(now - timer.due) < 0) continue;
      timer.due = now + timer.period_ms;
      // A named copy: clang 14 cannot capture a structured binding in a lambda.
      const auto id = timer_id;
      bool queued = std::any_of(queue_.begin(), queue_.end(), [&](const Message& m) {
        return m.kind == Message::kTimer && m.value == id;
      });
      if (!queued) push({Message::kTimer, id});
    }
  }

  // How long the loop may sleep: until the next timer, at most `idle_ms`.
  unsigned sleep_ms(unsigned idle_ms) const {
    unsigned sleep = idle_ms;
    std::uint32_t now = clock().ticks_ms();
    for (const auto& [id, timer] : timers_) {
      std::int32_t left = static_cast<std::int32_t>(timer.due - now);
      if (left < 1) return 1;
      sleep = std::min(sleep, static_cast<unsigned>(left));
    }
    return sleep;
  }

  void dispatch(const Message& m, WindowHandler& handler) const {
    switch (m.kind) {
      case Message::kChar: handler.on_char(m.value); break;
      case Message::kClose: handler.on_close(); break;
      case Message::kButton: handler.on_button(m.value); break;
      case Message::kTimer:
        // A timer stopped after its message was queued does not fire.
        if (timers_.count(m.value) != 0) handler.on_timer(m.value);
        break;
    }
  }

 private:
  struct Timer {
    unsigned period_ms;
    std::uint32_t due;
  };
  std::map<int, Timer> timers_;
  std::deque<Message> queue_;
};

}  // namespace kv

// A status window for tests.
#include "platform/testing/fake_window.h"

namespace kv::testing {

void FakeStatusWindow::set_item_text(int control_id, const std::string& text) {
  items_[control_id] = text;
  texts_[control_id].push_back(text);
}

std::string FakeStatusWindow::item_text(int control_id) const {
  auto it = items_.find(control_id);
  return it == items_.end() ? "" : it->second;
}

void FakeStatusWindow::set_title(const std::string& title) {
  title_ = title;
  titles_.push_back(title);
}

void FakeStatusWindow::start_timer(int timer_id, unsigned period_ms) {
  timers_.insert(timer_id);
  periods_[timer_id] = period_ms;
}

void FakeStatusWindow::stop_timer(int timer_id) { timers_.erase(timer_id); }

int FakeStatusWindow::run_message_loop() {
  for (int turn = 0; turn < loop_limit_; ++turn) {
    if (quit_ || destroyed_) return quit_value_;
    deliver_events();
    std::set<int> due = timers_;
    for (int id : due) {
      if (destroyed_) break;
      if (timers_.count(id) != 0) handler_.on_timer(id);
    }
  }
  return quit_ || destroyed_ ? quit_value_ : -1;
}

void FakeStatusWindow::post_quit(int value) {
  quit_ = true;
  quit_value_ = value;
}

void FakeStatusWindow::pump_messages() {
  ++pumps_;
  if (on_pump_) on_pump_(*this, pumps_);
  deliver_events();
}

void FakeStatusWindow::deliver_events() {
  while (!events_.empty() && !destroyed_) {
    int event = events_.front();
    events_.pop_front();
    if (event == kCloseEvent) {
      handler_.on_close();
    } else {
      handler_.on_char(event);
    }
  }
}

void FakeStatusWindow::destroy() {
  if (destroyed_) return;
  destroyed_ = true;
  timers_.clear();
  handler_.on_destroy();
}

}  // namespace kv::testing

// A status window for tests: remembers every item text and title it was given, lets the test set
// the minimised flag, and delivers scripted characters and close messages when it is pumped or
// when its message loop runs. Timers fire on every turn of the loop.
#pragma once

#include <deque>
#include <functional>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "platform/window.h"

namespace kv::testing {

class FakeStatusWindow : public StatusWindow {
 public:
  explicit FakeStatusWindow(WindowHandler& handler) : handler_(handler) {}
  // Sends the create message, as the real back ends do when they make the window.
  void create() { handler_.on_create(); }

  void set_item_text(int control_id, const std::string& text) override;
  std::string item_text(int control_id) const override;
  void set_title(const std::string& title) override;
  std::string title() const override { return title_; }
  bool is_minimised() const override { return minimised_; }
  void show() override { shown_ = true; }
  void centre_on_screen() override { centred_ = true; }
  void bring_to_top() override { ++raised_; }
  void start_timer(int timer_id, unsigned period_ms) override;
  void stop_timer(int timer_id) override;
  int run_message_loop() override;
  void post_quit(int value) override;
  void pump_messages() override;
  void destroy() override;
  bool destroyed() const override { return destroyed_; }

  // Scripting.
  void set_minimised(bool minimised) { minimised_ = minimised; }
  void queue_char(int ch) { events_.push_back(ch); }
  void queue_close() { events_.push_back(kCloseEvent); }
  // Called at the start of every pump (with the pump count from 1), before queued events go out.
  void set_on_pump(std::function<void(FakeStatusWindow&, int pump)> hook) { on_pump_ = hook; }
  // The loop gives up (returns -1) after this many turns without a quit, so a test cannot hang.
  void set_loop_limit(int turns) { loop_limit_ = turns; }

  // What happened.
  const std::vector<std::string>& texts(int control_id) { return texts_[control_id]; }
  const std::vector<std::string>& titles() const { return titles_; }
  bool timer_running(int timer_id) const { return timers_.count(timer_id) != 0; }
  unsigned timer_period(int timer_id) const {
    auto it = periods_.find(timer_id);
    return it == periods_.end() ? 0 : it->second;
  }
  int pump_count() const { return pumps_; }
  int raised() const { return raised_; }
  bool shown() const { return shown_; }
  bool centred() const { return centred_; }
  bool quit_posted() const { return quit_; }
  int quit_value() const { return quit_value_; }

 private:
  static constexpr int kCloseEvent = -1;
  void deliver_events();

  WindowHandler& handler_;
  std::map<int, std::string> items_;
  std::map<int, std::vector<std::string>> texts_;
  std::string title_ = "KOVENDI";
  std::vector<std::string> titles_;
  bool minimised_ = false;
  bool shown_ = false;
  bool centred_ = false;
  int raised_ = 0;
  std::set<int> timers_;
  std::map<int, unsigned> periods_;
  std::deque<int> events_;
  std::function<void(FakeStatusWindow&, int)> on_pump_;
  int pumps_ = 0;
  int loop_limit_ = 10000;
  bool quit_ = false;
  int quit_value_ = 0;
  bool destroyed_ = false;
};

}  // namespace kv::testing

// Headless status window: a message queue, timers and a loop without a display. Status texts are
// shown on standard error as one updating line, and only when standard error is a terminal.
// The system's interrupt and close requests (take_pending_signals) arrive as the character 27
// and as a close message.
#include "platform/clock.h"
#include "platform/terminal.h"
#include "platform/window.h"
#include "platform/window_loop.h"
#include "platform/window_queue.h"

namespace kv {
namespace {

constexpr unsigned kIdleSleepMs = 20;

class HeadlessWindow : public LoopingWindow {
 public:
  HeadlessWindow(const WindowTemplate& tmpl, WindowHandler& handler)
      : handler_(handler), title_(tmpl.caption), terminal_(terminal::stderr_is_terminal()) {
    for (const WindowControl& control : tmpl.controls) items_[control.id] = control.text;
  }

  ~HeadlessWindow() override { finish_terminal_line(); }

  void set_item_text(int control_id, const std::string& text) override {
    items_[control_id] = text;
    render(text);
  }
  std::string item_text(int control_id) const override {
    auto it = items_.find(control_id);
    return it == items_.end() ? "" : it->second;
  }
  void set_title(const std::string& title) override { title_ = title; }
  std::string title() const override { return title_; }
  bool is_minimised() const override { return false; }
  void show() override {}
  void centre_on_screen() override {}
  void bring_to_top() override {}
  bool on_display() const override { return false; }

  void start_timer(int timer_id, unsigned period_ms) override {
    queue_.start_timer(timer_id, period_ms);
  }
  void stop_timer(int timer_id) override { queue_.stop_timer(timer_id); }

  void destroy() override {
    if (destroyed_) return;
    destroyed_ = true;
    queue_.clear();
    handler_.on_destroy();
    finish_terminal_line();
  }

 private:
  bool dispatch_waiting() override {
    if (destroyed_) return false;
    queue_.take_signals();
    queue_.take_due_timers();
    if (queue_.empty()) return false;
    while (!queue_.empty() && !destroyed_) queue_.dispatch(queue_.pop(), handler_);
    return true;
  }

  void wait_for_work() override { clock().sleep_ms(queue_.sleep_ms(kIdleSleepMs)); }
  // Without a display nothing is left to wait for once the window is gone.
  bool loop_done() const override { return quit_ || destroyed_; }

  void render(const std::string& text) {
    if (!terminal_ || destroyed_) return;
    terminal::write_stderr(headless_status_line(text, terminal::stderr_columns()));
    line_shown_ = true;
  }

  // Leaves the last status text visible and the cursor on a fresh line.
  void finish_terminal_line() {
    if (!line_shown_) return;
    terminal::write_stderr("\n");
    line_shown_ = false;
  }

  WindowHandler& handler_;
  std::map<int, std::string> items_;
  std::string title_;
  bool terminal_;
  bool line_shown_ = false;
  WindowQueue queue_;
};

}  // namespace

std::unique_ptr<StatusWindow> create_headless_window(const WindowTemplate& tmpl,
                                                     WindowHandler& handler) {
  auto window = std::make_unique<HeadlessWindow>(tmpl, handler);
  handler.on_create();
  return window;
}

}  // namespace kv

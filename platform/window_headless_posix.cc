// Headless status window: a message queue, timers and a loop without a display. Status texts are
// shown on standard error as one updating line, and only when standard error is a terminal.
// SIGINT arrives as the character 27, SIGTERM and SIGHUP as a close message; the signal handlers
// only count, the loop and the pump turn the counts into messages.
#include <signal.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <algorithm>
#include <cstdint>
#include <deque>
#include <map>

#include "platform/clock.h"
#include "platform/window.h"
#include "platform/window_queue.h"

namespace kv {
namespace {

volatile sig_atomic_t g_interrupts = 0;
volatile sig_atomic_t g_closes = 0;

extern "C" void on_interrupt_signal(int) { g_interrupts = g_interrupts + 1; }
extern "C" void on_close_signal(int) { g_closes = g_closes + 1; }

constexpr unsigned kIdleSleepMs = 20;

class HeadlessWindow : public StatusWindow {
 public:
  HeadlessWindow(const WindowTemplate& tmpl, WindowHandler& handler)
      : handler_(handler), title_(tmpl.caption), terminal_(::isatty(STDERR_FILENO) == 1) {
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

  int run_message_loop() override {
    while (!quit_ && !destroyed_) {
      bool worked = dispatch_waiting();
      if (!quit_ && !destroyed_ && !worked) clock().sleep_ms(queue_.sleep_ms(kIdleSleepMs));
    }
    return quit_value_;
  }

  void post_quit(int value) override {
    quit_ = true;
    quit_value_ = value;
  }

  void pump_messages() override {
    while (dispatch_waiting()) {
    }
  }

  void destroy() override {
    if (destroyed_) return;
    destroyed_ = true;
    queue_.clear();
    handler_.on_destroy();
    finish_terminal_line();
  }
  bool destroyed() const override { return destroyed_; }

 private:
  // Dispatches what is waiting now; false when nothing was waiting.
  bool dispatch_waiting() {
    if (destroyed_) return false;
    queue_.take_signals();
    queue_.take_due_timers();
    if (queue_.empty()) return false;
    while (!queue_.empty() && !destroyed_) queue_.dispatch(queue_.pop(), handler_);
    return true;
  }

  int terminal_columns() const {
    winsize size{};
    if (::ioctl(STDERR_FILENO, TIOCGWINSZ, &size) == 0) return size.ws_col;
    return 0;
  }

  void write_stderr(const std::string& text) {
    std::size_t done = 0;
    while (done < text.size()) {
      ssize_t n = ::write(STDERR_FILENO, text.data() + done, text.size() - done);
      if (n <= 0) return;
      done += static_cast<std::size_t>(n);
    }
  }

  void render(const std::string& text) {
    if (!terminal_ || destroyed_) return;
    write_stderr(headless_status_line(text, terminal_columns()));
    line_shown_ = true;
  }

  // Leaves the last status text visible and the cursor on a fresh line.
  void finish_terminal_line() {
    if (!line_shown_) return;
    write_stderr("\n");
    line_shown_ = false;
  }

  WindowHandler& handler_;
  std::map<int, std::string> items_;
  std::string title_;
  bool terminal_;
  bool line_shown_ = false;
  WindowQueue queue_;
  bool quit_ = false;
  int quit_value_ = 0;
  bool destroyed_ = false;
};

void install_handler(int signal_number, void (*handler)(int)) {
  struct sigaction action {};
  action.sa_handler = handler;
  sigemptyset(&action.sa_mask);
  action.sa_flags = SA_RESTART;  // reads and writes of the run's files are not broken off
  ::sigaction(signal_number, &action, nullptr);
}

}  // namespace

PendingSignals take_pending_signals() {
  PendingSignals pending;
  if (g_interrupts == 0 && g_closes == 0) return pending;
  // The counts are taken with the three signals held back, so none arriving meanwhile is lost.
  sigset_t held, previous;
  sigemptyset(&held);
  sigaddset(&held, SIGINT);
  sigaddset(&held, SIGTERM);
  sigaddset(&held, SIGHUP);
  ::sigprocmask(SIG_BLOCK, &held, &previous);
  pending.interrupts = g_interrupts;
  pending.closes = g_closes;
  g_interrupts = 0;
  g_closes = 0;
  ::sigprocmask(SIG_SETMASK, &previous, nullptr);
  return pending;
}

void install_window_signal_handlers() {
  install_handler(SIGINT, on_interrupt_signal);
  install_handler(SIGTERM, on_close_signal);
  install_handler(SIGHUP, on_close_signal);
}

std::unique_ptr<StatusWindow> create_headless_window(const WindowTemplate& tmpl,
                                                     WindowHandler& handler) {
  auto window = std::make_unique<HeadlessWindow>(tmpl, handler);
  handler.on_create();
  return window;
}

}  // namespace kv

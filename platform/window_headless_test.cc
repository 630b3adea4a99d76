// Tests of the status window without a display.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <unistd.h>

#include <algorithm>
#include <fstream>
#include <sstream>

#include <vector>

#include "platform/testing/fake_clock.h"
#include "platform/window.h"

namespace kv {
namespace {

struct RecordingHandler : WindowHandler {
  StatusWindow* window = nullptr;
  std::vector<std::string> events;
  int timer_fires = 0;
  std::uint32_t fired_at = 0;
  void on_create() override { events.push_back("create"); }
  void on_timer(int id) override {
    events.push_back("timer " + std::to_string(id));
    ++timer_fires;
    fired_at = clock().ticks_ms();
    window->stop_timer(id);
    window->post_quit(7);
  }
  void on_char(int ch) override { events.push_back("char " + std::to_string(ch)); }
  void on_close() override { events.push_back("close"); }
  void on_destroy() override { events.push_back("destroy"); }
};

WindowTemplate status_template() {
  WindowTemplate tmpl;
  tmpl.class_name = "KOVENDI";
  tmpl.caption = "KOVENDI";
  tmpl.controls.push_back(WindowControl{1003, WindowControl::kCentredText, 0, 0, 10, 10, "start"});
  return tmpl;
}

TEST(HeadlessWindow, TimerFiresAfterItsPeriodAndQuitEndsTheLoop) {
  testing::FakeClock clock;
  RecordingHandler handler;
  auto window = create_headless_window(status_template(), handler);
  handler.window = window.get();
  EXPECT_EQ(handler.events, std::vector<std::string>{"create"});
  EXPECT_EQ(window->item_text(1003), "start");
  EXPECT_EQ(window->title(), "KOVENDI");
  EXPECT_FALSE(window->is_minimised());

  std::uint32_t started = clock.ticks_ms();
  window->start_timer(1, 200);
  window->start_timer(2, 50);
  window->stop_timer(2);
  EXPECT_EQ(window->run_message_loop(), 7);
  EXPECT_EQ(handler.timer_fires, 1);
  EXPECT_GE(handler.fired_at - started, 200u);
  EXPECT_LE(handler.fired_at - started, 220u);

  window->set_item_text(1003, "Bezig");
  window->set_title("45%");
  EXPECT_EQ(window->item_text(1003), "Bezig");
  EXPECT_EQ(window->title(), "45%");
  window->destroy();
  window->destroy();
  EXPECT_TRUE(window->destroyed());
  EXPECT_EQ(handler.events.back(), "destroy");
  EXPECT_EQ(std::count(handler.events.begin(), handler.events.end(), "destroy"), 1);
}

TEST(HeadlessWindow, SignalsArriveAsEscapeAndClose) {
  testing::FakeClock clock;
  RecordingHandler handler;
  auto window = create_headless_window(status_template(), handler);
  handler.window = window.get();
  install_window_signal_handlers();
  take_pending_signals();
  ::raise(SIGINT);
  ::raise(SIGTERM);
  ::raise(SIGHUP);
  window->pump_messages();
  EXPECT_EQ(handler.events,
            (std::vector<std::string>{"create", "char 27", "close", "close"}));
  window->pump_messages();  // taken once only
  EXPECT_EQ(handler.events.size(), 4u);
  window->destroy();
  ::raise(SIGINT);
  window->pump_messages();  // a destroyed window dispatches nothing
  EXPECT_EQ(handler.events.back(), "destroy");
  EXPECT_EQ(take_pending_signals().interrupts, 1);
}

TEST(HeadlessWindow, LoopEndsWhenTheWindowIsDestroyed) {
  testing::FakeClock clock;
  struct DestroyOnTimer : WindowHandler {
    StatusWindow* window = nullptr;
    void on_timer(int) override { window->destroy(); }
  } handler;
  auto window = create_headless_window(status_template(), handler);
  handler.window = window.get();
  window->start_timer(1, 200);
  EXPECT_EQ(window->run_message_loop(), 0);
  EXPECT_TRUE(window->destroyed());
}

TEST(HeadlessWindow, NothingIsPrintedWhenStandardErrorIsNoTerminal) {
  char name[] = "/tmp/kvtest-stderr-XXXXXX";
  int capture = ::mkstemp(name);
  ASSERT_GE(capture, 0);
  int saved = ::dup(STDERR_FILENO);
  ::dup2(capture, STDERR_FILENO);
  {
    RecordingHandler handler;
    auto window = create_headless_window(status_template(), handler);
    window->set_item_text(1003, "Verbinding wordt opgezet");
    window->destroy();
  }
  ::dup2(saved, STDERR_FILENO);
  ::close(saved);
  ::close(capture);
  std::ifstream in(name);
  std::stringstream content;
  content << in.rdbuf();
  ::unlink(name);
  EXPECT_EQ(content.str(), "");
}

TEST(HeadlessWindow, StatusLineForTerminals) {
  EXPECT_EQ(headless_status_line("Bezig", 80), "\rBezig\x1b[K");
  EXPECT_EQ(headless_status_line("abcdef", 4), "\rabc\x1b[K");
  EXPECT_EQ(headless_status_line("a\nb", 0), "\ra b\x1b[K");
}

TEST(HeadlessWindow, WithoutDisplayTheHeadlessBackEndIsChosen) {
  bool factory_used = false;
  set_x11_window_factory([&](const WindowTemplate&, WindowHandler&) {
    factory_used = true;
    return std::unique_ptr<StatusWindow>();
  });
  ::setenv("DISPLAY", ":99", 1);
  RecordingHandler handler;
  auto window = create_status_window(status_template(), handler);
  EXPECT_TRUE(factory_used);  // the factory declined: headless instead
  ASSERT_NE(window, nullptr);
  factory_used = false;
  ::unsetenv("DISPLAY");
  window = create_status_window(status_template(), handler);
  EXPECT_FALSE(factory_used);
  ASSERT_NE(window, nullptr);
  set_x11_window_factory(nullptr);
}

}  // namespace
}  // namespace kv

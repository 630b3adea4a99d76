// The test doubles behave as the tests of the layers above expect.
#include <gtest/gtest.h>

#include "platform/testing/fake_clock.h"
#include "platform/testing/fake_window.h"

namespace kv {
namespace {

struct Counting : WindowHandler {
  StatusWindow* window = nullptr;
  int creates = 0, timers = 0, escapes = 0, closes = 0, destroys = 0;
  void on_create() override { ++creates; }
  void on_timer(int id) override {
    ++timers;
    window->stop_timer(id);
    window->pump_messages();  // the run inside the timer message pumps the queue
    window->destroy();
  }
  void on_char(int ch) override { escapes += ch == 27; }
  void on_close() override { ++closes; }
  void on_destroy() override {
    ++destroys;
    window->post_quit(0);
  }
};

TEST(FakeStatusWindow, ScriptedEventsArriveWhilePumping) {
  Counting handler;
  testing::FakeStatusWindow window(handler);
  handler.window = &window;
  window.create();
  window.start_timer(1, 200);
  window.set_on_pump([](testing::FakeStatusWindow& w, int pump) {
    if (pump == 1) {
      w.queue_char(27);
      w.queue_close();
    }
  });
  EXPECT_EQ(window.run_message_loop(), 0);
  EXPECT_EQ(handler.creates, 1);
  EXPECT_EQ(handler.timers, 1);
  EXPECT_EQ(handler.escapes, 1);
  EXPECT_EQ(handler.closes, 1);
  EXPECT_EQ(handler.destroys, 1);
  EXPECT_EQ(window.pump_count(), 1);

  window.set_minimised(true);
  EXPECT_TRUE(window.is_minimised());
  window.set_item_text(1003, "a");
  window.set_item_text(1003, "b");
  window.set_title("45%");
  EXPECT_EQ(window.texts(1003), (std::vector<std::string>{"a", "b"}));
  EXPECT_EQ(window.titles(), std::vector<std::string>{"45%"});
}

TEST(FakeStatusWindow, LoopWithoutQuitGivesUp) {
  Counting handler;
  testing::FakeStatusWindow window(handler);
  window.set_loop_limit(5);
  EXPECT_EQ(window.run_message_loop(), -1);
}

TEST(FakeClock, SleepingAdvancesTicksAndSeconds) {
  testing::FakeClock fake;
  EXPECT_EQ(&clock(), &fake);
  fake.set_ticks(0);
  fake.set_epoch_seconds(100);
  clock().sleep_ms(1500);
  clock().sleep_ms(600);
  EXPECT_EQ(clock().ticks_ms(), 2100u);
  EXPECT_EQ(clock().epoch_seconds(), 102);
  fake.set_tick_step(5);
  EXPECT_EQ(clock().ticks_ms(), 2100u);
  EXPECT_EQ(clock().ticks_ms(), 2105u);
  fake.set_local_time(2003, 2, 3, 8, 4, 5);
  EXPECT_EQ(clock().local_time().day, 3);
  EXPECT_EQ(clock().local_time().second, 5);
}

}  // namespace
}  // namespace kv

// Tests of the status callbacks that the engine and the application-file layer call.
#include "client/common/status_callbacks.h"

#include <gtest/gtest.h>

#include <string>

#include "platform/testing/fake_clock.h"

namespace kv {
namespace {

std::string g_shown;
int g_pumps = 0;

extern "C" short record_text(const char* text) {
  g_shown = text;
  return 0;
}

TEST(StatusCallbacks, CallsGoThroughInstalledCallbacks) {
  StatusCallbacks saved = status_callbacks();
  status_callbacks() = StatusCallbacks{};
  display_com_info("nothing installed");  // no crash, no effect
  busy_indicator();
  status_callbacks().display_com_info = record_text;
  display_com_info("Verbinding wordt opgezet");
  EXPECT_EQ(g_shown, "Verbinding wordt opgezet");
  status_callbacks() = saved;
}

TEST(StatusCallbacks, WaitResponsivePumpsUntilThePeriodHasPassed) {
  testing::FakeClock clock;
  clock.set_ticks(0xFFFFFF00u);  // the wait crosses the wrap of the tick count
  StatusCallbacks saved = status_callbacks();
  g_pumps = 0;
  status_callbacks().pump_messages = [] { ++g_pumps; };
  wait_responsive(1000);
  EXPECT_GT(clock.total_slept_ms(), 1000u);
  EXPECT_LE(clock.total_slept_ms(), 1011u);
  EXPECT_GE(g_pumps, 100);
  status_callbacks() = saved;
}

}  // namespace
}  // namespace kv

// Tests of what the system reports about this process: its processor time counts work, not waiting.
#include "platform/system_info.h"

#include <gtest/gtest.h>

#include <chrono>
#include <thread>

namespace kv {
namespace {

TEST(SystemInfo, ProcessorTimeCountsWorkAndNotWaiting) {
  const double before_wait = system_info::processor_seconds();
  std::this_thread::sleep_for(std::chrono::milliseconds(600));
  const double waited = system_info::processor_seconds() - before_wait;
  EXPECT_GE(waited, 0.0);
  EXPECT_LT(waited, 0.3) << "the time asleep was counted";

  const double before_work = system_info::processor_seconds();
  const auto give_up = std::chrono::steady_clock::now() + std::chrono::seconds(10);
  volatile unsigned sum = 0;
  while (system_info::processor_seconds() - before_work < 0.2 &&
         std::chrono::steady_clock::now() < give_up) {
    for (unsigned i = 0; i < 100000; ++i) sum = sum + i;
  }
  EXPECT_GE(system_info::processor_seconds() - before_work, 0.2);
}

}  // namespace
}  // namespace kv

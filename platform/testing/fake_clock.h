// A clock that tests set: ticks, local time and epoch seconds stay where they are put, and
// sleeping advances the ticks (and the seconds) instead of waiting. While it exists it is the
// clock of the process.
#pragma once

#include "platform/clock.h"

namespace kv::testing {

class FakeClock : public Clock {
 public:
  FakeClock();
  ~FakeClock() override;
  FakeClock(const FakeClock&) = delete;
  FakeClock& operator=(const FakeClock&) = delete;

  std::uint32_t ticks_ms() override;
  LocalTime local_time() override { return local_; }
  std::int64_t epoch_seconds() override { return epoch_; }
  void sleep_ms(unsigned ms) override;

  void set_ticks(std::uint32_t ticks) { ticks_ = ticks; }
  // Every read of the ticks adds this step afterwards (for loops that poll without sleeping).
  void set_tick_step(std::uint32_t step) { tick_step_ = step; }
  void advance(unsigned ms) { sleep_ms(ms); }
  void set_local_time(int year, int month, int day, int hour, int minute, int second);
  LocalTime& local() { return local_; }  // the local time it reports, for changing one field
  void set_epoch_seconds(std::int64_t seconds) { epoch_ = seconds; }
  unsigned long long total_slept_ms() const { return slept_; }
  int sleep_calls() const { return sleep_calls_; }

 private:
  std::uint32_t ticks_ = 1000;
  std::uint32_t tick_step_ = 0;
  LocalTime local_;
  std::int64_t epoch_ = 1000000000;
  unsigned sub_second_ms_ = 0;
  unsigned long long slept_ = 0;
  int sleep_calls_ = 0;
};

}  // namespace kv::testing

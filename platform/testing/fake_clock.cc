// A clock that tests set.
#include "platform/testing/fake_clock.h"

namespace kv::testing {

FakeClock::FakeClock() { set_clock(this); }
FakeClock::~FakeClock() { set_clock(nullptr); }

std::uint32_t FakeClock::ticks_ms() {
  std::uint32_t now = ticks_;
  ticks_ += tick_step_;
  return now;
}

void FakeClock::sleep_ms(unsigned ms) {
  ++sleep_calls_;
  slept_ += ms;
  ticks_ += ms;
  sub_second_ms_ += ms;
  epoch_ += sub_second_ms_ / 1000;
  sub_second_ms_ %= 1000;
}

void FakeClock::set_local_time(int year, int month, int day, int hour, int minute, int second) {
  local_.year = year;
  local_.month = month;
  local_.day = day;
  local_.hour = hour;
  local_.minute = minute;
  local_.second = second;
}

}  // namespace kv::testing

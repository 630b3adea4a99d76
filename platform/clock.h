// Clock facility: a monotonic millisecond tick counter and the local time. Everything that waits
// or reads the time takes it from here, so tests can install a fake clock.
#pragma once

#include <cstdint>

namespace kv {

struct LocalTime {
  int year = 1970;   // four digits
  int month = 1;     // 1..12
  int day = 1;       // 1..31
  int hour = 0;
  int minute = 0;
  int second = 0;
};

class Clock {
 public:
  virtual ~Clock() = default;
  virtual std::uint32_t ticks_ms() = 0;     // monotonic, wraps like a 32-bit tick count
  virtual LocalTime local_time() = 0;
  virtual std::int64_t epoch_seconds() = 0;
  virtual void sleep_ms(unsigned ms) = 0;
};

Clock& clock();
// The system's clock (what clock() is when no other is installed).
Clock& system_clock();
// Installs another clock (tests); nullptr restores the system clock.
void set_clock(Clock* clock);

}  // namespace kv

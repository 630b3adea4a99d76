// Clock facility on POSIX systems: CLOCK_MONOTONIC ticks and localtime_r.
#include "platform/clock.h"

#include <time.h>

#include <cerrno>

namespace kv {
namespace {

class SystemClock : public Clock {
 public:
  std::uint32_t ticks_ms() override {
    timespec ts{};
    ::clock_gettime(CLOCK_MONOTONIC, &ts);
    std::uint64_t ms = static_cast<std::uint64_t>(ts.tv_sec) * 1000u +
                       static_cast<std::uint64_t>(ts.tv_nsec) / 1000000u;
    return static_cast<std::uint32_t>(ms);
  }

  LocalTime local_time() override {
    time_t now = ::time(nullptr);
    struct tm parts {};
    ::localtime_r(&now, &parts);
    LocalTime result;
    result.year = parts.tm_year + 1900;
    result.month = parts.tm_mon + 1;
    result.day = parts.tm_mday;
    result.hour = parts.tm_hour;
    result.minute = parts.tm_min;
    result.second = parts.tm_sec;
    return result;
  }

  std::int64_t epoch_seconds() override { return static_cast<std::int64_t>(::time(nullptr)); }

  void sleep_ms(unsigned ms) override {
    timespec remaining{static_cast<time_t>(ms / 1000), static_cast<long>(ms % 1000) * 1000000L};
    while (::nanosleep(&remaining, &remaining) != 0 && errno == EINTR) {
    }
  }
};

}  // namespace

Clock& system_clock() {
  static SystemClock system;
  return system;
}

}  // namespace kv

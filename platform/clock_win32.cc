// Clock facility on Windows: the system tick count and the local time of the system.
#include <windows.h>

#include "platform/clock.h"

namespace kv {
namespace {

// 100-nanosecond intervals between 1601-01-01 (FILETIME) and 1970-01-01.
constexpr unsigned long long kUnixEpochInFileTime = 116444736000000000ULL;

class SystemClock : public Clock {
 public:
  std::uint32_t ticks_ms() override { return static_cast<std::uint32_t>(::GetTickCount()); }

  LocalTime local_time() override {
    SYSTEMTIME now;
    ::GetLocalTime(&now);
    LocalTime result;
    result.year = now.wYear;
    result.month = now.wMonth;
    result.day = now.wDay;
    result.hour = now.wHour;
    result.minute = now.wMinute;
    result.second = now.wSecond;
    return result;
  }

  std::int64_t epoch_seconds() override {
    FILETIME now;
    ::GetSystemTimeAsFileTime(&now);
    unsigned long long intervals =
        (static_cast<unsigned long long>(now.dwHighDateTime) << 32) | now.dwLowDateTime;
    return static_cast<std::int64_t>((intervals - kUnixEpochInFileTime) / 10000000ULL);
  }

  void sleep_ms(unsigned ms) override { ::Sleep(ms); }
};

}  // namespace

Clock& system_clock() {
  static SystemClock system;
  return system;
}

}  // namespace kv

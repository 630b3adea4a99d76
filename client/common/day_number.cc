// Time stamps and the day number that measures the age of stored records.
#include "client/common/day_number.h"

#include "client/common/text.h"
#include "platform/clock.h"

namespace kv {

namespace {

bool is_leap_year(long year) {
  return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
}

long stamp_part(const std::string& stamp, std::size_t from, std::size_t length) {
  if (stamp.size() <= from) return 0;
  return static_cast<long>(leading_number(stamp.substr(from, length)));
}

}  // namespace

std::string current_time_stamp() {
  LocalTime now = clock().local_time();
  return format("%04d%02d%02d%02d%02d", now.year, now.month, now.day, now.hour, now.minute);
}

long day_number(const std::string& stamp) {
  static const int kMonthLengths[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  long year = stamp_part(stamp, 0, 4);
  long month = stamp_part(stamp, 4, 2);
  long day = stamp_part(stamp, 6, 2);
  long day_of_year = day;
  for (long m = 1; m < month && m <= 12; ++m) {
    day_of_year += kMonthLengths[m - 1];
    if (m == 2 && is_leap_year(year)) ++day_of_year;
  }
  return year * 365 + day_of_year;
}

}  // namespace kv

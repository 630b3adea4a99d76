// Time stamps and the day number that measures the age of stored records.
#pragma once

#include <string>

namespace kv {

// The current local time as twelve digits, year to minute ("%04d%02d%02d%02d%02d").
std::string current_time_stamp();

// Day number of a stamp from its first eight characters (year, month, day): year * 365 plus the
// day of the year. Leap days of earlier years are not added, so an age across the turn of a year
// can be one day off; the age thresholds are applied to this number as it is. A stamp whose first
// eight characters are not digits yields the day number of what its leading digits give (atoi
// rule per part), so junk never throws.
long day_number(const std::string& stamp);

}  // namespace kv

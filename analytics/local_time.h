// Conversion of a moment to the local calendar time, thread-safe on every platform.
#pragma once

#include <cstdint>

namespace usage_analytics {

struct CalendarTime {
  int year, month, day, hour, minute, second;
};

// The local calendar time of seconds since 1970-01-01 UTC; false when the platform cannot
// convert that moment (out of its range).
bool LocalCalendarTime(std::int64_t seconds, CalendarTime& out);

}  // namespace usage_analytics

// Local calendar time on Windows: _localtime64_s, which writes into the caller's record
// (the C runtime refuses moments before 1970 and after the year 3000).
#include <time.h>

#include "analytics/local_time.h"

namespace usage_analytics {

bool LocalCalendarTime(std::int64_t seconds, CalendarTime& out) {
  const __time64_t moment = seconds;
  tm local{};
  if (_localtime64_s(&local, &moment) != 0) return false;
  out = {local.tm_year + 1900, local.tm_mon + 1, local.tm_mday, local.tm_hour, local.tm_min, local.tm_sec};
  return true;
}

}  // namespace usage_analytics

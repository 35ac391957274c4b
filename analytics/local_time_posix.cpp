// Local calendar time on POSIX: localtime_r, which keeps no shared buffer.
#include <time.h>

#include "analytics/local_time.h"

namespace usage_analytics {

bool LocalCalendarTime(std::int64_t seconds, CalendarTime& out) {
  const time_t moment = static_cast<time_t>(seconds);
  if (moment != seconds) return false;  // a narrower time_t cannot hold it
  tm local{};
  if (localtime_r(&moment, &local) == nullptr) return false;
  out = {local.tm_year + 1900, local.tm_mon + 1, local.tm_mday, local.tm_hour, local.tm_min, local.tm_sec};
  return true;
}

}  // namespace usage_analytics

// POSIX time sources: the realtime clock broken down in local time, and CLOCK_MONOTONIC.
#include <time.h>

#include "utils/clock.h"

namespace Utils {

LocalTime LocalTimeNow() {
  timespec ts{};
  clock_gettime(CLOCK_REALTIME, &ts);
  tm local{};
  localtime_r(&ts.tv_sec, &local);
  return {local.tm_year + 1900, local.tm_mon + 1, local.tm_mday, local.tm_hour,
          local.tm_min,         local.tm_sec,     static_cast<int>(ts.tv_nsec / 1000000)};
}

std::uint64_t TickCountMs() {
  timespec ts{};
  clock_gettime(CLOCK_MONOTONIC, &ts);
  return static_cast<std::uint64_t>(ts.tv_sec) * 1000u + static_cast<std::uint64_t>(ts.tv_nsec / 1000000);
}

}  // namespace Utils

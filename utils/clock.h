// Wall-clock and monotonic time sources of the platform.
#pragma once

#include <cstdint>

namespace Utils {

struct LocalTime {
  int year, month, day, hour, minute, second, millisecond;
};

// Local wall-clock time to the millisecond.
LocalTime LocalTimeNow();

// Milliseconds since an arbitrary fixed point (system start on Windows); never goes back.
std::uint64_t TickCountMs();

}  // namespace Utils

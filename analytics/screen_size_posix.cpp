// POSIX build: no Windows screen to measure; the tracker reports 0 by 0.
#include "analytics/usage_tracker_impl.h"

namespace usage::zelkor::tracker_detail {

void PrimaryScreenSize(int& width, int& height) {
  width = 0;
  height = 0;
}

}  // namespace usage::zelkor::tracker_detail

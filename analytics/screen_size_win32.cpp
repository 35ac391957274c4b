// Windows primary screen size.
#include <windows.h>

#include "analytics/usage_tracker_impl.h"

namespace usage::zelkor::tracker_detail {

void PrimaryScreenSize(int& width, int& height) {
  width = GetSystemMetrics(SM_CXSCREEN);
  height = GetSystemMetrics(SM_CYSCREEN);
}

}  // namespace usage::zelkor::tracker_detail

// The collector's default URL.
#include "analytics/collector.h"

namespace usage::zelkor {

std::string DefaultCollectorUrl() { return std::string("https://") + kCollectorHost + "/collect?project=pc"; }

}  // namespace usage::zelkor

// The collector's default URL.
#include "analytics/collector.h"

namespace usage::zelkor {

std::string DefaultCollectorUrl() { return std::string("http://") + kCollectorHost + "/collect?project=pc"; }

}  // namespace usage::zelkor

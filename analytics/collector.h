// Where the installer's analytics records go: the collector's host and default URL.
#pragma once

#include <string>

namespace usage::zelkor {

// Host of the analytics collector (a reserved name until the real service exists).
inline constexpr const char* kCollectorHost = "collect.zelkorsoft.example";

// "https://" + kCollectorHost + "/collect?project=pc": the records carry the device id and
// the user's actions, so by default they leave only over TLS.
std::string DefaultCollectorUrl();

}  // namespace usage::zelkor

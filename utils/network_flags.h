// Mapping of what the POSIX layer finds (interfaces up, default routes) to the network list
// manager's connectivity flags. A pure function, tested on its own.
#pragma once

#include <cstdint>

#include "utils/network.h"

namespace Utils::network_detail {

constexpr std::uint32_t ConnectivityFlags(bool v4Up, bool v4DefaultRoute, bool v6Up, bool v6DefaultRoute) {
  std::uint32_t flags = 0;
  if (v4Up) flags |= v4DefaultRoute ? kConnectivityIpv4Internet : kConnectivityIpv4LocalNetwork;
  if (v6Up) flags |= v6DefaultRoute ? kConnectivityIpv6Internet : kConnectivityIpv6LocalNetwork;
  return flags;
}

}  // namespace Utils::network_detail

// Network reachability as the system sees it.
#pragma once

#include <cstdint>

namespace Utils {

// Connectivity flags of the system network list manager (NLM_CONNECTIVITY).
enum : std::uint32_t {
  kConnectivityIpv4NoTraffic = 0x1,
  kConnectivityIpv6NoTraffic = 0x2,
  kConnectivityIpv4Subnet = 0x10,
  kConnectivityIpv4LocalNetwork = 0x20,
  kConnectivityIpv4Internet = 0x40,
  kConnectivityIpv6Subnet = 0x100,
  kConnectivityIpv6LocalNetwork = 0x200,
  kConnectivityIpv6Internet = 0x400,
};

// Status in the high half of the result.
enum : std::uint32_t { kNetworkConnected = 0, kNetworkNoConnectivity = 1, kNetworkNoInternet = 2 };

// Connectivity flags in the low 16 bits, status in the high 16 bits; 0 when the system
// cannot be asked. On Windows the calling thread must have initialised COM.
std::uint32_t CheckNetwork();

namespace network_detail {
// Platform: false when the system's source cannot be asked at all.
bool QueryNetwork(std::uint32_t& connectivity, bool& connectedToInternet);
}  // namespace network_detail

}  // namespace Utils

// Network reachability: the platform's answer turned into the status/flags result.
#include "utils/network.h"

#include "utils/log.h"

namespace Utils {

std::uint32_t CheckNetwork() {
  std::uint32_t connectivity = 0;
  bool internet = false;
  if (!network_detail::QueryNetwork(connectivity, internet)) return 0;
  std::uint32_t status = kNetworkConnected;
  if (connectivity == 0) {
    TLOGLN(L"GetConnectivity %d", static_cast<int>(connectivity));
    status = kNetworkNoConnectivity;
  } else if (!internet) {
    TLOGLN(L"get_IsConnectedToInternet:%d", 0);
    status = kNetworkNoInternet;
  }
  return (connectivity & 0xFFFFu) | (status << 16);
}

}  // namespace Utils

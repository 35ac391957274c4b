// POSIX reachability, the nearest honest source to the network list manager: interfaces
// that are up with a routable address give the local-network flag, a default route through
// such an interface the internet flag, for IPv4 and IPv6 each. Like the manager on Wine,
// this reads interfaces and routes and sends nothing.
#include <arpa/inet.h>
#include <ifaddrs.h>
#include <net/if.h>
#include <netinet/in.h>

#include <cstdlib>
#include <fstream>
#include <set>
#include <sstream>
#include <string>

#include "utils/network.h"
#include "utils/network_flags.h"

namespace Utils::network_detail {
namespace {

// Interfaces (not loopback) that are up and hold an address of the family: IPv4 any, IPv6
// only global ones (every interface has a link-local address).
void UpInterfaces(std::set<std::string>& v4, std::set<std::string>& v6) {
  ifaddrs* list = nullptr;
  if (getifaddrs(&list) != 0) return;
  for (ifaddrs* a = list; a != nullptr; a = a->ifa_next) {
    if (a->ifa_addr == nullptr || (a->ifa_flags & IFF_UP) == 0 || (a->ifa_flags & IFF_LOOPBACK) != 0) continue;
    if (a->ifa_addr->sa_family == AF_INET) {
      v4.insert(a->ifa_name);
    } else if (a->ifa_addr->sa_family == AF_INET6) {
      const auto* in6 = reinterpret_cast<const sockaddr_in6*>(a->ifa_addr);
      if (!IN6_IS_ADDR_LINKLOCAL(&in6->sin6_addr) && !IN6_IS_ADDR_LOOPBACK(&in6->sin6_addr)) v6.insert(a->ifa_name);
    }
  }
  freeifaddrs(list);
}

// Default route in /proc/net/route: destination 00000000 with the up flag.
bool HasDefaultRouteV4(const std::set<std::string>& up) {
  std::ifstream in("/proc/net/route");
  std::string line;
  std::getline(in, line);  // header
  while (std::getline(in, line)) {
    std::istringstream fields(line);
    std::string iface, destination, gateway, flags;
    if (!(fields >> iface >> destination >> gateway >> flags)) continue;
    if (destination == "00000000" && (std::strtoul(flags.c_str(), nullptr, 16) & 0x1) != 0 && up.count(iface) != 0) return true;
  }
  return false;
}

// Default route in /proc/net/ipv6_route: ::/0 with the up flag.
bool HasDefaultRouteV6(const std::set<std::string>& up) {
  std::ifstream in("/proc/net/ipv6_route");
  std::string line;
  while (std::getline(in, line)) {
    std::istringstream fields(line);
    std::string destination, prefix, source, sourcePrefix, nextHop, metric, refs, use, flags, iface;
    if (!(fields >> destination >> prefix >> source >> sourcePrefix >> nextHop >> metric >> refs >> use >> flags >> iface)) {
      continue;
    }
    if (destination == std::string(32, '0') && prefix == "00" && (std::strtoul(flags.c_str(), nullptr, 16) & 0x1) != 0 &&
        up.count(iface) != 0) {
      return true;
    }
  }
  return false;
}

}  // namespace

bool QueryNetwork(std::uint32_t& connectivity, bool& connectedToInternet) {
  std::set<std::string> v4, v6;
  UpInterfaces(v4, v6);
  const bool v4Route = !v4.empty() && HasDefaultRouteV4(v4);
  const bool v6Route = !v6.empty() && HasDefaultRouteV6(v6);
  connectivity = ConnectivityFlags(!v4.empty(), v4Route, !v6.empty(), v6Route);
  connectedToInternet = (connectivity & (kConnectivityIpv4Internet | kConnectivityIpv6Internet)) != 0;
  return true;
}

}  // namespace Utils::network_detail

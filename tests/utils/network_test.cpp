// Network reachability: the result layout and the POSIX flag mapping.
#include <gtest/gtest.h>

#include "tests/support/com_scope.h"
#include "utils/network.h"
#include "utils/network_flags.h"

using Utils::network_detail::ConnectivityFlags;

TEST(NetworkFlags, InterfacesAndRoutesMapToManagerFlags) {
  EXPECT_EQ(ConnectivityFlags(false, false, false, false), 0u);
  EXPECT_EQ(ConnectivityFlags(true, false, false, false), Utils::kConnectivityIpv4LocalNetwork);
  EXPECT_EQ(ConnectivityFlags(true, true, false, false), Utils::kConnectivityIpv4Internet);
  EXPECT_EQ(ConnectivityFlags(false, false, true, true), Utils::kConnectivityIpv6Internet);
  EXPECT_EQ(ConnectivityFlags(true, false, true, false),
            Utils::kConnectivityIpv4LocalNetwork | Utils::kConnectivityIpv6LocalNetwork);
}

TEST(CheckNetwork, StatusAndFlagsAgree) {
  testsupport::ComScope com;
  const std::uint32_t result = Utils::CheckNetwork();
  ASSERT_NE(result, 0u) << "0 means the system's source could not be asked";
  const std::uint32_t status = result >> 16;
  const std::uint32_t flags = result & 0xFFFF;
  ASSERT_LE(status, 2u);
  if (status == Utils::kNetworkNoConnectivity) EXPECT_EQ(flags, 0u);
  if (status == Utils::kNetworkNoInternet) EXPECT_NE(flags, 0u);
  if (status == Utils::kNetworkConnected) {
    EXPECT_NE(flags & (Utils::kConnectivityIpv4Internet | Utils::kConnectivityIpv6Internet), 0u);
  }
}

// Windows reachability from the network list manager (INetworkListManager).
#include <windows.h>
#include <netlistmgr.h>
#include <objbase.h>

#include "utils/network.h"

namespace Utils::network_detail {

bool QueryNetwork(std::uint32_t& connectivity, bool& connectedToInternet) {
  // {DCB00C01-570F-4A9B-8D69-199FDBA5723B} and {DCB00000-570F-4A9B-8D69-199FDBA5723B}.
  static const CLSID kManagerClass = {0xDCB00C01, 0x570F, 0x4A9B, {0x8D, 0x69, 0x19, 0x9F, 0xDB, 0xA5, 0x72, 0x3B}};
  static const IID kManagerInterface = {0xDCB00000, 0x570F, 0x4A9B, {0x8D, 0x69, 0x19, 0x9F, 0xDB, 0xA5, 0x72, 0x3B}};
  INetworkListManager* manager = nullptr;
  if (FAILED(CoCreateInstance(kManagerClass, nullptr, CLSCTX_ALL, kManagerInterface,
                              reinterpret_cast<void**>(&manager))) ||
      manager == nullptr) {
    return false;
  }
  NLM_CONNECTIVITY flags = NLM_CONNECTIVITY_DISCONNECTED;
  if (FAILED(manager->GetConnectivity(&flags))) flags = NLM_CONNECTIVITY_DISCONNECTED;
  connectivity = static_cast<std::uint32_t>(flags);
  connectedToInternet = false;
  if (connectivity != 0) {
    VARIANT_BOOL connected = VARIANT_FALSE;
    // The property get_IsConnectedToInternet; MinGW names the method without its prefix.
    if (SUCCEEDED(manager->IsConnectedToInternet(&connected))) connectedToInternet = connected != VARIANT_FALSE;
  }
  manager->Release();
  CoFreeUnusedLibraries();
  return true;
}

}  // namespace Utils::network_detail

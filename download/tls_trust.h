// Certificate trust for every HTTPS request, the downloads' and the analytics sender's.
// Verification of the peer and of the host name is always on; by default the system's trust
// store decides. A CA file can be named instead (tests use a private authority); the product
// never sets one.
#pragma once

#include <string>

void SetTrustedCaFile(const std::string& path);
std::string TrustedCaFile();

// Applies the trust settings to a libcurl easy handle; the first refused option's result, or 0.
int ApplyTlsTrust(void* curlHandle);

// Trust settings shared by all libcurl handles.
#include "download/tls_trust.h"

#include <curl/curl.h>

#include <mutex>

#include "download/curl_handles.h"

namespace {
std::mutex& TrustMutex() {
  static std::mutex mutex;
  return mutex;
}
std::string& CaFile() {
  static std::string file;
  return file;
}
}  // namespace

void SetTrustedCaFile(const std::string& path) {
  std::lock_guard<std::mutex> lock(TrustMutex());
  CaFile() = path;
}

std::string TrustedCaFile() {
  std::lock_guard<std::mutex> lock(TrustMutex());
  return CaFile();
}

int ApplyTlsTrust(void* curlHandle) {
  CurlOptions options(static_cast<CURL*>(curlHandle));
  options.Set(CURLOPT_SSL_VERIFYPEER, 1L).Set(CURLOPT_SSL_VERIFYHOST, 2L);
  const std::string file = TrustedCaFile();
  if (!file.empty()) options.Set(CURLOPT_CAINFO, file.c_str());
  return options.Result();
}

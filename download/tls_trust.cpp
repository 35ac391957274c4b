// Trust settings shared by all libcurl handles.
#include "download/tls_trust.h"

#include <curl/curl.h>

#include <mutex>

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
  CURL* curl = static_cast<CURL*>(curlHandle);
  int rc = curl_easy_setopt(curl, CURLOPT_SSL_VERIFYPEER, 1L);
  rc |= curl_easy_setopt(curl, CURLOPT_SSL_VERIFYHOST, 2L);
  const std::string file = TrustedCaFile();
  if (!file.empty()) rc |= curl_easy_setopt(curl, CURLOPT_CAINFO, file.c_str());
  return rc;
}

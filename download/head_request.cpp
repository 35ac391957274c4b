// HEAD requests shared by the downloaders.
#include "download/head_request.h"

#include <algorithm>

#include "download/curl_handles.h"
#include "download/tls_trust.h"
#include "download/transfer_limits.h"
#include "utils/log.h"
#include "utils/text.h"

namespace {

std::size_t Discard(char*, std::size_t size, std::size_t count, void*) { return size * count; }

}  // namespace

CURLcode SetHeadOptions(CURL* curl, const std::string& url, bool followRedirects, long timeoutMs) {
  using namespace transfer_limits;
  CurlOptions options(curl);
  options.Set(CURLOPT_URL, url.c_str())
      .Set(CURLOPT_NOSIGNAL, 1L)
      .Set(CURLOPT_FOLLOWLOCATION, followRedirects ? 1L : 0L)
      .Set(CURLOPT_MAXREDIRS, kMaxRedirects)
      .Set(CURLOPT_NOBODY, 1L)
      .Set(CURLOPT_WRITEFUNCTION, &Discard)
      .Set(CURLOPT_CONNECTTIMEOUT, kConnectTimeoutSeconds)
      .Set(CURLOPT_TIMEOUT_MS, std::max(timeoutMs, 1L));  // 0 would mean no limit at all
  options.Keep(ApplyTlsTrust(curl));
  return options.Result();
}

std::string LookUpFinalUrl(const std::string& url, std::chrono::milliseconds timeout) {
  CurlEasy curl(curl_easy_init());
  if (!curl) return {};
  CURLcode rc = SetHeadOptions(curl.get(), url, true, static_cast<long>(timeout.count()));
  if (rc == CURLE_OK) rc = curl_easy_perform(curl.get());
  char* effective = nullptr;
  if (rc != CURLE_OK || curl_easy_getinfo(curl.get(), CURLINFO_EFFECTIVE_URL, &effective) != CURLE_OK ||
      effective == nullptr) {
    TLOG(L"error:%d:%ls", static_cast<int>(rc), CurlErrorText(rc).c_str());
    return {};
  }
  return effective;
}

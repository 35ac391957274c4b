// Owners of libcurl handles, and the rule for setting options: the first refused option is
// the result (a later success or another code never hides it).
#pragma once

#include <curl/curl.h>

#include <memory>
#include <string>

#include "utils/text.h"

// libcurl's text for a result code, for the log.
inline std::wstring CurlErrorText(int code) {
  return Utils::ToWide(curl_easy_strerror(static_cast<CURLcode>(code)), Utils::kCodePageUtf8);
}

struct CurlEasyCleanup {
  void operator()(CURL* curl) const { curl_easy_cleanup(curl); }
};
using CurlEasy = std::unique_ptr<CURL, CurlEasyCleanup>;

struct CurlListFree {
  void operator()(curl_slist* list) const { curl_slist_free_all(list); }
};
using CurlList = std::unique_ptr<curl_slist, CurlListFree>;

// Appends a header line; the list stays as it was when libcurl cannot copy the line.
inline void AppendHeader(CurlList& list, const char* line) {
  if (curl_slist* longer = curl_slist_append(list.get(), line)) {
    list.release();
    list.reset(longer);
  }
}

class CurlOptions {
 public:
  explicit CurlOptions(CURL* curl) : curl_(curl) {}

  template <typename Value>
  CurlOptions& Set(CURLoption option, Value value) {
    Keep(curl_easy_setopt(curl_, option, value));
    return *this;
  }
  void Keep(CURLcode rc) {
    if (first_ == CURLE_OK) first_ = rc;
  }
  void Keep(int rc) { Keep(static_cast<CURLcode>(rc)); }
  CURLcode Result() const { return first_; }

 private:
  CURL* curl_;
  CURLcode first_ = CURLE_OK;
};

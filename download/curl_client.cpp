// One transfer attempt of the single-stream downloader.
#include "download/curl_client.h"

#include <curl/curl.h>
#include <sys/stat.h>

#include <cctype>
#include <cstdio>
#include <ctime>

#include "download/package_digest.h"
#include "download/tls_trust.h"
#include "download/transfer_limits.h"
#include "utils/file_ops.h"
#include "utils/log.h"
#include "utils/text.h"

namespace {

using namespace transfer_limits;

constexpr long kLowSpeedWindowSeconds = 20;    // a transfer that sends nothing this long is dead

std::size_t Discard(char*, std::size_t size, std::size_t count, void*) { return size * count; }

std::size_t WriteToFile(char* data, std::size_t size, std::size_t count, void* file) {
  return std::fwrite(data, size, count, static_cast<std::FILE*>(file)) * size;
}

// Notes whether the final response of a transfer carried a content coding (redirects bring
// several header blocks; each status line starts a new one).
std::size_t NoteContentCoding(char* data, std::size_t size, std::size_t count, void* encoded) {
  const std::string line(data, size * count);
  auto lower = [](std::string text) {
    for (char& c : text) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return text;
  };
  const std::string l = lower(line);
  if (l.rfind("http/", 0) == 0) *static_cast<bool*>(encoded) = false;
  if (l.rfind("content-encoding:", 0) == 0 && l.find("identity") == std::string::npos) {
    *static_cast<bool*>(encoded) = true;
  }
  return size * count;
}

std::wstring CurlText(int code) { return Utils::ToWide(curl_easy_strerror(static_cast<CURLcode>(code)), 65001); }

// Options every HEAD lookup shares.
int HeadOptions(CURL* curl, const std::string& url, bool followRedirects) {
  int rc = curl_easy_setopt(curl, CURLOPT_URL, url.c_str());
  rc |= curl_easy_setopt(curl, CURLOPT_NOSIGNAL, 1L);
  rc |= curl_easy_setopt(curl, CURLOPT_FOLLOWLOCATION, followRedirects ? 1L : 0L);
  rc |= curl_easy_setopt(curl, CURLOPT_MAXREDIRS, kMaxRedirects);
  rc |= curl_easy_setopt(curl, CURLOPT_NOBODY, 1L);
  rc |= curl_easy_setopt(curl, CURLOPT_WRITEFUNCTION, &Discard);
  rc |= curl_easy_setopt(curl, CURLOPT_CONNECTTIMEOUT, kConnectTimeoutSeconds);
  rc |= curl_easy_setopt(curl, CURLOPT_TIMEOUT, kLookupTimeoutSeconds);
  rc |= ApplyTlsTrust(curl);
  return rc;
}

}  // namespace

CurlClient::CurlClient(std::wstring url, std::wstring path, CCurlDownloader* owner, ProgressHook hook)
    : url_(std::move(url)), path_(std::move(path)), owner_(owner), progressHook_(hook) {}

CurlClient::~CurlClient() {
  stop_ = true;
  Utils::DeleteFileAt(DownloadFileName(true));
}

std::wstring CurlClient::DownloadFileName(bool withPartSuffix) const { return withPartSuffix ? path_ + L".part" : path_; }

int CurlClient::Start() {
  TLOGLN(L"start download");
  const std::wstring partName = DownloadFileName(true);
  const std::string narrowPart = Utils::ToNarrow(partName, Utils::kCodePageAnsi);
  const std::string url = UrlForCurl(url_);

  int result = 0;
  bool encoded = false;  // the body came content-coded; libcurl decoded it
  if (realUrl_.empty() || fileLength_ < kMinimumLength) {
    CURL* head = static_cast<CURL*>(Head(url));
    if (head != nullptr) {
      char* effective = nullptr;
      if (curl_easy_getinfo(head, CURLINFO_EFFECTIVE_URL, &effective) == CURLE_OK && effective != nullptr) {
        realUrl_ = effective;
      }
      fileLength_ = GetDownloadFileLength(head);
      curl_easy_cleanup(head);
    }
  }
  if (realUrl_.empty() || fileLength_ < kMinimumLength) {
    realUrl_ = GetRealUrl_Str(url);
    if (!realUrl_.empty()) fileLength_ = GetDownloadFileLength_Str(realUrl_);
    if (fileLength_ < kMinimumLength) result = kLengthRefused;
  }

  CURL* curl = nullptr;
  std::FILE* file = nullptr;
  curl_slist* headers = nullptr;
  if (result == 0 && (curl = curl_easy_init()) == nullptr) result = kNoHandle;
  if (result == 0 && (file = std::fopen(narrowPart.c_str(), "ab+")) == nullptr) result = kPartFileFailed;
  if (result == 0) {
    headers = curl_slist_append(headers, "Connection: keep-alive");
    curl_easy_setopt(curl, CURLOPT_HTTPHEADER, headers);
    // The same request header as a raw "Accept-Encoding: gzip, deflate", but libcurl decodes
    // an encoded body, so the file holds the package and not its compressed form.
    curl_easy_setopt(curl, CURLOPT_ACCEPT_ENCODING, "gzip, deflate");
    curl_easy_setopt(curl, CURLOPT_TCP_KEEPALIVE, 1L);
    curl_easy_setopt(curl, CURLOPT_TCP_KEEPIDLE, 10L);
    curl_easy_setopt(curl, CURLOPT_TCP_KEEPINTVL, 10L);
    curl_easy_setopt(curl, CURLOPT_TIMEOUT, 0L);
    int options = curl_easy_setopt(curl, CURLOPT_URL, realUrl_.c_str());
    options |= curl_easy_setopt(curl, CURLOPT_NOSIGNAL, 1L);
    options |= curl_easy_setopt(curl, CURLOPT_FOLLOWLOCATION, 1L);
    options |= curl_easy_setopt(curl, CURLOPT_MAXREDIRS, kMaxRedirects);
    curl_easy_setopt(curl, CURLOPT_BUFFERSIZE, kReceiveBufferBytes);  // a hint: its result does not matter
    options |= curl_easy_setopt(curl, CURLOPT_WRITEFUNCTION, &WriteToFile);
    options |= curl_easy_setopt(curl, CURLOPT_WRITEDATA, file);
    options |= curl_easy_setopt(curl, CURLOPT_HEADERFUNCTION, &NoteContentCoding);
    options |= curl_easy_setopt(curl, CURLOPT_HEADERDATA, &encoded);
    options |= curl_easy_setopt(curl, CURLOPT_NOPROGRESS, 0L);
    options |= curl_easy_setopt(curl, CURLOPT_XFERINFOFUNCTION, &CurlClient::ProgressCallback);
    options |= curl_easy_setopt(curl, CURLOPT_XFERINFODATA, this);
    options |= curl_easy_setopt(curl, CURLOPT_FAILONERROR, 1L);
    options |= curl_easy_setopt(curl, CURLOPT_CONNECTTIMEOUT, kConnectTimeoutSeconds);
    options |= curl_easy_setopt(curl, CURLOPT_LOW_SPEED_LIMIT, 1L);
    options |= curl_easy_setopt(curl, CURLOPT_LOW_SPEED_TIME, kLowSpeedWindowSeconds);
    options |= ApplyTlsTrust(curl);
    resumeFrom_ = Utils::FileSizeAt(partName);
    if (resumeFrom_ > 0) options |= curl_easy_setopt(curl, CURLOPT_RESUME_FROM_LARGE, static_cast<curl_off_t>(resumeFrom_));
    result = options;
    if (result == 0) {
      transfer_ = curl;
      result = curl_easy_perform(curl);
      transfer_ = nullptr;
    }
    TLOG(L"error:%d:%ls", result, CurlText(result).c_str());
  }
  if (curl != nullptr) curl_easy_cleanup(curl);
  if (headers != nullptr) curl_slist_free_all(headers);
  if (file != nullptr) std::fclose(file);

  if (result == CURLE_RANGE_ERROR) {
    // The server cannot resume: start the file afresh on the next attempt.
    Utils::DeleteFileAt(partName);
  }
  if (result == 0 && !encoded) {
    // A transfer is complete only at the announced length: shorter resumes as a cut-off
    // transfer would, longer cannot be the package and starts afresh. (A coded body has no
    // announced decoded length; its integrity rests on the coding's checksum and the digest.)
    const std::int64_t size = Utils::FileSizeAt(partName);
    if (size < fileLength_) {
      result = CURLE_PARTIAL_FILE;
    } else if (size > fileLength_) {
      Utils::DeleteFileAt(partName);
      result = kLengthMismatch;
    }
  }
  if (result == 0) {
    Utils::DeleteFileAt(path_);
    // A file that did not reach the target must not be reported as downloaded.
    if (!Utils::MoveFileTo(partName, path_)) result = kMoveFailed;
  }
  TLOGLN(L"end download");
  return result;
}

int CurlClient::ProgressCallback(void* client, std::int64_t dltotal, std::int64_t dlnow, std::int64_t, std::int64_t) {
  auto* self = static_cast<CurlClient*>(client);
  if (self->stop_) return 1;
  const std::int64_t now = static_cast<std::int64_t>(std::time(nullptr));
  if (now <= self->lastProgressSecond_) return 0;
  self->lastProgressSecond_ = now;
  curl_off_t bytesPerSecond = 0;
  curl_easy_getinfo(static_cast<CURL*>(self->transfer_), CURLINFO_SPEED_DOWNLOAD_T, &bytesPerSecond);
  const double speed = static_cast<double>(bytesPerSecond);
  double percent = 0;
  if (self->fileLength_ > kMinimumLength) {
    percent = static_cast<double>(dlnow + (self->resumeFrom_ > 0 ? self->resumeFrom_ : 0)) /
              static_cast<double>(self->fileLength_) * 100.0;
  } else {
    if (dlnow <= 0 || dltotal <= 0) return 0;
    percent = static_cast<double>(dlnow) * 100.0 / static_cast<double>(dltotal);
  }
  if (percent != 0) {
    if (self->progressHook_ != nullptr) self->progressHook_(self->owner_, speed, 0, percent);
    if (dltotal != 0) {
      TLOG(L" %dM %dM   progress:%f%%  speed:%f \n", static_cast<int>(dlnow / 1048576),
           static_cast<int>(dltotal / 1048576), percent, speed / 1024);
    }
  }
  return 0;
}

void* CurlClient::Head(const std::string& url) {
  CURL* curl = curl_easy_init();
  if (curl == nullptr) return nullptr;
  int rc = HeadOptions(curl, url, true);
  if (rc == 0) rc = curl_easy_perform(curl);
  if (rc != 0) TLOG(L"error:%d:%ls", rc, CurlText(rc).c_str());
  TLOGLN(L"error:%d:%ls", rc, CurlText(rc).c_str());
  return curl;
}

std::int64_t CurlClient::GetDownloadFileLength(void* handle) {
  CURL* curl = static_cast<CURL*>(handle);
  curl_off_t length = -1;
  const CURLcode rc = curl_easy_getinfo(curl, CURLINFO_CONTENT_LENGTH_DOWNLOAD_T, &length);
  TLOGLN(L"error:%d:%ls", static_cast<int>(rc), CurlText(rc).c_str());
  long status = 0;
  if (rc == CURLE_OK && curl_easy_getinfo(curl, CURLINFO_RESPONSE_CODE, &status) == CURLE_OK && status >= 200 &&
      status <= 399) {
    return length;
  }
  ReportLengthFailure(status);
  return -1;
}

std::int64_t CurlClient::GetDownloadFileLength_Str(const std::string& url) {
  CURL* curl = curl_easy_init();
  if (curl == nullptr) return -1;
  int rc = HeadOptions(curl, url, false);
  rc |= curl_easy_setopt(curl, CURLOPT_HEADER, 1L);
  if (rc == 0) rc = curl_easy_perform(curl);
  curl_off_t length = -1;
  curl_easy_getinfo(curl, CURLINFO_CONTENT_LENGTH_DOWNLOAD_T, &length);
  long status = 0;
  const CURLcode statusRc = curl_easy_getinfo(curl, CURLINFO_RESPONSE_CODE, &status);
  if (statusRc != CURLE_OK || status < 200 || status > 400) ReportLengthFailure(status);
  TLOGLN(L"error:%d:%ls", rc, CurlText(rc).c_str());
  curl_easy_cleanup(curl);
  return length;
}

std::string CurlClient::GetRealUrl_Str(const std::string& url) {
  std::string real;
  CURL* curl = curl_easy_init();
  if (curl == nullptr) return url;
  int rc = HeadOptions(curl, url, true);
  if (rc == 0) rc = curl_easy_perform(curl);
  if (rc != 0) {
    TLOG(L"error:%d:%ls", rc, CurlText(rc).c_str());
  } else {
    char* effective = nullptr;
    if (curl_easy_getinfo(curl, CURLINFO_EFFECTIVE_URL, &effective) == CURLE_OK && effective != nullptr) real = effective;
  }
  curl_easy_cleanup(curl);
  return real.empty() ? url : real;
}

void CurlClient::ReportLengthFailure(long status) {
  wchar_t reason[200];
  swprintf(reason, 200, L"1.获取文件大小的状态码为=%ld；", status);
  // The analytics report (task "下载失败原因", this reason, elapsed 0, "AB" = "IN") is made
  // through the analytics reports once they exist; until then the reason is logged.
  TLOGLN(L"下载失败原因 %ls", reason);
}

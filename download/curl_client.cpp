// One transfer attempt of the single-stream downloader.
#include "download/curl_client.h"

#include <curl/curl.h>

#include <algorithm>
#include <cstdio>
#include <ctime>
#include <optional>

#include "analytics/installer_reports.h"
#include "download/curl_handles.h"
#include "download/growing_file_digest.h"
#include "download/head_request.h"
#include "download/package_digest.h"
#include "download/tls_trust.h"
#include "download/transfer_limits.h"
#include "utils/file_ops.h"
#include "utils/log.h"
#include "utils/text.h"

namespace {

using namespace transfer_limits;
using Clock = std::chrono::steady_clock;

std::size_t WriteToFile(char* data, std::size_t size, std::size_t count, void* writer) {
  return static_cast<DigestedFileWriter*>(writer)->Write(data, size * count);
}

}  // namespace

CurlClient::CurlClient(std::wstring url, std::wstring path, CCurlDownloader* owner, ProgressHook hook,
                       const DownloadTimings& timings)
    : url_(std::move(url)),
      path_(std::move(path)),
      owner_(owner),
      progressHook_(hook),
      timings_(timings),
      lookupDeadline_(Clock::now() + timings.lookupPhase),
      stall_(timings.stallWindow, timings.stallBytesPerSecond) {}

CurlClient::~CurlClient() {
  stop_ = true;
  Utils::DeleteFileAt(DownloadFileName(true));
}

std::wstring CurlClient::DownloadFileName(bool withPartSuffix) const { return withPartSuffix ? path_ + L".part" : path_; }

void CurlClient::BeginRun() { lookupDeadline_ = Clock::now() + timings_.lookupPhase; }

long CurlClient::LookupTimeoutMs() const {
  const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(lookupDeadline_ - Clock::now());
  const auto timeout = std::min(left, timings_.lookupTimeout);
  return timeout.count() > 0 ? static_cast<long>(timeout.count()) : 0;
}

int CurlClient::Start() {
  TLOGLN(L"start download");
  const std::wstring partName = DownloadFileName(true);
  int result = FindPackage(UrlForCurl(url_)) ? 0 : kLengthRefused;
  if (result == 0) result = Transfer(partName);
  result = CheckLengthAndMove(result, partName);
  TLOGLN(L"end download");
  return result;
}

// The real URL and the package length, looked up again only while one of them is missing,
// and only within the run's lookup phase.
bool CurlClient::FindPackage(const std::string& url) {
  if (!realUrl_.empty() && fileLength_ >= kMinimumLength) return true;
  if (LookupTimeoutMs() > 0) {
    CurlEasy head(static_cast<CURL*>(Head(url)));
    if (head) {
      char* effective = nullptr;
      if (curl_easy_getinfo(head.get(), CURLINFO_EFFECTIVE_URL, &effective) == CURLE_OK && effective != nullptr) {
        realUrl_ = effective;
      }
      fileLength_ = GetDownloadFileLength(head.get());
    }
  }
  if (realUrl_.empty() || fileLength_ < kMinimumLength) {
    if (LookupTimeoutMs() > 0) realUrl_ = GetRealUrl_Str(url);
    if (!realUrl_.empty() && LookupTimeoutMs() > 0) fileLength_ = GetDownloadFileLength_Str(realUrl_);
  }
  if (LookupTimeoutMs() == 0 && (realUrl_.empty() || fileLength_ < kMinimumLength)) {
    TLOGLN(L"the lookup time of this run is spent");
  }
  return !realUrl_.empty() && fileLength_ >= kMinimumLength;
}

// The GET into the ".part" file, resumed from its size. The file's digest is made while the
// bytes arrive: the kept part first, then the new bytes as they reach the file.
int CurlClient::Transfer(const std::wstring& partName) {
  digest_.clear();
  CurlEasy curl(curl_easy_init());
  if (!curl) return kNoHandle;
  Utils::UniqueFile file = Utils::OpenFile(partName, "ab+");
  if (!file) return kPartFileFailed;
  resumeFrom_ = Utils::FileSizeAt(partName);
  std::optional<GrowingFileDigest> digest;
  if (HasExpectedDigest(UrlMd5(realUrl_))) digest.emplace(partName, resumeFrom_);
  DigestedFileWriter writer(file.get(), resumeFrom_, digest ? &*digest : nullptr);

  CurlList headers;
  AppendHeader(headers, "Connection: keep-alive");
  // Not checked, as the first options of the request: a refusal only costs keep-alive.
  curl_easy_setopt(curl.get(), CURLOPT_HTTPHEADER, headers.get());
  // The same request header as a raw "Accept-Encoding: gzip, deflate", but libcurl decodes
  // an encoded body, so the file holds the package and not its compressed form.
  curl_easy_setopt(curl.get(), CURLOPT_ACCEPT_ENCODING, "gzip, deflate");
  curl_easy_setopt(curl.get(), CURLOPT_TCP_KEEPALIVE, 1L);
  curl_easy_setopt(curl.get(), CURLOPT_TCP_KEEPIDLE, 10L);
  curl_easy_setopt(curl.get(), CURLOPT_TCP_KEEPINTVL, 10L);
  curl_easy_setopt(curl.get(), CURLOPT_TIMEOUT, 0L);
  curl_easy_setopt(curl.get(), CURLOPT_BUFFERSIZE, kReceiveBufferBytes);  // a hint
  CurlOptions options(curl.get());
  options.Set(CURLOPT_URL, realUrl_.c_str())
      .Set(CURLOPT_NOSIGNAL, 1L)
      .Set(CURLOPT_FOLLOWLOCATION, 1L)
      .Set(CURLOPT_MAXREDIRS, kMaxRedirects)
      .Set(CURLOPT_WRITEFUNCTION, &WriteToFile)
      .Set(CURLOPT_WRITEDATA, static_cast<void*>(&writer))
      .Set(CURLOPT_NOPROGRESS, 0L)
      .Set(CURLOPT_XFERINFOFUNCTION, &CurlClient::ProgressCallback)
      .Set(CURLOPT_XFERINFODATA, static_cast<void*>(this))
      .Set(CURLOPT_FAILONERROR, 1L)
      .Set(CURLOPT_CONNECTTIMEOUT, kConnectTimeoutSeconds);
  options.Keep(ApplyTlsTrust(curl.get()));
  if (resumeFrom_ > 0) options.Set(CURLOPT_RESUME_FROM_LARGE, static_cast<curl_off_t>(resumeFrom_));

  int result = options.Result();
  if (result == 0) {
    stall_.Begin(Clock::now());
    transfer_ = curl.get();
    result = curl_easy_perform(curl.get());
    transfer_ = nullptr;
    if (result == CURLE_ABORTED_BY_CALLBACK && stall_.HasStalled() && !stop_) {
      TLOGLN(L"transfer stalled: cut, to be resumed");
      result = CURLE_PARTIAL_FILE;
    }
  }
  TLOG(L"error:%d:%ls", result, CurlErrorText(result).c_str());
  // Bytes that did not reach the disk make the attempt a failed write.
  if (!writer.Flush() && result == 0) result = CURLE_WRITE_ERROR;
  if (!Utils::CloseFile(file) && result == 0) result = CURLE_WRITE_ERROR;
  // The digest reader's handle closes here too, before the file is moved or deleted.
  if (result == 0 && digest) digest_ = digest->Finish();
  return result;
}

// A transfer is complete only at the looked-up length, whatever content coding carried it
// (the lookup asks without one): shorter resumes as a cut-off transfer would, longer cannot
// be the package and starts afresh. A complete file takes the target's place.
int CurlClient::CheckLengthAndMove(int result, const std::wstring& partName) {
  if (result == CURLE_RANGE_ERROR) {
    Utils::DeleteFileAt(partName);  // the server cannot resume: start afresh next time
  }
  if (result == 0) {
    const std::int64_t size = Utils::FileSizeAt(partName);
    if (size < fileLength_) {
      TLOGLN(L"transfer ended at %lld of %lld bytes", static_cast<long long>(size), static_cast<long long>(fileLength_));
      result = CURLE_PARTIAL_FILE;
    } else if (size > fileLength_) {
      TLOGLN(L"transfer ended at %lld bytes, longer than %lld", static_cast<long long>(size),
             static_cast<long long>(fileLength_));
      Utils::DeleteFileAt(partName);
      result = kLengthMismatch;
    }
  }
  if (result == 0) {
    Utils::DeleteFileAt(path_);
    // A file that did not reach the target must not be reported as downloaded.
    if (!Utils::MoveFileTo(partName, path_)) result = kMoveFailed;
  }
  return result;
}

int CurlClient::ProgressCallback(void* client, std::int64_t dltotal, std::int64_t dlnow, std::int64_t, std::int64_t) {
  auto* self = static_cast<CurlClient*>(client);
  if (self->stop_) return 1;
  if (self->stall_.Stalled(Clock::now(), dlnow)) return 1;  // libcurl aborts; resumed as a cut
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
  int rc = SetHeadOptions(curl, url, true, LookupTimeoutMs());
  if (rc == 0) rc = curl_easy_perform(curl);
  if (rc != 0) TLOG(L"error:%d:%ls", rc, CurlErrorText(rc).c_str());
  TLOGLN(L"error:%d:%ls", rc, CurlErrorText(rc).c_str());
  return curl;
}

std::int64_t CurlClient::GetDownloadFileLength(void* handle) {
  CURL* curl = static_cast<CURL*>(handle);
  curl_off_t length = -1;
  const CURLcode rc = curl_easy_getinfo(curl, CURLINFO_CONTENT_LENGTH_DOWNLOAD_T, &length);
  TLOGLN(L"error:%d:%ls", static_cast<int>(rc), CurlErrorText(rc).c_str());
  long status = 0;
  if (rc == CURLE_OK && curl_easy_getinfo(curl, CURLINFO_RESPONSE_CODE, &status) == CURLE_OK && status >= 200 &&
      status <= 399) {
    return length;
  }
  ReportLengthFailure(status);
  return -1;
}

std::int64_t CurlClient::GetDownloadFileLength_Str(const std::string& url) {
  CurlEasy curl(curl_easy_init());
  if (!curl) return -1;
  CurlOptions options(curl.get());
  options.Keep(SetHeadOptions(curl.get(), url, false, LookupTimeoutMs()));
  options.Set(CURLOPT_HEADER, 1L);
  int rc = options.Result();
  if (rc == 0) rc = curl_easy_perform(curl.get());
  curl_off_t length = -1;
  curl_easy_getinfo(curl.get(), CURLINFO_CONTENT_LENGTH_DOWNLOAD_T, &length);  // stays -1 when absent
  long status = 0;
  const CURLcode statusRc = curl_easy_getinfo(curl.get(), CURLINFO_RESPONSE_CODE, &status);
  if (statusRc != CURLE_OK || status < 200 || status > 400) ReportLengthFailure(status);
  TLOGLN(L"error:%d:%ls", rc, CurlErrorText(rc).c_str());
  return length;
}

std::string CurlClient::GetRealUrl_Str(const std::string& url) {
  const std::string real = LookUpFinalUrl(url, std::chrono::milliseconds(LookupTimeoutMs()));
  return real.empty() ? url : real;
}

void CurlClient::ReportLengthFailure(long status) {
  wchar_t reason[200];
  swprintf(reason, 200, L"1.获取文件大小的状态码为=%ld；", status);
  TLOGLN(L"下载失败原因 %ls", reason);
  ReportTask({{L"AB", L"IN"}}, L"下载失败原因", 0.0f, reason);
}

// The single-stream downloader's HTTP client: finds the real URL and the package length
// with HEAD requests, then transfers into "<path>.part", resuming from its size.
#pragma once

#include <atomic>
#include <chrono>
#include <cstdint>
#include <string>

#include "download/download_timings.h"
#include "download/stall_watch.h"

class CCurlDownloader;

class CurlClient {
 public:
  // Result codes of the client's own, beside libcurl's positive ones.
  static constexpr int kPartFileFailed = -996;    // the ".part" file cannot be opened for appending
  static constexpr int kNoHandle = -997;          // no transfer handle could be created
  static constexpr int kLengthRefused = -998;     // length not announced or below 1 MiB
  static constexpr int kLengthMismatch = -995;    // the transfer ended longer than announced
  static constexpr int kMoveFailed = -994;        // the finished ".part" file could not become the target
  static constexpr std::int64_t kMinimumLength = 1048576;

  using ProgressHook = void (*)(CCurlDownloader* owner, double speed, double reserved, double percent);

  CurlClient(std::wstring url, std::wstring path, CCurlDownloader* owner, ProgressHook hook,
             const DownloadTimings& timings);
  ~CurlClient();
  CurlClient(const CurlClient&) = delete;
  CurlClient& operator=(const CurlClient&) = delete;

  // A run of the downloader begins: its lookups together get the lookup phase from now.
  void BeginRun();
  // One transfer attempt; 0 on success, then the file is at the target path.
  int Start();
  // Aborts a running transfer at its next progress call (teardown).
  void Stop() { stop_ = true; }
  bool Stopping() const { return stop_; }

  const std::string& RealUrl() const { return realUrl_; }
  // The MD5 of the package the last successful attempt delivered, made during the transfer;
  // "" when the URL names no digest or the file could not be read back.
  const std::string& Digest() const { return digest_; }
  std::int64_t FileLength() const { return fileLength_; }
  std::wstring DownloadFileName(bool withPartSuffix) const;

  static int ProgressCallback(void* client, std::int64_t dltotal, std::int64_t dlnow, std::int64_t, std::int64_t);

 private:
  // Steps of one attempt.
  bool FindPackage(const std::string& url);
  int Transfer(const std::wstring& partName);
  int CheckLengthAndMove(int result, const std::wstring& partName);

  void* Head(const std::string& url);
  std::int64_t GetDownloadFileLength(void* handle);
  std::int64_t GetDownloadFileLength_Str(const std::string& url);
  std::string GetRealUrl_Str(const std::string& url);
  void ReportLengthFailure(long status);
  // Time one HEAD request may take: the lookup timeout, or less when the run's lookup
  // phase ends sooner; 0 when it is over.
  long LookupTimeoutMs() const;

  std::wstring url_;
  std::wstring path_;
  CCurlDownloader* owner_;
  ProgressHook progressHook_;
  DownloadTimings timings_;
  std::chrono::steady_clock::time_point lookupDeadline_;
  std::int64_t fileLength_ = -1;
  std::int64_t resumeFrom_ = -1;
  std::int64_t lastProgressSecond_ = 0;
  std::atomic<bool> stop_{false};
  StallWatch stall_;
  std::string realUrl_;
  std::string digest_;
  void* transfer_ = nullptr;  // the handle of the running transfer, for the speed query
};

// The default downloader: one libcurl connection, a resumable ".part" file, a retry budget
// inside each run and one whole-run retry after a digest mismatch.
#pragma once

#include <atomic>
#include <string>

#include "download/curl_client.h"
#include "download/download_timings.h"
#include "download/downloader.h"
#include "download/worker_slot.h"

class CCurlDownloader : public CDownloader {
 public:
  CCurlDownloader(EventCallback callback, std::wstring url, std::wstring path);
  ~CCurlDownloader() override;

  void Start() override;

  // The worker's run.
  static int dlThreadFun(void* self);

  // Retry budget of a run, and what a failed attempt costs (the pause between attempts is
  // DownloadTimings::curlRetryPause).
  static constexpr int kBudget = 12;
  static constexpr int kPartialCost = 1;
  static constexpr int kOtherCost = 2;

 private:
  static void OnProgress(CCurlDownloader* self, double speed, double reserved, double percent);
  void Emit(int code, double value, const wchar_t* text);

  DownloadTimings timings_;
  EventCallback callback_;
  std::wstring path_;
  std::wstring url_;
  CurlClient client_;
  bool retried_ = false;
  std::atomic<bool> stopping_{false};
  WorkerSlot worker_;
};

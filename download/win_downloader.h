// The downloader over the system's URL download service (URLDownloadToFileW with a
// bind-status callback on Windows; a libcurl client with the same contract elsewhere):
// escaped URL, three attempts 1000 ms apart, no digest check and no retry event.
#pragma once

#include <memory>
#include <string>

#include "download/downloader.h"

class CWinDownloader : public CDownloader {
 public:
  CWinDownloader(EventCallback callback, std::wstring url, std::wstring path);
  // Teardown while the run goes on: the transfer aborts at its next progress notification,
  // the attempts stop, no event begins any more, and the worker is joined.
  ~CWinDownloader() override;

  // The first call starts the one run; later calls change nothing.
  void Start() override;

  static constexpr int kAttempts = 3;
  static constexpr int kPauseMs = 1000;

  // The status callback handed to the service: (progress, maximum) notifications become
  // 1002 events, and the transfer aborts once the abort mark is set. Defined by the
  // platform file (an IBindStatusCallbackEx on Windows).
  class CBindCallback;
  struct Impl;

 private:
  std::unique_ptr<Impl> impl_;
};

// The service's URL escaping: bytes 0x21-0x7E kept, a space as "+", every other UTF-8 byte
// as "%XX" (upper-case hexadecimal); "file:///" URLs unchanged.
std::wstring EscapeUrlForService(const std::wstring& url);

// Shared by the portable part (win_downloader.cpp) and the platform file
// (win_downloader_win32.cpp: URLDownloadToFileW; win_downloader_posix.cpp: libcurl).
namespace win_downloader_detail {

enum class ProgressAnswer { kContinue, kAbort };
// One progress notification: abort once the abort mark is set; no event while the maximum
// is 0 (the size is not known yet); otherwise one 1002 with progress / maximum.
ProgressAnswer AnswerProgress(const EventCallback& emit, bool aborting, double progress, double maximum);

// Platform: the status callback object, owned by the downloader for its whole life.
struct BindCallbackDeleter {
  void operator()(CWinDownloader::CBindCallback* callback) const;
};
using BindCallbackPtr = std::unique_ptr<CWinDownloader::CBindCallback, BindCallbackDeleter>;
BindCallbackPtr NewBindCallback();
// Start: the callback's events go to emit from now on.
void SetEventCallback(CWinDownloader::CBindCallback& callback, EventCallback emit);
// Teardown: the transfer in progress aborts at its next notification.
void SetAbortMark(CWinDownloader::CBindCallback& callback);

// Platform: what the worker thread needs for the service while the object lives (a COM
// single-threaded apartment on Windows).
class ServiceThreadScope {
 public:
  ServiceThreadScope();
  ~ServiceThreadScope();
  ServiceThreadScope(const ServiceThreadScope&) = delete;
  ServiceThreadScope& operator=(const ServiceThreadScope&) = delete;

 private:
  bool initialised_ = false;
};

// Platform: one call of the service, url into path with callback's notifications. 0 on
// success, otherwise the failure code carried by 1004 (see the platform file).
long DownloadOnce(CWinDownloader::CBindCallback& callback, const std::wstring& url, const std::wstring& path);

}  // namespace win_downloader_detail

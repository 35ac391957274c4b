// The downloader over the system's URL download service (URLDownloadToFileW with a
// bind-status callback on Windows; a libcurl client with the same contract elsewhere):
// escaped URL, three attempts 1000 ms apart, no retry event. The service's word is not
// taken on trust: a finished file must have the length the service announced, a watchdog
// aborts a transfer whose progress stands still, and the file is checked against the
// digest in the final URL as the other downloaders do.
#pragma once

#include <memory>
#include <string>

#include "download/downloader.h"

class CWinDownloader : public CDownloader {
 public:
  CWinDownloader(EventCallback callback, std::wstring url, std::wstring path);
  // Teardown while the run goes on: the transfer is aborted (also one the server has gone
  // silent on), the attempts stop, no event begins any more, and the worker is joined.
  ~CWinDownloader() override;

  // The first call starts the one run; later calls change nothing.
  void Start() override;

  static constexpr int kAttempts = 3;

  // The status callback handed to the service: (progress, maximum) notifications become
  // 1002 events, and the transfer aborts once the abort mark is set. Defined by the
  // platform file (an IBindStatusCallbackEx on Windows).
  class CBindCallback;
  struct Impl;

 private:
  std::unique_ptr<Impl> impl_;
};

// Notice texts of the digest check (1006), in the pattern of the libcurl downloaders'.
inline constexpr const wchar_t* kWinMismatchNotice = L"win文件md5校验失败";
inline constexpr const wchar_t* kWinNoDigestNotice = L"win获取url-md5失败";

// The service's URL escaping: bytes 0x21-0x7E kept, a space as "+", every other UTF-8 byte
// as "%XX" (upper-case hexadecimal); "file:///" URLs unchanged.
std::wstring EscapeUrlForService(const std::wstring& url);

// Shared by the portable part (win_downloader.cpp) and the platform file
// (win_downloader_win32.cpp: URLDownloadToFileW; win_downloader_posix.cpp: libcurl).
namespace win_downloader_detail {

// What the status callback hears during an attempt; the run implements it.
class TransferListener {
 public:
  // One progress notification (maximum 0 while the size is not known). Aborting is the
  // status callback's own business (its abort mark, AbortAttempt).
  virtual void OnProgress(double progress, double maximum) = 0;
  // The service follows a redirect to url (or tells that url is where the transfer ended).
  // Without any, the final URL is looked up when the digest is checked.
  virtual void OnRedirect(const std::wstring& url) = 0;

 protected:
  ~TransferListener() = default;
};

// Platform: the status callback object, owned by the downloader for its whole life.
struct BindCallbackDeleter {
  void operator()(CWinDownloader::CBindCallback* callback) const;
};
using BindCallbackPtr = std::unique_ptr<CWinDownloader::CBindCallback, BindCallbackDeleter>;
BindCallbackPtr NewBindCallback();
// Start: the callback's notifications go to listener from now on.
void SetListener(CWinDownloader::CBindCallback& callback, TransferListener* listener);
// Teardown: the transfer in progress aborts at its next notification.
void SetAbortMark(CWinDownloader::CBindCallback& callback);
// Watchdog, from another thread: aborts the attempt in progress at once, even while the
// server sends nothing; no effect when no attempt runs.
void AbortAttempt(CWinDownloader::CBindCallback& callback);

// Platform: one call of the service, url into path with callback's notifications. 0 on
// success, otherwise the failure code carried by 1004 (see the platform file).
long DownloadOnce(CWinDownloader::CBindCallback& callback, const std::wstring& url, const std::wstring& path);

// Platform: failure codes of the run's own checks, in the service's code space.
long IncompleteFileCode();  // the service reported success for a file of the wrong length
long StalledCode();         // the watchdog aborted an attempt whose progress stood still

}  // namespace win_downloader_detail

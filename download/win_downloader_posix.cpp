// Where there is no system URL download service: one libcurl GET per attempt with the same
// contract. It follows redirects, writes the target file itself and reports (progress,
// maximum) pairs and the final URL to the status callback, which aborts the transfer once
// its abort mark is set or the watchdog asks.
//
// Failure codes (the value of the final 1004): the libcurl result code of the failed
// attempt, a positive CURLcode, as the libcurl downloaders report theirs. Among them:
// 22 (CURLE_HTTP_RETURNED_ERROR) for an answer with status 400 or above (the status is
// logged), 7 for a refused connection, 28 for a connect timeout and for a transfer the
// watchdog aborted (StalledCode), 18 for a file that does not have the announced length
// (IncompleteFileCode), 47 for too many redirects, 52/56 for a connection closed or reset
// without an answer, 23 (CURLE_WRITE_ERROR) when the target file cannot be opened or
// written, 42 when the abort mark stopped the transfer.
#include <curl/curl.h>

#include <atomic>
#include <cstdio>

#include "download/curl_handles.h"
#include "download/package_digest.h"
#include "download/tls_trust.h"
#include "download/transfer_limits.h"
#include "download/win_downloader.h"
#include "utils/file_ops.h"
#include "utils/log.h"
#include "utils/text.h"

class CWinDownloader::CBindCallback {
 public:
  ~CBindCallback() { abort_ = true; }

  void SetListener(win_downloader_detail::TransferListener* listener) { listener_ = listener; }
  void SetAbortMark() { abort_ = true; }
  void AbortAttempt() { abortAttempt_ = true; }
  void BeginAttempt() { abortAttempt_ = false; }
  bool Aborting() const { return abort_ || abortAttempt_; }

  // One notification of the transfer; false to abort it.
  bool OnProgress(curl_off_t progress, curl_off_t maximum) {
    if (Aborting()) return false;
    if (listener_ != nullptr) listener_->OnProgress(static_cast<double>(progress), static_cast<double>(maximum));
    return true;
  }
  void OnRedirect(const std::wstring& url) {
    if (listener_ != nullptr) listener_->OnRedirect(url);
  }

 private:
  win_downloader_detail::TransferListener* listener_ = nullptr;
  std::atomic<bool> abort_{false};
  std::atomic<bool> abortAttempt_{false};
};

namespace {

using namespace transfer_limits;

// The state of one attempt as libcurl's callbacks see it.
struct Transfer {
  CWinDownloader::CBindCallback* callback;
  std::FILE* file;
  CURL* curl;
  curl_off_t lastProgress = -1;
  curl_off_t lastMaximum = -1;
};

std::size_t WriteToFile(char* data, std::size_t size, std::size_t count, void* transfer) {
  // A short count makes libcurl end the transfer with CURLE_WRITE_ERROR.
  return std::fwrite(data, size, count, static_cast<Transfer*>(transfer)->file) * size;
}

// libcurl calls this often, also while nothing changes (about once a second when idle);
// the status callback hears each changed pair once, as from the system service, and only
// for the answer that fills the file: the body of a redirect (or of an error, which
// fails the attempt) is not the download's progress.
int OnTransferInfo(void* data, curl_off_t dltotal, curl_off_t dlnow, curl_off_t, curl_off_t) {
  auto* transfer = static_cast<Transfer*>(data);
  if (transfer->callback->Aborting()) return 1;  // non-zero: CURLE_ABORTED_BY_CALLBACK
  long status = 0;  // 0 before an answer, and for file URLs
  curl_easy_getinfo(transfer->curl, CURLINFO_RESPONSE_CODE, &status);
  if (status >= 300) return 0;
  if (dlnow == transfer->lastProgress && dltotal == transfer->lastMaximum) return 0;
  transfer->lastProgress = dlnow;
  transfer->lastMaximum = dltotal;
  return transfer->callback->OnProgress(dlnow, dltotal) ? 0 : 1;
}

}  // namespace

namespace win_downloader_detail {

void BindCallbackDeleter::operator()(CWinDownloader::CBindCallback* callback) const { delete callback; }

BindCallbackPtr NewBindCallback() { return BindCallbackPtr(new CWinDownloader::CBindCallback); }

void SetListener(CWinDownloader::CBindCallback& callback, TransferListener* listener) {
  callback.SetListener(listener);
}

void SetAbortMark(CWinDownloader::CBindCallback& callback) { callback.SetAbortMark(); }

void AbortAttempt(CWinDownloader::CBindCallback& callback) { callback.AbortAttempt(); }

long IncompleteFileCode() { return CURLE_PARTIAL_FILE; }
long StalledCode() { return CURLE_OPERATION_TIMEDOUT; }

long DownloadOnce(CWinDownloader::CBindCallback& callback, const std::wstring& url, const std::wstring& path) {
  callback.BeginAttempt();
  Utils::UniqueFile file = Utils::OpenFile(path, "wb");
  if (!file) {
    TLOGLN(L"cannot open the target file \"%ls\"", path.c_str());
    return CURLE_WRITE_ERROR;
  }
  CurlEasy curl(curl_easy_init());
  if (!curl) return CURLE_FAILED_INIT;
  Transfer transfer{&callback, file.get(), curl.get()};
  std::string curlUrl = UrlForCurl(url);
  if (curlUrl.rfind("file:///", 0) == 0) {
    // The system service takes a file URL's path as it stands, blanks included; libcurl's
    // URL parser refuses blanks, so they go as "%20", which names the same file.
    std::string spaced;
    for (const char c : curlUrl) spaced += c == ' ' ? std::string("%20") : std::string(1, c);
    curlUrl = spaced;
  }
  // The first refused option is the attempt's failure; then no request is made.
  CurlOptions options(curl.get());
  options.Set(CURLOPT_URL, curlUrl.c_str())
      .Set(CURLOPT_NOSIGNAL, 1L)
      .Set(CURLOPT_FOLLOWLOCATION, 1L)
      .Set(CURLOPT_MAXREDIRS, kMaxRedirects)
      .Set(CURLOPT_FAILONERROR, 1L)
      .Set(CURLOPT_WRITEFUNCTION, &WriteToFile)
      .Set(CURLOPT_WRITEDATA, static_cast<void*>(&transfer))
      .Set(CURLOPT_NOPROGRESS, 0L)
      .Set(CURLOPT_XFERINFOFUNCTION, &OnTransferInfo)
      .Set(CURLOPT_XFERINFODATA, static_cast<void*>(&transfer))
      .Set(CURLOPT_CONNECTTIMEOUT, kConnectTimeoutSeconds);
  options.Keep(ApplyTlsTrust(curl.get()));
  long result = options.Result();
  if (result == CURLE_OK) result = curl_easy_perform(curl.get());
  long status = 0;
  curl_easy_getinfo(curl.get(), CURLINFO_RESPONSE_CODE, &status);  // stays 0 when there was no answer
  char* effective = nullptr;
  // Where the redirects ended, also when there were none (the final URL is then known).
  if (curl_easy_getinfo(curl.get(), CURLINFO_EFFECTIVE_URL, &effective) == CURLE_OK && effective != nullptr) {
    callback.OnRedirect(Utils::ToWide(effective, Utils::kCodePageUtf8));
  }
  TLOGLN(L"GET result %ld (%ls), status %ld", result,
         CurlErrorText(static_cast<int>(result)).c_str(), status);
  // A file that cannot be completed on disk is a failed attempt, even after a good transfer.
  if (!Utils::CloseFile(file) && result == CURLE_OK) result = CURLE_WRITE_ERROR;
  return result;
}

}  // namespace win_downloader_detail

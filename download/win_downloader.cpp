// The system URL downloader's run, shared by both platforms: events, URL escaping, the
// attempts with their watchdog, the length and digest checks, and teardown. The service
// itself and its status callback are in the platform file.
#include "download/win_downloader.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <system_error>
#include <thread>

#include "download/download_timings.h"
#include "download/head_request.h"
#include "download/package_digest.h"
#include "utils/com_apartment.h"
#include "utils/file_ops.h"
#include "utils/log.h"
#include "utils/text.h"
#include "utils/thread.h"
#include "utils/utf8.h"

using Clock = std::chrono::steady_clock;

struct CWinDownloader::Impl : win_downloader_detail::TransferListener {
  Impl(EventCallback eventCallback, std::wstring packageUrl, std::wstring targetPath)
      : callback(std::move(eventCallback)),
        path(std::move(targetPath)),
        url(std::move(packageUrl)),
        bindCallback(win_downloader_detail::NewBindCallback()),
        worker(this, L"ABDEF", &Impl::Run) {}

  // The worker's one run.
  static int Run(void* self);
  // One call of the service under the watchdog; the service's result, or StalledCode()
  // when the watchdog ended a transfer whose progress stood still.
  long AttemptWithWatchdog(const std::wstring& escapedUrl);
  // The length the service announced (or any length at all when it announced none).
  long CheckLength();
  // The digest check and the final event of a transfer that succeeded.
  void FinishTransfer();

  void OnProgress(double progress, double maximum) override {
    {
      std::lock_guard<std::mutex> lock(attemptMutex);
      // Only bytes count for the watchdog: a service that keeps reporting that it connects
      // or redirects (a redirect loop) makes no progress.
      if (progress != lastProgress || maximum != lastMaximum) lastActivity = Clock::now();
      lastProgress = progress;
      lastMaximum = maximum;
      if (maximum > 0) announced = maximum;
    }
    if (maximum == 0) return;  // no event while the size is unknown
    Emit(DL_CODE_PROGRESS, progress / maximum, L"");
  }

  void OnRedirect(const std::wstring& target) override {
    std::lock_guard<std::mutex> lock(attemptMutex);
    finalUrl = target;
    redirectKnown = true;
  }

  // Hands an event to the owner unless teardown has begun. The lock is held while the
  // owner's callback runs, so once BeginTeardown returns no event is in progress or begins.
  void Emit(int code, double value, const wchar_t* text) {
    std::lock_guard<std::mutex> lock(mutex);
    if (!tearingDown && callback) callback(code, value, text);
  }

  // The pause after a failed attempt; true when teardown began during it (or before).
  bool PauseInterruptedByTeardown() {
    std::unique_lock<std::mutex> lock(mutex);
    return wake.wait_for(lock, timings.serviceAttemptPause, [this] { return tearingDown; });
  }

  bool TearingDown() {
    std::lock_guard<std::mutex> lock(mutex);
    return tearingDown;
  }

  void BeginTeardown() {
    {
      std::lock_guard<std::mutex> lock(mutex);
      tearingDown = true;
    }
    wake.notify_all();
    win_downloader_detail::SetAbortMark(*bindCallback);
    // A transfer the server has gone silent on hears no notification that could see the
    // mark: abort it at once, as the watchdog would.
    win_downloader_detail::AbortAttempt(*bindCallback);
  }

  DownloadTimings timings = CurrentDownloadTimings();
  EventCallback callback;
  std::wstring path;
  std::wstring url;
  win_downloader_detail::BindCallbackPtr bindCallback;
  std::mutex mutex;  // guards tearingDown and serialises the events
  std::condition_variable wake;
  bool tearingDown = false;
  std::atomic<bool> started{false};

  // What the current attempt's notifications told, for the watchdog and the checks.
  std::mutex attemptMutex;
  Clock::time_point lastActivity;  // the last change of (progress, maximum)
  double lastProgress = 0;
  double lastMaximum = 0;
  double announced = 0;    // the last non-zero progress maximum: the file's length
  std::wstring finalUrl;   // where the redirects ended
  bool redirectKnown = false;  // the service said where the redirects ended

  Utils::Thread worker;  // last: created once everything its run uses exists
};

int CWinDownloader::Impl::Run(void* parameter) {
  auto* self = static_cast<Impl*>(parameter);
  const Utils::ComApartment serviceScope;  // the URL service needs a COM apartment on its thread
  self->Emit(DL_CODE_START, 1.0, L"");
  if (self->path.empty()) self->Emit(DL_CODE_FAIL, 1.0, L"");  // reported, and the run goes on

  const std::wstring url = EscapeUrlForService(self->url);
  long result = 0;
  for (int attempt = 1; attempt <= kAttempts; ++attempt) {
    if (self->TearingDown()) return 0;
    result = self->AttemptWithWatchdog(url);
    if (result == 0) result = self->CheckLength();
    if (result == 0) {
      TLOGLN(L"URLDownloadToFile done, attempt %d", attempt);
      self->FinishTransfer();
      return 0;
    }
    TLOGLN(L"URLDownloadToFile attempt %d of %d failed: %ld (0x%08lX)", attempt, kAttempts, result,
           static_cast<unsigned long>(result) & 0xFFFFFFFFul);
    if (self->PauseInterruptedByTeardown()) return 0;  // teardown: no final event
  }
  self->Emit(DL_CODE_FAIL, static_cast<double>(result), kUrlDownloadName);
  return 0;
}

long CWinDownloader::Impl::AttemptWithWatchdog(const std::wstring& escapedUrl) {
  {
    std::lock_guard<std::mutex> lock(attemptMutex);
    lastActivity = Clock::now();
    lastProgress = 0;
    lastMaximum = 0;
    announced = 0;
    finalUrl = escapedUrl;
    redirectKnown = false;
  }
  std::mutex doneMutex;
  std::condition_variable doneSignal;
  bool done = false;
  std::atomic<bool> fired{false};
  const auto check = std::clamp(timings.serviceWatchdog / 4, std::chrono::milliseconds(10), std::chrono::milliseconds(1000));
  auto watch = [&] {
    std::unique_lock<std::mutex> lock(doneMutex);
    while (!doneSignal.wait_for(lock, check, [&] { return done; })) {
      Clock::time_point last;
      {
        std::lock_guard<std::mutex> attemptLock(attemptMutex);
        last = lastActivity;
      }
      if (Clock::now() - last < timings.serviceWatchdog) continue;
      TLOGLN(L"no progress for %lld ms: the transfer is aborted",
             static_cast<long long>(timings.serviceWatchdog.count()));
      fired = true;
      win_downloader_detail::AbortAttempt(*bindCallback);
      return;
    }
  };
  std::thread watchdog;
  try {
    watchdog = std::thread(watch);
  } catch (const std::system_error&) {
    TLOGLN(L"no watchdog thread: this attempt runs unwatched");
  }
  long result = win_downloader_detail::DownloadOnce(*bindCallback, escapedUrl, path);
  {
    std::lock_guard<std::mutex> lock(doneMutex);
    done = true;
  }
  doneSignal.notify_all();
  if (watchdog.joinable()) watchdog.join();
  // A transfer that completed just as the watchdog fired stays complete.
  if (result != 0 && fired) result = win_downloader_detail::StalledCode();
  return result;
}

long CWinDownloader::Impl::CheckLength() {
  double expected = 0;
  {
    std::lock_guard<std::mutex> lock(attemptMutex);
    expected = announced;
  }
  const std::int64_t size = Utils::FileSizeAt(path);
  // Without an announced length only an empty or missing file is known to be wrong.
  const bool complete = expected > 0 ? static_cast<double>(size) == expected : size > 0;
  if (complete) return 0;
  TLOGLN(L"the service reported success for %lld bytes, announced %.0f", static_cast<long long>(size), expected);
  return win_downloader_detail::IncompleteFileCode();
}

void CWinDownloader::Impl::FinishTransfer() {
  std::wstring real;
  bool known = false;
  {
    std::lock_guard<std::mutex> lock(attemptMutex);
    real = finalUrl;
    known = redirectKnown;
  }
  std::string narrowReal = Utils::ToNarrow(real, Utils::kCodePageUtf8);
  if (!known && real.rfind(L"file:///", 0) != 0) {
    // A service that does not tell where redirects end (Wine's does not pass them on):
    // the digest is taken from where a lookup of the same URL ends.
    const std::string found = LookUpFinalUrl(narrowReal, timings.lookupTimeout);
    if (!found.empty()) narrowReal = found;
  }
  switch (CheckPackageDigest(UrlMd5(narrowReal), path)) {
    case DigestCheck::kMismatch:
      // The package runs with administrator rights: a file that is not the one the URL
      // names is removed, and this downloader has no whole-run retry.
      Emit(DL_CODE_NOTICE, 0.0, kWinMismatchNotice);
      Utils::DeleteFileAt(path);
      TLOGLN(L"digest mismatch: %ls", Utils::ToWide(narrowReal, Utils::kCodePageUtf8).c_str());
      Emit(DL_CODE_FAIL, 0.0, kUrlDownloadName);
      return;
    case DigestCheck::kNoExpectedDigest:
      Emit(DL_CODE_NOTICE, 0.0, kWinNoDigestNotice);
      break;
    case DigestCheck::kMatched:
      break;
  }
  Emit(DL_CODE_SUCCESS, 0.0, kUrlDownloadName);
}

CWinDownloader::CWinDownloader(EventCallback callback, std::wstring url, std::wstring path)
    : impl_(std::make_unique<Impl>(std::move(callback), std::move(url), std::move(path))) {
  if (!impl_->worker.Created()) TLOGLN(L"no worker thread: the download cannot run");
}

CWinDownloader::~CWinDownloader() {
  impl_->BeginTeardown();
  // Waits for a running worker; a worker that was never resumed leaves without running.
  impl_->worker.Join();
}

void CWinDownloader::Start() {
  if (impl_->started.exchange(true)) return;  // the one run is running or over
  win_downloader_detail::SetListener(*impl_->bindCallback, impl_.get());
  // Without a worker no event can come: events reach the owner only from a worker thread.
  if (!impl_->worker.Resume()) TLOGLN(L"worker not resumed: the download does not run");
}

std::wstring EscapeUrlForService(const std::wstring& url) {
  if (url.rfind(L"file:///", 0) == 0) return url;
  std::string utf8;
  Utils::AppendUtf8(utf8, url.data(), url.size());
  static constexpr wchar_t kHex[] = L"0123456789ABCDEF";
  // Every output character is ASCII, so widening each one is the conversion back from UTF-8.
  std::wstring escaped;
  escaped.reserve(utf8.size());
  for (const char c : utf8) {
    const auto byte = static_cast<unsigned char>(c);
    if (byte >= 0x21 && byte <= 0x7E) {
      escaped += static_cast<wchar_t>(byte);
    } else if (byte == 0x20) {
      escaped += L'+';
    } else {
      escaped += L'%';
      escaped += kHex[byte >> 4];
      escaped += kHex[byte & 0x0F];
    }
  }
  return escaped;
}

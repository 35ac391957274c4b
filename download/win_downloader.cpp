// The system URL downloader's run, shared by both platforms: events, URL escaping, the
// attempts and teardown. The service itself and its status callback are in the platform
// file.
#include "download/win_downloader.h"

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <mutex>

#include "utils/log.h"
#include "utils/thread.h"
#include "utils/utf8.h"

struct CWinDownloader::Impl {
  Impl(EventCallback eventCallback, std::wstring packageUrl, std::wstring targetPath)
      : callback(std::move(eventCallback)),
        path(std::move(targetPath)),
        url(std::move(packageUrl)),
        bindCallback(win_downloader_detail::NewBindCallback()),
        worker(this, L"ABDEF", &Impl::Run) {}

  // The worker's one run.
  static int Run(void* self);

  // Hands an event to the owner unless teardown has begun. The lock is held while the
  // owner's callback runs, so once BeginTeardown returns no event is in progress or begins.
  void Emit(int code, double value, const wchar_t* text) {
    std::lock_guard<std::mutex> lock(mutex);
    if (!tearingDown && callback) callback(code, value, text);
  }

  // The pause after a failed attempt; true when teardown began during it (or before).
  bool PauseInterruptedByTeardown() {
    std::unique_lock<std::mutex> lock(mutex);
    return wake.wait_for(lock, std::chrono::milliseconds(kPauseMs), [this] { return tearingDown; });
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
  }

  EventCallback callback;
  std::wstring path;
  std::wstring url;
  win_downloader_detail::BindCallbackPtr bindCallback;
  std::mutex mutex;  // guards tearingDown and serialises the events
  std::condition_variable wake;
  bool tearingDown = false;
  std::atomic<bool> started{false};
  Utils::Thread worker;  // last: created once everything its run uses exists
};

int CWinDownloader::Impl::Run(void* parameter) {
  auto* self = static_cast<Impl*>(parameter);
  win_downloader_detail::ServiceThreadScope serviceScope;
  self->Emit(DL_CODE_START, 1.0, L"");
  if (self->path.empty()) self->Emit(DL_CODE_FAIL, 1.0, L"");  // reported, and the run goes on

  const std::wstring url = EscapeUrlForService(self->url);
  long result = 0;
  for (int attempt = 1; attempt <= kAttempts; ++attempt) {
    if (self->TearingDown()) return 0;
    result = win_downloader_detail::DownloadOnce(*self->bindCallback, url, self->path);
    if (result == 0) {
      TLOGLN(L"URLDownloadToFile done, attempt %d", attempt);
      self->Emit(DL_CODE_SUCCESS, 0.0, kUrlDownloadName);
      return 0;
    }
    TLOGLN(L"URLDownloadToFile attempt %d of %d failed: %ld (0x%08lX)", attempt, kAttempts, result,
           static_cast<unsigned long>(result) & 0xFFFFFFFFul);
    if (self->PauseInterruptedByTeardown()) return 0;  // teardown: no final event
  }
  self->Emit(DL_CODE_FAIL, static_cast<double>(result), kUrlDownloadName);
  return 0;
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
  Impl* impl = impl_.get();
  win_downloader_detail::SetEventCallback(*impl->bindCallback, [impl](int code, double value, const wchar_t* text) {
    impl->Emit(code, value, text);
  });
  // Without a worker no event can come: events reach the owner only from a worker thread.
  if (!impl->worker.Resume()) TLOGLN(L"worker not resumed: the download does not run");
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

namespace win_downloader_detail {

ProgressAnswer AnswerProgress(const EventCallback& emit, bool aborting, double progress, double maximum) {
  if (aborting) return ProgressAnswer::kAbort;
  if (maximum == 0) return ProgressAnswer::kContinue;
  if (emit) emit(DL_CODE_PROGRESS, progress / maximum, L"");
  return ProgressAnswer::kContinue;
}

}  // namespace win_downloader_detail

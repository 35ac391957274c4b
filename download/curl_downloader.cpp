// The single-stream downloader's worker.
#include "download/curl_downloader.h"

#include <chrono>
#include <thread>

#include "download/package_digest.h"
#include "utils/file_ops.h"
#include "utils/log.h"
#include "utils/text.h"

CCurlDownloader::CCurlDownloader(EventCallback callback, std::wstring url, std::wstring path)
    : timings_(CurrentDownloadTimings()),
      callback_(std::move(callback)),
      path_(std::move(path)),
      url_(std::move(url)),
      client_(url_, path_, this, &CCurlDownloader::OnProgress, timings_) {
  Utils::DeleteFileAt(client_.DownloadFileName(true));  // a leftover of an earlier process
}

CCurlDownloader::~CCurlDownloader() {
  // Teardown while a run goes on: the transfer aborts at its next progress call, the run
  // stops retrying and sends nothing more, and the worker is joined before anything it
  // uses is freed.
  stopping_ = true;
  client_.Stop();
  worker_.JoinAll();
}

void CCurlDownloader::Start() {
  worker_.Replace(std::make_unique<Utils::Thread>(this, L"ABDEF", &CCurlDownloader::dlThreadFun));
}

void CCurlDownloader::Emit(int code, double value, const wchar_t* text) {
  if (!stopping_ && callback_) callback_(code, value, text);
}

void CCurlDownloader::OnProgress(CCurlDownloader* self, double speed, double, double percent) {
  if (speed > 0 && percent <= 100) self->Emit(DL_CODE_PROGRESS, percent / 100, L"");
}

int CCurlDownloader::dlThreadFun(void* parameter) {
  auto* self = static_cast<CCurlDownloader*>(parameter);
  self->Emit(DL_CODE_START, 1.0, L"");
  if (self->path_.empty()) self->Emit(DL_CODE_FAIL, 1.0, L"");

  self->client_.BeginRun();
  int result = self->client_.Start();
  int budget = kBudget;
  while (result != 0) {
    budget -= result == 18 ? kPartialCost : kOtherCost;  // 18: a cut-off transfer (partial file)
    if (budget <= 0 || self->stopping_) {
      self->Emit(DL_CODE_FAIL, result, kLibCurlName);
      return 0;
    }
    TLOGLN(L"CurlDownLoader Code=%d", result);
    std::this_thread::sleep_for(self->timings_.curlRetryPause);
    result = self->client_.Start();
  }

  switch (CompareDigest(UrlMd5(self->client_.RealUrl()), self->client_.Digest())) {
    case DigestCheck::kNoExpectedDigest:
      self->Emit(DL_CODE_NOTICE, 0.0, L"curl获取url-md5失败");
      break;
    case DigestCheck::kMismatch:
      self->Emit(DL_CODE_NOTICE, 0.0, L"curl文件md5校验失败");
      if (self->retried_) {
        self->Emit(DL_CODE_FAIL, 0.0, kLibCurlName);
      } else {
        self->retried_ = true;
        self->Emit(DL_CODE_RETRY, 0.0, kLibCurlName);  // nothing follows: the owner may Start again
      }
      return 0;
    case DigestCheck::kMatched:
      break;
  }
  self->Emit(DL_CODE_SUCCESS, 0.0, kLibCurlName);
  return 0;
}

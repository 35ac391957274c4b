// The ranged downloader's runs: lookup, one or two part threads, merge and digest check.
#include "download/mt_curl_downloader.h"

#include <curl/curl.h>

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <optional>
#include <string>
#include <system_error>

#include "download/curl_handles.h"
#include "download/download_timings.h"
#include "download/growing_file_digest.h"
#include "download/package_digest.h"
#include "download/stall_watch.h"
#include "download/tls_trust.h"
#include "download/transfer_limits.h"
#include "startup/installer_config.h"
#include "utils/file_ops.h"
#include "utils/log.h"
#include "utils/text.h"
#include "utils/thread.h"

namespace {

using namespace transfer_limits;

constexpr long kLowSpeedBytes = 1;  // a range that gets less than this per second ...
constexpr long kLowSpeedSeconds = 5;  // ... for this long is dead: the attempt ends
constexpr std::size_t kMergeBlock = 256 * 1024;  // the second range is half of a package of gigabytes

const wchar_t kMismatchNotice[] = L"mtcurl文件md5校验失败";
const wchar_t kNoDigestNotice[] = L"mtcurl获取url-md5失败";

std::size_t Discard(char*, std::size_t size, std::size_t count, void*) { return size * count; }

// The lookup's transfer-information function: reports nothing, aborts at teardown.
int AbortOnStop(void* stopping, std::int64_t, std::int64_t, std::int64_t, std::int64_t) {
  return static_cast<std::atomic<bool>*>(stopping)->load() ? 1 : 0;
}

// A header line that starts with `word` (case-insensitive): true, with the rest of the line.
bool HeaderStartsWith(const char* data, std::size_t size, const char* word, std::string* rest = nullptr) {
  const std::size_t n = std::strlen(word);
  if (size < n) return false;
  for (std::size_t i = 0; i < n; ++i) {
    char c = data[i];
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    if (c != word[i]) return false;
  }
  if (rest != nullptr) rest->assign(data + n, size - n);
  return true;
}

}  // namespace

struct CMTCurlDownloader::DownloadPartNode {
  explicit DownloadPartNode(const DownloadTimings& timings)
      : stall(timings.stallWindow, timings.stallBytesPerSecond) {}

  Utils::UniqueFile file;     // the part file, open for appending; null when closed
  std::int64_t first = 0;     // absolute offset of the range's first byte
  std::int64_t next = 0;      // absolute offset of the next byte to store
  std::int64_t last = -1;     // absolute offset of the range's last byte (inclusive)
  CurlEasy handle;            // created once per node, reset after every attempt
  std::string url;
  std::wstring partPath;      // P + "_" + the part index
  int state = kStateToDownload;
  std::int64_t downloaded = 0;  // bytes of this range in the part file; under Impl::lock

  // Per attempt: what the answer's headers said and where its body stands.
  std::int64_t rangeStart = -1;  // first offset of the answer's Content-Range
  std::int64_t rangeTotal = -1;  // package size of the answer's Content-Range
  std::int64_t bodyOffset = -1;  // absolute offset of the next body byte; -1 before the first
  bool sizeChanged = false;      // the answer is of a package of another size
  bool coded = false;            // the answer has a content coding: its body is not the bytes
  StallWatch stall;              // a trickle is cut and resumed

  Impl* owner = nullptr;
};

struct CMTCurlDownloader::Impl {
  DownloadTimings timings = CurrentDownloadTimings();
  EventCallback callback;
  std::wstring path;
  std::wstring url;
  std::string realUrl;         // kept across runs
  std::int64_t fileLength = -1;  // kept across runs
  std::string expectedMd5;
  std::string digest;          // of the merged package, made during the merge

  std::mutex lock;             // progress bookkeeping: lastPercent, lastProgressSecond, downloaded
  double lastPercent = 0.0;    // also the mark that part files are worth keeping
  std::int64_t lastProgressSecond = 0;
  bool retried = false;        // touched by the finishing thread only, one run after another

  std::vector<std::unique_ptr<DownloadPartNode>> parts;
  std::vector<std::thread> partThreads;
  std::thread finisher;

  // Teardown: set once, under both mutexes; wakes the pauses.
  std::atomic<bool> stopping{false};
  std::mutex stopMutex;
  std::condition_variable stopSignal;
  // One event at a time; recursive because the owner restarts from inside the callback.
  std::recursive_mutex emitMutex;

  WorkerSlot worker;

  void Emit(int code, double value, const wchar_t* text) {
    std::lock_guard<std::recursive_mutex> guard(emitMutex);
    if (!stopping && callback) callback(code, value, text);
  }

  void Stop() {
    std::lock_guard<std::recursive_mutex> guard(emitMutex);  // waits for an event in progress
    std::lock_guard<std::mutex> stopGuard(stopMutex);
    stopping = true;
    stopSignal.notify_all();
  }

  // Sleeps, or less when teardown begins; false once stopping.
  bool Pause(std::chrono::milliseconds duration) {
    std::unique_lock<std::mutex> guard(stopMutex);
    return !stopSignal.wait_for(guard, duration, [this] { return stopping.load(); });
  }

  double LastPercent() {
    std::lock_guard<std::mutex> guard(lock);
    return lastPercent;
  }
  void SetLastPercent(double value) {
    std::lock_guard<std::mutex> guard(lock);
    lastPercent = value;
  }

  std::wstring PartName(int index) const { return path + L"_" + std::to_wstring(index); }

  void DeletePartFiles() {
    if (path.empty()) return;  // "_0" would name a file in the current folder
    Utils::DeleteFileAt(PartName(0));
    Utils::DeleteFileAt(PartName(1));
  }

  // Waits for the threads of an earlier run; never for the calling thread itself. The
  // finishing thread first: it joins the part threads itself.
  void JoinRunThreads() {
    const std::thread::id self = std::this_thread::get_id();
    if (finisher.joinable()) {
      if (finisher.get_id() == self) finisher.detach();  // teardown from inside the final event
      else finisher.join();
    }
    for (std::thread& t : partThreads) {  // a run cut short before its finishing thread began
      if (!t.joinable()) continue;
      if (t.get_id() == self) t.detach();  // teardown from inside a progress event
      else t.join();
    }
    partThreads.clear();
  }

  // Each node closes its part file and cleans up its handle.
  void ReleaseNodes() { parts.clear(); }
};

std::vector<CMTCurlDownloader::ByteRange> CMTCurlDownloader::SplitRanges(std::int64_t length) {
  std::vector<ByteRange> ranges;
  if (length < 1) return ranges;
  const std::int64_t units = length / kSplitUnit;
  const std::int64_t count = units <= 1 ? 1 : 2;
  std::int64_t offset = 0;
  for (std::int64_t i = 0; i < count; ++i) {
    const std::int64_t first = offset;
    offset += length / count + (i == count - 1 ? length % count : 0);
    ranges.push_back({first, offset - 1});
  }
  return ranges;
}

CMTCurlDownloader::CMTCurlDownloader(EventCallback callback, std::wstring url, std::wstring path)
    : impl_(std::make_unique<Impl>()) {
  impl_->callback = std::move(callback);
  impl_->url = std::move(url);
  impl_->path = std::move(path);
  // Leftovers of an earlier process are of unknown origin: every run starts clean.
  if (!impl_->path.empty()) Utils::DeleteFileAt(impl_->path);
  impl_->DeletePartFiles();
}

CMTCurlDownloader::~CMTCurlDownloader() {
  impl_->Stop();
  impl_->worker.JoinAll();   // the worker may still be starting part threads
  impl_->JoinRunThreads();
  impl_->ReleaseNodes();
}

void CMTCurlDownloader::Start() {
  impl_->worker.Replace(std::make_unique<Utils::Thread>(impl_.get(), L"ABDEF", &CMTCurlDownloader::Start_Down));
}

int CMTCurlDownloader::Start_Down(void* parameter) {
  auto* d = static_cast<Impl*>(parameter);
  // A restart requested from the final event of the previous run comes from its finishing
  // thread, which returns right after the callback: wait for it, so runs never overlap.
  d->JoinRunThreads();
  d->ReleaseNodes();
  if (d->stopping) return 0;

  d->Emit(DL_CODE_START, 1.0, L"");
  TLOGLN(L"start download");
  const std::string url = UrlForCurl(d->url);

  if (!d->path.empty()) Utils::DeleteFileAt(d->path);
  if (d->LastPercent() == 0.0) d->DeletePartFiles();  // no progress recorded: a fresh start

  if (d->realUrl.empty() || d->fileLength < kMinimumLength) {
    if (!getRealDownloadUrl(d, url)) {
      d->Emit(DL_CODE_FAIL, 0.0, kLibCurlName);
      return 0;
    }
  }

  const std::vector<ByteRange> ranges = SplitRanges(d->fileLength);
  for (std::size_t i = 0; i < ranges.size(); ++i) {
    auto node = std::make_unique<DownloadPartNode>(d->timings);
    node->owner = d;
    // Without a target path there is no part file name (it would name a file in the
    // current folder): the range cannot be stored.
    if (!d->path.empty()) node->partPath = d->PartName(static_cast<int>(i));
    const std::int64_t existing = node->partPath.empty() ? 0 : Utils::FileSizeAt(node->partPath);
    node->downloaded = existing > 0 ? existing : 0;
    node->first = ranges[i].first;
    node->next = ranges[i].first + node->downloaded;
    node->last = ranges[i].last;
    node->handle.reset(curl_easy_init());
    node->url = d->realUrl;
    if (node->next > node->last) {
      node->state = kStateComplete;  // the part file already holds the whole range
    } else {
      node->state = kStateToDownload;
      node->file = Utils::OpenFile(node->partPath, "ab+");
      if (!node->file) node->state = kStatePartFileFailed;
    }
    d->parts.push_back(std::move(node));
  }

  bool first = true;
  for (const auto& owned : d->parts) {
    DownloadPartNode* node = owned.get();
    if (node->state != kStateToDownload) continue;
    if (!first && !d->Pause(d->timings.partStagger)) break;
    first = false;
    try {
      d->partThreads.emplace_back(&CMTCurlDownloader::downloadThreadFun, d, node);
    } catch (const std::system_error&) {
      // No thread for this range: it stays "to be downloaded" and the run fails with -1.
    }
  }

  try {
    d->finisher = std::thread(&CMTCurlDownloader::waitForFinishThreadFun, d);
  } catch (const std::system_error&) {
    waitForFinishThreadFun(d);  // no finishing thread: finish on the worker instead
  }
  return 0;
}

bool CMTCurlDownloader::getRealDownloadUrl(Impl* d, const std::string& url) {
  d->realUrl.clear();
  d->expectedMd5.clear();
  d->fileLength = 0;
  if (!g_InstallerConfig.LibcurlReady) return false;

  CurlEasy handle(curl_easy_init());
  if (!handle) return false;
  CURL* curl = handle.get();
  CurlList headers;
  AppendHeader(headers, "Connection: keep-alive");
  CurlOptions options(curl);
  options.Set(CURLOPT_HTTPHEADER, headers.get())
      .Set(CURLOPT_URL, url.c_str())
      .Set(CURLOPT_NOSIGNAL, 1L)
      .Set(CURLOPT_FOLLOWLOCATION, 1L)
      .Set(CURLOPT_MAXREDIRS, kMaxRedirects)
      .Set(CURLOPT_NOBODY, 1L)
      .Set(CURLOPT_TIMEOUT_MS, static_cast<long>(d->timings.lookupTimeout.count()));
  options.Keep(ApplyTlsTrust(curl));
  options.Set(CURLOPT_WRITEFUNCTION, &Discard)
      .Set(CURLOPT_CONNECTTIMEOUT, kConnectTimeoutSeconds)
      // Only so that teardown can abort the lookup; no progress is reported for it.
      .Set(CURLOPT_NOPROGRESS, 0L)
      .Set(CURLOPT_XFERINFOFUNCTION, &AbortOnStop)
      .Set(CURLOPT_XFERINFODATA, static_cast<void*>(&d->stopping));
  int rc = options.Result();
  if (rc == 0) rc = curl_easy_perform(curl);
  if (rc != 0) {
    TLOGLN(L"error:%d:%ls", rc, CurlErrorText(rc).c_str());
  } else {
    char* effective = nullptr;
    if (curl_easy_getinfo(curl, CURLINFO_EFFECTIVE_URL, &effective) == CURLE_OK && effective != nullptr &&
        *effective != '\0') {
      d->realUrl = effective;
      TLOGLN(L"Download File real url %ls", Utils::ToWide(d->realUrl, Utils::kCodePageUtf8).c_str());
      d->expectedMd5 = UrlMd5(d->realUrl);
    }
    curl_off_t length = -1;
    long status = 0;
    if (curl_easy_getinfo(curl, CURLINFO_CONTENT_LENGTH_DOWNLOAD_T, &length) == CURLE_OK &&
        curl_easy_getinfo(curl, CURLINFO_RESPONSE_CODE, &status) == CURLE_OK && status >= 200 && status <= 399) {
      d->fileLength = static_cast<std::int64_t>(length);
      TLOGLN(L"Download File Length %lld", static_cast<long long>(d->fileLength));
    }
  }
  return !d->realUrl.empty() && d->fileLength >= kMinimumLength;
}

void CMTCurlDownloader::downloadThreadFun(Impl* d, DownloadPartNode* node) {
  int budget = kBudget;
  int result = downloadExe(d, node);
  while (result != 0 && budget > 0 && !d->stopping) {
    budget -= result == CURLE_PARTIAL_FILE ? kPartialCost : kOtherCost;
    TLOGLN(L"CurlDownLoader Code=%d", result);
    if (!d->Pause(d->timings.rangedRetryPause)) break;
    result = downloadExe(d, node);
  }
  node->file.reset();
}

int CMTCurlDownloader::downloadExe(Impl* d, DownloadPartNode* node) {
  if (node->next > node->last) {
    // An earlier answer ran past the range after delivering all of it: nothing is missing.
    node->file.reset();
    node->state = kStateComplete;
    return kStateComplete;
  }
  if (!node->handle) return kStateToDownload;

  char range[64];
  std::snprintf(range, sizeof range, "%lld-%lld", static_cast<long long>(node->next),
                static_cast<long long>(node->last));
  node->rangeStart = -1;
  node->rangeTotal = -1;
  node->bodyOffset = -1;
  node->sizeChanged = false;
  node->coded = false;

  CURL* curl = node->handle.get();
  CurlOptions options(curl);
  options.Set(CURLOPT_NOSIGNAL, 1L)
      .Set(CURLOPT_URL, node->url.c_str())
      .Set(CURLOPT_TIMEOUT, 0L)
      .Set(CURLOPT_FOLLOWLOCATION, 1L)
      .Set(CURLOPT_MAXREDIRS, kMaxRedirects)
      .Set(CURLOPT_WRITEFUNCTION, &CMTCurlDownloader::RangeWriter)
      .Set(CURLOPT_WRITEDATA, static_cast<void*>(node))
      .Set(CURLOPT_HEADERFUNCTION, &CMTCurlDownloader::RangeHeader)
      .Set(CURLOPT_HEADERDATA, static_cast<void*>(node))
      .Set(CURLOPT_NOPROGRESS, 0L)
      .Set(CURLOPT_XFERINFOFUNCTION, &CMTCurlDownloader::ProgressFun)
      .Set(CURLOPT_XFERINFODATA, static_cast<void*>(node))
      .Set(CURLOPT_FAILONERROR, 1L)
      .Set(CURLOPT_CONNECTTIMEOUT, kConnectTimeoutSeconds);
  options.Keep(ApplyTlsTrust(curl));
  options.Set(CURLOPT_LOW_SPEED_LIMIT, kLowSpeedBytes)
      .Set(CURLOPT_LOW_SPEED_TIME, kLowSpeedSeconds)
      .Set(CURLOPT_RANGE, range);
  curl_easy_setopt(curl, CURLOPT_BUFFERSIZE, kReceiveBufferBytes);  // a hint: its result does not matter
  const int rc = options.Result();
  if (rc != 0) {
    curl_easy_reset(curl);
    return rc;  // the state stays as it was: the range was not attempted
  }

  node->stall.Begin(StallWatch::Clock::now());
  int result = curl_easy_perform(curl);
  if (result == CURLE_ABORTED_BY_CALLBACK && node->stall.HasStalled() && !d->stopping) {
    TLOGLN(L"range stalled: cut, to be resumed");
    result = CURLE_PARTIAL_FILE;
  }
  if (result != 0) {
    TLOGLN(L"error:%d:%ls", result, CurlErrorText(result).c_str());
  } else {
    TLOGLN(L"curl_easy_cleanup");
  }
  curl_easy_reset(curl);

  if (node->sizeChanged) {
    result = kStateSizeChanged;
  } else if (result == 0 && node->next <= node->last) {
    result = CURLE_PARTIAL_FILE;  // the answer ended before the range did: resume it
  }
  if (result == 0 && node->file && !Utils::CloseFile(node->file)) result = CURLE_WRITE_ERROR;
  node->state = result;
  return result;
}

std::size_t CMTCurlDownloader::RangeHeader(char* data, std::size_t size, std::size_t count, void* user) {
  auto* node = static_cast<DownloadPartNode*>(user);
  const std::size_t n = size * count;
  std::string line;
  if (HeaderStartsWith(data, n, "http/")) {
    // A new answer (after a redirect, or a final one): forget the previous one's range.
    node->rangeStart = -1;
    node->rangeTotal = -1;
    node->coded = false;
  } else if (HeaderStartsWith(data, n, "content-encoding:", &line)) {
    // No coding is asked for, so libcurl passes a coded body on as it came.
    node->coded = line.find("identity") == std::string::npos;
  } else if (HeaderStartsWith(data, n, "content-range:", &line)) {
    long long first = -1, last = -1, total = -1;
    if (std::sscanf(line.c_str(), " bytes %lld-%lld/%lld", &first, &last, &total) == 3) {
      node->rangeStart = first;
      node->rangeTotal = total;
    } else if (std::sscanf(line.c_str(), " bytes %lld-%lld/*", &first, &last) == 2) {
      node->rangeStart = first;
    }
  }
  return n;
}

std::size_t CMTCurlDownloader::RangeWriter(char* data, std::size_t size, std::size_t count, void* user) {
  auto* node = static_cast<DownloadPartNode*>(user);
  Impl* d = node->owner;
  const std::size_t offered = size * count;
  if (d->stopping || !node->file) return 0;

  if (node->bodyOffset < 0) {
    // The first body bytes of this answer: where in the package do they begin?
    long status = 0;
    curl_easy_getinfo(node->handle.get(), CURLINFO_RESPONSE_CODE, &status);
    std::int64_t total = -1;
    if (status == 206) {
      node->bodyOffset = node->rangeStart >= 0 ? node->rangeStart : node->next;
      total = node->rangeTotal;
    } else if (status == 200) {
      // The server ignored the range and sends the whole package from its first byte.
      node->bodyOffset = 0;
      curl_off_t length = -1;
      if (curl_easy_getinfo(node->handle.get(), CURLINFO_CONTENT_LENGTH_DOWNLOAD_T, &length) == CURLE_OK) total = length;
    } else {
      return 0;  // no package bytes in this answer
    }
    if ((total >= 0 && total != d->fileLength) || node->bodyOffset > node->next) {
      // Another package, or bytes after a gap: none of it belongs in the part file.
      node->sizeChanged = total >= 0 && total != d->fileLength;
      return 0;
    }
    if (node->coded) return 0;  // compressed bytes would be stored as the package's
  }

  // Bytes before the next one needed are already stored (or belong to an earlier range).
  std::size_t skip = 0;
  if (node->bodyOffset < node->next) {
    skip = static_cast<std::size_t>(std::min<std::int64_t>(node->next - node->bodyOffset, offered));
  }
  std::size_t take = offered - skip;
  if (node->next > node->last) {
    take = 0;
  } else if (static_cast<std::int64_t>(take) > node->last - node->next + 1) {
    take = static_cast<std::size_t>(node->last - node->next + 1);  // the rest runs past the range
  }
  std::size_t written = 0;
  if (take > 0) written = std::fwrite(data + skip, 1, take, node->file.get());
  node->next += static_cast<std::int64_t>(written);
  node->bodyOffset += static_cast<std::int64_t>(skip + written);
  {
    std::lock_guard<std::mutex> guard(d->lock);
    node->downloaded += static_cast<std::int64_t>(written);
  }
  // Short of what was offered (bytes past the range, a failed write): libcurl ends the
  // attempt with a write error.
  return skip + written;
}

int CMTCurlDownloader::ProgressFun(void* user, std::int64_t, std::int64_t dlnow, std::int64_t, std::int64_t) {
  auto* node = static_cast<DownloadPartNode*>(user);
  Impl* d = node->owner;
  if (d->stopping) return 1;   // teardown: libcurl aborts the transfer
  if (node->stall.Stalled(StallWatch::Clock::now(), dlnow)) return 1;  // aborted, then resumed as a cut
  std::lock_guard<std::mutex> guard(d->lock);
  const std::int64_t now = static_cast<std::int64_t>(std::time(nullptr));
  if (now <= d->lastProgressSecond) return 0;
  d->lastProgressSecond = now;
  double percent = 0;
  if (d->fileLength >= kMinimumLength) {
    for (const auto& node : d->parts) {
      if (node->downloaded > 0) {
        percent += static_cast<double>(node->downloaded) * 100.0 / static_cast<double>(d->fileLength);
      }
    }
  }
  if (percent > 100) return 0;
  if (percent - d->lastPercent >= 1) {
    d->lastPercent = percent;
    d->Emit(DL_CODE_PROGRESS, percent / 100, L"");
  }
  return 0;
}

bool CMTCurlDownloader::AppendLaterParts(Impl* d, GrowingFileDigest* digest) {
  const std::wstring& first = d->parts[0]->partPath;
  Utils::UniqueFile out = Utils::OpenFile(first, "ab+");
  if (!out) return false;
  DigestedFileWriter writer(out.get(), Utils::FileSizeAt(first), digest);
  bool merged = true;
  std::vector<char> block(kMergeBlock);
  for (std::size_t i = 1; merged && i < d->parts.size(); ++i) {
    Utils::UniqueFile in = Utils::OpenFile(d->parts[i]->partPath, "rb");
    if (!in) return false;
    std::size_t n = 0;
    while (merged && (n = std::fread(block.data(), 1, block.size(), in.get())) > 0) {
      merged = writer.Write(block.data(), n) == n;
    }
    if (std::ferror(in.get()) != 0) merged = false;
    TLOGLN(L"partPath::%ls", d->parts[i]->partPath.c_str());
  }
  if (!writer.Flush()) merged = false;
  if (!Utils::CloseFile(out)) merged = false;
  return merged;
}

// The later parts are appended to the first while the digest follows the first part's file
// from its start, so it is ready when the last byte is; then the whole becomes the target.
bool CMTCurlDownloader::MergeParts(Impl* d) {
  bool merged = true;
  d->digest.clear();
  // Each part file must hold exactly its range; anything else cannot make the package.
  for (const auto& node : d->parts) {
    node->file.reset();
    if (Utils::FileSizeAt(node->partPath) != node->last - node->first + 1) merged = false;
  }
  if (merged) {
    std::optional<GrowingFileDigest> digest;
    if (HasExpectedDigest(d->expectedMd5)) digest.emplace(d->parts[0]->partPath, Utils::FileSizeAt(d->parts[0]->partPath));
    if (d->parts.size() > 1) merged = AppendLaterParts(d, digest ? &*digest : nullptr);
    if (merged && digest) d->digest = digest->Finish();
  }  // the digest's reading handle is closed before the move
  if (merged) {
    Utils::DeleteFileAt(d->path);
    merged = Utils::MoveFileTo(d->parts[0]->partPath, d->path);
  }
  d->DeletePartFiles();
  // The size decides, as the digest may be absent: a short or long file is no package.
  if (merged && Utils::FileSizeAt(d->path) != d->fileLength) merged = false;
  if (!merged && !d->path.empty()) Utils::DeleteFileAt(d->path);
  return merged;
}

void CMTCurlDownloader::waitForFinishThreadFun(Impl* d) {
  for (std::thread& t : d->partThreads) {
    if (t.joinable()) t.join();
  }
  d->partThreads.clear();
  if (d->stopping) return;  // teardown: the destructor releases the nodes

  int firstError = 0;
  for (const auto& node : d->parts) {
    if (node->state != kStateComplete) {
      firstError = node->state;
      break;
    }
  }

  if (firstError == 0) {
    d->SetLastPercent(0.0);
    if (!MergeParts(d)) firstError = kStateMergeFailed;
  }

  if (firstError == 0) {
    switch (CompareDigest(d->expectedMd5, d->digest)) {
      case DigestCheck::kMismatch:
        d->Emit(DL_CODE_NOTICE, 0.0, kMismatchNotice);
        Utils::DeleteFileAt(d->path);
        d->ReleaseNodes();
        if (d->retried) {
          TLOGLN(L"finish recv, md5 chaek failed and retry failed.");
          d->Emit(DL_CODE_FAIL, 0.0, kLibCurlName);
        } else {
          d->retried = true;
          TLOGLN(L"finish recv, md5 chaek failed retry once.");
          d->Emit(DL_CODE_RETRY, 0.0, kLibCurlName);  // nothing follows: the owner may Start again
        }
        return;
      case DigestCheck::kNoExpectedDigest:
        d->Emit(DL_CODE_NOTICE, 0.0, kNoDigestNotice);
        break;
      case DigestCheck::kMatched:
        break;
    }
    TLOGLN(L"finish recv");
    d->ReleaseNodes();
    d->Emit(DL_CODE_SUCCESS, 0.0, kLibCurlName);
    return;
  }

  d->ReleaseNodes();
  if (d->LastPercent() == 0.0) d->DeletePartFiles();  // kept only when progress was made
  if (d->retried) {
    d->SetLastPercent(0.0);
    d->Emit(DL_CODE_FAIL, firstError, kLibCurlName);
  } else {
    d->retried = true;
    d->Emit(DL_CODE_RETRY, firstError, kLibCurlName);
  }
}

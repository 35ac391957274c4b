// The ranged downloader: a package of 20 MiB or more in two byte ranges over two libcurl
// connections, each into its own part file ("<path>_0", "<path>_1"), resumed across
// attempts and a repeated run, merged and checked against the digest in the URL.
#pragma once

#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "download/downloader.h"
#include "download/worker_slot.h"

class GrowingFileDigest;

class CMTCurlDownloader : public CDownloader {
 public:
  CMTCurlDownloader(EventCallback callback, std::wstring url, std::wstring path);
  // Teardown while a run goes on: running transfers abort at their next progress call, the
  // retry loops stop, no event begins any more, and every thread of the run is joined
  // before anything it uses is freed.
  ~CMTCurlDownloader() override;

  void Start() override;

  struct DownloadPartNode;

  // One byte range of the package, both ends inclusive.
  struct ByteRange {
    std::int64_t first;
    std::int64_t last;
  };
  // The ranges of a package of `length` bytes: one below two units (20 MiB), else two of
  // length / 2 bytes, the second also taking the odd byte. Empty for a length below 1.
  static std::vector<ByteRange> SplitRanges(std::int64_t length);

  static constexpr std::int64_t kSplitUnit = 10485760;  // 10 MiB
  static constexpr std::int64_t kMinimumLength = 256;

  // Retry budget of one range, and what a failed attempt costs (the pauses are
  // DownloadTimings::rangedRetryPause and partStagger).
  static constexpr int kBudget = 12;
  static constexpr int kPartialCost = 1;  // a cut-off answer (libcurl's partial file, 18)
  static constexpr int kOtherCost = 2;

  // A range's state beside libcurl's results; the value of 1004/1005 after a failed run.
  static constexpr int kStateComplete = 0;
  static constexpr int kStateToDownload = -1;    // not attempted, or its options could not be set
  static constexpr int kStatePartFileFailed = -2;  // the part file cannot be opened
  static constexpr int kStateMergeFailed = -3;   // the parts do not make up the package
  static constexpr int kStateSizeChanged = -4;   // the server's size differs from the announced length

 private:
  struct Impl;

  // The run on the "ABDEF" worker: lookup, split, part threads, finishing thread.
  static int Start_Down(void* impl);
  // HEAD with redirects: the real URL, its digest and the package length.
  static bool getRealDownloadUrl(Impl* impl, const std::string& url);
  // One attempt for one range; libcurl's result or a state above.
  static int downloadExe(Impl* impl, DownloadPartNode* node);
  // A part thread: the attempts of one range within its budget.
  static void downloadThreadFun(Impl* impl, DownloadPartNode* node);
  // The finishing thread: waits for the parts, merges, checks, sends the final event.
  static void waitForFinishThreadFun(Impl* impl);
  // Appends the second part file to the first and moves it to the target; true when the
  // target then holds exactly the package's length.
  static bool MergeParts(Impl* impl);
  // Appends the later part files to the first, each byte shown to the digest (may be null).
  static bool AppendLaterParts(Impl* impl, GrowingFileDigest* digest);
  // libcurl's write and transfer-information functions of the range requests.
  static std::size_t RangeWriter(char* data, std::size_t size, std::size_t count, void* node);
  static std::size_t RangeHeader(char* data, std::size_t size, std::size_t count, void* node);
  static int ProgressFun(void* impl, std::int64_t dltotal, std::int64_t dlnow, std::int64_t, std::int64_t);

  std::unique_ptr<Impl> impl_;
};

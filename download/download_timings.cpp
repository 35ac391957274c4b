// The process-wide downloader timings, read at construction of each downloader.
#include "download/download_timings.h"

#include <mutex>

namespace {

std::mutex& TimingsMutex() {
  static std::mutex mutex;
  return mutex;
}

DownloadTimings& Timings() {
  static DownloadTimings timings;
  return timings;
}

}  // namespace

DownloadTimings CurrentDownloadTimings() {
  std::lock_guard<std::mutex> lock(TimingsMutex());
  return Timings();
}

void SetDownloadTimingsForTesting(const DownloadTimings& timings) {
  std::lock_guard<std::mutex> lock(TimingsMutex());
  Timings() = timings;
}

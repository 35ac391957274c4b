// The downloader tests run the product's logic with short pauses and limits (installed for
// the whole test program by test_timings.cpp); a test that checks the product's own values
// installs them for its duration with ScopedDownloadTimings.
#pragma once

#include "download/download_timings.h"

namespace download_test {

inline DownloadTimings FastTimings() {
  using Ms = DownloadTimings::Ms;
  DownloadTimings t;
  t.curlRetryPause = Ms(50);
  t.rangedRetryPause = Ms(40);
  t.partStagger = Ms(100);
  // Long enough that a test can tell the attempts of the system service apart in the
  // server's request log (Wine's service sometimes sends a request twice at once).
  t.serviceAttemptPause = Ms(300);
  t.lookupTimeout = Ms(2000);
  t.lookupPhase = Ms(5000);
  t.stallWindow = Ms(3000);
  t.serviceWatchdog = Ms(3000);
  return t;
}

// Timings for downloaders constructed while it lives; the fast ones again afterwards.
class ScopedDownloadTimings {
 public:
  explicit ScopedDownloadTimings(const DownloadTimings& timings) { SetDownloadTimingsForTesting(timings); }
  ~ScopedDownloadTimings() { SetDownloadTimingsForTesting(FastTimings()); }
  ScopedDownloadTimings(const ScopedDownloadTimings&) = delete;
  ScopedDownloadTimings& operator=(const ScopedDownloadTimings&) = delete;
};

}  // namespace download_test

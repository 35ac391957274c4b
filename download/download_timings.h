// The pauses and time limits of the downloaders. The product runs with the defaults below;
// tests may shorten them to run the same logic faster. A downloader copies them when it
// is constructed, so a change never reaches a run already under way.
#pragma once

#include <chrono>
#include <cstdint>

struct DownloadTimings {
  using Ms = std::chrono::milliseconds;

  Ms curlRetryPause{500};      // single stream: between two attempts of a run
  Ms rangedRetryPause{400};    // ranged: between two attempts of one range
  Ms partStagger{100};         // ranged: the second connection starts this much later
  Ms serviceAttemptPause{1000};  // system URL service: after each failed attempt

  // One HEAD lookup, and all lookups of one single-stream run together: a server that
  // never answers them ends the run after about a minute instead of six.
  Ms lookupTimeout{20000};
  Ms lookupPhase{60000};

  // A transfer that receives less than stallBytesPerSecond on average over stallWindow is
  // stalled: it is cut and resumed, as a transfer the server cut off.
  Ms stallWindow{60000};
  std::int64_t stallBytesPerSecond = 1024;

  // System URL service: an attempt whose progress does not change for this long is aborted.
  Ms serviceWatchdog{60000};
};

// The timings new downloaders take.
DownloadTimings CurrentDownloadTimings();

// Tests only: replaces the timings for downloaders constructed from now on.
void SetDownloadTimingsForTesting(const DownloadTimings& timings);

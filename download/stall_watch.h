// Tells a stalled transfer from a slow one: a transfer stalls when, over a whole window of
// time, it received less than a minimum rate. libcurl's own low-speed limit ends such a
// transfer as a timeout; this one lets the downloader count it as a cut-off transfer and
// resume it.
#pragma once

#include <chrono>
#include <cstdint>

class StallWatch {
 public:
  using Clock = std::chrono::steady_clock;

  StallWatch(std::chrono::milliseconds window, std::int64_t minBytesPerSecond)
      : window_(window), minBytesPerSecond_(minBytesPerSecond) {}

  // A new transfer begins at `now`.
  void Begin(Clock::time_point now) {
    windowStart_ = now;
    bytesAtStart_ = 0;
    stalled_ = false;
  }

  // Bytes received by the transfer so far; true once it has stalled (and from then on).
  bool Stalled(Clock::time_point now, std::int64_t bytes) {
    if (stalled_) return true;
    if (now - windowStart_ < window_) return false;
    const auto windowMs = std::chrono::duration_cast<std::chrono::milliseconds>(now - windowStart_).count();
    const std::int64_t needed = minBytesPerSecond_ * windowMs / 1000;
    if (bytes - bytesAtStart_ < needed) {
      stalled_ = true;
      return true;
    }
    windowStart_ = now;  // fast enough over this window: judge the next one
    bytesAtStart_ = bytes;
    return false;
  }

  bool HasStalled() const { return stalled_; }

 private:
  std::chrono::milliseconds window_;
  std::int64_t minBytesPerSecond_;
  Clock::time_point windowStart_{};
  std::int64_t bytesAtStart_ = 0;
  bool stalled_ = false;
};

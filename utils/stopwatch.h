// Elapsed seconds since a start mark.
#pragma once

#include <cstdint>

namespace Utils {

class Stopwatch {
 public:
  void Start();
  void Stop();
  // Moves the start mark back, as if the watch had been started that much earlier.
  void Backdate(std::uint64_t milliseconds);
  bool Running() const { return running_; }
  // Seconds since Start while running, 0 otherwise.
  float Elapsed() const;

 private:
  std::uint64_t startTick_ = 0;
  bool running_ = false;
};

}  // namespace Utils

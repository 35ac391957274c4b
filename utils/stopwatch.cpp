// Stopwatch over the platform's millisecond tick.
#include "utils/stopwatch.h"

#include "utils/clock.h"

namespace Utils {

void Stopwatch::Start() {
  startTick_ = TickCountMs();
  running_ = true;
}

void Stopwatch::Stop() { running_ = false; }

void Stopwatch::Backdate(std::uint64_t milliseconds) {
  startTick_ = startTick_ > milliseconds ? startTick_ - milliseconds : 0;
}

float Stopwatch::Elapsed() const {
  if (!running_) return 0.0f;
  return static_cast<float>(TickCountMs() - startTick_) / 1000.0f;
}

}  // namespace Utils

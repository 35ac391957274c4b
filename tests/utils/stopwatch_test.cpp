// Stopwatch over the millisecond tick.
#include <gtest/gtest.h>

#include <chrono>
#include <thread>

#include "utils/stopwatch.h"

TEST(Stopwatch, CountsSecondsOnlyWhileRunning) {
  Utils::Stopwatch watch;
  EXPECT_EQ(watch.Elapsed(), 0.0f);
  watch.Start();
  std::this_thread::sleep_for(std::chrono::milliseconds(120));
  const float elapsed = watch.Elapsed();
  EXPECT_GE(elapsed, 0.1f);
  EXPECT_GE(watch.Elapsed(), elapsed) << "never goes back";
  watch.Stop();
  EXPECT_EQ(watch.Elapsed(), 0.0f);
}

// Installs the fast downloader timings before the first test of the program runs.
#include <gtest/gtest.h>

#include "tests/download/test_timings.h"

namespace {

class FastTimingsEnvironment : public ::testing::Environment {
 public:
  void SetUp() override { SetDownloadTimingsForTesting(download_test::FastTimings()); }
};

// Registered during static initialisation, before gtest_main runs the tests.
[[maybe_unused]] const auto* const kEnvironment = ::testing::AddGlobalTestEnvironment(new FastTimingsEnvironment);

}  // namespace

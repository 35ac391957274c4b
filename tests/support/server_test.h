// Base fixture of the downloader tests: a temporary target folder, the stand-in servers
// with their faults cleared and request log emptied before each test, and an event recorder.
#pragma once

#include <gtest/gtest.h>

#include "tests/support/event_recorder.h"
#include "tests/support/temp_dir.h"
#include "tests/support/test_server.h"

namespace testsupport {

class ServerTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(server_.Available()) << "the test servers are not running (run the test through ctest)";
    ASSERT_TRUE(server_.Control(""));
    server_.Log(true);
  }
  // Faults must not outlive the test that set them.
  void TearDown() override {
    if (server_.Available()) server_.Control("");
  }

  TempDir dir_;
  TestServer server_;
  EventRecorder events_;
};

}  // namespace testsupport

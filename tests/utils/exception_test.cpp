// Utils::Exception messages.
#include <gtest/gtest.h>

#include <cstring>

#include "utils/exception.h"

TEST(UtilsException, MessageOrUnknown) {
  EXPECT_STREQ(Utils::Exception().what(), "Unknown exception");
  EXPECT_STREQ(Utils::Exception(L"").what(), "Unknown exception");
  EXPECT_STREQ(Utils::Exception(L"pipe failed").what(), "pipe failed");
  const std::exception& base = Utils::Exception(L"x");
  EXPECT_STREQ(base.what(), "x");
}

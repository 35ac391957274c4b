// Free space of real volumes.
#include <gtest/gtest.h>

#include "tests/support/temp_dir.h"
#include "utils/disk.h"

TEST(HardDiskManager, ReportsTheVolumeOfAFolder) {
  testsupport::TempDir dir;
  Utils::HardDiskManager disk;
  ASSERT_TRUE(disk.CheckFreeSpace(dir.WPath()));
  EXPECT_GT(disk.TotalBytes(), 0u);
  EXPECT_LE(disk.FreeBytesAvailableToCaller(), disk.TotalFreeBytes());
  EXPECT_LE(disk.TotalFreeBytes(), disk.TotalBytes());
}

TEST(HardDiskManager, FailureKeepsTheLastGoodSizes) {
  testsupport::TempDir dir;
  Utils::HardDiskManager disk;
  ASSERT_TRUE(disk.CheckFreeSpace(dir.WPath()));
  const auto total = disk.TotalBytes();
  EXPECT_FALSE(disk.CheckFreeSpace(dir.WPath() + L"-missing-folder"));
  EXPECT_FALSE(disk.CheckFreeSpace(L""));
  EXPECT_EQ(disk.TotalBytes(), total);
}

// Holding a package: a file that is there is held, a missing one is not.
#include <gtest/gtest.h>

#include "pipeline/package_hold.h"
#include "tests/support/temp_dir.h"

TEST(PackageHold, HoldsAPackageThatIsThereOnly) {
  const testsupport::TempDir dir;
  const std::wstring present = dir.Write("setup.exe", "MZ package").wstring();
  EXPECT_TRUE(pipeline::PackageHold(present).Held());
  EXPECT_FALSE(pipeline::PackageHold((dir.Path() / "missing.exe").wstring()).Held());
}

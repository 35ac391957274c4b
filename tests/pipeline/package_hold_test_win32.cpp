// Holding a package on Windows: while held it can be read and run but not written, renamed
// or deleted; once the hold ends, all of these work again.
#include <windows.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <system_error>

#include <gtest/gtest.h>

#include "pipeline/package_hold.h"
#include "tests/support/temp_dir.h"

namespace {

bool CanOpenForWriting(const std::filesystem::path& file) {
  return std::ofstream(file, std::ios::binary | std::ios::app).is_open();
}

std::string Contents(const std::filesystem::path& file) {
  std::ifstream in(file, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

}  // namespace

TEST(PackageHold, AHeldPackageCanBeReadButNotChangedReplacedOrDeleted) {
  const testsupport::TempDir dir;
  const std::filesystem::path package = dir.Write("setup.exe", "MZ package");
  const std::filesystem::path moved = dir.Path() / "moved.exe";
  {
    const pipeline::PackageHold hold(package.wstring());
    ASSERT_TRUE(hold.Held());
    EXPECT_EQ(Contents(package), "MZ package");
    EXPECT_FALSE(CanOpenForWriting(package));
    EXPECT_FALSE(MoveFileExW(package.c_str(), moved.c_str(), 0)) << "renamed while held";
    EXPECT_FALSE(DeleteFileW(package.c_str())) << "deleted while held";
    const std::filesystem::path other = dir.Write("other.exe", "MZ other");
    EXPECT_FALSE(MoveFileExW(other.c_str(), package.c_str(), MOVEFILE_REPLACE_EXISTING)) << "replaced while held";
    EXPECT_EQ(Contents(package), "MZ package");
  }
  EXPECT_TRUE(CanOpenForWriting(package));
  EXPECT_TRUE(MoveFileExW(package.c_str(), moved.c_str(), 0));
}

TEST(PackageHold, AFileOpenForWritingCannotBeHeld) {
  const testsupport::TempDir dir;
  const std::filesystem::path package = dir.Write("setup.exe", "MZ package");
  std::ofstream writer(package, std::ios::binary | std::ios::app);
  ASSERT_TRUE(writer.is_open());
  EXPECT_FALSE(pipeline::PackageHold(package.wstring()).Held());
}

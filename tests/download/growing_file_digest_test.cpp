// The digest that follows a file while it is written: it equals the digest of the finished
// file whatever was there before and however the writes fell, and a file that is not what
// was published gets no digest.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdint>
#include <string>
#include <thread>
#include <vector>

#include "download/growing_file_digest.h"
#include "tests/support/temp_dir.h"
#include "utils/file_ops.h"
#include "utils/md5.h"

namespace {

std::vector<unsigned char> Bytes(std::size_t size, unsigned seed) {
  std::vector<unsigned char> bytes(size);
  std::uint32_t x = seed * 2654435761u + 1;
  for (auto& b : bytes) {
    x = x * 1664525u + 1013904223u;
    b = static_cast<unsigned char>(x >> 24);
  }
  return bytes;
}

void WriteFile(const std::wstring& path, const std::vector<unsigned char>& bytes) {
  Utils::UniqueFile file = Utils::OpenFile(path, "wb");
  ASSERT_TRUE(file);
  if (!bytes.empty()) ASSERT_EQ(std::fwrite(bytes.data(), 1, bytes.size(), file.get()), bytes.size());
  ASSERT_TRUE(Utils::CloseFile(file));
}

TEST(GrowingFileDigest, EqualsTheDigestOfTheFinishedFile) {
  const struct {
    const char* name;
    std::size_t kept;                // in the file before the digest starts
    std::vector<std::size_t> writes;  // then appended through the writer, in this order
  } cases[] = {
      {"nothing at all", 0, {}},
      {"kept part only", 3 * 1048576 + 7, {}},
      {"small writes", 0, {1, 63, 64, 65, 4096, 100000}},
      {"writes across publishing points", 0, {700000, 700000, 1048576, 1, 2 * 1048576 + 3}},
      {"kept part, then writes", 1048577, {16384, 1048576, 5}},
  };
  testsupport::TempDir dir;
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const std::wstring path = dir.WPath() + L"/package.part";
    std::vector<unsigned char> all = Bytes(c.kept, 1);
    WriteFile(path, all);
    GrowingFileDigest digest(path, static_cast<std::int64_t>(c.kept));
    Utils::UniqueFile file = Utils::OpenFile(path, "ab+");
    ASSERT_TRUE(file);
    DigestedFileWriter writer(file.get(), static_cast<std::int64_t>(c.kept), &digest);
    unsigned seed = 2;
    for (std::size_t size : c.writes) {
      const auto piece = Bytes(size, seed++);
      ASSERT_EQ(writer.Write(piece.data(), piece.size()), piece.size());
      all.insert(all.end(), piece.begin(), piece.end());
    }
    ASSERT_TRUE(writer.Flush());
    ASSERT_TRUE(Utils::CloseFile(file));
    EXPECT_EQ(digest.Finish(), Utils::Md5Hex(all.data(), all.size()));
    EXPECT_EQ(Utils::FileMd5Hex(path), Utils::Md5Hex(all.data(), all.size()));
  }
}

TEST(GrowingFileDigest, AFileThatIsNotWhatWasPublishedGetsNoDigest) {
  testsupport::TempDir dir;
  const std::wstring path = dir.WPath() + L"/package.part";
  const auto bytes = Bytes(200000, 7);
  {
    SCOPED_TRACE("shorter than published");
    WriteFile(path, bytes);
    GrowingFileDigest digest(path, 0);
    digest.Publish(200001);
    EXPECT_EQ(digest.Finish(), "");
  }
  {
    SCOPED_TRACE("longer than published");
    WriteFile(path, bytes);
    GrowingFileDigest digest(path, 199999);
    EXPECT_EQ(digest.Finish(), "");
  }
  {
    SCOPED_TRACE("no such file");
    GrowingFileDigest digest(dir.WPath() + L"/missing.part", 0);
    EXPECT_EQ(digest.Finish(), "");
  }
}

TEST(GrowingFileDigest, AnAbandonedDigestStopsWhileItWaitsForBytes) {
  testsupport::TempDir dir;
  const std::wstring path = dir.WPath() + L"/package.part";
  WriteFile(path, Bytes(5000, 3));
  {
    GrowingFileDigest digest(path, 5000);
    std::this_thread::sleep_for(std::chrono::milliseconds(50));  // the worker now waits for more
  }  // a worker that never stopped would hold the test here until its time limit
  EXPECT_TRUE(Utils::DeleteFileAt(path)) << "the worker's handle is closed";
}

}  // namespace

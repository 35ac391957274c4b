// Single-stream download checks that need the native build: a package above 4 GiB, served
// from a sparse file.
#include <filesystem>
#include <fstream>

#include "tests/download/curl_downloader_fixture.h"

using namespace curl_test;
using testsupport::EventRecorder;

TEST_F(CurlDownloaderTest, PackagesAbove4GiBResumeWith64BitOffsets) {
  // Sparse files: a 4 GiB + 2 MiB package of zeros, and a part file holding all but its
  // last MiB, so only one MiB crosses the wire after a resume beyond the 32-bit range.
  constexpr std::int64_t kSize = (4ll << 30) + 2 * 1048576;
  const std::filesystem::path served = testsupport::FsPath(Utils::JoinPath(server_.Root(), L"large.bin"));
  { std::ofstream(served, std::ios::binary); }
  std::filesystem::resize_file(served, kSize);
  downloader_ = std::make_unique<CCurlDownloader>(events_.Callback(), server_.Url(L"/files/large.bin"), Target());
  // After construction (which removes a leftover part file), before the run.
  { std::ofstream(testsupport::FsPath(Target() + L".part"), std::ios::binary); }
  std::filesystem::resize_file(testsupport::FsPath(Target() + L".part"), kSize - 1048576);
  downloader_->Start();
  ASSERT_TRUE(events_.WaitForFinals(1));
  std::filesystem::remove(served);
  EXPECT_EQ(events_.CodesWithoutProgress(), (std::vector<int>{DL_CODE_START, DL_CODE_NOTICE, DL_CODE_SUCCESS}));
  EXPECT_EQ(Utils::FileSizeAt(Target()), kSize);
  EXPECT_NE(server_.Log().find("bytes=" + std::to_string(kSize - 1048576) + "-"), std::string::npos);
  for (double v : events_.ProgressValues()) EXPECT_LE(v, 1.0);
  Utils::DeleteFileAt(Target());
}

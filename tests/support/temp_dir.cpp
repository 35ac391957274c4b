// Temporary test folders.
#include "tests/support/temp_dir.h"

#include <fstream>
#include <random>

#include "utils/text.h"

namespace testsupport {

std::filesystem::path FsPath(const std::wstring& text) {
  const std::string utf8 = Utils::ToNarrow(text, Utils::kCodePageUtf8);
  return std::filesystem::path(std::u8string(utf8.begin(), utf8.end()));
}

TempDir::TempDir() {
  std::random_device random;
  for (;;) {
    path_ = std::filesystem::temp_directory_path() / ("tavelo-test-" + std::to_string(random()));
    std::error_code error;
    if (std::filesystem::create_directory(path_, error)) return;
  }
}

TempDir::~TempDir() {
  std::error_code ignored;  // a leftover temporary folder does not fail a test
  std::filesystem::remove_all(path_, ignored);
}

std::filesystem::path TempDir::Write(const std::string& name, const std::string& bytes) const {
  const std::filesystem::path file = path_ / name;
  std::ofstream(file, std::ios::binary) << bytes;
  return file;
}

}  // namespace testsupport

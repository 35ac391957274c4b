// The worker that follows a growing file with MD5, and the writer that feeds it sizes.
#include "download/growing_file_digest.h"

#include <system_error>
#include <vector>

#include "utils/file_ops.h"
#include "utils/md5.h"

namespace {

// Read back in large blocks: the bytes are still in the system's cache, and gigabytes pass.
constexpr std::size_t kReadBlock = 1024 * 1024;

}  // namespace

GrowingFileDigest::GrowingFileDigest(std::wstring path, std::int64_t available)
    : path_(std::move(path)), available_(available < 0 ? 0 : available) {
  try {
    worker_ = std::thread(&GrowingFileDigest::Run, this);
  } catch (const std::system_error&) {
    // No worker: the digest stays "", and the package counts as not verified.
  }
}

GrowingFileDigest::~GrowingFileDigest() {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    abandoned_ = true;
  }
  changed_.notify_all();
  if (worker_.joinable()) worker_.join();
}

void GrowingFileDigest::Publish(std::int64_t size) {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    if (size <= available_) return;
    available_ = size;
  }
  changed_.notify_one();
}

std::string GrowingFileDigest::Finish() {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    finished_ = true;
  }
  changed_.notify_one();
  if (worker_.joinable()) worker_.join();
  return digest_;
}

bool GrowingFileDigest::WaitForBytes(std::int64_t hashed, std::int64_t& available) {
  std::unique_lock<std::mutex> lock(mutex_);
  changed_.wait(lock, [&] { return abandoned_ || finished_ || available_ > hashed; });
  available = available_;
  return !abandoned_ && available_ > hashed;
}

void GrowingFileDigest::Run() {
  Utils::UniqueFile file = Utils::OpenFile(path_, "rb");
  if (!file) return;  // digest_ stays "": the file cannot be verified
  // Unbuffered: every read asks the system for exactly the published bytes, never for bytes
  // the writer has not finished, so no end-of-file state sticks to the stream.
  std::setvbuf(file.get(), nullptr, _IONBF, 0);
  Utils::Md5 md5;
  std::vector<unsigned char> block(kReadBlock);
  std::int64_t hashed = 0;
  std::int64_t available = 0;
  while (WaitForBytes(hashed, available)) {
    while (hashed < available) {
      const std::int64_t left = available - hashed;
      const std::size_t want = left < static_cast<std::int64_t>(block.size()) ? static_cast<std::size_t>(left)
                                                                             : block.size();
      const std::size_t got = std::fread(block.data(), 1, want, file.get());
      if (got != want) return;  // the file is shorter than published: not the bytes written
      md5.Update(block.data(), got);
      hashed += static_cast<std::int64_t>(got);
    }
  }
  // Bytes beyond those published were written without being announced: the digest would
  // not describe the file.
  if (std::fgetc(file.get()) != EOF) return;
  std::lock_guard<std::mutex> lock(mutex_);
  if (!abandoned_) digest_ = Utils::DigestHex(md5.Final());
}

DigestedFileWriter::DigestedFileWriter(std::FILE* file, std::int64_t size, GrowingFileDigest* digest)
    : file_(file), size_(size < 0 ? 0 : size), published_(size_), digest_(digest) {}

std::size_t DigestedFileWriter::Write(const void* data, std::size_t size) {
  if (size == 0) return 0;
  const std::size_t written = std::fwrite(data, 1, size, file_);
  size_ += static_cast<std::int64_t>(written);
  if (digest_ != nullptr && size_ - published_ >= kPublishEvery && written == size) (void)Flush();
  return written;
}

bool DigestedFileWriter::Flush() {
  if (std::fflush(file_) != 0) return false;
  published_ = size_;
  if (digest_ != nullptr) digest_->Publish(size_);
  return true;
}

// The MD5 of a file while it is being written: the writer publishes how many bytes have
// reached the file, a worker reads them back through its own handle and hashes them, so the
// digest is ready moments after the last byte instead of after a second pass over the file.
#pragma once

#include <condition_variable>
#include <cstddef>
#include <cstdio>
#include <cstdint>
#include <mutex>
#include <string>
#include <thread>

class GrowingFileDigest {
 public:
  // Starts hashing the file at `path` from its first byte; `available` bytes are there
  // already (the kept part of a resumed transfer, or the first part of a merge).
  GrowingFileDigest(std::wstring path, std::int64_t available);
  // Abandons an unfinished digest: the worker stops at its next block.
  ~GrowingFileDigest();
  GrowingFileDigest(const GrowingFileDigest&) = delete;
  GrowingFileDigest& operator=(const GrowingFileDigest&) = delete;

  // The file now holds `size` bytes, all flushed to the system (sizes only grow).
  void Publish(std::int64_t size);
  // No more bytes come: waits for the worker to hash all that was published. The digest as
  // 32 lower-case hexadecimal characters, or "" when the file could not be read back.
  std::string Finish();

 private:
  void Run();
  // Waits for bytes beyond `hashed`; false when there are none to come or the digest was
  // abandoned. `available` receives the published size.
  bool WaitForBytes(std::int64_t hashed, std::int64_t& available);

  const std::wstring path_;
  std::mutex mutex_;
  std::condition_variable changed_;
  std::int64_t available_;
  bool finished_ = false;   // Finish was called: nothing more will be published
  bool abandoned_ = false;  // the destructor runs before Finish
  std::string digest_;      // the worker's result
  std::thread worker_;
};

// Writes to a stdio file that a GrowingFileDigest follows, publishing the file's size after
// every `publishEvery` bytes (flushed first) and at Flush.
class DigestedFileWriter {
 public:
  // `file` holds `size` bytes already; digest may be null (nothing to publish to).
  DigestedFileWriter(std::FILE* file, std::int64_t size, GrowingFileDigest* digest);
  // Bytes written, as fwrite counts them.
  std::size_t Write(const void* data, std::size_t size);
  // Flushes and publishes everything written; false when the flush failed.
  bool Flush();

 private:
  static constexpr std::int64_t kPublishEvery = 1024 * 1024;
  std::FILE* file_;
  std::int64_t size_;
  std::int64_t published_;
  GrowingFileDigest* digest_;
};

// The analytics SDK's consumer: the bounded queue of JSON record texts, the staging file
// that keeps them between runs, and batch sends to the collector.
#pragma once

#include <cstddef>
#include <memory>
#include <mutex>
#include <string>

namespace usage_analytics {

class BatchSender;
class StagedQueue;

class Consumer {
 public:
  static constexpr std::size_t kMaxRecords = 1024;
  static constexpr std::size_t kBatchSize = 30;

  // serverUrl: the collector URL; stagingPath: the staging file (UTF-8 path).
  Consumer(std::string serverUrl, std::string stagingPath);
  // Persists nothing: only Shutdown writes the staging file.
  ~Consumer();
  Consumer(const Consumer&) = delete;
  Consumer& operator=(const Consumer&) = delete;

  // Appends one record (one JSON object); the oldest goes when more than kMaxRecords wait.
  void Add(std::string record);
  // Sends one batch of at most kBatchSize records; true when sent or nothing was queued.
  bool FlushPart();
  // Sends batches until the queue is empty (true) or one fails (false).
  bool FlushAll();
  // Writes what is still queued to the staging file, after what it already held was loaded.
  void Shutdown();

  std::size_t QueuedCount() const;

 private:
  std::unique_ptr<StagedQueue> queue_;
};

// The outcome of the last batch send of the process (false before any).
bool LastSendSucceeded();

}  // namespace usage_analytics

// The consumer's machinery over any batch sender: the bounded record queue, its staging
// file and batch flushes. Consumer (record_queue.h) is this queue with the HTTP sender.
#pragma once

#include <cstddef>
#include <deque>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "analytics/batch_sender.h"

namespace usage_analytics {

class StagedQueue {
 public:
  static constexpr std::size_t kMaxRecords = 1024;
  static constexpr std::size_t kBatchSize = 30;

  StagedQueue(std::unique_ptr<BatchSender> sender, std::string stagingPath);

  // The operations of Consumer (record_queue.h). Besides: a batch that was not sent, for
  // whatever reason, goes back to the front as far as there is room; Shutdown waits for a
  // running flush.
  void Add(std::string record);
  bool FlushPart();
  bool FlushAll();
  void Shutdown();
  std::size_t QueuedCount() const;

 private:
  struct Batch {
    std::vector<std::string> records;
    std::size_t staged = 0;  // how many of the first records are also in the staging file
  };

  // Loads the staging file in front of the queue the first time (queueLock_ held).
  void LoadLocked();
  void LoadOnce();
  Batch TakeBatch();
  bool SendBatch(const Batch& batch);
  void PutBack(Batch& batch);
  void RemoveSentFromStaging();

  std::unique_ptr<BatchSender> sender_;
  const std::string stagingPath_;
  std::mutex flushLock_;          // serialises whole batch sends and staging writes; taken first
  mutable std::mutex queueLock_;  // guards the fields below; never held during a request
  std::deque<std::string> queue_;
  // The first staged_ records of the queue are also in the staging file: once sent, the
  // file is rewritten without them, so a process that ends before Shutdown sends nothing
  // twice and loses none of them.
  std::size_t staged_ = 0;
  bool needLoad_ = true;
};

}  // namespace usage_analytics

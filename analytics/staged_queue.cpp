// The record queue: adding, loading the staging file, batch flushes and shutdown.
#include "analytics/staged_queue.h"

#include <algorithm>
#include <exception>
#include <iterator>
#include <utility>

#include "analytics/property_checks.h"
#include "analytics/staging_file.h"

namespace usage_analytics {

StagedQueue::StagedQueue(std::unique_ptr<BatchSender> sender, std::string stagingPath)
    : sender_(std::move(sender)), stagingPath_(std::move(stagingPath)) {}

void StagedQueue::Add(std::string record) {
  std::lock_guard<std::mutex> lock(queueLock_);
  queue_.push_back(std::move(record));
  if (queue_.size() > kMaxRecords) {
    queue_.pop_front();
    if (staged_ > 0) --staged_;
  }
}

std::size_t StagedQueue::QueuedCount() const {
  std::lock_guard<std::mutex> lock(queueLock_);
  return queue_.size();
}

// The file's records go in front of those added since, newest first as room allows. The
// file stays as it is: its records leave it only once they are sent (or at Shutdown).
void StagedQueue::LoadLocked() {
  if (!needLoad_) return;
  needLoad_ = false;
  std::deque<std::string> loaded = ReadStagingFile(stagingPath_, kMaxRecords - queue_.size());
  staged_ = loaded.size();
  queue_.insert(queue_.begin(), std::make_move_iterator(loaded.begin()), std::make_move_iterator(loaded.end()));
}

void StagedQueue::LoadOnce() {
  std::lock_guard<std::mutex> lock(queueLock_);
  LoadLocked();
}

bool StagedQueue::FlushPart() {
  LoadOnce();
  std::lock_guard<std::mutex> flush(flushLock_);
  Batch batch = TakeBatch();
  if (batch.records.empty()) return true;
  const bool sent = SendBatch(batch);
  if (!sent) {
    PutBack(batch);
  } else if (batch.staged > 0) {
    RemoveSentFromStaging();
  }
  return sent;
}

bool StagedQueue::FlushAll() {
  LoadOnce();
  for (;;) {
    if (QueuedCount() == 0) return true;
    if (!FlushPart()) return false;
  }
}

StagedQueue::Batch StagedQueue::TakeBatch() {
  std::lock_guard<std::mutex> lock(queueLock_);
  Batch batch;
  const std::size_t n = std::min(queue_.size(), kBatchSize);
  batch.records.reserve(n);
  std::move(queue_.begin(), queue_.begin() + static_cast<std::ptrdiff_t>(n), std::back_inserter(batch.records));
  queue_.erase(queue_.begin(), queue_.begin() + static_cast<std::ptrdiff_t>(n));
  batch.staged = std::min(n, staged_);
  staged_ -= batch.staged;
  return batch;
}

bool StagedQueue::SendBatch(const Batch& batch) {
  try {
    return sender_->Send(JoinBatch(batch.records));
  } catch (const std::exception& e) {
    ReportProblem(std::string("Exception when flush failed: (") + e.what() + ") ");
  } catch (...) {
    ReportProblem("Exception when flush failed: (unknown exception) ");
  }
  return false;
}

// The newest records of the batch that fit go back in front, in their order; the batch's
// staged records that went back are staged still.
void StagedQueue::PutBack(Batch& batch) {
  std::lock_guard<std::mutex> lock(queueLock_);
  const std::size_t n = batch.records.size();
  const std::size_t kept = std::min(kMaxRecords - queue_.size(), n);
  const auto first = batch.records.begin() + static_cast<std::ptrdiff_t>(n - kept);
  queue_.insert(queue_.begin(), std::make_move_iterator(first), std::make_move_iterator(batch.records.end()));
  const std::size_t dropped = n - kept;
  staged_ += batch.staged > dropped ? batch.staged - dropped : 0;
}

void StagedQueue::RemoveSentFromStaging() {
  std::deque<std::string> stillStaged;
  {
    std::lock_guard<std::mutex> lock(queueLock_);
    stillStaged.assign(queue_.begin(), queue_.begin() + static_cast<std::ptrdiff_t>(staged_));
  }
  // Not replaced (an unwritable file): Shutdown tries again; until then a process that
  // ends early would send the file's sent records once more.
  static_cast<void>(WriteStagingFile(stagingPath_, stillStaged));
}

void StagedQueue::Shutdown() {
  std::lock_guard<std::mutex> flush(flushLock_);
  std::lock_guard<std::mutex> lock(queueLock_);
  LoadLocked();
  // Unwritable: nothing is persisted, and the old file (with only unsent records) stays.
  if (WriteStagingFile(stagingPath_, queue_)) staged_ = queue_.size();
}

}  // namespace usage_analytics

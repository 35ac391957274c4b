// Worker replacement without self-joins.
#include "download/worker_slot.h"

#include <algorithm>

void WorkerSlot::Replace(std::unique_ptr<Utils::Thread> next) {
  std::unique_lock<std::mutex> lock(mutex_);
  std::vector<std::unique_ptr<Utils::Thread>> joinable;
  for (auto& old : retired_) {
    if (old->IsCurrent()) continue;
    joinable.push_back(std::move(old));
  }
  retired_.erase(std::remove(retired_.begin(), retired_.end(), nullptr), retired_.end());
  if (current_ && current_->IsCurrent()) retired_.push_back(std::move(current_));
  else if (current_) joinable.push_back(std::move(current_));
  lock.unlock();
  for (auto& old : joinable) old->Join();  // outside the lock: a finishing worker may call Replace
  lock.lock();
  current_ = std::move(next);
  current_->Resume();
}

void WorkerSlot::JoinAll() {
  std::unique_lock<std::mutex> lock(mutex_);
  std::vector<std::unique_ptr<Utils::Thread>> joinable;
  if (current_ && !current_->IsCurrent()) joinable.push_back(std::move(current_));
  for (auto& old : retired_) {
    if (!old->IsCurrent()) joinable.push_back(std::move(old));
  }
  retired_.erase(std::remove(retired_.begin(), retired_.end(), nullptr), retired_.end());
  lock.unlock();
  for (auto& old : joinable) old->Join();
}

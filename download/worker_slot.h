// The current worker thread of a downloader, replaced on every Start. A restart requested
// from inside the callback runs on the worker itself, which cannot wait for itself: that
// worker is kept aside and joined later from another thread (it returns right after the
// callback).
#pragma once

#include <memory>
#include <mutex>
#include <vector>

#include "utils/thread.h"

class WorkerSlot {
 public:
  ~WorkerSlot() { JoinAll(); }

  // Joins the previous worker (unless the caller is it), then starts next.
  void Replace(std::unique_ptr<Utils::Thread> next);
  // Joins every worker that is not the calling thread.
  void JoinAll();

 private:
  std::mutex mutex_;
  std::unique_ptr<Utils::Thread> current_;
  std::vector<std::unique_ptr<Utils::Thread>> retired_;
};

// The send step, its process-wide mutex, and the threads of the steps run apart.
#include "analytics/send_scheduler.h"

#include <chrono>
#include <mutex>
#include <thread>
#include <vector>

#include "analytics/record_queue.h"
#include "analytics/sdk.h"
#include "utils/log.h"

namespace usage::zelkor {
namespace {

constexpr int kFlushAttempts = 3;

std::mutex g_sendMutex;  // one send step at a time

// Threads of the steps run apart from their callers; joined by finishSendSteps.
std::mutex g_threadsLock;
std::vector<std::thread> g_threads;
std::atomic<bool> g_stopping{false};

void Pause() { std::this_thread::sleep_for(std::chrono::milliseconds(1)); }

void SendStep(bool flushNow, std::atomic<std::int32_t>& pendingCount) {
  std::lock_guard<std::mutex> hold(g_sendMutex);
  if (!flushNow) {
    Pause();
    ++pendingCount;
    return;
  }
  for (int attempt = 0; attempt < kFlushAttempts && pendingCount > 0 && !g_stopping; ++attempt) {
    if (usage_analytics::Sdk::IsRunning() && usage_analytics::Sdk::FlushAll()) {
      pendingCount = 0;
      return;
    }
    Pause();
  }
}

}  // namespace

void scheduleSend(bool flushNow, std::atomic<std::int32_t>& pendingCount, bool onCallerThread) {
  if (onCallerThread || usage_analytics::LastSendSucceeded()) {
    SendStep(flushNow, pendingCount);
    return;
  }
  // The debugger-output channel on Windows (standard error elsewhere), as a log line is.
  static constexpr wchar_t kNote[] = L"[Usage] Sending messages asynchronously";
  logging_detail::SendToSink(kNote, sizeof(kNote) / sizeof(kNote[0]) - 1);
  std::lock_guard<std::mutex> hold(g_threadsLock);
  g_threads.emplace_back([flushNow, &pendingCount] { SendStep(flushNow, pendingCount); });
}

void finishSendSteps() {
  g_stopping = true;
  std::vector<std::thread> threads;
  {
    std::lock_guard<std::mutex> hold(g_threadsLock);
    threads.swap(g_threads);
  }
  for (std::thread& t : threads) t.join();
  g_stopping = false;
}

}  // namespace usage::zelkor

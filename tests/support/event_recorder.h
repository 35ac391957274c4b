// Records events of a downloader, a runner or the orchestrator in order and lets a test
// wait for a final one.
#pragma once

#include <chrono>
#include <condition_variable>
#include <functional>
#include <initializer_list>
#include <mutex>
#include <string>
#include <vector>

#include "download/downloader.h"

namespace testsupport {

struct RecordedEvent {
  int code;
  double value;
  std::wstring text;
};

class EventRecorder {
 public:
  // The callback to hand to a downloader. onEvent runs inside the callback, on the worker,
  // after the event is recorded (a test restarts the downloader from there on 1005).
  EventCallback Callback(std::function<void(const RecordedEvent&)> onEvent = nullptr);

  // Waits until `finals` final events (1003, 1004, 1005) have arrived; false on timeout.
  bool WaitForFinals(int finals, std::chrono::seconds timeout = std::chrono::seconds(120));
  // Waits until an event with one of the codes has arrived (the empty-text 1004 does not
  // count); false on timeout.
  bool WaitForCode(std::initializer_list<int> codes, std::chrono::seconds timeout = std::chrono::seconds(120));
  std::vector<RecordedEvent> Events() const;
  // Forgets every event, for the next run of the same callback.
  void Clear();
  // The codes without the progress events, e.g. {1001, 1006, 1005, 1001, 1006, 1004}.
  std::vector<int> CodesWithoutProgress() const;
  std::vector<double> ProgressValues() const;

 private:
  mutable std::mutex mutex_;
  std::condition_variable changed_;
  std::vector<RecordedEvent> events_;
  int finals_ = 0;
};

}  // namespace testsupport

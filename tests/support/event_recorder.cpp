// Event recording for tests of the downloaders, the runners and the orchestrator.
#include "tests/support/event_recorder.h"

namespace testsupport {

EventCallback EventRecorder::Callback(std::function<void(const RecordedEvent&)> onEvent) {
  return [this, onEvent](int code, double value, const wchar_t* text) {
    RecordedEvent event{code, value, text != nullptr ? text : L""};
    {
      std::lock_guard<std::mutex> lock(mutex_);
      events_.push_back(event);
    }
    if (onEvent) onEvent(event);
    std::lock_guard<std::mutex> lock(mutex_);
    if (code == DL_CODE_SUCCESS || code == DL_CODE_FAIL || code == DL_CODE_RETRY) {
      // The empty-path report (1004 with text "") is not final: the run goes on.
      if (!(code == DL_CODE_FAIL && event.text.empty())) ++finals_;
    }
    changed_.notify_all();
  };
}

bool EventRecorder::WaitForFinals(int finals, std::chrono::seconds timeout) {
  std::unique_lock<std::mutex> lock(mutex_);
  return changed_.wait_for(lock, timeout, [&] { return finals_ >= finals; });
}

bool EventRecorder::WaitForCode(std::initializer_list<int> codes, std::chrono::seconds timeout) {
  std::unique_lock<std::mutex> lock(mutex_);
  return changed_.wait_for(lock, timeout, [&] {
    for (const RecordedEvent& e : events_) {
      for (int code : codes) {
        if (e.code == code && !(code == DL_CODE_FAIL && e.text.empty())) return true;
      }
    }
    return false;
  });
}

std::vector<RecordedEvent> EventRecorder::Events() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return events_;
}

void EventRecorder::Clear() {
  std::lock_guard<std::mutex> lock(mutex_);
  events_.clear();
  finals_ = 0;
}

std::vector<int> EventRecorder::CodesWithoutProgress() const {
  std::vector<int> codes;
  for (const RecordedEvent& e : Events()) {
    if (e.code != DL_CODE_PROGRESS) codes.push_back(e.code);
  }
  return codes;
}

std::vector<double> EventRecorder::ProgressValues() const {
  std::vector<double> values;
  for (const RecordedEvent& e : Events()) {
    if (e.code == DL_CODE_PROGRESS) values.push_back(e.value);
  }
  return values;
}

}  // namespace testsupport

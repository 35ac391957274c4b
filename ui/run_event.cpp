// The mailbox of pipeline events: records kept by address until the window takes them.
#include "ui/run_event.h"

#include "toolkit/skin_window.h"

bool RunEventMailbox::Post(int code, double value, const wchar_t* text) {
  auto record = std::make_unique<RunEvent>(RunEvent{code, value, text != nullptr ? text : L""});
  const auto address = reinterpret_cast<std::intptr_t>(record.get());
  std::lock_guard<std::mutex> hold(lock_);
  posted_.emplace(address, std::move(record));
  // Posted under the lock, so that the window cannot look the record up before it is kept.
  if (window_.PostWindowMessage(kRunEventMessage, 0, address)) return true;
  posted_.erase(address);
  return false;
}

std::unique_ptr<RunEvent> RunEventMailbox::Take(std::intptr_t address) {
  std::lock_guard<std::mutex> hold(lock_);
  const auto found = posted_.find(address);
  if (found == posted_.end()) return nullptr;
  std::unique_ptr<RunEvent> record = std::move(found->second);
  posted_.erase(found);
  return record;
}

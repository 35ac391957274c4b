// A pipeline event on its way from a worker thread to the main window: a heap record posted
// as window message 2024, owned by the mailbox until the window takes it back.
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <mutex>
#include <string>

namespace SkinUI {
class SkinWindow;
}

// The main window's own messages.
inline constexpr unsigned kRunEventMessage = 2024;        // a pipeline event record
inline constexpr unsigned kDownloaderStartMessage = 1224;  // "下载器启动" asked from outside

struct RunEvent {
  int code = 0;
  double value = 0;
  std::wstring text;
};

class RunEventMailbox {
 public:
  explicit RunEventMailbox(SkinUI::SkinWindow& window) : window_(window) {}
  // Records never taken back (the window closed first) are freed here.
  ~RunEventMailbox() = default;
  RunEventMailbox(const RunEventMailbox&) = delete;
  RunEventMailbox& operator=(const RunEventMailbox&) = delete;

  // Any thread: copies the event into a record and posts its address to the window; false
  // (and the record freed) when the window cannot take messages.
  bool Post(int code, double value, const wchar_t* text);
  // The window's thread: the record a message carries, handed over; null for an address
  // that is not a record of this mailbox (a message 2024 from another program).
  std::unique_ptr<RunEvent> Take(std::intptr_t address);

 private:
  SkinUI::SkinWindow& window_;
  std::mutex lock_;
  std::map<std::intptr_t, std::unique_ptr<RunEvent>> posted_;
};

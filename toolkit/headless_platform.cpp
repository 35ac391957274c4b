// The headless platform and its window host.
#include "toolkit/headless_platform.h"

#include <algorithm>

#include "toolkit/skin_window.h"
#include "toolkit/window_host.h"
#include "toolkit/window_manager.h"
#include "toolkit/window_messages.h"
#include "utils/log.h"

namespace SkinUI {

// A window of the headless platform: timers go to the platform's clock; text is measured
// with fixed advances (a full em for CJK and other wide characters, half an em otherwise),
// so that widths follow the text and the font size.
class HeadlessHost : public WindowHost {
 public:
  HeadlessHost(HeadlessPlatform& platform, SkinWindow& window) : platform_(platform), window_(window) {}
  ~HeadlessHost() override {
    auto& timers = platform_.timers_;
    timers.erase(std::remove_if(timers.begin(), timers.end(), [&](const auto& t) { return t.window == &window_; }),
                 timers.end());
  }

  void Invalidate() override {}  // nothing to paint

  bool StartTimer(Control* control, unsigned id, unsigned milliseconds) override {
    StopTimer(control, id);
    const unsigned interval = std::max(1u, milliseconds);
    platform_.timers_.push_back({&window_, control, id, interval, platform_.now_ + interval});
    return true;
  }

  void StopTimer(Control* control, unsigned id) override {
    auto& timers = platform_.timers_;
    timers.erase(std::remove_if(timers.begin(), timers.end(),
                                [&](const auto& t) { return t.control == control && t.id == id; }),
                 timers.end());
  }

  void WakeForPosted() override { platform_.Wake(); }

  bool PostWindowMessage(unsigned message, std::uintptr_t wParam, std::intptr_t lParam) override {
    platform_.PostMessageTo(window_, message, wParam, lParam);
    return true;
  }

  void Centre() override {}  // no screen

  int MeasureTextWidth(const std::wstring& text, const FontInfo& font) override {
    int width = 0;
    for (const wchar_t c : text) width += static_cast<unsigned>(c) >= 0x2E80u ? font.size : (font.size + 1) / 2;
    return width;
  }

 private:
  HeadlessPlatform& platform_;
  SkinWindow& window_;
};

std::unique_ptr<WindowHost> HeadlessPlatform::CreateHost(SkinWindow& window, SkinWindow*, const std::wstring& title) {
  open_.push_back(&window);
  titles_.push_back(title);
  return std::make_unique<HeadlessHost>(*this, window);
}

void HeadlessPlatform::RunModal(SkinWindow& window) {
  auto isOpen = [&] { return IsOpen(window); };
  while (isOpen()) {
    if (!responder_) {
      TLOGLN(L"modal window %ls has no responder", window.GetSkinFile().c_str());
      window.Close(kUnanswered);
      return;
    }
    responder_(window);
    if (!isOpen()) return;
    // Left open: it waits for something posted by another thread (or by a timer the
    // responder fired), as a real modal loop keeps delivering them.
    if (WaitAndDeliver(kModalWait) == 0 && isOpen()) {
      TLOGLN(L"modal window %ls was not answered", window.GetSkinFile().c_str());
      window.Close(kUnanswered);
    }
  }
}

void HeadlessPlatform::Close(SkinWindow& window) {
  {
    // Messages still queued for the window go with it, as the system drops them.
    std::lock_guard<std::mutex> hold(wakeLock_);
    messages_.erase(std::remove_if(messages_.begin(), messages_.end(),
                                   [&](const PostedMessage& m) { return m.window == &window; }),
                    messages_.end());
  }
  open_.erase(std::remove(open_.begin(), open_.end(), &window), open_.end());
  minimized_.erase(std::remove(minimized_.begin(), minimized_.end(), &window), minimized_.end());
}

void HeadlessPlatform::Minimize(SkinWindow& window) {
  if (!IsMinimized(window)) minimized_.push_back(&window);
}

void HeadlessPlatform::ShowError(const std::wstring& text) { errors_.push_back(text); }

bool HeadlessPlatform::IsMinimized(const SkinWindow& window) const {
  return std::find(minimized_.begin(), minimized_.end(), &window) != minimized_.end();
}

bool HeadlessPlatform::IsOpen(const SkinWindow& window) const {
  return std::find(open_.begin(), open_.end(), &window) != open_.end();
}

std::size_t HeadlessPlatform::DeliverPosted() {
  std::vector<PostedMessage> messages;
  {
    std::lock_guard<std::mutex> hold(wakeLock_);
    posted_ = false;
    messages.swap(messages_);
  }
  std::size_t delivered = 0;
  // A delivery may open or close windows: walk a copy, skipping those that closed.
  const std::vector<SkinWindow*> windows = open_;
  for (SkinWindow* w : windows) {
    if (IsOpen(*w)) delivered += w->Manager().DispatchPosted();
  }
  for (const PostedMessage& m : messages) {
    // Closed meanwhile (perhaps gone): dropped, as the system drops it.
    if (std::find(open_.begin(), open_.end(), m.window) == open_.end()) continue;
    DeliverMessage(*m.window, m.message, m.wParam, m.lParam);
    ++delivered;
  }
  return delivered;
}

void HeadlessPlatform::DeliverMessage(SkinWindow& window, unsigned message, std::uintptr_t wParam,
                                      std::intptr_t lParam) {
  if (window.MessageFilter(message, wParam, lParam)) return;
  if (window.HandleCustomMessage(message, wParam, lParam)) return;
  // The close rule of the Win32 host: a request closes the window with its value, the
  // system's own (which carries 0) with 1.
  if (message == kMessageClose) window.Close(wParam != 0 ? static_cast<int>(wParam) : 1);
}

void HeadlessPlatform::PostMessageTo(SkinWindow& window, unsigned message, std::uintptr_t wParam,
                                     std::intptr_t lParam) {
  {
    std::lock_guard<std::mutex> hold(wakeLock_);
    messages_.push_back({&window, message, wParam, lParam});
    posted_ = true;
  }
  woken_.notify_all();
}

bool HeadlessPlatform::PumpBriefly(SkinWindow* window) {
  DeliverPosted();
  return window == nullptr || IsOpen(*window);
}

std::size_t HeadlessPlatform::WaitAndDeliver(std::chrono::milliseconds timeout) {
  {
    std::unique_lock<std::mutex> hold(wakeLock_);
    woken_.wait_for(hold, timeout, [&] { return posted_; });
  }
  return DeliverPosted();
}

void HeadlessPlatform::Wake() {
  {
    std::lock_guard<std::mutex> hold(wakeLock_);
    posted_ = true;
  }
  woken_.notify_all();
}

void HeadlessPlatform::AdvanceTime(std::chrono::milliseconds elapsed) {
  const std::int64_t end = now_ + elapsed.count();
  while (true) {
    auto next = std::min_element(timers_.begin(), timers_.end(), [](const Timer& a, const Timer& b) { return a.due < b.due; });
    if (next == timers_.end() || next->due > end) break;
    now_ = next->due;
    next->due += next->interval;
    const Timer fired = *next;  // the handler may stop or start timers
    fired.window->Manager().OnTimer(fired.control, fired.id);
  }
  now_ = end;
}

std::map<unsigned, unsigned> HeadlessPlatform::TimersOf(const Control* control) const {
  std::map<unsigned, unsigned> result;
  for (const Timer& t : timers_) {
    if (t.control == control) result[t.id] = t.interval;
  }
  return result;
}

}  // namespace SkinUI

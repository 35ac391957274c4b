// Skinned windows with no pixels: the same trees, layout and notifications, driven by
// tests. Timers run on a clock the test advances; modal windows are answered by a scripted
// responder; notifications posted from other threads are delivered while a modal loop waits
// or when the test asks.
#pragma once

#include <chrono>
#include <condition_variable>
#include <functional>
#include <map>
#include <mutex>
#include <string>
#include <vector>

#include "toolkit/window_platform.h"

namespace SkinUI {

class Control;

class HeadlessPlatform : public WindowPlatform {
 public:
  // Called when a modal window is shown, and again after each delivery of posted
  // notifications while it stays open; it answers the window (clicks a button, closes it)
  // or leaves it open to wait for posted notifications.
  using Responder = std::function<void(SkinWindow& window)>;

  // How long a modal loop waits for a posted notification before it gives up on an
  // unanswered window and closes it with kUnanswered.
  static constexpr std::chrono::milliseconds kModalWait{5000};
  static constexpr int kUnanswered = -1;

  std::unique_ptr<WindowHost> CreateHost(SkinWindow& window, SkinWindow* owner, const std::wstring& title) override;
  void RunModal(SkinWindow& window) override;
  void Close(SkinWindow& window) override;
  void Minimize(SkinWindow& window) override;
  void ShowError(const std::wstring& text) override;
  // Delivers what was posted and reports whether the window (if given) is still open.
  bool PumpBriefly(SkinWindow* window) override;

  void SetResponder(Responder responder) { responder_ = std::move(responder); }
  // Windows open now, oldest first.
  const std::vector<SkinWindow*>& OpenWindows() const { return open_; }
  // The error boxes shown so far.
  const std::vector<std::wstring>& Errors() const { return errors_; }
  // Titles of the windows made so far, oldest first.
  const std::vector<std::wstring>& Titles() const { return titles_; }
  bool IsMinimized(const SkinWindow& window) const;

  // Delivers what was posted to every open window, notifications first, then window
  // messages in the order posted; the number delivered.
  std::size_t DeliverPosted();
  // A window message handled at once, as a real one from the system would be (a key, the
  // system's close request): the window's filter, then its close rule or custom hook.
  void DeliverMessage(SkinWindow& window, unsigned message, std::uintptr_t wParam = 0, std::intptr_t lParam = 0);
  bool IsOpen(const SkinWindow& window) const;
  // Waits up to timeout for something to be posted, then delivers it.
  std::size_t WaitAndDeliver(std::chrono::milliseconds timeout);
  // Moves the clock and fires the timers that fall due, in order of their due times.
  void AdvanceTime(std::chrono::milliseconds elapsed);
  // The running timers of a control, by id: their intervals.
  std::map<unsigned, unsigned> TimersOf(const Control* control) const;

 private:
  friend class HeadlessHost;
  struct PostedMessage {
    SkinWindow* window;
    unsigned message;
    std::uintptr_t wParam;
    std::intptr_t lParam;
  };
  void PostMessageTo(SkinWindow& window, unsigned message, std::uintptr_t wParam, std::intptr_t lParam);
  struct Timer {
    SkinWindow* window;
    Control* control;
    unsigned id;
    unsigned interval;
    std::int64_t due;
  };
  void Wake();

  Responder responder_;
  std::vector<SkinWindow*> open_;
  std::vector<SkinWindow*> minimized_;
  std::vector<std::wstring> errors_;
  std::vector<std::wstring> titles_;
  std::vector<Timer> timers_;
  std::int64_t now_ = 0;
  std::mutex wakeLock_;
  std::condition_variable woken_;
  bool posted_ = false;
  std::vector<PostedMessage> messages_;  // guarded by wakeLock_
};

}  // namespace SkinUI

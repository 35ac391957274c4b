// What a window's control tree needs of the system that shows it: repainting, timers, a
// wake-up for notifications posted from other threads, posted window messages, text
// measurement and placement.
// One implementation draws real windows (Windows); the headless one has no pixels.
#pragma once

#include <cstdint>
#include <string>

namespace SkinUI {

class Control;
struct FontInfo;

class WindowHost {
 public:
  virtual ~WindowHost() = default;
  // The tree changed what it shows.
  virtual void Invalidate() = 0;
  // A timer of the control; a running timer of the same id is replaced. False on failure.
  virtual bool StartTimer(Control* control, unsigned id, unsigned milliseconds) = 0;
  virtual void StopTimer(Control* control, unsigned id) = 0;
  // Called from any thread after a notification was queued: the host has the window's
  // thread deliver the queue soon.
  virtual void WakeForPosted() = 0;
  // The width in pixels of text drawn in the font.
  virtual int MeasureTextWidth(const std::wstring& text, const FontInfo& font) = 0;
  // Queues a window message for the window's thread, from any thread; it reaches the
  // window's message filter and then its close rule or custom-message hook. False when it
  // could not be queued.
  virtual bool PostWindowMessage(unsigned message, std::uintptr_t wParam, std::intptr_t lParam) = 0;
  // Places the window in the middle of its owner, or of the work area without one.
  virtual void Centre() = 0;
};

}  // namespace SkinUI

// The system side of skinned windows: making a window for a loaded skin, its modal loop,
// closing and minimising, and the error box. The Windows build shows real windows; the
// headless platform runs the same trees with no pixels for tests.
#pragma once

#include <memory>
#include <string>

namespace SkinUI {

class SkinWindow;
class WindowHost;

class WindowPlatform {
 public:
  virtual ~WindowPlatform() = default;
  // A host for the window whose skin has loaded (hidden until shown); null on failure.
  virtual std::unique_ptr<WindowHost> CreateHost(SkinWindow& window, SkinWindow* owner, const std::wstring& title) = 0;
  // Shows the window and handles input, timers and posted notifications (of every window)
  // until the window closes.
  virtual void RunModal(SkinWindow& window) = 0;
  // Ends the window's modal loop and destroys its host's window.
  virtual void Close(SkinWindow& window) = 0;
  virtual void Minimize(SkinWindow& window) = 0;
  // The toolkit's own error box.
  virtual void ShowError(const std::wstring& text) = 0;
  // Handles the pending messages of every window for about 100 ms, waiting for each one;
  // false when the window (if given) is gone or the program is quitting.
  virtual bool PumpBriefly(SkinWindow* window) = 0;
};

// The platform windows are made on; the system's own unless one was set (tests set the
// headless one).
WindowPlatform& CurrentPlatform();
void SetPlatform(WindowPlatform* platform);
// The system's own platform (a platform file of the build).
WindowPlatform& NativePlatform();

}  // namespace SkinUI

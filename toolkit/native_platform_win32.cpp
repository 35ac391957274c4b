// Windows: skinned windows are real windows (the Win32 host), each shown with its own modal
// message loop.
#include <windows.h>

#include "toolkit/gdiplus_win32.h"
#include "toolkit/native_host_win32.h"
#include "toolkit/skin_window.h"
#include "toolkit/window_platform.h"
#include "utils/log.h"

namespace SkinUI {
namespace {

NativeHost* HostOf(const SkinWindow& window) { return dynamic_cast<NativeHost*>(window.Host()); }

// The message goes to a window of ours whose filter takes it.
bool Filtered(const MSG& message) {
  NativeHost* host = NativeHost::FromHandle(message.hwnd);
  return host != nullptr && host->Window().MessageFilter(message.message, message.wParam, message.lParam);
}

class Win32Platform : public WindowPlatform {
 public:
  std::unique_ptr<WindowHost> CreateHost(SkinWindow& window, SkinWindow* owner, const std::wstring& title) override {
    if (!EnsureGdiplus()) return nullptr;
    return NativeHost::Create(window, owner, title);
  }

  void RunModal(SkinWindow& window) override {
    NativeHost* host = HostOf(window);
    if (host == nullptr) return;
    const HWND owner = GetWindow(host->Handle(), GW_OWNER);
    ShowWindow(host->Handle(), SW_SHOWNORMAL);
    UpdateWindow(host->Handle());
    SetForegroundWindow(host->Handle());
    host->DisableOwner();
    // The host is gone once the window has closed; only the window is asked from here on.
    MSG message{};
    while (window.IsOpen()) {
      const BOOL got = GetMessageW(&message, nullptr, 0, 0);
      if (got == -1) {
        TLOGLN(L"the message loop failed: %lu", GetLastError());
        break;
      }
      if (got == 0) {
        // Leaving the program: every loop up the stack has to see the quit message too.
        PostQuitMessage(static_cast<int>(message.wParam));
        break;
      }
      if (Filtered(message)) continue;
      TranslateMessage(&message);
      DispatchMessageW(&message);
    }
    if (owner != nullptr && IsWindow(owner)) {
      SetForegroundWindow(owner);
      SetFocus(owner);
    }
  }

  void Close(SkinWindow& window) override {
    // The window itself goes with its host (SkinWindow drops it next); the loop waiting in
    // GetMessage wakes up to see that.
    if (HostOf(window) != nullptr) PostMessageW(nullptr, WM_NULL, 0, 0);
  }

  void Minimize(SkinWindow& window) override {
    if (NativeHost* host = HostOf(window)) ShowWindow(host->Handle(), SW_MINIMIZE);
  }

  void ShowError(const std::wstring& text) override {
    MessageBoxW(GetActiveWindow(), text.c_str(), nullptr, MB_OK | MB_ICONERROR);
  }

  bool PumpBriefly(SkinWindow* window) override {
    const NativeHost* host = window != nullptr ? HostOf(*window) : nullptr;
    const HWND handle = host != nullptr ? host->Handle() : nullptr;
    const ULONGLONG start = GetTickCount64();
    MSG message{};
    while (true) {
      if (window != nullptr && (handle == nullptr || !IsWindow(handle))) return false;
      const BOOL got = GetMessageW(&message, nullptr, 0, 0);
      if (got == 0 || got == -1) {
        if (got == 0) PostQuitMessage(static_cast<int>(message.wParam));  // for the loops up the stack
        return false;
      }
      if (!Filtered(message)) {
        TranslateMessage(&message);
        DispatchMessageW(&message);
      }
      if (GetTickCount64() - start > 100) return true;
    }
  }
};

}  // namespace

WindowPlatform& NativePlatform() {
  static Win32Platform platform;
  return platform;
}

}  // namespace SkinUI

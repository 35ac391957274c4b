// Frame styles, icons and the foreground on the real window of a skinned window. A window
// shown by the headless platform has none and is left as it is.
#include <windows.h>

#include "toolkit/native_host_win32.h"
#include "toolkit/skin_window.h"
#include "ui/window_styles.h"

namespace ui {
namespace {

HWND HandleOf(SkinUI::SkinWindow& window) {
  const auto* host = dynamic_cast<const SkinUI::NativeHost*>(window.Host());
  return host != nullptr ? host->Handle() : nullptr;
}

void ChangeStyle(HWND handle, LONG_PTR remove, LONG_PTR add) {
  const LONG_PTR style = GetWindowLongPtrW(handle, GWL_STYLE);
  SetWindowLongPtrW(handle, GWL_STYLE, (style & ~remove) | add);
}

}  // namespace

void RemoveCaptionStyles(SkinUI::SkinWindow& window) {
  if (const HWND handle = HandleOf(window)) ChangeStyle(handle, WS_CAPTION | WS_MAXIMIZEBOX, 0);
}

void ApplyBorderlessStyles(SkinUI::SkinWindow& window) {
  const HWND handle = HandleOf(window);
  if (handle == nullptr) return;
  ChangeStyle(handle, WS_CAPTION | WS_MAXIMIZEBOX, WS_CLIPSIBLINGS | WS_CLIPCHILDREN);
  const LONG_PTR exStyle = GetWindowLongPtrW(handle, GWL_EXSTYLE);
  SetWindowLongPtrW(handle, GWL_EXSTYLE, exStyle & ~static_cast<LONG_PTR>(WS_EX_TOPMOST));
}

void SetWindowIcons(SkinUI::SkinWindow& window, int iconId) {
  const HWND handle = HandleOf(window);
  if (handle == nullptr) return;
  // Shared icons of the module: the system frees them with it, not the window.
  const HINSTANCE module = GetModuleHandleW(nullptr);
  const auto load = [&](int metricX, int metricY) {
    return static_cast<HICON>(LoadImageW(module, MAKEINTRESOURCEW(iconId), IMAGE_ICON, GetSystemMetrics(metricX),
                                         GetSystemMetrics(metricY), LR_SHARED));
  };
  // An executable without the icon keeps the class's: the send of a null icon is harmless.
  SendMessageW(handle, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(load(SM_CXICON, SM_CYICON)));
  SendMessageW(handle, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(load(SM_CXSMICON, SM_CYSMICON)));
}

void BringToFront(SkinUI::SkinWindow& window) {
  const HWND handle = HandleOf(window);
  if (handle == nullptr) return;
  if (IsIconic(handle)) ShowWindow(handle, SW_RESTORE);
  SetForegroundWindow(handle);
}

}  // namespace ui

// The Win32 host of a skinned window: a borderless top-level window of the window's own
// class, painted with GDI+ through a back buffer, with the caption dragging it, hover and
// pushed states, native edit boxes, system timers for the controls' timers and posted
// notifications delivered through a private window message.
#pragma once

#include <windows.h>

#include <atomic>
#include <map>
#include <memory>
#include <string>
#include <utility>

#include "toolkit/back_buffer_win32.h"
#include "toolkit/native_edits_win32.h"
#include "toolkit/skin_painter_win32.h"
#include "toolkit/win32_handles_win32.h"
#include "toolkit/window_host.h"

namespace SkinUI {

class SkinWindow;

class NativeHost : public WindowHost {
 public:
  // The message that has the window's thread deliver posted notifications.
  static constexpr UINT kDeliverPosted = WM_APP + 0x51;

  // Makes the window, hidden, centred on the owner's window or in the work area; null when
  // the class or the window cannot be made.
  static std::unique_ptr<NativeHost> Create(SkinWindow& window, SkinWindow* owner, const std::wstring& title);
  // The host of a window of ours (the top-level window or any child of it), or null.
  static NativeHost* FromHandle(HWND handle);
  ~NativeHost() override;

  void Invalidate() override;
  bool StartTimer(Control* control, unsigned id, unsigned milliseconds) override;
  void StopTimer(Control* control, unsigned id) override;
  void WakeForPosted() override;
  int MeasureTextWidth(const std::wstring& text, const FontInfo& font) override;
  bool PostWindowMessage(unsigned message, std::uintptr_t wParam, std::intptr_t lParam) override;
  void Centre() override;

  HWND Handle() const { return window_.get(); }
  SkinWindow& Window() const { return skin_; }
  // Disables the owner while the window is shown modally; the owner is enabled again
  // before the window goes, so that the system activates the owner, not another program.
  void DisableOwner();

 private:
  explicit NativeHost(SkinWindow& skin, HWND owner);
  static LRESULT CALLBACK WindowProc(HWND handle, UINT message, WPARAM wParam, LPARAM lParam);
  // A message of the window; false when the default handling applies. Once it has called
  // the window's code, it touches the host no more, as that code may have closed it.
  bool HandleMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result);
  void Paint();
  void ApplyRegion();
  LRESULT HitTest(LPARAM lParam);
  bool HandleClose(WPARAM wParam, LPARAM lParam);
  void OnMouseMove(int x, int y);
  void OnButtonDown(int x, int y);
  void OnButtonUp(int x, int y);
  void OnTimer(UINT_PTR event);
  // Hover and pushed states of controls that may have left the tree since.
  void SetHotControl(Control* control);
  void ReleasePushed();

  SkinWindow& skin_;
  HWND owner_;
  bool ownerDisabled_ = false;
  UniqueWindow window_;
  std::atomic<HWND> postTarget_{nullptr};  // read by WakeForPosted on any thread
  SkinPainter painter_;
  std::unique_ptr<NativeEdits> edits_;
  std::unique_ptr<BackBuffer> buffer_;
  Control* hot_ = nullptr;
  Control* pushed_ = nullptr;
  bool tracking_ = false;
  std::map<UINT_PTR, std::pair<Control*, unsigned>> timers_;  // system timer id -> control timer
  UINT_PTR nextTimer_ = 1;
};

}  // namespace SkinUI

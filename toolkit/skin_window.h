// The base of every skinned window: where its skin lives, the hooks a window overrides
// (initialisation, notifications, clicks, messages, custom controls), and its life: load the
// skin, show it modally, close it with a result.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "toolkit/notify.h"
#include "toolkit/window_manager.h"

namespace SkinUI {

class WindowHost;

// The skin archive stored as resource `id` of type `type` (4: an archive among the
// executable's resources); empty when there is none. The program sets it once at start-up.
using ResourceLoader = std::function<std::span<const unsigned char>(int type, int id)>;
void SetResourceLoader(ResourceLoader loader);

// The text of the error box shown when a skin cannot be loaded.
inline constexpr const wchar_t* kSkinLoadError = L"加载资源文件失败";

class SkinWindow : public NotifyReceiver {
 public:
  SkinWindow();
  ~SkinWindow() override;
  SkinWindow(const SkinWindow&) = delete;
  SkinWindow& operator=(const SkinWindow&) = delete;

  // Where the skin lives.
  virtual std::wstring GetSkinFolder() const { return L""; }
  virtual std::wstring GetSkinFile() const = 0;
  virtual int GetResourceType() const { return 4; }
  virtual int GetResourceID() const { return 0; }
  virtual std::wstring GetWindowClassName() const = 0;

  // Hooks.
  // A control for a tag the toolkit does not know, or nothing.
  virtual std::unique_ptr<Control> CreateControl(std::wstring_view tag);
  // Once the skin has loaded and the window exists.
  virtual void InitWindow() {}
  // Every notification; the default hands "click" to OnClick.
  virtual void Notify(const SkinUI::Notify& notify);
  // The default: closebtn closes the window, minbtn minimises it.
  virtual void OnClick(const SkinUI::Notify& notify);
  // A host message before the toolkit handles it (window messages on Windows); true when
  // the window took it.
  virtual bool MessageFilter(unsigned message, std::uintptr_t wParam, std::intptr_t lParam);
  // A message the toolkit does not know; true when the window handled it.
  virtual bool HandleCustomMessage(unsigned message, std::uintptr_t wParam, std::intptr_t lParam);

  // Loads the skin and makes the window, hidden. False when the skin cannot be loaded, after
  // the error box kSkinLoadError; then no window exists.
  bool Create(SkinWindow* owner, const std::wstring& title);
  // Shows the window modally; returns the result given to Close.
  int ShowModal();
  // Closes the window, ending its modal loop with result.
  void Close(int result = 1);
  // Queues a window message for the window's thread; safe from any thread, also while the
  // window closes. False when there is no window or the message could not be queued.
  bool PostWindowMessage(unsigned message, std::uintptr_t wParam = 0, std::intptr_t lParam = 0);
  // Posts a close request with its value, which passes the window's close rule first.
  bool RequestClose(int value = 1);
  // Places the window in the middle of its owner, or of the work area without one.
  void CentreWindow();
  void Minimize();
  bool IsOpen() const { return host_ != nullptr; }
  SkinWindow* Owner() const { return owner_; }

  WindowManager& Manager() { return manager_; }
  WindowHost* Host() const { return host_.get(); }
  Control* FindControl(std::wstring_view name) const { return manager_.FindControl(name); }
  // A file of the window's skin archive (its images), found as the archive finds names; null
  // when there is none. Valid until the resource loader is set again.
  const std::vector<unsigned char>* FindSkinFile(std::wstring_view path) const;
  // Sends "click" from the named control as a click on it would; false when there is no
  // such control or it is hidden or disabled.
  bool Click(std::wstring_view name);

  void OnNotify(const SkinUI::Notify& notify) final { Notify(notify); }

 private:
  WindowManager manager_;
  std::unique_ptr<WindowHost> host_;
  // The host as other threads may post to it: cleared before the host goes.
  std::mutex postLock_;
  WindowHost* postHost_ = nullptr;
  SkinWindow* owner_ = nullptr;
  int result_ = 1;
};

}  // namespace SkinUI

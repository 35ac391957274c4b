// The portable core of one skinned window: its control tree and window attributes, fonts,
// layout, named notifications (sent at once, or posted from any thread and delivered on the
// window's thread), timers bound to controls, and texts through the language table.
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>
#include <vector>

#include "toolkit/control.h"
#include "toolkit/notify.h"
#include "toolkit/skin_values.h"

namespace SkinUI {

class WindowHost;

struct FontInfo {
  int id = 0;
  std::wstring name = L"微软雅黑";
  int size = 12;  // character height in pixels
  bool bold = false;
  bool underline = false;
  bool italic = false;
};

// The skin's root element.
struct WindowAttributes {
  Size size;
  Rect caption;        // left, top, right, bottom; the area that drags the window
  Size roundCorner;
  // Attributes the window itself does not read (the shadow's, for one), kept for its owner.
  std::map<std::string, std::string> custom;
};

class WindowManager {
 public:
  WindowManager();
  ~WindowManager();
  WindowManager(const WindowManager&) = delete;
  WindowManager& operator=(const WindowManager&) = delete;

  void SetHost(WindowHost* host) { host_ = host; }
  WindowHost* Host() const { return host_; }

  // The tree.
  void SetRoot(std::unique_ptr<Control> root);
  Control* Root() const { return root_.get(); }
  // The first control of that name in tree order, or null.
  Control* FindControl(std::wstring_view name) const;
  std::vector<Control*> AllControls() const;
  bool IsLive(const Control* control) const;

  // The window's skin.
  WindowAttributes& Attributes() { return attributes_; }
  const WindowAttributes& Attributes() const { return attributes_; }
  void AddFont(const FontInfo& font, bool isDefault);
  // The font of that id; the default font for -1 or an unknown id.
  const FontInfo& GetFont(int id) const;

  // Layout over the window's client area; done lazily before paints and hit tests.
  void NeedLayout() { needLayout_ = true; Invalidate(); }
  void Invalidate();
  void Layout();
  void LayoutIfNeeded();
  // The deepest shown control under the point (window coordinates), or null.
  Control* ControlAt(int x, int y);
  // Whether the point lies in the caption area, outside any enabled button-like control.
  bool InCaption(int x, int y);

  // Texts.
  std::wstring ResolveText(const std::wstring& text) const;
  int MeasureTextWidth(const std::wstring& text, int fontId) const;
  // Texts that refer to the language table are shown anew.
  void RefreshTexts() { NeedLayout(); }

  // Notifications.
  void AddNotifier(NotifyReceiver* receiver);
  void RemoveNotifier(NotifyReceiver* receiver);
  void SendNotify(Control* sender, const std::wstring& type, std::uintptr_t wParam = 0, std::intptr_t lParam = 0);
  // From any thread: queued and delivered by DispatchPosted on the window's thread, unless
  // the sender has left the window by then.
  void PostNotify(Control* sender, const std::wstring& type, std::uintptr_t wParam = 0, std::intptr_t lParam = 0);
  // Delivers what was posted so far; the number delivered.
  std::size_t DispatchPosted();

  // Timers bound to controls; they arrive as "timer" notifications with the id as wParam.
  bool SetTimer(Control* control, unsigned id, unsigned milliseconds);
  bool KillTimer(Control* control, unsigned id);
  bool HasTimer(const Control* control, unsigned id) const;
  // From the host when a timer elapses: the control's own handler, then the notification.
  void OnTimer(Control* control, unsigned id);
  // Initialises the controls of a subtree (the whole tree when null) once the window has
  // its host.
  void InitControls(Control* subtree = nullptr);

 private:
  WindowHost* host_ = nullptr;
  std::unique_ptr<Control> root_;
  WindowAttributes attributes_;
  std::map<int, FontInfo> fonts_;
  FontInfo defaultFont_;
  bool needLayout_ = true;
  std::vector<NotifyReceiver*> receivers_;
  std::mutex postedLock_;
  std::vector<Notify> posted_;
  std::vector<std::pair<const Control*, unsigned>> timers_;
};

}  // namespace SkinUI

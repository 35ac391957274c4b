// Named notifications: what a control reports to its window ("click", "selectchanged",
// "tabselect", "itemselect", "timer" and custom names), and who receives them.
#pragma once

#include <cstdint>
#include <string>

namespace SkinUI {

class Control;

struct Notify {
  std::wstring type;
  Control* sender = nullptr;  // may be null for a window-level notification
  std::uintptr_t wParam = 0;  // "timer": the timer id; "itemselect": the new index
  std::intptr_t lParam = 0;   // "itemselect": the previous index
};

class NotifyReceiver {
 public:
  virtual ~NotifyReceiver() = default;
  virtual void OnNotify(const Notify& notify) = 0;
};

}  // namespace SkinUI

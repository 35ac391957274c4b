// The native edit boxes of a window's Edit controls: one EDIT child over each, kept in step
// with its control both ways (the control's text and state shown in the box, the user's
// typing handed to the control).
#pragma once

#include <windows.h>

#include <vector>

#include "toolkit/win32_handles_win32.h"

namespace SkinUI {

class Edit;
class WindowManager;

class NativeEdits {
 public:
  explicit NativeEdits(HWND parent) : parent_(parent) {}

  // Makes the missing boxes, drops those whose control left the tree, and gives each box its
  // control's place, visibility, enabled state and text.
  void Sync(WindowManager& manager);
  // A child's WM_COMMAND; true when it came from one of the boxes. A change the user made
  // reaches the control as typed text, whose notification may close the window: the caller
  // returns at once.
  bool OnCommand(WPARAM wParam, LPARAM lParam);
  // WM_CTLCOLOREDIT: the box's text colour on white; null for a child that is not a box.
  HBRUSH OnColour(HDC dc, HWND child);

 private:
  struct Box {
    Edit* control;
    UniqueFont font;  // outlives the box that draws with it
    UniqueWindow window;
  };
  Box* Find(HWND child);
  void Place(Box& box);
  void Fill(Box& box);

  HWND parent_;
  std::vector<Box> boxes_;
  bool filling_ = false;  // our own SetWindowText, not the user's typing
};

}  // namespace SkinUI

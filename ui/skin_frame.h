// CSkinFrame: the installer's window base over the toolkit. It holds where a window's skin
// lives (the archive among the executable's resources, the file in it, the window class) and
// gives every window of the installer the same frame: no caption or maximise box, the drop
// shadow its skin asks for, and an Escape key that never closes anything.
#pragma once

#include <string>

#include "toolkit/skin_window.h"
#include "ui/window_shadow.h"

// Where a window's skin lives.
struct SkinLocation {
  int resourceType = 4;  // 4: an archive among the executable's resources
  int resourceId = 0;
  std::wstring folder;   // inside the archive
  std::wstring file;     // the window's XML file
  std::wstring className;
};

// The record of an installer window: resource type 4, id 147, no folder, the file, and the
// class name the file's name up to its last dot.
SkinLocation InstallerSkin(const std::wstring& file);

class CSkinFrame : public SkinUI::SkinWindow {
 public:
  explicit CSkinFrame(SkinLocation location) : location_(std::move(location)) {}

  std::wstring GetSkinFolder() const override { return location_.folder; }
  std::wstring GetSkinFile() const override { return location_.file; }
  int GetResourceType() const override { return location_.resourceType; }
  int GetResourceID() const override { return location_.resourceId; }
  std::wstring GetWindowClassName() const override { return location_.className; }

  // Removes the caption and maximise-box styles and sets up the shadow.
  void InitWindow() override;
  // Swallows Escape key-downs.
  bool MessageFilter(unsigned message, std::uintptr_t wParam, std::intptr_t lParam) override;

  const CWindowShadow& Shadow() const { return shadow_; }

 private:
  SkinLocation location_;
  CWindowShadow shadow_;
};

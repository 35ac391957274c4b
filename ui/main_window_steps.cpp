// The main window's run inside the entry sequence.
#include "ui/main_window_steps.h"

#include "skin/skin_resource.h"
#include "ui/main_window.h"
#include "ui/window_shadow.h"

void RunMainWindow(void* instance) {
  // Every window's skin is the 7z archive among the executable's resources (the toolkit
  // reads only 7z archives, and windows of its own module).
  SkinUI::SetResourceLoader([](int type, int id) {
    return type == 4 ? SkinResource(id) : std::span<const unsigned char>();
  });
  // Without per-pixel-alpha layered windows the windows go without their shadows.
  CWindowShadow::Initialize(instance);
  CMainWnd window;
  // A window that cannot be made (its skin unreadable, after the toolkit's error box) ends
  // the run normally: the modal loop returns at once.
  window.Create(nullptr, CMainWnd::kDisplayName);
  window.ShowModal();
}

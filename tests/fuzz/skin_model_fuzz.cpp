// Fuzz target of the skin model: any bytes as a window's XML. A skin that builds is laid
// out and hit-tested; every control keeps a non-negative fixed size and every name found by
// a walk is found again by name.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <span>

#include "toolkit/skin_builder.h"
#include "toolkit/window_manager.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  SkinUI::WindowManager manager;
  if (!SkinUI::BuildSkin(std::span<const unsigned char>(data, size), manager, {})) return 0;
  manager.Layout();
  (void)manager.ControlAt(10, 10);  // only that it returns
  (void)manager.InCaption(1, 1);
  for (SkinUI::Control* control : manager.AllControls()) {
    if (control->FixedWidth() < 0 || control->FixedHeight() < 0) std::abort();
    if (!control->Name().empty() && manager.FindControl(control->Name()) == nullptr) std::abort();
  }
  return 0;
}

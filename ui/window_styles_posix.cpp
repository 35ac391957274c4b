// Without a window system of the product's, windows are headless: there is no frame, icon
// or z-order to change.
#include "ui/window_styles.h"

namespace ui {

void RemoveCaptionStyles(SkinUI::SkinWindow&) {}
void ApplyBorderlessStyles(SkinUI::SkinWindow&) {}
void SetWindowIcons(SkinUI::SkinWindow&, int) {}
void BringToFront(SkinUI::SkinWindow&) {}

}  // namespace ui

// The system side of the installer's windows that the toolkit leaves to them: frame styles,
// icons and bringing a window to the front. Windows changes the real window; a window
// without one (the headless platform) is left as it is.
#pragma once

namespace SkinUI {
class SkinWindow;
}

namespace ui {

// Removes the caption and the maximise box from the window's style.
void RemoveCaptionStyles(SkinUI::SkinWindow& window);
// The main and message windows' style: no caption or maximise box, children and siblings
// clipped, never topmost.
void ApplyBorderlessStyles(SkinUI::SkinWindow& window);
// The window's big and small icons from the executable's icon resource.
void SetWindowIcons(SkinUI::SkinWindow& window, int iconId);
void BringToFront(SkinUI::SkinWindow& window);

}  // namespace ui

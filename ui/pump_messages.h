// A short message pump for the window's own code between two actions.
#pragma once

namespace SkinUI {
class SkinWindow;
}

// Handles the window thread's messages for about 100 ms (waiting for each one, so it may
// take longer); false when the window (if given) is gone or the program is quitting.
bool PumpMessagesBriefly(SkinUI::SkinWindow* window);

// The short message pump over the window platform's own.
#include "ui/pump_messages.h"

#include "toolkit/window_platform.h"

bool PumpMessagesBriefly(SkinUI::SkinWindow* window) { return SkinUI::CurrentPlatform().PumpBriefly(window); }

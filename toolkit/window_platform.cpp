// The platform windows are made on.
#include "toolkit/window_platform.h"

namespace SkinUI {
namespace {
WindowPlatform* g_platform = nullptr;  // set on the UI thread before windows are made
}  // namespace

WindowPlatform& CurrentPlatform() { return g_platform != nullptr ? *g_platform : NativePlatform(); }
void SetPlatform(WindowPlatform* platform) { g_platform = platform; }

}  // namespace SkinUI

// POSIX has no window system of the product's: windows are headless.
#include "toolkit/headless_platform.h"

SkinUI::WindowPlatform& SkinUI::NativePlatform() {
  static HeadlessPlatform platform;
  return platform;
}

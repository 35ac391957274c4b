// The 32-bit back buffer a window is painted into before one BitBlt to the screen.
#pragma once

#include <windows.h>

#include <memory>

#include "toolkit/skin_values.h"
#include "toolkit/win32_handles_win32.h"

namespace SkinUI {

class BackBuffer {
 public:
  // A top-down 32-bit bitmap of the size selected into a memory DC compatible with like;
  // null when either cannot be made.
  static std::unique_ptr<BackBuffer> Make(HDC like, Size size);
  ~BackBuffer();
  BackBuffer(const BackBuffer&) = delete;
  BackBuffer& operator=(const BackBuffer&) = delete;

  HDC Dc() const { return dc_.get(); }
  const Size& Dimensions() const { return size_; }

 private:
  BackBuffer() = default;
  UniqueMemoryDc dc_;
  UniqueBitmap bitmap_;
  HGDIOBJ previous_ = nullptr;  // the DC's own bitmap, selected back before the DC goes
  Size size_;
};

}  // namespace SkinUI

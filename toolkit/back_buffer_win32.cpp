// The back buffer: a DIB section in a memory DC.
#include "toolkit/back_buffer_win32.h"

namespace SkinUI {

std::unique_ptr<BackBuffer> BackBuffer::Make(HDC like, Size size) {
  if (size.cx <= 0 || size.cy <= 0) return nullptr;
  std::unique_ptr<BackBuffer> buffer(new BackBuffer());
  buffer->size_ = size;
  buffer->dc_.reset(CreateCompatibleDC(like));
  if (!buffer->dc_) return nullptr;
  BITMAPINFO info{};
  info.bmiHeader.biSize = sizeof(info.bmiHeader);
  info.bmiHeader.biWidth = size.cx;
  info.bmiHeader.biHeight = -size.cy;  // top-down
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 32;
  info.bmiHeader.biCompression = BI_RGB;
  void* bits = nullptr;
  buffer->bitmap_.reset(CreateDIBSection(like, &info, DIB_RGB_COLORS, &bits, nullptr, 0));
  if (!buffer->bitmap_) return nullptr;
  buffer->previous_ = SelectObject(buffer->dc_.get(), buffer->bitmap_.get());
  return buffer;
}

BackBuffer::~BackBuffer() {
  if (previous_ != nullptr) SelectObject(dc_.get(), previous_);
}

}  // namespace SkinUI

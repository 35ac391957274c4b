// GDI+ for the Win32 host: the process's one GDI+ session, images decoded from the skin
// archive's bytes, and fonts that always draw something.
#pragma once

// GDI+ needs IStream and the rest of windows.h, which WIN32_LEAN_AND_MEAN leaves out.
#include <windows.h>
#include <objidl.h>
#include <gdiplus.h>

#include <memory>
#include <span>

namespace SkinUI {

struct FontInfo;

// Starts GDI+ on first use; it stays up until the process ends. False when it cannot start.
bool EnsureGdiplus();

// Image file bytes (PNG, BMP, JPEG) decoded into a 32-bit bitmap that owns its pixels; null
// when they do not decode.
std::unique_ptr<Gdiplus::Bitmap> DecodeImage(std::span<const unsigned char> bytes);

// A GDI+ font with the family it was made from.
struct SkinFont {
  std::unique_ptr<Gdiplus::FontFamily> family;
  std::unique_ptr<Gdiplus::Font> font;
};

// The skin's font. GDI+ draws nothing at all with a face it cannot find, so an unknown face
// falls back to "Microsoft YaHei", then "SimSun", then the generic sans-serif family, then
// any face the system has; a style the face lacks (bold of a face without a bold) falls back
// to its regular style. No font only when the system has no usable face at all.
SkinFont MakeFont(const FontInfo& font);

}  // namespace SkinUI

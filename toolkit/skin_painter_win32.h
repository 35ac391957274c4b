// Paints a skinned window's control tree with GDI+: colours, images, state images and text,
// control by control in tree order. Images and fonts are kept for the window's life.
#pragma once

#include <map>
#include <memory>
#include <string>

#include "toolkit/gdiplus_win32.h"
#include "toolkit/skin_values.h"

namespace SkinUI {

class Control;
class SkinWindow;
struct FontInfo;

class SkinPainter {
 public:
  explicit SkinPainter(SkinWindow& window) : window_(window) {}

  // Paints the whole tree (window coordinates) into graphics.
  void Paint(Gdiplus::Graphics& graphics);
  // The width in pixels the text takes in the font, drawn as Paint draws one line.
  int MeasureTextWidth(Gdiplus::Graphics& graphics, const std::wstring& text, const FontInfo& font);
  // The font as drawn (after fallback).
  const SkinFont& FontFor(const FontInfo& font);

 private:
  void PaintControl(Gdiplus::Graphics& graphics, Control& control, const Rect& clip);
  void PaintStateImages(Gdiplus::Graphics& graphics, Control& control);
  void PaintProgress(Gdiplus::Graphics& graphics, Control& control);
  void PaintText(Gdiplus::Graphics& graphics, Control& control);
  void FillColour(Gdiplus::Graphics& graphics, std::uint32_t colour, const Rect& area);
  // Draws an image description (bare path or key='value' list) into the area; nothing when
  // it names no image of the skin.
  void DrawImage(Gdiplus::Graphics& graphics, const std::string& description, const Rect& area);
  // The decoded image of a skin file, or null; a file that does not decode is tried once.
  Gdiplus::Bitmap* Image(const std::wstring& file);

  SkinWindow& window_;
  std::map<std::wstring, std::unique_ptr<Gdiplus::Bitmap>> images_;
  std::map<std::wstring, SkinFont> fonts_;
};

}  // namespace SkinUI

// The pixels of a window's drop shadow, computed from the rows of the window's region: the
// region's shape grown by a soft-edged kernel, with the window's own area cut out. Pure
// functions, with no window system behind them; the layered shadow window pushes the result.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <vector>

namespace ui {

// The first and the last pixel of one row inside a region, both inclusive.
struct ShadowSpan {
  int start = 0;
  int end = 0;
};

// One span per row of a window, top row first; nullopt for a row with no pixel inside the
// region (so does a span whose start lies after its end).
using ShadowRows = std::vector<std::optional<ShadowSpan>>;

// How a computed shadow looks. The defaults are those of a shadow no skin has set up.
struct ShadowParams {
  int size = 0;            // how far the shadow reaches beyond the window, -20 to 20
  int sharpness = 5;       // width of the soft edge, 0 to 20
  int darkness = 150;      // alpha of the shadow's core, 0 to 255
  int xOffset = 5;         // displacement of the shadow from the window, -20 to 20
  int yOffset = 5;
  std::uint32_t colour = 0;  // low byte red, next green, next blue; the top byte is not used
};

// Whether every parameter lies within its range; a shadow with any outside is not drawn.
bool ShadowParamsInRange(const ShadowParams& params);

// A shadow's pixels: premultiplied 0xAARRGGBB values, row by row with the top row first (a
// bottom-up device-independent bitmap takes the rows in the opposite order). Its top-left
// pixel lies at the window's (xOffset - size, yOffset - size). An empty bitmap (0 by 0)
// means no shadow.
struct ShadowBitmap {
  int width = 0;
  int height = 0;
  std::vector<std::uint32_t> pixels;

  std::uint32_t At(int x, int y) const { return pixels[static_cast<std::size_t>(y) * width + x]; }
};

// The largest window side that gets a shadow (window sizes travel as 16-bit values).
inline constexpr int kMaxShadowParentSide = 32767;

// The shadow of a window parentWidth pixels wide and rows.size() rows high, whose region
// has the given row spans. The bitmap is (W + 2 size) by (H + 2 size); it is empty when
// either side would be 0 or less, when a parameter is out of range or the window is larger
// than kMaxShadowParentSide. Spans are taken as cut to the window's width. A window whose
// rows are all empty casts no shadow: every pixel is 0.
ShadowBitmap ComputeShadow(std::span<const std::optional<ShadowSpan>> rows, int parentWidth,
                           const ShadowParams& params);

// The row spans of the rounded-rectangle region the toolkit gives a width by height window
// with a corner ellipse of cornerWidth by cornerHeight (the skin's roundcorner), for when
// the region itself cannot be read. Nothing for a width or height of 0 or less.
ShadowRows RoundRectSpans(int width, int height, int cornerWidth, int cornerHeight);

}  // namespace ui

// Drawing one image description of a skin into a control's rectangle with GDI+.
#pragma once

#include "toolkit/gdiplus_win32.h"
#include "toolkit/skin_values.h"

namespace SkinUI {

// The part two rectangles share (empty when they do not meet).
Rect Intersect(const Rect& a, const Rect& b);

// Draws the image as the description says: into its dest (relative to the area's top-left
// corner, clipped to the area) or the whole area, from its source (clipped to the image; all
// zero: the whole image), with its corner insets unstretched, its mask colour transparent,
// its fade as opacity, and tiled along x and/or y when asked.
void DrawImageDescription(Gdiplus::Graphics& graphics, Gdiplus::Bitmap& image, const ImageDescription& description,
                          const Rect& area);

}  // namespace SkinUI

// Image descriptions drawn with GDI+: placement, nine-slice corners, tiling, mask and fade.
#include "toolkit/image_drawing_win32.h"

#include <algorithm>
#include <array>

namespace SkinUI {

Rect Intersect(const Rect& a, const Rect& b) {
  return {std::max(a.left, b.left), std::max(a.top, b.top), std::min(a.right, b.right), std::min(a.bottom, b.bottom)};
}

namespace {

Rect DestinationOf(const ImageDescription& d, const Rect& area) {
  if (!d.dest) return area;
  const Rect placed{area.left + d.dest->left, area.top + d.dest->top, area.left + d.dest->right,
                    area.top + d.dest->bottom};
  return Intersect(placed, area);
}

Rect SourceOf(const ImageDescription& d, Gdiplus::Bitmap& image) {
  const Rect whole{0, 0, static_cast<int>(image.GetWidth()), static_cast<int>(image.GetHeight())};
  if (d.source == Rect{}) return whole;
  return Intersect(d.source, whole);
}

// Mask colour and fade; edges are sampled as mirrored so that stretched parts do not fade
// out at their borders.
void PrepareAttributes(Gdiplus::ImageAttributes& attributes, const ImageDescription& d) {
  attributes.SetWrapMode(Gdiplus::WrapModeTileFlipXY);
  if (d.mask) {
    const Gdiplus::Color key(*d.mask | 0xFF000000u);
    attributes.SetColorKey(key, key);
  }
  if (d.fade < 255) {
    Gdiplus::ColorMatrix matrix{};
    for (int i = 0; i < 5; ++i) matrix.m[i][i] = 1.0f;
    matrix.m[3][3] = static_cast<float>(std::clamp(d.fade, 0, 255)) / 255.0f;
    attributes.SetColorMatrix(&matrix);
  }
}

void DrawPart(Gdiplus::Graphics& g, Gdiplus::Bitmap& image, const Rect& to, const Rect& from,
              Gdiplus::ImageAttributes& attributes) {
  if (to.Empty() || from.Empty()) return;
  const Gdiplus::Rect target(to.left, to.top, to.Width(), to.Height());
  g.DrawImage(&image, target, from.left, from.top, from.Width(), from.Height(), Gdiplus::UnitPixel, &attributes);
}

// Splits a span into its start inset, middle and end inset; insets larger than the span
// share it.
std::array<int, 4> Cuts(int begin, int end, int startInset, int endInset) {
  const int length = end - begin;
  startInset = std::clamp(startInset, 0, length);
  endInset = std::clamp(endInset, 0, length - startInset);
  return {begin, begin + startInset, end - endInset, end};
}

void DrawNineSlice(Gdiplus::Graphics& g, Gdiplus::Bitmap& image, const Rect& to, const Rect& from, const Rect& corner,
                   Gdiplus::ImageAttributes& attributes) {
  // Insets are limited by the smaller of the image part and the destination.
  const int left = std::min({corner.left, from.Width(), to.Width()});
  const int right = std::min({corner.right, from.Width() - left, to.Width() - left});
  const int top = std::min({corner.top, from.Height(), to.Height()});
  const int bottom = std::min({corner.bottom, from.Height() - top, to.Height() - top});
  const auto toX = Cuts(to.left, to.right, left, right), fromX = Cuts(from.left, from.right, left, right);
  const auto toY = Cuts(to.top, to.bottom, top, bottom), fromY = Cuts(from.top, from.bottom, top, bottom);
  for (int row = 0; row < 3; ++row) {
    for (int column = 0; column < 3; ++column) {
      DrawPart(g, image, {toX[column], toY[row], toX[column + 1], toY[row + 1]},
               {fromX[column], fromY[row], fromX[column + 1], fromY[row + 1]}, attributes);
    }
  }
}

// Repeats the image part at its own size along the tiled directions, stretched along the
// others; the last tile is cut where the destination ends.
void DrawTiled(Gdiplus::Graphics& g, Gdiplus::Bitmap& image, const Rect& to, const Rect& from, bool xTiled,
               bool yTiled, Gdiplus::ImageAttributes& attributes) {
  const int stepX = xTiled ? from.Width() : to.Width();
  const int stepY = yTiled ? from.Height() : to.Height();
  for (int y = to.top; y < to.bottom; y += stepY) {
    for (int x = to.left; x < to.right; x += stepX) {
      const int width = std::min(stepX, to.right - x), height = std::min(stepY, to.bottom - y);
      const Rect source{from.left, from.top, xTiled ? from.left + width : from.right,
                        yTiled ? from.top + height : from.bottom};
      DrawPart(g, image, {x, y, x + width, y + height}, source, attributes);
    }
  }
}

}  // namespace

void DrawImageDescription(Gdiplus::Graphics& graphics, Gdiplus::Bitmap& image, const ImageDescription& description,
                          const Rect& area) {
  const Rect to = DestinationOf(description, area);
  const Rect from = SourceOf(description, image);
  if (to.Empty() || from.Empty()) return;
  Gdiplus::ImageAttributes attributes;
  PrepareAttributes(attributes, description);
  if (description.xtiled || description.ytiled) {
    DrawTiled(graphics, image, to, from, description.xtiled, description.ytiled, attributes);
  } else if (description.corner != Rect{}) {
    DrawNineSlice(graphics, image, to, from, description.corner, attributes);
  } else {
    DrawPart(graphics, image, to, from, attributes);
  }
}

}  // namespace SkinUI

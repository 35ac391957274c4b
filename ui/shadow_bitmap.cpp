// The drop shadow's pixels: the window's row spans are eroded to leave room for the soft
// edge, grown again by stamping a round kernel along the shape's outline, filled inside with
// the core colour, and the window's own pixels are cut out.
#include "ui/shadow_bitmap.h"

#include <algorithm>
#include <cmath>
#include <cstddef>

namespace ui {
namespace {

using Span = std::optional<ShadowSpan>;

// A premultiplied pixel of the colour at the given alpha.
std::uint32_t Premultiplied(std::uint32_t colour, int alpha) {
  const auto channel = [&](int shift) { return ((colour >> shift) & 0xFFu) * static_cast<std::uint32_t>(alpha) / 255u; };
  return static_cast<std::uint32_t>(alpha) << 24 | channel(0) << 16 | channel(8) << 8 | channel(16);
}

// The kernel's alpha at (dx, dy) from its centre. The distance is the Euclidean one from the
// centre; the comparisons with the radii are made on squares, so they are exact. The soft
// edge falls linearly from darkness at the core radius, and the division comes last so
// that a whole-number result (every distance along a row or a column) is not lost to
// rounding before it is truncated.
int KernelAlpha(int dx, int dy, int radius, int core, const ShadowParams& params) {
  const int squared = dx * dx + dy * dy;
  if (squared < core * core) return params.darkness;
  if (squared > radius * radius) return 0;
  const double distance = std::sqrt(static_cast<double>(squared));
  const int steps = params.sharpness + 1;
  return static_cast<int>(params.darkness * (steps + core - distance) / steps);
}

// The kernel as premultiplied pixels, a square of 2 radius + 1 sides.
class Kernel {
 public:
  explicit Kernel(const ShadowParams& params)
      : radius_(std::max(params.size, params.sharpness)), side_(2 * radius_ + 1) {
    const int core = std::max(params.size - params.sharpness, 0);
    pixels_.reserve(static_cast<std::size_t>(side_) * side_);
    for (int dy = -radius_; dy <= radius_; ++dy)
      for (int dx = -radius_; dx <= radius_; ++dx)
        pixels_.push_back(Premultiplied(params.colour, KernelAlpha(dx, dy, radius_, core, params)));
  }

  int Radius() const { return radius_; }
  std::uint32_t At(int dx, int dy) const {
    return pixels_[static_cast<std::size_t>(dy + radius_) * side_ + (dx + radius_)];
  }

 private:
  int radius_;
  int side_;
  std::vector<std::uint32_t> pixels_;
};

// A bitmap whose writes outside it are dropped.
class Canvas {
 public:
  explicit Canvas(ShadowBitmap& bitmap) : bitmap_(bitmap) {}

  // Keeps, per pixel, the larger of what is there and the kernel centred at (x, y); whole
  // 32-bit values are compared, so the higher alpha wins.
  void Stamp(const Kernel& kernel, int x, int y) {
    const int r = kernel.Radius();
    const int top = std::max(y - r, 0), bottom = std::min(y + r, bitmap_.height - 1);
    const int left = std::max(x - r, 0), right = std::min(x + r, bitmap_.width - 1);
    for (int py = top; py <= bottom; ++py)
      for (int px = left; px <= right; ++px) {
        std::uint32_t& pixel = Pixel(px, py);
        pixel = std::max(pixel, kernel.At(px - x, py - y));
      }
  }

  // Sets pixels first to last of row y.
  void Fill(int y, int first, int last, std::uint32_t value) {
    if (y < 0 || y >= bitmap_.height) return;
    first = std::max(first, 0);
    last = std::min(last, bitmap_.width - 1);
    for (int x = first; x <= last; ++x) Pixel(x, y) = value;
  }

 private:
  std::uint32_t& Pixel(int x, int y) { return bitmap_.pixels[static_cast<std::size_t>(y) * bitmap_.width + x]; }

  ShadowBitmap& bitmap_;
};

// The window's spans cut to its width: a span beyond it, or one that starts after it ends,
// is an empty row.
std::vector<Span> ParentSpans(std::span<const Span> rows, int width) {
  std::vector<Span> spans(rows.size());
  for (std::size_t y = 0; y < rows.size(); ++y) {
    if (!rows[y]) continue;
    const int start = std::max(rows[y]->start, 0), end = std::min(rows[y]->end, width - 1);
    if (start <= end) spans[y] = ShadowSpan{start, end};
  }
  return spans;
}

// The shape in shadow coordinates: the window's spans moved by size to the right and down,
// held from shadow row min(size, 0) on. Spans and rows are kept where they fall, even
// outside the bitmap: with a negative size the bitmap is smaller than the window, and the
// window's rows and columns beyond it still shape what erosion leaves inside. Rows beyond
// the held ones are empty.
class Shape {
 public:
  Shape(const std::vector<Span>& parent, int size) : first_(std::min(size, 0)) {
    const int pad = std::max(size, 0);
    rows_.resize(parent.size() + 2 * static_cast<std::size_t>(pad));
    for (std::size_t y = 0; y < parent.size(); ++y)
      if (parent[y]) rows_[y + pad] = ShadowSpan{parent[y]->start + size, parent[y]->end + size};
  }

  const Span& Row(int shadowRow) const {
    static const Span empty;
    const long index = static_cast<long>(shadowRow) - first_;
    return index >= 0 && index < static_cast<long>(rows_.size()) ? rows_[index] : empty;
  }

  // One erosion by a 3 by 3 square: a pixel stays when it and its eight neighbours are
  // inside, so a row next to an empty one empties.
  void Erode() {
    std::vector<Span> eroded(rows_.size());
    for (std::size_t i = 1; i + 1 < rows_.size(); ++i) {
      const Span &above = rows_[i - 1], &row = rows_[i], &below = rows_[i + 1];
      if (!above || !row || !below) continue;
      const int start = std::max({above->start, row->start, below->start}) + 1;
      const int end = std::min({above->end, row->end, below->end}) - 1;
      if (start <= end) eroded[i] = ShadowSpan{start, end};
    }
    rows_ = std::move(eroded);
  }

 private:
  int first_;
  std::vector<Span> rows_;
};

// Stamps the kernel along the outline of the shape's rows top to bottom (inclusive): on a
// row's left part, from its start to one past the later of its neighbours' starts, and on
// its right part, from one before the earlier of their ends to its end. The pixels between
// have the shape all round them: the nearest pixel of the shape to any pixel outside it lies
// on the outline, and the kernel fades with distance, so their kernels would add nothing
// that the fill does not cover. Next to an empty row the whole row is outline.
void Dilate(const Shape& shape, int top, int bottom, const Kernel& kernel, Canvas& canvas) {
  for (int y = top; y <= bottom; ++y) {
    const Span &row = shape.Row(y), &above = shape.Row(y - 1), &below = shape.Row(y + 1);
    if (!row) continue;
    const bool enclosed = above && below;
    const int leftLast = enclosed ? std::min(std::max(above->start, below->start) + 1, row->end) : row->end;
    const int rightFirst = enclosed ? std::max(std::min(above->end, below->end) - 1, leftLast + 1) : leftLast + 1;
    for (int x = row->start; x <= leftLast; ++x) canvas.Stamp(kernel, x, y);
    for (int x = rightFirst; x <= row->end; ++x) canvas.Stamp(kernel, x, y);
  }
}

}  // namespace

bool ShadowParamsInRange(const ShadowParams& params) {
  const auto within = [](int value, int low, int high) { return value >= low && value <= high; };
  return within(params.size, -20, 20) && within(params.sharpness, 0, 20) && within(params.darkness, 0, 255) &&
         within(params.xOffset, -20, 20) && within(params.yOffset, -20, 20);
}

ShadowBitmap ComputeShadow(std::span<const std::optional<ShadowSpan>> rows, int parentWidth,
                           const ShadowParams& params) {
  if (!ShadowParamsInRange(params) || parentWidth < 0 || parentWidth > kMaxShadowParentSide ||
      rows.size() > static_cast<std::size_t>(kMaxShadowParentSide))
    return {};
  const int size = params.size;
  const int parentHeight = static_cast<int>(rows.size());
  ShadowBitmap bitmap;
  bitmap.width = parentWidth + 2 * size;
  bitmap.height = parentHeight + 2 * size;
  if (bitmap.width <= 0 || bitmap.height <= 0) return {};
  bitmap.pixels.assign(static_cast<std::size_t>(bitmap.width) * bitmap.height, 0);

  const std::vector<Span> parent = ParentSpans(rows, parentWidth);
  Shape shape(parent, size);
  for (int i = 0; i < params.sharpness - size; ++i) shape.Erode();

  const Kernel kernel(params);
  const int radius = kernel.Radius();
  Canvas canvas(bitmap);
  Dilate(shape, radius, bitmap.height - radius - 1, kernel, canvas);

  // The rows that hold the shape or lie under the window. Each is filled with the core over
  // the shape's span, then cleared under the window's own span in that row wherever the two
  // lie, so that no shadow shows under the window, and the shadow does show where a rounded
  // region leaves the window's corners out. The window's pixel (x, y) lies at
  // (x + size - xOffset, y + size - yOffset).
  const std::uint32_t core = Premultiplied(params.colour, params.darkness);
  const int first = std::max(std::min(radius, std::max(size - params.yOffset, 0)), 0);
  const int end = std::min(std::max(bitmap.height - radius, std::min(parentHeight + size - params.yOffset, bitmap.height)),
                           bitmap.height);
  for (int y = first; y < end; ++y) {
    if (const Span& row = shape.Row(y)) canvas.Fill(y, row->start, row->end, core);
    const int parentRow = y - size + params.yOffset;
    if (parentRow < 0 || parentRow >= parentHeight || !parent[parentRow]) continue;
    const int shift = size - params.xOffset;
    canvas.Fill(y, parent[parentRow]->start + shift, parent[parentRow]->end + shift, 0);
  }
  return bitmap;
}

ShadowRows RoundRectSpans(int width, int height, int cornerWidth, int cornerHeight) {
  if (width <= 0 || height <= 0) return {};
  ShadowRows rows(static_cast<std::size_t>(height));
  // The toolkit makes the region of a rectangle one pixel wider and higher than the window
  // with the system's right and bottom edges left out, so the corner ellipse here is one
  // pixel larger than the skin's corner, cut to the window. A pixel is inside when its
  // centre is. This follows the system's region to within a pixel per row at the corners;
  // a corner of 1 or less in either direction leaves the rectangle, as the system does, and
  // the installer's 2 by 2 corner leaves it too.
  const bool rounded = cornerWidth > 1 && cornerHeight > 1;
  const double a = (std::min(cornerWidth, width) + 1) / 2.0;
  const double b = (std::min(cornerHeight, height) + 1) / 2.0;
  for (int y = 0; y < height; ++y) {
    const double above = b - (std::min(y, height - 1 - y) + 0.5);  // the pixel centre's height above the ellipse's centre
    int inset = 0;
    if (rounded && above > 0) {
      const double halfWidth = a * std::sqrt(std::max(0.0, 1.0 - (above / b) * (above / b)));
      inset = std::max(0, static_cast<int>(std::ceil(a - halfWidth - 0.5)));
    }
    if (inset <= width - 1 - inset) rows[y] = ShadowSpan{inset, width - 1 - inset};
  }
  return rows;
}

}  // namespace ui

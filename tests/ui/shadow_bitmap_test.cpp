// The drop shadow's pixels: small windows whose shadows are worked out by hand, the soft
// edge's alpha at chosen distances, the installer's own shadow on its 600 by 400 window, the
// rounded window region, and inputs that must give no shadow without reading or writing
// outside the bitmap.
#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <cstdint>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "ui/shadow_bitmap.h"

namespace {

using namespace ui;

// A width by height window whose region is the whole rectangle.
ShadowRows Rect(int width, int height) { return ShadowRows(height, ShadowSpan{0, width - 1}); }

std::uint32_t AlphaOf(std::uint32_t pixel) { return pixel >> 24; }

// A black shadow drawn as text, a line per row: '.' transparent, 'o' alpha 50, '#' alpha 100,
// '?' anything else.
std::vector<std::string> Picture(const ShadowBitmap& bitmap) {
  std::vector<std::string> lines;
  for (int y = 0; y < bitmap.height; ++y) {
    std::string line;
    for (int x = 0; x < bitmap.width; ++x) {
      const std::uint32_t pixel = bitmap.At(x, y);
      line += pixel == 0 ? '.' : pixel == 0x32000000u ? 'o' : pixel == 0x64000000u ? '#' : '?';
    }
    lines.push_back(line);
  }
  return lines;
}

// Every pixel is a premultiplied value of the shadow's colour no darker than its core.
void ExpectPremultipliedWithin(const ShadowBitmap& bitmap, int darkness) {
  ASSERT_EQ(bitmap.pixels.size(), static_cast<std::size_t>(bitmap.width) * bitmap.height);
  for (const std::uint32_t pixel : bitmap.pixels) {
    const std::uint32_t alpha = AlphaOf(pixel);
    EXPECT_LE(alpha, static_cast<std::uint32_t>(darkness));
    for (int shift : {0, 8, 16}) EXPECT_LE((pixel >> shift) & 0xFF, alpha) << std::hex << pixel;
  }
}

// With size 1, sharpness 1 and darkness 100 the kernel has radius 1 and no core radius: the
// centre gets 100, a pixel at distance 1 gets (1 - 1/2) x 100 = 50, a diagonal one (distance
// 1.41) nothing. So a shadow is the window's shape at 100 with a rim of 50 along its sides,
// shifted by the offsets and cut out under the window. An offset of -20 puts the window
// outside the bitmap, so nothing is cut.
TEST(ShadowBitmap, SmallWindowsCastTheirHandDrawnShadows) {
  const ShadowParams one{.size = 1, .sharpness = 1, .darkness = 100};
  const auto at = [](ShadowParams params, int x, int y) {
    params.xOffset = x;
    params.yOffset = y;
    return params;
  };
  const struct {
    const char* name;
    ShadowRows rows;
    int width;
    ShadowParams params;
    std::vector<std::string> picture;
  } cases[] = {
      // A 4 by 4 window in a 6 by 6 bitmap: its shape covers columns and rows 1-4.
      {"4x4, window elsewhere", Rect(4, 4), 4, at(one, -20, -20),
       {".oooo.", "o####o", "o####o", "o####o", "o####o", ".oooo."}},
      // Inside a larger shape the kernel is stamped only along the outline; the fill gives
      // the inside its full darkness.
      {"6x6, window elsewhere", Rect(6, 6), 6, at(one, -20, -20),
       {".oooooo.", "o######o", "o######o", "o######o", "o######o", "o######o", "o######o", ".oooooo."}},
      {"4x4, no offset: only the rim shows", Rect(4, 4), 4, at(one, 0, 0),
       {".oooo.", "o....o", "o....o", "o....o", "o....o", ".oooo."}},
      // The window covers columns and rows 0-3: the shadow shows right of and below it.
      {"4x4, offset 1,1", Rect(4, 4), 4, at(one, 1, 1),
       {"....o.", "....#o", "....#o", "....#o", "o####o", ".oooo."}},
      {"4x4, offset -1,-1", Rect(4, 4), 4, at(one, -1, -1),
       {".oooo.", "o####o", "o#....", "o#....", "o#....", ".o...."}},
      // Size 0 and sharpness 0: a hard-edged copy of the window shifted down and right.
      {"3x2, hard edge", Rect(3, 2), 3, {.size = 0, .sharpness = 0, .darkness = 100, .xOffset = 1, .yOffset = 1},
       {"..#", "###"}},
      // Sharpness 1 above size 0 erodes the 4 by 4 shape once to rows and columns 1-2 before
      // the kernel grows it back.
      {"4x4, eroded once", Rect(4, 4), 4, {.size = 0, .sharpness = 1, .darkness = 100, .xOffset = -20, .yOffset = -20},
       {".oo.", "o##o", "o##o", ".oo."}},
      // Size -2: the 8 by 8 window gives a 4 by 4 bitmap; its shape starts at -2, and three
      // erosions leave rows and columns 1-2, as above.
      {"8x8, size -2", Rect(8, 8), 8, {.size = -2, .sharpness = 1, .darkness = 100, .xOffset = -20, .yOffset = -20},
       {".oo.", "o##o", "o##o", ".oo."}},
      // Size -1, sharpness 0: one erosion of the shape at -1..2 leaves 0..1, the whole bitmap.
      {"4x4, size -1", Rect(4, 4), 4, {.size = -1, .sharpness = 0, .darkness = 100, .xOffset = -20, .yOffset = -20},
       {"##", "##"}},
      // A row wider than the rows around it: its whole length is outline, so the pixels above
      // and below its middle get the rim too, not only those next to its ends.
      {"cross", {ShadowSpan{3, 3}, ShadowSpan{0, 6}, ShadowSpan{3, 3}}, 7, at(one, -20, -20),
       {"....o....", ".ooo#ooo.", "o#######o", ".ooo#ooo.", "....o...."}},
      // A 10 by 8 window with corner 4,4 leaves out one pixel at each corner of its region.
      // The cut follows the region, so the shadow shows in those corners.
      {"rounded 10x8", RoundRectSpans(10, 8, 4, 4), 10, at(one, 0, 0),
       {"..oooooooo..", ".o........o.", "o..........o", "o..........o", "o..........o", "o..........o",
        "o..........o", "o..........o", ".o........o.", "..oooooooo.."}},
  };
  for (const auto& c : cases) {
    const ShadowBitmap bitmap = ComputeShadow(c.rows, c.width, c.params);
    EXPECT_EQ(Picture(bitmap), c.picture) << c.name;
  }
}

// The kernel's alpha at (dx, dy) from the shape's single pixel: a window that erodes to one
// pixel (a square of side 2 (sharpness - size) + 1, or one pixel), placed out of the way by
// offsets of -20 (with size 20 the window covers only the far corner pixel).
TEST(ShadowBitmap, TheSoftEdgeFadesWithDistance) {
  const struct {
    int size, sharpness, darkness, dx, dy;
    std::uint32_t alpha;
  } cases[] = {
      // Radius 3, no core: 200 x (1 - d/4).
      {3, 3, 200, 0, 0, 200}, {3, 3, 200, 1, 0, 150}, {3, 3, 200, 0, 2, 100}, {3, 3, 200, -3, 0, 50},
      {3, 3, 200, 1, 1, 129},   // d = 1.414: 200 x 0.646 = 129.3
      {3, 3, 200, 2, 1, 88},    // d = 2.236: 200 x 0.441 = 88.2
      {3, 3, 200, -2, 2, 58},   // d = 2.828: 200 x 0.293 = 58.6
      {3, 3, 200, 3, 1, 0},     // d = 3.162, beyond the radius
      // Radius 5, core radius 3: full darkness inside 3, then 255 x (1 - (d - 3)/3).
      {5, 2, 255, 2, 2, 255},   // d = 2.828
      {5, 2, 255, 0, 3, 255}, {5, 2, 255, 4, 0, 170}, {5, 2, 255, 0, -5, 85},
      {5, 2, 255, 3, 4, 85},    // d = 5
      {5, 2, 255, 2, 3, 203},   // d = 3.606: 255 x 0.798 = 203.5
      {5, 2, 255, 4, 4, 0},     // d = 5.657
      // Sharpness 4 over size 1: a 7 by 7 window eroded three times; radius 4, 100 x (1 - d/5).
      {1, 4, 100, 0, 0, 100}, {1, 4, 100, 1, 0, 80}, {1, 4, 100, 0, -2, 60}, {1, 4, 100, 3, 0, 40},
      {1, 4, 100, -4, 0, 20},
      {1, 4, 100, 1, 1, 71},    // d = 1.414: 100 x 0.717 = 71.7
      {1, 4, 100, 2, -3, 27},   // d = 3.606: 100 x 0.279 = 27.9
      {1, 4, 100, 3, 3, 0},     // d = 4.243
      // No soft edge at all: one pixel.
      {0, 0, 77, 0, 0, 77},
      // The largest kernel: radius 20, 255 x (1 - d/21).
      {20, 20, 255, 0, 0, 255}, {20, 20, 255, 10, 0, 133}, {20, 20, 255, 20, 0, 12},
      {20, 20, 255, 12, -16, 12},  // d = 20
      {20, 20, 255, 14, 15, 0},    // d = 20.52
  };
  for (const auto& c : cases) {
    const int erosions = std::max(c.sharpness - c.size, 0);
    const int side = 2 * erosions + 1;
    const ShadowParams params{.size = c.size, .sharpness = c.sharpness, .darkness = c.darkness,
                              .xOffset = -20, .yOffset = -20};
    const ShadowBitmap bitmap = ComputeShadow(Rect(side, side), side, params);
    const int centre = c.size + erosions;
    ASSERT_EQ(bitmap.width, side + 2 * c.size);
    EXPECT_EQ(AlphaOf(bitmap.At(centre + c.dx, centre + c.dy)), c.alpha)
        << "size " << c.size << " sharpness " << c.sharpness << " at " << c.dx << "," << c.dy;
  }
}

TEST(ShadowBitmap, ChannelsAreTheColourTimesTheAlpha) {
  // Red 0x40, green 0x80, blue 0xFF; the top byte is not used. Core alpha 100: red
  // 64 x 100/255 = 25.1, green 128 x 100/255 = 50.2, blue 100. Rim alpha 50: red 12.5,
  // green 25.1, blue 50.
  const ShadowParams params{.size = 1, .sharpness = 1, .darkness = 100, .xOffset = -20, .yOffset = -20,
                            .colour = 0xFFFF8040};
  const ShadowBitmap bitmap = ComputeShadow(Rect(1, 1), 1, params);
  ASSERT_EQ(bitmap.width, 3);
  ASSERT_EQ(bitmap.height, 3);
  EXPECT_EQ(bitmap.At(1, 1), 0x64193264u);
  EXPECT_EQ(bitmap.At(0, 1), 0x320C1932u);
  EXPECT_EQ(bitmap.At(1, 2), 0x320C1932u);
  EXPECT_EQ(bitmap.At(0, 0), 0u);
}

// The installer's setting: size 6, sharpness 10, darkness 20, offsets 1,1, colour red 0x76,
// green 0x3B, on its 600 by 400 window with corner 2,2 (which leaves the rectangle). The
// bitmap is 612 by 412; the window covers columns 5-604 and rows 5-404. The shape (columns
// and rows 6-605 and 6-405) is eroded four times to 10-601 and 10-401, then grown by a kernel
// of radius 10 and alpha 20 x (1 - d/11): d = 4..10 give 12, 10, 9, 7, 5, 3, 1. So the
// shadow shows 5 pixels left of and above the window and 7 right of and below it.
TEST(ShadowBitmap, TheInstallersShadowReachesAboutSixPixelsOutAndFades) {
  const ShadowParams params{.size = 6, .sharpness = 10, .darkness = 20, .xOffset = 1, .yOffset = 1,
                            .colour = 0x26003B76};
  const ShadowBitmap bitmap = ComputeShadow(RoundRectSpans(600, 400, 2, 2), 600, params);
  ASSERT_EQ(bitmap.width, 612);
  ASSERT_EQ(bitmap.height, 412);
  ExpectPremultipliedWithin(bitmap, 20);

  const std::vector<std::uint32_t> before = {1, 3, 5, 7, 9};        // at d = 10..6
  const std::vector<std::uint32_t> after = {12, 10, 9, 7, 5, 3, 1};  // at d = 4..10
  const int row = 206, column = 306;                                 // the middles of the sides
  for (int i = 0; i < 5; ++i) {
    EXPECT_EQ(AlphaOf(bitmap.At(i, row)), before[i]) << "left, column " << i;
    EXPECT_EQ(AlphaOf(bitmap.At(column, i)), before[i]) << "top, row " << i;
  }
  for (int i = 0; i < 7; ++i) {
    EXPECT_EQ(AlphaOf(bitmap.At(605 + i, row)), after[i]) << "right, column " << 605 + i;
    EXPECT_EQ(AlphaOf(bitmap.At(column, 405 + i)), after[i]) << "bottom, row " << 405 + i;
  }
  // Alpha 9: red 118 x 9/255 = 4.2, green 59 x 9/255 = 2.1; alpha 12: red 5.6, green 2.8.
  EXPECT_EQ(bitmap.At(4, row), 0x09040200u);
  EXPECT_EQ(bitmap.At(605, row), 0x0C050200u);
  // The corners are further than 10 from the shape.
  EXPECT_EQ(bitmap.At(0, 0), 0u);
  EXPECT_EQ(bitmap.At(611, 411), 0u);

  // Nothing under the window.
  for (int y = 5; y <= 404; ++y)
    for (int x = 5; x <= 604; ++x)
      if (bitmap.At(x, y) != 0) ADD_FAILURE() << "shadow under the window at " << x << "," << y;

  // Outward from the window's edge, along every row and column of the middle of a side, the
  // alpha never rises.
  for (int y = 20; y < 392; ++y) {
    for (int x = 4; x > 0; --x) EXPECT_LE(AlphaOf(bitmap.At(x - 1, y)), AlphaOf(bitmap.At(x, y))) << x << "," << y;
    for (int x = 605; x < 611; ++x) EXPECT_GE(AlphaOf(bitmap.At(x, y)), AlphaOf(bitmap.At(x + 1, y))) << x << "," << y;
  }
  for (int x = 20; x < 592; ++x) {
    for (int y = 4; y > 0; --y) EXPECT_LE(AlphaOf(bitmap.At(x, y - 1)), AlphaOf(bitmap.At(x, y))) << x << "," << y;
    for (int y = 405; y < 411; ++y) EXPECT_GE(AlphaOf(bitmap.At(x, y)), AlphaOf(bitmap.At(x, y + 1))) << x << "," << y;
  }
}

TEST(ShadowBitmap, AWindowWithoutARegionCastsNoShadow) {
  const ShadowParams params{.size = 6, .sharpness = 10, .darkness = 20, .xOffset = 1, .yOffset = 1,
                            .colour = 0x26003B76};
  const struct {
    const char* name;
    ShadowRows rows;
    int width;
  } cases[] = {
      {"no region", ShadowRows(400), 600},
      {"spans that end before they start", ShadowRows(400, ShadowSpan{300, 299}), 600},
      {"spans beyond the window", ShadowRows(400, ShadowSpan{600, 700}), 600},
      {"a window 0 wide", Rect(1, 400), 0},
      {"no rows", {}, 600},
  };
  for (const auto& c : cases) {
    const ShadowBitmap bitmap = ComputeShadow(c.rows, c.width, params);
    EXPECT_EQ(bitmap.width, c.width + 12) << c.name;
    EXPECT_EQ(bitmap.height, static_cast<int>(c.rows.size()) + 12) << c.name;
    ASSERT_EQ(bitmap.pixels.size(), static_cast<std::size_t>(bitmap.width) * bitmap.height) << c.name;
    EXPECT_TRUE(std::all_of(bitmap.pixels.begin(), bitmap.pixels.end(), [](std::uint32_t p) { return p == 0; }))
        << c.name;
  }
}

TEST(ShadowBitmap, OutOfRangeParametersAndNoRoomGiveNoBitmap) {
  const ShadowParams good{.size = 6, .sharpness = 10, .darkness = 20, .xOffset = 1, .yOffset = 1};
  const auto with = [&](auto change) {
    ShadowParams params = good;
    change(params);
    return params;
  };
  const struct {
    const char* name;
    ShadowParams params;
    int width, height;
  } cases[] = {
      {"size 21", with([](ShadowParams& p) { p.size = 21; }), 50, 50},
      {"size -21", with([](ShadowParams& p) { p.size = -21; }), 50, 50},
      {"size INT_MIN", with([](ShadowParams& p) { p.size = INT_MIN; }), 50, 50},
      {"sharpness -1", with([](ShadowParams& p) { p.sharpness = -1; }), 50, 50},
      {"sharpness 21", with([](ShadowParams& p) { p.sharpness = 21; }), 50, 50},
      {"darkness -1", with([](ShadowParams& p) { p.darkness = -1; }), 50, 50},
      {"darkness 256", with([](ShadowParams& p) { p.darkness = 256; }), 50, 50},
      {"x offset 21", with([](ShadowParams& p) { p.xOffset = 21; }), 50, 50},
      {"x offset INT_MAX", with([](ShadowParams& p) { p.xOffset = INT_MAX; }), 50, 50},
      {"y offset -21", with([](ShadowParams& p) { p.yOffset = -21; }), 50, 50},
      {"y offset INT_MIN", with([](ShadowParams& p) { p.yOffset = INT_MIN; }), 50, 50},
      // Size -20 takes 40 pixels off each side; -5 on a 10 by 10 window leaves width 0.
      {"size -20 on 30x30", with([](ShadowParams& p) { p.size = -20; }), 30, 30},
      {"size -5 on 10x20", with([](ShadowParams& p) { p.size = -5; }), 10, 20},
      {"size -5 on 20x10", with([](ShadowParams& p) { p.size = -5; }), 20, 10},
      {"size 0 on 0 wide", with([](ShadowParams& p) { p.size = 0; }), 0, 10},
      {"negative width", good, -5, 10},
      {"wider than any window", good, kMaxShadowParentSide + 1, 2},
  };
  for (const auto& c : cases) {
    const ShadowBitmap bitmap = ComputeShadow(Rect(std::max(c.width, 0), c.height), c.width, c.params);
    EXPECT_EQ(bitmap.width, 0) << c.name;
    EXPECT_EQ(bitmap.height, 0) << c.name;
    EXPECT_TRUE(bitmap.pixels.empty()) << c.name;
  }
  EXPECT_TRUE(ShadowParamsInRange(good));
  EXPECT_TRUE(ShadowParamsInRange({.size = -20, .sharpness = 20, .darkness = 255, .xOffset = 20, .yOffset = -20}));
  EXPECT_FALSE(ShadowParamsInRange(cases[0].params));
}

// The extremes of every range on windows far smaller than the kernel: the bitmap has its
// size, holds only premultiplied values and nothing under the window; the sanitizer build
// checks that no write lands outside it.
TEST(ShadowBitmap, ExtremeSettingsOnTinyWindowsStayInsideTheBitmap) {
  const std::vector<ShadowRows> windows = {
      Rect(1, 1), Rect(2, 3), Rect(3, 1), RoundRectSpans(5, 5, 20, 20),
      {ShadowSpan{-100, 100}, std::nullopt, ShadowSpan{2, 1}, ShadowSpan{0, 0}},
  };
  for (const int size : {-20, -1, 0, 1, 20})
    for (const int sharpness : {0, 1, 20})
      for (const int offset : {-20, 0, 20}) {
        const ShadowParams params{.size = size, .sharpness = sharpness, .darkness = 255, .xOffset = offset,
                                  .yOffset = -offset, .colour = 0xFFFFFFFF};
        for (const ShadowRows& rows : windows) {
          const int width = 5;
          const ShadowBitmap bitmap = ComputeShadow(rows, width, params);
          const int height = static_cast<int>(rows.size());
          const bool room = width + 2 * size > 0 && height + 2 * size > 0;
          ASSERT_EQ(bitmap.width, room ? width + 2 * size : 0);
          ASSERT_EQ(bitmap.height, room ? height + 2 * size : 0);
          ExpectPremultipliedWithin(bitmap, 255);
          // The window's pixel (x, y) lies at (x + size - xOffset, y + size - yOffset).
          for (int y = 0; y < height; ++y) {
            if (!rows[y]) continue;
            for (int x = std::max(rows[y]->start, 0); x <= std::min(rows[y]->end, width - 1); ++x) {
              const int bx = x + size - offset, by = y + size + offset;
              if (bx >= 0 && bx < bitmap.width && by >= 0 && by < bitmap.height)
                EXPECT_EQ(bitmap.At(bx, by), 0u) << "size " << size << " sharpness " << sharpness << " offset " << offset;
            }
          }
        }
      }
}

TEST(ShadowBitmap, SpansAreCutToTheWindow) {
  const ShadowParams params{.size = 3, .sharpness = 2, .darkness = 90, .xOffset = 2, .yOffset = -1};
  const ShadowBitmap fitting = ComputeShadow(Rect(6, 5), 6, params);
  const ShadowBitmap overlong = ComputeShadow(ShadowRows(5, ShadowSpan{-50, 50}), 6, params);
  ASSERT_EQ(fitting.width, 12);
  EXPECT_TRUE(std::any_of(fitting.pixels.begin(), fitting.pixels.end(), [](std::uint32_t p) { return p != 0; }));
  EXPECT_EQ(overlong.pixels, fitting.pixels);
}

// The rows of CreateRoundRectRgn(0, 0, width + 1, height + 1, corner...), as the system makes
// the toolkit's window region.
TEST(RoundRectSpans, FollowTheSystemsRoundedRegion) {
  const auto full = [](int width) { return ShadowSpan{0, width - 1}; };
  const struct {
    int width, height, cornerWidth, cornerHeight;
    std::vector<std::pair<int, int>> ends;  // the spans of the top rows; the rest are full
  } cases[] = {
      {600, 400, 2, 2, {}},
      {8, 6, 1, 1, {}},
      {8, 6, 0, 9, {}},
      {10, 8, 4, 4, {{1, 8}}},
      {8, 6, 3, 3, {{1, 6}}},
      {12, 10, 6, 6, {{2, 9}, {1, 10}}},
      {12, 10, 5, 3, {{1, 10}}},
      {20, 16, 10, 10, {{3, 16}, {2, 17}, {1, 18}}},
      {6, 4, 20, 20, {{1, 4}}},  // a corner larger than the window is cut to it
  };
  for (const auto& c : cases) {
    const ShadowRows rows = RoundRectSpans(c.width, c.height, c.cornerWidth, c.cornerHeight);
    ASSERT_EQ(rows.size(), static_cast<std::size_t>(c.height));
    for (int y = 0; y < c.height; ++y) {
      const int fromEdge = std::min(y, c.height - 1 - y);  // the bottom rows mirror the top ones
      const ShadowSpan expected = fromEdge < static_cast<int>(c.ends.size())
                                      ? ShadowSpan{c.ends[fromEdge].first, c.ends[fromEdge].second}
                                      : full(c.width);
      ASSERT_TRUE(rows[y].has_value()) << c.width << "x" << c.height << " row " << y;
      EXPECT_EQ(rows[y]->start, expected.start) << c.width << "x" << c.height << " row " << y;
      EXPECT_EQ(rows[y]->end, expected.end) << c.width << "x" << c.height << " row " << y;
    }
  }
  EXPECT_TRUE(RoundRectSpans(0, 5, 2, 2).empty());
  EXPECT_TRUE(RoundRectSpans(5, -1, 2, 2).empty());
}

}  // namespace

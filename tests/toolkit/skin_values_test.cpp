// The skin value conventions, the quirky cases included: colours, booleans, numbers and
// rectangles, and image descriptions with their stop rules.
#include <gtest/gtest.h>

#include "toolkit/skin_values.h"

using namespace SkinUI;

TEST(SkinValues, ColoursBooleansAndNumbers) {
  const struct {
    const char* text;
    std::uint32_t colour;
  } colours[] = {
      {"#FF1A83E5", 0xFF1A83E5u}, {"FF4BB5F1", 0xFF4BB5F1u}, {"#00000000", 0u}, {"#26003B76", 0x26003B76u},
      {"#ff1a83e5", 0xFF1A83E5u}, {"#FFF", 0xFFFu},           {"", 0u},          {"#", 0u},
      {"zz", 0u},                 {"#12G4", 0x12u},           {"#1FF1A83E5", 0xFFFFFFFFu},
  };
  for (const auto& c : colours) EXPECT_EQ(ParseColour(c.text), c.colour) << c.text;

  for (const char* text : {"true"}) EXPECT_TRUE(ParseBool(text)) << text;
  for (const char* text : {"flase", "True", "TRUE", " true", "true ", "1", "yes", ""}) EXPECT_FALSE(ParseBool(text)) << text;

  EXPECT_EQ(ParseInt("42"), 42);
  EXPECT_EQ(ParseInt(" -7px"), -7);
  EXPECT_EQ(ParseInt("x", 9), 9);
  EXPECT_EQ(ParseInt("99999999999999"), INT_MAX);
  EXPECT_EQ(ParseInt("-99999999999999"), INT_MIN);

  EXPECT_EQ(ParseRect("1,2,3,4"), (Rect{1, 2, 3, 4}));
  EXPECT_EQ(ParseRect("0,0,0,35"), (Rect{0, 0, 0, 35}));
  EXPECT_EQ(ParseRect("5,5"), (Rect{5, 5, 0, 0})) << "missing parts are 0";
  EXPECT_EQ(ParseRect("a,2,,4"), (Rect{0, 2, 0, 4}));
  EXPECT_EQ(ParseSize("600,400"), (Size{600, 400}));
  EXPECT_EQ(ParseSize("-5,1000000000"), (Size{-5, 1000000000}));
}

TEST(SkinValues, ImageDescriptions) {
  const auto bare = ParseImageDescription("res\\mainWnd\\bg1.png");
  ASSERT_TRUE(bare);
  EXPECT_EQ(bare->file, L"res\\mainWnd\\bg1.png");
  EXPECT_FALSE(bare->dest);
  EXPECT_EQ(bare->fade, 255);

  const auto full = ParseImageDescription(
      "file='res\\mainWnd\\installPrg2.png' corner='5,5,5,5' dest='1,2,30,40' source='0,0,10,11' mask='#FFFF00FF' "
      "fade='128' hole='true' xtiled='true' ytiled='flase' restype='PNG' unknown='x'");
  ASSERT_TRUE(full);
  EXPECT_EQ(full->file, L"res\\mainWnd\\installPrg2.png");
  EXPECT_EQ(full->corner, (Rect{5, 5, 5, 5}));
  ASSERT_TRUE(full->dest);
  EXPECT_EQ(*full->dest, (Rect{1, 2, 30, 40}));
  EXPECT_EQ(full->source, (Rect{0, 0, 10, 11}));
  ASSERT_TRUE(full->mask);
  EXPECT_EQ(*full->mask, 0xFFFF00FFu);
  EXPECT_EQ(full->fade, 128);
  EXPECT_TRUE(full->hole);
  EXPECT_TRUE(full->xtiled);
  EXPECT_FALSE(full->ytiled);
  EXPECT_EQ(full->resType, L"PNG");

  const struct {
    const char* text;
    const wchar_t* file;  // nullptr: no image
    int fade;
  } cases[] = {
      {"file='res\\mainWnd\\installBtn3.png ", nullptr, 255},                 // no closing quote
      {"file='a.png'fade='10'", L"a.png", 255},                              // no blank: the rest is ignored
      {"file='a.png'  fade='10'", L"a.png", 255},                            // two blanks: the key is " fade"
      {"fade='10' file='b.png'", L"b.png", 10},
      {"fade='300' file='b.png'", L"b.png", 255},                            // clamped
      {"fade='-4' file='b.png'", L"b.png", 0},
      {"dest='1,2,3,4'", nullptr, 255},                                      // no file
      {"file=''", nullptr, 255},
      {"", nullptr, 255},
      {"file=\"a.png\"", nullptr, 255},                                      // double quotes are not quotes here
      {"file='图片\\按钮.png'", L"图片\\按钮.png", 255},
  };
  for (const auto& c : cases) {
    const auto image = ParseImageDescription(c.text);
    if (c.file == nullptr) {
      EXPECT_FALSE(image) << c.text;
    } else {
      ASSERT_TRUE(image) << c.text;
      EXPECT_EQ(image->file, c.file) << c.text;
      EXPECT_EQ(image->fade, c.fade) << c.text;
    }
  }
}

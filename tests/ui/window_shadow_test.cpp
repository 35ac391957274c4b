// The drop shadow's values: the setters' ranges, and the skin's shadow attributes as the
// installer's skins write them and as broken skins might.
#include <gtest/gtest.h>

#include "ui/window_shadow.h"

namespace {

using Attributes = std::map<std::string, std::string>;

// The root attributes every installer skin carries.
Attributes InstallerSkinShadow() {
  return {{"showshadow", "true"},     {"shadowsize", "6"},       {"shadowsharpness", "10"},
          {"shadowdarkness", "20"},   {"shadowposition", "1,1"}, {"shadowcolor", "#26003B76"}};
}

TEST(WindowShadow, SettersRefuseValuesOutsideTheirRangesAndKeepTheField) {
  CWindowShadow shadow;
  EXPECT_FALSE(shadow.SetSize(25));
  EXPECT_FALSE(shadow.SetSize(-21));
  EXPECT_EQ(shadow.Params().size, 0);
  EXPECT_TRUE(shadow.SetSize(-20));
  EXPECT_TRUE(shadow.SetSize(20));
  EXPECT_EQ(shadow.Params().size, 20);

  EXPECT_FALSE(shadow.SetSharpness(21));
  EXPECT_FALSE(shadow.SetSharpness(-1));
  EXPECT_EQ(shadow.Params().sharpness, 5);
  EXPECT_FALSE(shadow.SetDarkness(256));
  EXPECT_FALSE(shadow.SetDarkness(-1));
  EXPECT_EQ(shadow.Params().darkness, 150);
  EXPECT_TRUE(shadow.SetDarkness(255));

  EXPECT_FALSE(shadow.SetPosition(21, 0));
  EXPECT_FALSE(shadow.SetPosition(0, -21));
  EXPECT_EQ(shadow.Params().xOffset, 5);
  EXPECT_EQ(shadow.Params().yOffset, 5);
  EXPECT_TRUE(shadow.SetPosition(-20, 20));
  EXPECT_EQ(shadow.Params().xOffset, -20);
}

TEST(WindowShadow, TheInstallerSkinsShadowIsReadWithItsColourRedInTheLowByte) {
  CWindowShadow shadow;
  ASSERT_TRUE(shadow.ApplySkinAttributes(InstallerSkinShadow()));
  const ui::ShadowParams& p = shadow.Params();
  EXPECT_EQ(p.size, 6);
  EXPECT_EQ(p.sharpness, 10);
  EXPECT_EQ(p.darkness, 20);
  EXPECT_EQ(p.xOffset, 1);
  EXPECT_EQ(p.yOffset, 1);
  // "#26003B76": red 0x76, green 0x3B, blue 0x00; the top byte is not used.
  EXPECT_EQ(p.colour & 0xFFu, 0x76u);
  EXPECT_EQ((p.colour >> 8) & 0xFFu, 0x3Bu);
  EXPECT_EQ((p.colour >> 16) & 0xFFu, 0x00u);
  EXPECT_TRUE(shadow.ImageFile().empty());
}

TEST(WindowShadow, ShowShadowIsTrueInAnyCaseAndNothingElse) {
  const struct {
    const char* value;
    bool shown;
  } cases[] = {{"true", true}, {"TRUE", true}, {"True", true}, {"flase", false}, {"", false}, {"1", false}};
  for (const auto& c : cases) {
    Attributes attributes = InstallerSkinShadow();
    attributes["showshadow"] = c.value;
    CWindowShadow shadow;
    EXPECT_EQ(shadow.ApplySkinAttributes(attributes), c.shown) << c.value;
    // Without the switch the other attributes are not read.
    EXPECT_EQ(shadow.Params().size, c.shown ? 6 : 0) << c.value;
  }
  CWindowShadow none;
  EXPECT_FALSE(none.ApplySkinAttributes({{"shadowsize", "6"}}));
  EXPECT_EQ(none.Params().size, 0);
}

TEST(WindowShadow, MalformedOrOutOfRangeAttributesLeaveTheirFieldsAsTheyWere) {
  const struct {
    const char* name;
    const char* value;
    ui::ShadowParams expected;  // from the defaults: size 0, sharpness 5, darkness 150, 5,5, black
  } cases[] = {
      {"shadowsize", "25", {0, 5, 150, 5, 5, 0}},
      {"shadowsize", "-30", {0, 5, 150, 5, 5, 0}},
      {"shadowsharpness", "21", {0, 5, 150, 5, 5, 0}},
      {"shadowdarkness", "300", {0, 5, 150, 5, 5, 0}},
      {"shadowposition", "1,", {0, 5, 150, 5, 5, 0}},
      {"shadowposition", "1", {0, 5, 150, 5, 5, 0}},
      {"shadowposition", "1,2,3", {0, 5, 150, 5, 5, 0}},
      {"shadowposition", "30,1", {0, 5, 150, 5, 5, 0}},
      {"shadowposition", "-3;4", {0, 5, 150, -3, 4, 0}},
      // A colour follows the skins' colour rule: no hexadecimal digit reads as 0.
      {"shadowcolor", "#zz", {0, 5, 150, 5, 5, 0}},
      {"shadowcolor", "FF0000FF", {0, 5, 150, 5, 5, 0x0000FFu}},
  };
  for (const auto& c : cases) {
    CWindowShadow shadow;
    shadow.SetColor(0);
    ASSERT_TRUE(shadow.ApplySkinAttributes({{"showshadow", "true"}, {c.name, c.value}}));
    const ui::ShadowParams& p = shadow.Params();
    const std::string what = std::string(c.name) + "=" + c.value;
    EXPECT_EQ(p.size, c.expected.size) << what;
    EXPECT_EQ(p.sharpness, c.expected.sharpness) << what;
    EXPECT_EQ(p.darkness, c.expected.darkness) << what;
    EXPECT_EQ(p.xOffset, c.expected.xOffset) << what;
    EXPECT_EQ(p.yOffset, c.expected.yOffset) << what;
    EXPECT_EQ(p.colour, c.expected.colour) << what;
  }
}

TEST(WindowShadow, AShadowImageTakesItsCornersAlsoAsItsMargins) {
  CWindowShadow shadow;
  ASSERT_TRUE(shadow.ApplySkinAttributes({{"showshadow", "true"},
                                          {"shadowimage", "res\\common\\shadow.png"},
                                          {"shadowcorner", "8,6,10,12"},
                                          {"shadowholeoffset", "1,2,3,4"}}));
  EXPECT_EQ(shadow.ImageFile(), L"res\\common\\shadow.png");
  EXPECT_EQ(shadow.ImageCorners(), (SkinUI::Rect{8, 6, 10, 12}));
  EXPECT_EQ(shadow.ImageMargins(), (SkinUI::Rect{8, 6, 10, 12}));

  CWindowShadow broken;
  ASSERT_TRUE(broken.ApplySkinAttributes(
      {{"showshadow", "true"}, {"shadowimage", "shadow.png"}, {"shadowcorner", "8,6,10"}}));
  EXPECT_EQ(broken.ImageCorners(), SkinUI::Rect{}) << "three numbers are no corners";
}

TEST(WindowShadow, SeparatedIntegersNeedExactlyOneCharacterBetweenThem) {
  const struct {
    const char* text;
    std::size_t count;
    std::optional<std::vector<int>> expected;
  } cases[] = {
      {"1,1", 2, std::vector<int>{1, 1}},
      {"-3x4", 2, std::vector<int>{-3, 4}},
      {"6,2,6,2", 4, std::vector<int>{6, 2, 6, 2}},
      {"1,,2", 2, std::nullopt},
      {"1,", 2, std::nullopt},
      {"", 2, std::nullopt},
      {"1,2 ", 2, std::nullopt},
      {"99999999999,1", 2, std::nullopt},
  };
  for (const auto& c : cases) EXPECT_EQ(ui::ParseSeparatedIntegers(c.text, c.count), c.expected) << c.text;
}

}  // namespace

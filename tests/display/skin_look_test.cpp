// The skin's look: a skin of the old kind loads and draws as it always did
// (the design's text, the design's chip sprites), the generated skin of the
// current kind gets smoothed text and its chip families, and the light
// outline stays light.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "display/chip_look.h"
#include "display/display_fixture.h"
#include "display/symbol.h"
#include "display/text_image.h"

namespace {

namespace fs = std::filesystem;

class SkinLookTest : public DisplayFixture {
 protected:
  void OldSkin() {
    m_dir.WriteFile("skin/def_skn.txt",
                    "; a skin of the old kind\r\n>main\r\n#chip, skin\\a.bmp, 0, 0, 8, 8\r\n"
                    "#nopchip, skin\\a.bmp, 8, 0, 8, 8\r\n");
    m_dir.WriteFile("skin/a.bmp", bmp_test::SolidBmp(16, 16, 0x00FF00));
  }
  // The pixels DrawText leaves on a black screen.
  std::vector<std::uint32_t> Drawn(const char* text) {
    m_display->ClearScreen(0);
    m_display->DrawText(4, 4, 0xFFFFFF, 0x404040, "%s", text);
    const SurfaceView back = m_display->BackSurface();
    std::vector<std::uint32_t> pixels;
    for (int y = 0; y < back.height; ++y) {
      for (int x = 0; x < back.width; ++x) {
        pixels.push_back(back.PixelAt(x, y) & 0xFFFFFF);
      }
    }
    return pixels;
  }
};

TEST_F(SkinLookTest, AnOldSkinLoadsWithTheDesignsTextAndSpritesAndTheNewOneWithItsOwn) {
  const std::vector<std::uint32_t> design = Drawn("Il");
  OldSkin();
  ASSERT_EQ(m_registry->LoadSkin("main"), 1);
  EXPECT_EQ(m_display->GetTextLook(), TextLook::kDesign);
  EXPECT_EQ(Drawn("Il"), design) << "an old skin's text draws exactly as before";
  const CSymbol& old = m_registry->Symbols();
  EXPECT_EQ(ChipSpriteFor(old, "2", "chip"), "chip");
  EXPECT_EQ(CategoryGlyphFor(old, "2"), "");
  EXPECT_EQ(UnknownChipSpriteFor(old, "chip"), "chip");
  EXPECT_FALSE(HasChipFamily(old, "chip"));

  // The generated skin of the current kind.
  m_registry.reset();
  g_registry = nullptr;
  fs::remove_all("skin");
  fs::copy(fs::path(PELU_BINARY_DIR) / "run" / "skin", "skin", fs::copy_options::recursive);
  m_registry = std::make_unique<CObjectRegistry>();
  g_registry = m_registry.get();
  ASSERT_EQ(m_registry->LoadSkin("main"), 1);
  EXPECT_EQ(m_display->GetTextLook(), TextLook::kSmooth);
  const std::vector<std::uint32_t> smooth = Drawn("Il");
  EXPECT_NE(smooth, design);
  // Smoothed: edge pixels between the ground and the text's white.
  int between = 0;
  for (const std::uint32_t p : smooth) {
    between += p != 0 && p != 0xFFFFFF && p != 0x404040 ? 1 : 0;
  }
  EXPECT_GT(between, 4);

  const CSymbol& current = m_registry->Symbols();
  for (const char* category : {"0", "1", "2", "3"}) {
    EXPECT_EQ(ChipSpriteFor(current, category, "chip"), std::string("chip-category") + category);
    EXPECT_EQ(CategoryGlyphFor(current, category), std::string("category-glyph") + category);
  }
  // A category the skin has no card for, or that is no number, falls back.
  for (const char* odd : {"4", "", "-1", "1x", " 1", "00001", "移動"}) {
    EXPECT_EQ(ChipSpriteFor(current, odd, "chip"), "chip") << odd;
    EXPECT_EQ(CategoryGlyphFor(current, odd), "") << odd;
  }
  EXPECT_EQ(ChipSpriteFor(current, "1", "nopchip"), "nopchip") << "no family of its own";
  EXPECT_TRUE(HasChipFamily(current, "chip"));
  EXPECT_FALSE(HasChipFamily(current, "nopchip"));
  EXPECT_EQ(UnknownChipSpriteFor(current, "chip"), kUnknownChipSprite);
  EXPECT_NE(current.Find(kUnknownChipMarkSprite), nullptr);
}

TEST_F(SkinLookTest, AGhostIsTheSpriteBlendedOverWhatIsThereWithItsKeyLeftAlone) {
  // A sprite of green with a black (key) corner pixel, over grey.
  m_dir.WriteFile("skin/def_skn.txt", ">main\r\n#g, skin\\g.bmp, 0, 0, 4, 4\r\n");
  std::vector<std::uint32_t> rgb(16, 0x00FF00);
  rgb[0] = 0;
  m_dir.WriteFile("skin/g.bmp", bmp_test::Bmp24(4, 4, rgb));
  ASSERT_EQ(m_registry->LoadSkin("main"), 1);
  m_display->ClearScreen(Rgb(0x808080));
  m_registry->Symbols().DrawSymbol("g", 10, 10);
  ASSERT_EQ(m_display->BackSurface().PixelAt(12, 12), Rgb(0x00FF00));
  for (const std::uint8_t opacity : {std::uint8_t{0}, kGhostOpacity, std::uint8_t{255}}) {
    m_display->ClearScreen(Rgb(0x808080));
    m_registry->Symbols().DrawSymbolTranslucent("g", 10, 10, opacity);
    const SurfaceView back = m_display->BackSurface();
    EXPECT_EQ(back.PixelAt(10, 10), Rgb(0x808080)) << "the key stays transparent";
    const std::uint32_t mixed = back.PixelAt(12, 12);
    const int green = static_cast<int>(mixed >> 8 & 0xFF);
    const int red = static_cast<int>(mixed >> 16 & 0xFF);
    const int want = 0x80 + (0xFF - 0x80) * opacity / 255;
    EXPECT_NEAR(green, want, 2) << int{opacity};
    EXPECT_NEAR(red, 0x80 - 0x80 * opacity / 255, 2) << int{opacity};
  }
  // The sprite itself is unchanged for the ordinary draw after it.
  m_display->ClearScreen(Rgb(0x808080));
  m_registry->Symbols().DrawSymbol("g", 10, 10);
  EXPECT_EQ(m_display->BackSurface().PixelAt(12, 12), Rgb(0x00FF00));
}

TEST_F(SkinLookTest, AFamilyIsFoundByItsNamesPrefixAmongNeighbouringNames) {
  // Names that sort just before and after the family's prefix, and one that
  // is the prefix's stem alone, are no members.
  m_dir.WriteFile("skin/def_skn.txt",
                  ">main\r\n#chip, skin\\a.bmp, 0, 0, 1, 1\r\n"
                  "#chip-categorx, skin\\a.bmp, 0, 0, 1, 1\r\n"
                  "#chip-categor, skin\\a.bmp, 0, 0, 1, 1\r\n"
                  "#card-category1, skin\\a.bmp, 0, 0, 1, 1\r\n");
  m_dir.WriteFile("skin/a.bmp", bmp_test::SolidBmp(4, 4, 0x00FF00));
  ASSERT_EQ(m_registry->LoadSkin("main"), 1);
  EXPECT_FALSE(HasChipFamily(m_registry->Symbols(), "chip"));
  EXPECT_TRUE(HasChipFamily(m_registry->Symbols(), "card"));
  EXPECT_FALSE(HasChipFamily(m_registry->Symbols(), "car"));
}

TEST(SkinLookOptionTest, OnlyTheOptionLineAnywhereInTheFileAsksForSmoothText) {
  EXPECT_EQ(SkinTextLook(""), TextLook::kDesign);
  EXPECT_EQ(SkinTextLook(">main\r\n#chip, a.bmp, 0, 0, 1, 1\r\n"), TextLook::kDesign);
  EXPECT_EQ(SkinTextLook("; !text, smooth\r\n"), TextLook::kDesign);
  EXPECT_EQ(SkinTextLook(">title\r\n>main\r\n!text, smooth\r\n"), TextLook::kSmooth);
  EXPECT_EQ(SkinTextLook("!text, smooth"), TextLook::kSmooth);
}

TEST(SmoothOutlineTest, TheLightOutlineReachesOnePixelAndStaysTranslucent) {
  // One dot: the design's outline fills a solid 4 x 4, the light one a
  // translucent 3 x 3 ring around the opaque dot.
  const platform::TextMask dot{1, 1, {255}};
  const TextImage heavy = ComposeOutlinedText(dot, 0xFFFFFF, 0x404040);
  EXPECT_EQ(heavy.width, 4);
  const TextImage light = ComposeOutlinedText(dot, 0xFFFFFF, 0x404040, TextLook::kSmooth);
  ASSERT_EQ(light.width, 3);
  ASSERT_EQ(light.height, 3);
  for (int i = 0; i < 9; ++i) {
    const unsigned alpha = light.argb[static_cast<std::size_t>(i)] >> 24;
    EXPECT_EQ(alpha, i == 4 ? 255u : kSmoothOutlineAlpha) << i;
  }
  EXPECT_EQ(light.argb[4] & 0xFFFFFF, 0xFFFFFFu);
  EXPECT_EQ(light.argb[0] & 0xFFFFFF, 0x404040u);
  // Half-covered text keeps its own colour where it is, over the outline.
  const TextImage soft =
      ComposeOutlinedText(platform::TextMask{1, 1, {128}}, 0xFFFFFF, 0x000000, TextLook::kSmooth);
  EXPECT_EQ(soft.argb[0] >> 24, 128u * kSmoothOutlineAlpha / 255);
  EXPECT_GT(soft.argb[4] >> 24, 128u);
}

}  // namespace

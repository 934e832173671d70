// The skin generator's parts: flattening soft edges into colour-keyed pixels,
// failing, not skipping, on sprites it cannot place on a sheet, and the
// current look's soft text rim.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <tuple>
#include <vector>

#include "canvas.h"
#include "fonts.h"
#include "skin.h"

namespace {

TEST(SkinPartsTest, FlattensEdgesCrisplyAndRefusesSpritesThatCannotBePlaced) {
  CCanvas canvas(3, 1);  // black: lifted off the key; a faint fringe: the key; half covered
  canvas.Blend(0, 0, Hex(0x000000), 1.0f);
  canvas.Blend(1, 0, Hex(0xFFFFFF), 0.1f);
  canvas.Blend(2, 0, Hex(0xFFFFFF), 0.5f);
  EXPECT_EQ(canvas.Flatten(Rgb{100, 0, 200}), (std::vector<Rgb>{{8, 8, 8}, {}, {178, 128, 228}}));
  CFontLibrary fonts;  // not opened: these painters draw no text
  // Wider than the sheet, in a section the editor does not read, empty.
  for (const auto& [section, name, w] :
       {std::tuple{"main", "wide", 11}, std::tuple{"editor", "x", 2}, std::tuple{"main", "e", 0}}) {
    const SpriteRecipe sprite{section, name, w, 2, Rgb{}, [w](CCanvas& c, CFontLibrary&) {
                                c.FillRect(RectF{0, 0, static_cast<float>(w), 2}, Hex(0x808080));
                              }};
    Skin skin;
    std::string error;
    EXPECT_FALSE(BuildSkin({{"a.bmp", 10, {sprite}}}, fonts, &skin, &error)) << name;
    EXPECT_NE(error, "") << name;
  }
}

TEST(SkinPartsTest, ASoftRimReachesOnePixelAndStaysTranslucentUnlikeTheDesignsRim) {
  CFontLibrary fonts;
  std::string error;
  ASSERT_TRUE(fonts.Open(&error)) << error;
  TTF_Font* font = fonts.Get(FontFace::kUiGothic, 12);
  ASSERT_NE(font, nullptr);
  constexpr int kW = 40, kH = 30;
  CCanvas text(kW, kH), soft(kW, kH), heavy(kW, kH);
  DrawText(text, font, "IL", 8, 8, Hex(0xFFFFFF));
  DrawSoftOutlinedText(soft, font, "IL", 8, 8, Hex(0xFFFFFF), Hex(0x202020));
  DrawOutlinedText(heavy, font, "IL", 8, 8, Hex(0xFFFFFF), Hex(0x202020));
  // How far a pixel is from the text, in steps of one pixel either way (at
  // most 3 counted).
  auto distance = [&](int x, int y) {
    for (int d = 0; d <= 2; ++d) {
      for (int j = y - d; j <= y + d; ++j) {
        for (int i = x - d; i <= x + d; ++i) {
          if (i >= 0 && j >= 0 && i < kW && j < kH && text.AlphaAt(i, j) > 0.0f) {
            return d;
          }
        }
      }
    }
    return 3;
  };
  float softRim = 0.0f, heavyRim = 0.0f;
  int softBeyond = 0, heavyBeyond = 0;
  for (int y = 0; y < kH; ++y) {
    for (int x = 0; x < kW; ++x) {
      const int d = distance(x, y);
      if (d == 1) {
        softRim = std::max(softRim, soft.AlphaAt(x, y));
        heavyRim = std::max(heavyRim, heavy.AlphaAt(x, y));
      }
      if (d >= 2) {
        softBeyond += soft.AlphaAt(x, y) > 0.0f ? 1 : 0;
        heavyBeyond += heavy.AlphaAt(x, y) > 0.0f ? 1 : 0;
      }
    }
  }
  EXPECT_GT(softRim, 0.3f);
  EXPECT_LE(softRim, kSoftOutlineCoverage + 0.01f);
  EXPECT_EQ(softBeyond, 0);
  EXPECT_GT(heavyRim, 0.99f);
  EXPECT_GT(heavyBeyond, 0);
}

}  // namespace

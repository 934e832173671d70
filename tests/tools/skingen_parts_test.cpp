// The skin generator's parts: its BMP decoder on broken files, the flattening
// of soft edges into colour-keyed pixels, and sprites that cannot be placed.
// (The packing and the written skin are checked on the real output.)
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "bmp.h"
#include "canvas.h"
#include "skin.h"

namespace {

TEST(BmpTest, RoundTripsEveryRowPaddingAndRefusesWhatItCannotTrust) {
  Image image{3, 2, {}};
  for (int i = 0; i < 6; ++i) {
    image.pixels.push_back(
        Rgb{static_cast<std::uint8_t>(10 + i), 20, static_cast<std::uint8_t>(7 * i)});
  }
  // Widths 1 to 4 cover all four row paddings of 24-bit rows.
  Image back;
  for (int w = 1; w <= 4; ++w) {
    const Image row{w, 1, std::vector<Rgb>(static_cast<std::size_t>(w), Rgb{1, 2, 3})};
    ASSERT_TRUE(DecodeBmp24(EncodeBmp24(row), &back)) << "width " << w;
    EXPECT_EQ(back.pixels, row.pixels) << "width " << w;
  }
  const std::vector<std::uint8_t> good = EncodeBmp24(image);
  auto patched = [&good](std::size_t at, std::uint32_t value) {
    std::vector<std::uint8_t> b = good;
    for (std::size_t i = 0; i < 4; ++i) {
      b[at + i] = static_cast<std::uint8_t>(value >> (8 * i));
    }
    return b;
  };
  const std::vector<std::uint8_t> refused[] = {
      {good.begin(), good.end() - 1},  // one byte short of the last row
      {good.begin(), good.begin() + 20},
      patched(0, 0x4D58),       // "XM"
      patched(18, 0),           // zero width
      patched(18, 0x80000000),  // negative width
      patched(22, 0x7FFFFFFF),  // absurd height
      patched(10, 0xFFFFFFF0),  // pixel offset past the end
      patched(26, 0x00080001),  // 8 bits per pixel
  };
  for (const auto& bytes : refused) {
    EXPECT_FALSE(DecodeBmp24(bytes, &back)) << "case " << &bytes - refused;
  }
  // A top-down file (negative height) is read with its first row on top.
  ASSERT_TRUE(DecodeBmp24(patched(22, static_cast<std::uint32_t>(-2)), &back));
  EXPECT_EQ(back.At(0, 0), image.At(0, 1));
}

TEST(FlattenTest, KeepsVisiblePixelsOffTheKeyAndEdgesCrisp) {
  // Colours that RGB565 turns into 0 are lifted; the smallest survivors in
  // each channel are kept as they are.
  EXPECT_EQ(LiftOffColourKey(Rgb{7, 3, 7}), (Rgb{8, 8, 8}));
  for (const Rgb kept : {Rgb{8, 0, 0}, Rgb{0, 4, 0}, Rgb{0, 0, 8}}) {
    EXPECT_EQ(LiftOffColourKey(kept), kept);
  }
  CCanvas canvas(4, 1);
  canvas.Blend(0, 0, Hex(0x000000), 1.0f);  // drawn black: must stay visible
  canvas.Blend(1, 0, Hex(0xFFFFFF), 0.1f);  // a faint fringe: becomes the key
  canvas.Blend(2, 0, Hex(0xFFFFFF), 0.5f);  // half covered: composed over the matte
  EXPECT_EQ(canvas.Flatten(Rgb{100, 0, 200}),
            (std::vector<Rgb>{{8, 8, 8}, {0, 0, 0}, {178, 128, 228}, {0, 0, 0}}));

  // An integer-aligned rectangle is fully inside or outside, so sprites that
  // meet edge to edge leave no seam; shapes overhanging the canvas are clipped.
  CCanvas shapes(6, 6);
  shapes.FillRect(RectF{1, 1, 3, 2}, Hex(0x336699));
  shapes.FillRoundRect(RectF{-5, 4, 20, 20}, 4, Hex(0xFFFFFF));
  shapes.FillPolygon({{-10, 4}, {10, 4}, {10, 20}, {-10, 20}}, Hex(0xFFFFFF));
  for (int y = 0; y < 6; ++y) {
    for (int x = 0; x < 6; ++x) {
      const bool inside = (x >= 1 && x < 4 && y >= 1 && y < 3) || y >= 4;
      EXPECT_FLOAT_EQ(shapes.AlphaAt(x, y), inside ? 1.0f : 0.0f) << x << "," << y;
    }
  }
}

SpriteRecipe Solid(const std::string& section, const std::string& name, int w) {
  return SpriteRecipe{section, name, w, 2, Rgb{}, [w](CCanvas& canvas, CFontLibrary&) {
                        canvas.FillRect(RectF{0, 0, static_cast<float>(w), 2}, Hex(0x808080));
                      }};
}

TEST(SkinSheetTest, RefusesSpritesThatCannotBePlaced) {
  CFontLibrary fonts;  // not opened: these painters draw no text
  Skin skin;
  for (const SpriteRecipe& sprite :
       {Solid("main", "wide", 11), Solid("editor", "x", 2), Solid("main", "empty", 0)}) {
    std::string error;
    EXPECT_FALSE(BuildSkin({{"a.bmp", 10, {sprite}}}, fonts, &skin, &error)) << sprite.name;
    EXPECT_NE(error, "") << sprite.name;
  }
}

}  // namespace

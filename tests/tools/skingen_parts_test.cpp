// The skin generator's parts: the BMP encoder and decoder, the flattening
// of soft edges into colour-keyed pixels, and the packing of sprites into
// sheets with the skin file that lists them.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "bmp.h"
#include "canvas.h"
#include "skin.h"

namespace {

Image Gradient(int w, int h) {
  Image image{w, h, {}};
  for (int y = 0; y < h; ++y) {
    for (int x = 0; x < w; ++x) {
      image.pixels.push_back(Rgb{static_cast<std::uint8_t>(10 + x),
                                 static_cast<std::uint8_t>(20 + y),
                                 static_cast<std::uint8_t>(x * 7 + y * 3)});
    }
  }
  return image;
}

TEST(BmpTest, RoundTripsEveryRowPaddingAndRefusesWhatItCannotTrust) {
  // Widths 1 to 4 cover all four row paddings of 24-bit rows.
  Image back;
  for (int w = 1; w <= 4; ++w) {
    const Image image = Gradient(w, 3);
    ASSERT_TRUE(DecodeBmp24(EncodeBmp24(image), &back)) << "width " << w;
    EXPECT_EQ(back.width, w);
    EXPECT_EQ(back.height, 3);
    EXPECT_EQ(back.pixels, image.pixels) << "width " << w;
  }

  const std::vector<std::uint8_t> good = EncodeBmp24(Gradient(3, 2));
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
  EXPECT_EQ(back.At(0, 0), Gradient(3, 2).At(0, 1));
}

TEST(FlattenTest, KeepsVisiblePixelsOffTheKeyInBothFormats) {
  // Colours that RGB565 turns into 0 are lifted; the smallest survivors in
  // each channel, and everything brighter, are kept as they are.
  EXPECT_EQ(LiftOffColourKey(Rgb{7, 3, 7}), (Rgb{8, 8, 8}));
  EXPECT_EQ(LiftOffColourKey(Rgb{0, 0, 0}), (Rgb{8, 8, 8}));
  EXPECT_EQ(LiftOffColourKey(Rgb{8, 0, 0}), (Rgb{8, 0, 0}));
  EXPECT_EQ(LiftOffColourKey(Rgb{0, 4, 0}), (Rgb{0, 4, 0}));
  EXPECT_EQ(LiftOffColourKey(Rgb{0, 0, 8}), (Rgb{0, 0, 8}));
  EXPECT_EQ(LiftOffColourKey(Rgb{42, 50, 61}), (Rgb{42, 50, 61}));

  CCanvas canvas(4, 1);
  canvas.Blend(0, 0, Hex(0x000000), 1.0f);  // drawn black: must stay visible
  canvas.Blend(1, 0, Hex(0xFFFFFF), 0.1f);  // a faint fringe: becomes the key
  canvas.Blend(2, 0, Hex(0xFFFFFF), 0.5f);  // half covered: composed over the matte
  // Pixel 3 is never drawn: the key.
  const std::vector<Rgb> out = canvas.Flatten(Rgb{100, 0, 200});
  EXPECT_EQ(out[0], (Rgb{8, 8, 8}));
  EXPECT_EQ(out[1], (Rgb{0, 0, 0}));
  EXPECT_EQ(out[2], (Rgb{178, 128, 228}));
  EXPECT_EQ(out[3], (Rgb{0, 0, 0}));
}

TEST(FlattenTest, ShapesCoverWholePixelsOnIntegerEdges) {
  // An integer-aligned rectangle is crisp: fully inside or fully outside,
  // so sprites that meet edge to edge leave no seam and no overlap.
  CCanvas canvas(6, 6);
  canvas.FillRect(RectF{1, 2, 3, 2}, Hex(0x336699));
  for (int y = 0; y < 6; ++y) {
    for (int x = 0; x < 6; ++x) {
      const bool inside = x >= 1 && x < 4 && y >= 2 && y < 4;
      EXPECT_FLOAT_EQ(canvas.AlphaAt(x, y), inside ? 1.0f : 0.0f) << x << "," << y;
    }
  }
  // Shapes that overhang the canvas are clipped, not wrapped or overrun.
  CCanvas small(3, 3);
  small.FillRoundRect(RectF{-5, -5, 20, 20}, 4, Hex(0xFFFFFF));
  small.FillPolygon({{-10, -10}, {10, -10}, {10, 10}}, Hex(0xFFFFFF));
  EXPECT_FLOAT_EQ(small.AlphaAt(1, 1), 1.0f);
  EXPECT_FLOAT_EQ(small.AlphaAt(-1, 0), 0.0f);
}

SpriteRecipe Solid(const std::string& section, const std::string& name, int w, int h, Colour c) {
  return SpriteRecipe{
      section, name, w, h, Rgb{}, [w, h, c](CCanvas& canvas, CFontLibrary&) {
        canvas.FillRect(RectF{0, 0, static_cast<float>(w), static_cast<float>(h)}, c);
      }};
}

TEST(SkinSheetTest, PacksSpritesApartAndListsThemBySection) {
  CFontLibrary fonts;  // not opened: these painters draw no text
  std::vector<SheetRecipe> sheets = {
      {"a.bmp",
       20,
       {Solid("main", "m1", 8, 4, Hex(0x102030)), Solid("title", "t", 8, 6, Hex(0x405060)),
        Solid("main", "m2", 12, 3, Hex(0x708090))}},
      {"b.bmp", 10, {Solid("main", "m3", 10, 2, Hex(0xA0B0C0))}}};
  Skin skin;
  std::string error;
  ASSERT_TRUE(BuildSkin(sheets, fonts, &skin, &error)) << error;
  ASSERT_EQ(skin.sprites.size(), 4u);
  ASSERT_EQ(skin.bitmaps.size(), 2u);

  // Every sprite lies inside its sheet, no two overlap, and each holds
  // exactly its own colour.
  for (const PlacedSprite& s : skin.sprites) {
    const Image& sheet = skin.bitmaps[s.file == "a.bmp" ? 0 : 1];
    ASSERT_LE(s.x + s.width, sheet.width) << s.name;
    ASSERT_LE(s.y + s.height, sheet.height) << s.name;
    for (const PlacedSprite& t : skin.sprites) {
      if (&s != &t && s.file == t.file) {
        const bool apart = s.x + s.width <= t.x || t.x + t.width <= s.x || s.y + s.height <= t.y ||
                           t.y + t.height <= s.y;
        EXPECT_TRUE(apart) << s.name << " overlaps " << t.name;
      }
    }
    const Rgb first = sheet.At(s.x, s.y);
    EXPECT_EQ(sheet.At(s.x + s.width - 1, s.y + s.height - 1), first) << s.name;
    EXPECT_FALSE(first == Rgb{}) << s.name;
  }

  // The sections in order, "setting" even with no sprite of its own, and
  // the sprites of one section under one header whichever sheet holds them.
  auto entry = [&skin](const std::string& name) {
    for (const PlacedSprite& s : skin.sprites) {
      if (s.name == name) {
        return "#" + name + ", skin\\" + s.file + ", " + std::to_string(s.x) + ", " +
               std::to_string(s.y) + ", " + std::to_string(s.width) + ", " +
               std::to_string(s.height) + "\r\n";
      }
    }
    return std::string();
  };
  const std::string text = SkinDefinitionText(skin);
  EXPECT_EQ(text.substr(text.find("\r\n>") + 2), ">title\r\n" + entry("t") +
                                                     "\r\n>setting\r\n\r\n>main\r\n" + entry("m1") +
                                                     entry("m2") + entry("m3"));
}

TEST(SkinSheetTest, RefusesSpritesThatCannotBePlaced) {
  CFontLibrary fonts;
  Skin skin;
  for (const SpriteRecipe& sprite :
       {Solid("main", "wide", 11, 2, Hex(0x808080)), Solid("editor", "x", 2, 2, Hex(0x808080)),
        Solid("main", "empty", 0, 2, Hex(0x808080))}) {
    std::string error;
    EXPECT_FALSE(BuildSkin({{"a.bmp", 10, {sprite}}}, fonts, &skin, &error)) << sprite.name;
    EXPECT_NE(error, "") << sprite.name;
  }
}

}  // namespace

// The skin generator's parts: flattening soft edges into colour-keyed pixels,
// and failing, not skipping, on sprites it cannot place on a sheet.
#include <gtest/gtest.h>

#include <string>
#include <tuple>
#include <vector>

#include "canvas.h"
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

}  // namespace

// The current look on the presented pixels: chips on their category's card
// with its glyph, the design's cards where a skin has no family for a chip,
// the unknown chip's card and mark, names with a soft rim, and the
// translucent ghost of dragged chips instead of the design's moving chip.
#include <cstdint>
#include <cstdlib>
#include <fstream>
#include <string>

#include <gtest/gtest.h>

#include "display/chip_look.h"
#include "display/display.h"
#include "editor_fixture.h"
#include "foundation/texts.h"

namespace editor_test {
namespace {

constexpr RECT kScreen{0, 0, 800, 600};
constexpr int kChipWidth = 80, kChipHeight = 50;

class ChipLookTest : public EditorTest {
 protected:
  void SetUp() override {
    EditorTest::SetUp();
    m_skinKind = SkinKind::kCurrent;
    // Categories that the skin has no card for: a number without a family
    // member, and an attribute that is no number at all.
    m_extraCatalogue =
        "<define tool>\r\nshortname=T\r\ncategory=2\r\n</define>\r\n"
        "<define odd>\r\nshortname=O\r\ncategory=x1\r\n</define>\r\n"
        "<define wide>\r\nshortname=WMWMWM\r\ncategory=0\r\n</define>\r\n";
    StartEditor();
    MoveTo(POINT{95, 65});  // a margin, where the cursor draws no hover frame
  }
  void Draw() {
    g_display->ClearScreen(0);
    Frame();
  }
  Rgb RgbAt(int x, int y) {
    const SurfaceView v = Presented();
    const std::uint32_t p = v.PixelAt(x, y);
    if (v.format == PixelFormat::kRgb565) {
      return Rgb{static_cast<unsigned char>((p >> 11) << 3),
                 static_cast<unsigned char>(((p >> 5) & 0x3F) << 2),
                 static_cast<unsigned char>((p & 0x1F) << 3)};
    }
    return Rgb{static_cast<unsigned char>(p >> 16), static_cast<unsigned char>(p >> 8),
               static_cast<unsigned char>(p)};
  }
  // A point of a chip's card clear of its name, its one summary line and
  // its glyph.
  POINT Body(Cell cell) { return CellPoint(cell, 50, 40); }
  // The rectangle of a category glyph on the chip at a cell.
  RECT GlyphRect(Cell cell) {
    const POINT c = CellTopLeft(cell);
    const int left = c.x + kChipWidth - kGlyphSize - kCategoryGlyphInset;
    const int top = c.y + kChipHeight - kGlyphSize - kCategoryGlyphInset;
    return RECT{left, top, left + kGlyphSize, top + kGlyphSize};
  }
  int CountIn(Cell cell, Rgb colour) {
    const POINT c = CellTopLeft(cell);
    return CountColour(RECT{c.x, c.y, c.x + kChipWidth, c.y + kChipHeight}, colour);
  }
};

TEST_F(ChipLookTest, ChipsShowTheirCategorysCardAndGlyph) {
  Place({1, 1}, kWalk);  // category 0
  Place({2, 1}, kIf);    // category 1
  Place({3, 1}, text::kDoNothingChip);
  Draw();
  EXPECT_TRUE(PixelIs(Body({1, 1}).x, Body({1, 1}).y, kCategory0));
  EXPECT_TRUE(PixelIs(Body({2, 1}).x, Body({2, 1}).y, kCategory1));
  EXPECT_EQ(CountColour(GlyphRect({1, 1}), kGlyph0), kGlyphSize * kGlyphSize);
  EXPECT_EQ(CountColour(GlyphRect({2, 1}), kGlyph1), kGlyphSize * kGlyphSize);
  EXPECT_EQ(CountIn({1, 1}, kGlyph1) + CountIn({2, 1}, kGlyph0), 0);
  // The do-nothing chip keeps its own card (the skin has no family for it)
  // and shows its category's glyph on it.
  EXPECT_TRUE(PixelIs(Body({3, 1}).x, Body({3, 1}).y, kNopChip));
  EXPECT_EQ(CountColour(GlyphRect({3, 1}), kGlyph1), kGlyphSize * kGlyphSize);
  EXPECT_EQ(CountColour(kScreen, kChip), 0) << "no chip is on the design's card";
}

TEST_F(ChipLookTest, AChipWhoseCategoryHasNoCardFallsBackToTheDesignsCard) {
  Place({1, 1}, "tool");
  Place({2, 1}, "odd");
  Place({3, 1}, kWalk);
  Draw();
  for (const Cell cell : {Cell{1, 1}, Cell{2, 1}}) {
    EXPECT_TRUE(PixelIs(Body(cell).x, Body(cell).y, kChip)) << cell.x;
    EXPECT_EQ(CountIn(cell, kGlyph0) + CountIn(cell, kGlyph1), 0) << cell.x;
  }
  EXPECT_TRUE(PixelIs(Body({3, 1}).x, Body({3, 1}).y, kCategory0));
}

TEST_F(ChipLookTest, ACornerSpriteLargerThanTheChipIsLeftOut) {
  // A later entry of the skin file names the glyph again, far larger than
  // any chip (and than its bitmap); the editor is entered anew to read it.
  std::ofstream(m_dir.Path() + "/skin/def_skn.txt", std::ios::app)
      << "#category-glyph0,skin/test.bmp,0,0,2000000000,2000000000\n"
      << "#category-glyph1,skin/test.bmp,0,0,81,8\n";
  ASSERT_EQ(m_scene->Enter(0), 1);
  Place({1, 1}, kWalk);
  Place({2, 1}, kIf);
  Draw();
  for (const Cell cell : {Cell{1, 1}, Cell{2, 1}}) {
    EXPECT_TRUE(PixelIs(Body(cell).x, Body(cell).y, cell.x == 1 ? kCategory0 : kCategory1));
    const RECT glyph = GlyphRect(cell);
    EXPECT_TRUE(PixelIs(glyph.left, glyph.top, cell.x == 1 ? kCategory0 : kCategory1))
        << "nothing is drawn in the corner of chip " << cell.x;
  }
}

TEST_F(ChipLookTest, AnUnknownChipHasItsOwnCardAndMarkAndItsName) {
  Place({1, 1}, "mystery");
  Draw();
  EXPECT_TRUE(PixelIs(Body({1, 1}).x, Body({1, 1}).y, kUnknownCard));
  const POINT c = CellTopLeft({1, 1});
  const int left = c.x + kChipWidth - kUnknownMarkSize - kUnknownMarkInset;
  const int top = c.y + kUnknownMarkInset;
  // The unknown type is a finding: the checker's mark covers all of this
  // mark but its left column.
  EXPECT_EQ(CountColour(RECT{left, top, left + 1, top + kUnknownMarkSize}, kUnknownMark),
            kUnknownMarkSize);
  EXPECT_EQ(CountIn({1, 1}, kGlyph0) + CountIn({1, 1}, kGlyph1), 0);
  EXPECT_GT(CountColour(RECT{c.x + 3, c.y + 2, c.x + 60, c.y + 18}, Rgb{0xFF, 0xFF, 0xFF}), 0)
      << "the type's name is drawn";
}

TEST_F(ChipLookTest, NamesOnACategoryCardHaveASoftDarkRimNotTheAmberOne) {
  EXPECT_EQ(g_display->GetTextLook(), TextLook::kSmooth);
  Place({1, 1}, "wide");
  Draw();
  // On the blue card every mixture of white text, a grey rim and the card
  // has no more red than blue; the design's amber rim would add red.
  const POINT c = CellTopLeft({1, 1});
  int touched = 0;
  int reddened = 0;
  for (int y = c.y + 2; y < c.y + 18; ++y) {
    for (int x = c.x + 2; x < c.x + 55; ++x) {
      const Rgb p = RgbAt(x, y);
      reddened += p.r > p.b + 8 ? 1 : 0;
      touched += (p.r != kCategory0.r || p.b != kCategory0.b) ? 1 : 0;
    }
  }
  EXPECT_GT(touched, 20) << "the name is drawn";
  EXPECT_EQ(reddened, 0);
}

TEST_F(ChipLookTest, DraggedChipsAreATranslucentGhostOfTheirCards) {
  Place({0, 0}, kWalk);
  Place({1, 0}, kIf);
  Place({3, 4}, kWalk);  // a chip on the grid under the ghost of (1, 0)
  m_scene->Selection().Select({0, 0});
  m_scene->Selection().Select({1, 0});
  LeftDown(POINT{30, 30});
  Draw();
  // Chips at (10, 10) and (110, 10), the drag from (30, 30): ghosts at
  // (230, 300) and (330, 300), over the black screen and over the chip at
  // (310, 290).
  MoveTo(POINT{250, 320});
  Draw();
  EXPECT_EQ(CountColour(kScreen, kMovingChip), 0) << "no design's moving chip";
  // Over black, the ghost of the walk chip is its card darkened by the
  // opacity: neither the background nor the opaque card.
  auto near = [](int got, int want) { return std::abs(got - want) <= 8; };
  const Rgb overBlack = RgbAt(240, 340);
  EXPECT_TRUE(near(overBlack.r, kCategory0.r * kGhostOpacity / 255) &&
              near(overBlack.g, kCategory0.g * kGhostOpacity / 255) &&
              near(overBlack.b, kCategory0.b * kGhostOpacity / 255))
      << int{overBlack.r} << "," << int{overBlack.g} << "," << int{overBlack.b};
  // Over the chip at (3, 4), the if chip's ghost mixes both cards.
  const Rgb overChip = RgbAt(375, 335);
  auto mix = [](int ghost, int under) {
    return (ghost * kGhostOpacity + under * (255 - kGhostOpacity)) / 255;
  };
  EXPECT_TRUE(near(overChip.r, mix(kCategory1.r, kCategory0.r)) &&
              near(overChip.g, mix(kCategory1.g, kCategory0.g)) &&
              near(overChip.b, mix(kCategory1.b, kCategory0.b)))
      << int{overChip.r} << "," << int{overChip.g} << "," << int{overChip.b};
  // The ghost carries its glyph, blended too.
  const Rgb glyph = RgbAt(230 + kChipWidth - kCategoryGlyphInset - 2, 300 + kChipHeight - 6);
  EXPECT_TRUE(near(glyph.r, kGlyph0.r * kGhostOpacity / 255)) << int{glyph.r};
  Key(VK_ESCAPE);
  LeftUp(POINT{250, 320});
  Draw();
  EXPECT_TRUE(PixelIs(375, 335, kCategory0)) << "the ghost is gone with the drag";
}

}  // namespace
}  // namespace editor_test

// The editor frame on the presented pixels: frames, chips, arrows, summaries,
// drag pictures, rubber band, scroll bars and the message log.
#include <cstdint>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "display/display.h"
#include "editor_fixture.h"
#include "foundation/texts.h"

namespace editor_test {
namespace {

constexpr Rgb kWhite{0xFF, 0xFF, 0xFF};
constexpr RECT kScreen{0, 0, 800, 600};

struct Pixel {
  int x, y;
  Rgb colour;
  bool is = true;
};

class EditorViewTest : public EditorTest {
 protected:
  void SetUp() override {
    EditorTest::SetUp();
    m_extraCatalogue =
        "<define sumLong>\r\ndisplay=*ABCDEFGHIJKLMN\r\n</define>\r\n"
        "<define sumTen>\r\ndisplay=*ABCDEFGHIJ\r\n</define>\r\n"
        "<define sumNine>\r\ndisplay=*ABCDEFGHI\r\n</define>\r\n";
    StartEditor();
    MoveTo(POINT{95, 65});  // a margin, where the cursor draws no hover frame
  }
  // A frame over a black screen: the test skin's small background tiles
  // leave gaps that keep the previous frame, as the design has it.
  void Draw() {
    g_display->ClearScreen(0);
    Frame();
  }
  void Pixels(std::initializer_list<Pixel> pixels) {
    for (const Pixel& p : pixels) {
      EXPECT_EQ(PixelIs(p.x, p.y, p.colour), p.is) << p.x << "," << p.y;
    }
  }
  // The whole frame with the chip at (1, 1), at (110, 80) on the screen.
  std::vector<std::uint8_t> FrameWith(const std::string& chip) {
    Place({1, 1}, chip);
    Draw();
    const SurfaceView v = Presented();
    return {v.pixels, v.pixels + static_cast<std::size_t>(v.pitch) * v.height};
  }
};

TEST_F(EditorViewTest, FramesChipsSelectionAndHover) {
  Place({1, 1}, text::kDoNothingChip);
  Place({2, 1}, kWalk);
  Place({2, 2}, kWalk);
  m_scene->Selection().Select({2, 1});
  MoveTo(POINT{350, 175});  // the empty cell (3, 2)
  Draw();
  // The selection frame is hollow.
  Pixels({{10, 10, kFrameStart}, {89, 59, kFrameStart}, {110, 10, kFrame}, {710, 500, kFrame}});
  Pixels({{180, 125, kNopChip}, {212, 82, kFrameSelect}, {280, 125, kChip}});
  Pixels({{110, 80, kFrameSelect, false}, {310, 150, kFrameHover}});
  MoveTo(POINT{250, 175});  // the chip at (2, 2)
  Draw();
  Pixels({{210, 150, kFrameHover}, {289, 199, kFrameHover}, {310, 150, kFrameHover, false}});
  MoveTo(POINT{395, 175});  // a margin
  Draw();
  EXPECT_EQ(CountColour(kScreen, kFrameHover), 0);
}

TEST_F(EditorViewTest, ArrowsAndExitsAreCentredInTheMarginsByThePlainArrowsSize) {
  Place({1, 6}, kWalk, "lower");  // chip at (110, 430)
  Place({3, 6}, kWalk, "sideways");
  Place({5, 6}, kWalk, "left");
  Place({1, 1}, kIf, "upper");  // plain arrows draw too
  m_scene->Document()
      .Begin(EditKind::kSetProperties)
      .SetBoxProperty(1, 1, "true", text::kGlyphRight);
  m_scene->Document()
      .Begin(EditKind::kSetProperties)
      .SetBoxProperty(1, 1, "false", text::kGlyphDown);
  Place({4, 4}, kLoop);
  m_scene->Document().Begin(EditKind::kSetProperties).SetBoxProperty(4, 4, "ltrue", text::kGlyphUp);
  m_scene->Document()
      .Begin(EditKind::kSetProperties)
      .SetBoxProperty(4, 4, "lfalse", "left");  // a word is no exit
  Draw();
  // Down: 6 x 10 at (110 + 40 - 3, 430 + 50 + 10 - 5); left: 10 x 6 at
  // (510 - 10 - 5, 430 + 25 - 3).
  Pixels({{147, 485, kArrow}, {152, 494, kArrow}, {495, 452, kArrow}, {504, 457, kArrow}});
  EXPECT_EQ(CountColour(RECT{290, 410, 420, 500}, kArrow), 0);
  // The branch at (110, 80), its 14 x 8 exits placed as if 10 x 6: right at
  // (110 + 80 + 10 - 5, 80 + 25 - 3), down at (110 + 40 - 3, 80 + 50 + 10 - 5).
  // The loop at (410, 290): true exit up at (410 + 40 - 3, 290 - 10 - 5).
  Pixels({{195, 102, kArrowTrue}, {208, 109, kArrowTrue}, {147, 135, kArrowFalse}});
  Pixels({{154, 148, kArrowFalse}, {147, 65, kArrow}, {447, 275, kArrowTrue}});
  EXPECT_EQ(CountColour(RECT{380, 280, 420, 350}, kArrowFalse), 0);
}

TEST_F(EditorViewTest, SummaryLinesAreCutToTenBytes) {
  EXPECT_EQ(FrameWith("sumLong"), FrameWith("sumTen"));
  EXPECT_NE(FrameWith("sumNine"), FrameWith("sumTen"));
}

TEST_F(EditorViewTest, DraggedChipsKeepTheirOffsetsFromTheDragStart) {
  Place({0, 0}, kWalk);
  Place({1, 0}, kWalk);
  Place({4, 3}, kWalk);
  m_scene->Selection().Select({0, 0});
  m_scene->Selection().Select({1, 0});
  LeftDown(POINT{30, 30});
  Draw();
  MoveTo(POINT{300, 300});
  Draw();
  // Chips at (10, 10) and (110, 10), the drag from (30, 30): pictures at
  // (300 - 20, 300 - 20) and (300 + 80, 300 - 20).
  Pixels({{280, 280, kMovingChip}, {459, 329, kMovingChip}, {279, 280, kMovingChip, false}});
  Key(VK_ESCAPE);
  LeftUp(POINT{300, 300});
  Draw();
  EXPECT_EQ(CountColour(kScreen, kMovingChip), 0);

  LeftDown(POINT{420, 230});  // an unselected chip, (4, 3) at (410, 220), is dragged alone
  Draw();
  MoveTo(POINT{600, 100});
  Draw();
  EXPECT_TRUE(PixelIs(590, 90, kMovingChip));
  EXPECT_EQ(CountColour(kScreen, kMovingChip), 80 * 50);
  Key(VK_ESCAPE);
}

TEST_F(EditorViewTest, RubberBandFrameIsDrawnFromTheStartOnTheGrid) {
  LeftDown(POINT{305, 215});
  Draw();
  MoveTo(POINT{505, 355});
  Draw();
  // The pen and the gaps of the dashed outline are both white here.
  EXPECT_EQ(CountColour(RECT{300, 215, 510, 216}, kWhite), 200);
  EXPECT_GT(CountColour(RECT{503, 215, 506, 356}, kWhite), 10);
  EXPECT_EQ(CountColour(RECT{205, 215, 300, 216}, kWhite), 0);
  // The start corner stays on the grid while the view scrolls.
  m_scene->ScrollView().ScrollBy(100, 0);
  Draw();
  EXPECT_GT(CountColour(RECT{205, 215, 300, 216}, kWhite), 10);
  Key(VK_ESCAPE);
  LeftUp(POINT{505, 355});
  Draw();
  EXPECT_EQ(CountColour(RECT{205, 215, 506, 216}, kWhite), 0);
}

TEST_F(EditorViewTest, BackgroundDriftsAtOneFifthOfTheScrolling) {
  const Rgb background{0x20, 0x40, 0x60};  // the test skin's 8 x 8 tile
  // The first tile column covers x0 .. x0 + 7, x0 = -(scroll / 5 % 200).
  for (const auto& [scrollX, lastTilePixel] :
       {std::pair{7, 6}, std::pair{1000, 7}, std::pair{0, 7}, std::pair{1005, 6}}) {
    SCOPED_TRACE(scrollX);
    m_scene->ScrollView().ScrollBy(-100000, 0);
    m_scene->ScrollView().ScrollBy(scrollX, 0);
    Draw();
    // The next tiles come every 200 pixels whatever the sprite's size.
    Pixels({{0, 0, background},
            {lastTilePixel, 0, background},
            {lastTilePixel + 1, 0, background, false},
            {lastTilePixel + 200, 7, background},
            {lastTilePixel - 7 + 200, 200, background}});
  }
}

TEST_F(EditorViewTest, ScrollBarsFollowTheOffsetAndHoverTheirButtons) {
  Draw();
  // Horizontal track from 200 to 600 at y 585; slider 30 wide at its start.
  Pixels({{200, 590, kSlider}, {229, 590, kSlider}, {230, 590, kBar}, {600, 590, kBarEnd}});
  Pixels({{790, 150, kSlider}, {610, 592, kButton}});
  m_scene->ScrollView().ScrollBy(100000, 100000);
  MoveTo(POINT{610, 592});
  Draw();
  Pixels({{570, 590, kSlider}, {569, 590, kBar}, {790, 420, kSlider}, {610, 592, kButtonHover}});
  Pixels({{190, 592, kButton}});
}

// Lines live 5000 ms on the wrapping millisecond clock, which wraps here
// between the first line and its expiry.
TEST_F(EditorViewTest, MessageLogStacksUpFromTheBottomLeftForFiveSeconds) {
  platform::headless::SetTime(0xFFFFF000u);
  m_scene->MessageLog().Add("MMMMMMMMMMMMMMMM");
  Wait(1000);
  m_scene->MessageLog().Add("M");
  Wait(1000);
  m_scene->MessageLog().Add("%s%n%s");  // drawn as it is, never as a format
  Wait(3000);                           // exactly 5000 ms after the first line: it stays
  Draw();
  // Oldest at the top, newest at ScreenHeight - 15; a long, a short and a
  // middling line tell them apart.
  EXPECT_GT(CountColour(RECT{100, 555, 300, 570}, kWhite), 0);
  EXPECT_EQ(CountColour(RECT{30, 570, 300, 585}, kWhite), 0);
  EXPECT_GT(CountColour(RECT{5, 570, 30, 585}, kWhite), 0);
  EXPECT_GT(CountColour(RECT{30, 585, 50, 600}, kWhite), 0);
  EXPECT_EQ(CountColour(RECT{100, 585, 300, 600}, kWhite), 0);

  Wait(1);
  Draw();
  EXPECT_EQ(m_scene->MessageLog().Lines().size(), 2u);
  EXPECT_EQ(CountColour(RECT{5, 555, 300, 569}, kWhite), 0);
  EXPECT_GT(CountColour(RECT{5, 570, 30, 585}, kWhite), 0);
}

// A result line sits on a dark band as wide as its text, drawn over the
// scroll bar: a long line covers the left button instead of being cut by it,
// a short one leaves it alone.
TEST_F(EditorViewTest, MessageLinesLieOnABandAsWideAsTheirTextOverTheScrollBar) {
  constexpr Rgb kBand{0x1D, 0x23, 0x2B};
  const RECT button{186, 586, 199, 599};
  m_scene->MessageLog().Add("M");
  Draw();
  Pixels({{190, 592, kButton}, {3, 590, kBand}, {3, 584, kBand}, {3, 583, kBand, false}});
  EXPECT_EQ(CountColour(RECT{40, 585, 300, 600}, kBand), 0) << "no wider than its text";

  m_scene->MessageLog().Add(std::string(30, 'M'));
  Draw();
  EXPECT_EQ(CountColour(button, kButton), 0) << "the button shows through the text";
  EXPECT_GT(CountColour(button, kBand), 0);
  EXPECT_GT(CountColour(RECT{186, 585, 300, 600}, kWhite), 0);
  // The older line moved up one pitch, on a band of its own that meets the
  // newer one's.
  Pixels({{3, 569, kBand}, {3, 583, kBand}, {3, 586, kBand}, {3, 568, kBand, false}});
  // The band ends a few pixels after the text.
  int last = 0;
  for (int x = 0; x < 400; ++x) {
    last = PixelIs(x, 598, kBand) ? x : last;
  }
  EXPECT_GT(last, 186);
  EXPECT_LT(last, 400);
  EXPECT_FALSE(PixelIs(last + 1, 598, kBand));
}

}  // namespace
}  // namespace editor_test

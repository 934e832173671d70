// The editor frame on the presented pixels: frames, chips, arrows and exits,
// summaries, background offsets, drag pictures, hover frame, rubber band,
// scroll bars and the message log.
#include <cstdint>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "app/settings.h"
#include "app/texts.h"
#include "display/display.h"
#include "editor_fixture.h"
#include "platform/headless.h"
#include "program/block_program.h"

namespace editor_test {
namespace {

constexpr Rgb kWhite{0xFF, 0xFF, 0xFF};
constexpr RECT kScreen{0, 0, 800, 600};

class EditorViewTest : public EditorTest {
 protected:
  // The cursor rests on a margin, where it draws no hover frame.
  void Park() { MoveTo(POINT{95, 65}); }
  // A frame over a black screen: the test skin's small background tiles
  // leave gaps that keep the previous frame, as the design has it.
  void Draw() {
    g_display->ClearScreen(0);
    Frame();
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
  StartEditor();
  Place({1, 1}, text::kDoNothingChip);
  Place({2, 1}, kWalk);
  Place({2, 2}, kWalk);
  m_scene->Selection().Select({2, 1});
  MoveTo(POINT{350, 175});  // the empty cell (3, 2)
  Draw();
  EXPECT_TRUE(PixelIs(10, 10, kFrameStart));
  EXPECT_TRUE(PixelIs(89, 59, kFrameStart));
  EXPECT_TRUE(PixelIs(110, 10, kFrame));
  EXPECT_TRUE(PixelIs(710, 500, kFrame));
  EXPECT_TRUE(PixelIs(180, 125, kNopChip));
  EXPECT_TRUE(PixelIs(212, 82, kFrameSelect));
  EXPECT_TRUE(PixelIs(280, 125, kChip));  // the selection frame is hollow
  EXPECT_FALSE(PixelIs(110, 80, kFrameSelect));
  EXPECT_TRUE(PixelIs(310, 150, kFrameHover));
  MoveTo(POINT{250, 175});  // the chip at (2, 2)
  Draw();
  EXPECT_TRUE(PixelIs(210, 150, kFrameHover));
  EXPECT_TRUE(PixelIs(289, 199, kFrameHover));
  EXPECT_FALSE(PixelIs(310, 150, kFrameHover));
  MoveTo(POINT{395, 175});  // a margin
  Draw();
  EXPECT_EQ(CountColour(kScreen, kFrameHover), 0);
}

TEST_F(EditorViewTest, ArrowsAndExitsAreCentredInTheMarginsByThePlainArrowsSize) {
  StartEditor();
  Park();
  Place({1, 6}, kWalk, "lower");  // chip at (110, 430)
  Place({3, 6}, kWalk, "sideways");
  Place({5, 6}, kWalk, "left");
  Place({1, 1}, kIf);
  m_scene->Program().SetBoxProperty(1, 1, "true", text::kGlyphRight);
  m_scene->Program().SetBoxProperty(1, 1, "false", text::kGlyphDown);
  m_scene->Program().SetBoxProperty(1, 1, "to", "upper");  // plain arrows draw too
  Place({4, 4}, kLoop);
  m_scene->Program().SetBoxProperty(4, 4, "ltrue", text::kGlyphUp);
  m_scene->Program().SetBoxProperty(4, 4, "lfalse", "left");  // a word is no exit
  Draw();
  // Down: 6 x 10 pixels at (110 + 40 - 3, 430 + 50 + 10 - 5).
  EXPECT_TRUE(PixelIs(147, 485, kArrow));
  EXPECT_TRUE(PixelIs(152, 494, kArrow));
  EXPECT_FALSE(PixelIs(146, 485, kArrow));
  EXPECT_FALSE(PixelIs(147, 484, kArrow));
  // Left: 10 x 6 pixels at (510 - 10 - 5, 430 + 25 - 3).
  EXPECT_TRUE(PixelIs(495, 452, kArrow));
  EXPECT_TRUE(PixelIs(504, 457, kArrow));
  EXPECT_EQ(CountColour(RECT{290, 410, 420, 500}, kArrow), 0);
  // The branch at (110, 80), its 14 x 8 exits placed as if 10 x 6: right at
  // (110 + 80 + 10 - 5, 80 + 25 - 3), down at (110 + 40 - 3, 80 + 50 + 10 - 5).
  EXPECT_TRUE(PixelIs(195, 102, kArrowTrue));
  EXPECT_TRUE(PixelIs(208, 109, kArrowTrue));
  EXPECT_FALSE(PixelIs(194, 102, kArrowTrue));
  EXPECT_TRUE(PixelIs(147, 135, kArrowFalse));
  EXPECT_TRUE(PixelIs(154, 148, kArrowFalse));
  EXPECT_TRUE(PixelIs(147, 65, kArrow));
  // The loop at (410, 290): true exit up at (410 + 40 - 3, 290 - 10 - 5).
  EXPECT_TRUE(PixelIs(447, 275, kArrowTrue));
  EXPECT_EQ(CountColour(RECT{380, 280, 420, 350}, kArrowFalse), 0);
}

TEST_F(EditorViewTest, SummaryLinesAreCutToTenBytesAndStacked13PixelsApart) {
  m_extraCatalogue =
      "<define sumLong>\r\ndisplay=*ABCDEFGHIJKLMN\r\n</define>\r\n"
      "<define sumTen>\r\ndisplay=*ABCDEFGHIJ\r\n</define>\r\n"
      "<define sumNine>\r\ndisplay=*ABCDEFGHI\r\n</define>\r\n"
      "<define sumTwice>\r\ndisplay=*MW:*MW\r\n</define>\r\n";
  StartEditor();
  Park();
  EXPECT_EQ(FrameWith("sumLong"), FrameWith("sumTen"));
  EXPECT_NE(FrameWith("sumNine"), FrameWith("sumTen"));
  // The same text on both lines gives the same white pixels, 13 rows apart.
  FrameWith("sumTwice");
  const RECT firstLine{115, 100, 190, 113};
  const RECT secondLine{115, 113, 190, 126};
  EXPECT_GT(CountColour(firstLine, kWhite), 10);
  EXPECT_EQ(CountColour(firstLine, kWhite), CountColour(secondLine, kWhite));
  for (int y = firstLine.top; y < firstLine.bottom; ++y) {
    for (int x = firstLine.left; x < firstLine.right; ++x) {
      ASSERT_EQ(PixelIs(x, y, kWhite), PixelIs(x, y + 13, kWhite)) << x << "," << y;
    }
  }
}

TEST_F(EditorViewTest, BackgroundDriftsAtOneFifthOfTheScrolling) {
  StartEditor();
  Park();
  // The first tile column covers x0 .. x0 + 7, the next tiles every 200
  // pixels whatever the sprite's size.
  for (auto [scrollX, lastTilePixel] : {std::pair{7, 6}, {1000, 7}, {0, 7}, {1005, 6}}) {
    SCOPED_TRACE(scrollX);
    m_scene->ScrollView().ScrollBy(-100000, 0);
    m_scene->ScrollView().ScrollBy(scrollX, 0);
    Draw();
    EXPECT_TRUE(PixelIs(0, 0, kBackground));
    EXPECT_TRUE(PixelIs(lastTilePixel, 0, kBackground));
    EXPECT_FALSE(PixelIs(lastTilePixel + 1, 0, kBackground));
    EXPECT_TRUE(PixelIs(lastTilePixel + 200, 7, kBackground));
    EXPECT_TRUE(PixelIs(lastTilePixel - 7 + 200, 200, kBackground));
  }
}

TEST_F(EditorViewTest, DraggedChipsKeepTheirOffsetsFromTheDragStart) {
  StartEditor();
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
  EXPECT_TRUE(PixelIs(280, 280, kMovingChip));
  EXPECT_TRUE(PixelIs(380 + 79, 280 + 49, kMovingChip));
  EXPECT_FALSE(PixelIs(279, 280, kMovingChip));
  Key(VK_ESCAPE);
  LeftUp(POINT{300, 300});
  Draw();
  EXPECT_EQ(CountColour(kScreen, kMovingChip), 0);

  // An unselected chip is dragged alone.
  LeftDown(POINT{420, 230});  // (4, 3) at (410, 220)
  Draw();
  MoveTo(POINT{600, 100});
  Draw();
  EXPECT_TRUE(PixelIs(590, 90, kMovingChip));
  EXPECT_EQ(CountColour(kScreen, kMovingChip), 80 * 50);
  Key(VK_ESCAPE);
}

TEST_F(EditorViewTest, RubberBandFrameIsDrawnFromTheStartOnTheGrid) {
  StartEditor();
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

TEST_F(EditorViewTest, ScrollBarsFollowTheOffsetAndHoverTheirButtons) {
  StartEditor();
  Park();
  Draw();
  // Horizontal track from 200 to 600 at y 585; slider 30 wide at its start.
  EXPECT_TRUE(PixelIs(200, 590, kSlider));
  EXPECT_TRUE(PixelIs(229, 590, kSlider));
  EXPECT_TRUE(PixelIs(230, 590, kBar));
  EXPECT_TRUE(PixelIs(600, 590, kBarEnd));
  EXPECT_TRUE(PixelIs(790, 150, kSlider));
  EXPECT_TRUE(PixelIs(610, 592, kButton));

  m_scene->ScrollView().ScrollBy(100000, 100000);
  MoveTo(POINT{610, 592});
  Draw();
  EXPECT_TRUE(PixelIs(570, 590, kSlider));
  EXPECT_TRUE(PixelIs(569, 590, kBar));
  EXPECT_TRUE(PixelIs(790, 420, kSlider));
  EXPECT_TRUE(PixelIs(610, 592, kButtonHover));
  EXPECT_TRUE(PixelIs(190, 592, kButton));
}

// Lines live 5000 ms on the wrapping millisecond clock, which wraps here
// between the first line and its expiry.
TEST_F(EditorViewTest, MessageLogStacksUpFromTheBottomLeftForFiveSeconds) {
  StartEditor();
  Park();
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

}  // namespace
}  // namespace editor_test

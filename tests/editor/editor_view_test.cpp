// The editor frame on the presented pixels: start and plain frames, chips,
// arrows and exits, summaries, background offsets, drag pictures, hover
// frame, rubber band, scroll bars and the message log.
#include <cstdint>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "app/settings.h"
#include "app/texts.h"
#include "display/display.h"
#include "display/object_registry.h"
#include "editor_fixture.h"
#include "platform/headless.h"
#include "platform/platform.h"
#include "program/block_program.h"

namespace editor_test {
namespace {

constexpr Rgb kWhite{0xFF, 0xFF, 0xFF};

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

  std::vector<std::uint8_t> FramePixels() {
    const SurfaceView v = Presented();
    return std::vector<std::uint8_t>(v.pixels, v.pixels + static_cast<std::size_t>(v.pitch) *
                                                              static_cast<std::size_t>(v.height));
  }

  // The frame with a chip of the given summary template at (1, 1).
  std::vector<std::uint8_t> FrameWithSummary(const std::string& chip, const std::string& speed) {
    Place({1, 1}, chip);
    m_scene->Program().SetBoxProperty(1, 1, "speed", speed);
    Draw();
    return FramePixels();
  }
};

TEST_F(EditorViewTest, EmptyProgramShowsTheStartFrameAndPlainFrames) {
  StartEditor();
  Park();
  Draw();
  EXPECT_TRUE(PixelIs(10, 10, kFrameStart));
  EXPECT_TRUE(PixelIs(89, 59, kFrameStart));
  EXPECT_TRUE(PixelIs(110, 10, kFrame));
  EXPECT_TRUE(PixelIs(10, 80, kFrame));
  EXPECT_TRUE(PixelIs(710, 500, kFrame));
  EXPECT_FALSE(PixelIs(50, 30, kChip));
}

TEST_F(EditorViewTest, ChipsSelectionAndTheDoNothingChip) {
  StartEditor();
  Park();
  Place({0, 0}, kWalk);
  Place({1, 1}, text::kDoNothingChip);
  Place({2, 1}, kWalk);
  m_scene->Selection().Select({2, 1});
  Draw();
  EXPECT_TRUE(PixelIs(80, 55, kChip));  // no start frame under a chip
  EXPECT_TRUE(PixelIs(10, 10, kChip));
  EXPECT_TRUE(PixelIs(180, 125, kNopChip));
  EXPECT_TRUE(PixelIs(210, 80, kFrameSelect));
  EXPECT_TRUE(PixelIs(212, 82, kFrameSelect));
  EXPECT_TRUE(PixelIs(280, 125, kChip));  // the selection frame is hollow
  EXPECT_FALSE(PixelIs(110, 80, kFrameSelect));
}

TEST_F(EditorViewTest, PlainArrowIsCentredInTheMarginAndUnknownWordsDrawNothing) {
  StartEditor();
  Park();
  Place({1, 1}, kWalk, "lower");  // chip at (110, 80)
  Place({3, 1}, kWalk, "sideways");
  Place({5, 1}, kWalk, "left");
  Draw();
  // 6 x 10 pixels at (110 + 40 - 3, 80 + 50 + 10 - 5).
  EXPECT_TRUE(PixelIs(147, 135, kArrow));
  EXPECT_TRUE(PixelIs(152, 144, kArrow));
  EXPECT_FALSE(PixelIs(146, 135, kArrow));
  EXPECT_FALSE(PixelIs(153, 144, kArrow));
  EXPECT_FALSE(PixelIs(147, 134, kArrow));
  // 10 x 6 pixels at (510 - 10 - 5, 80 + 25 - 3).
  EXPECT_TRUE(PixelIs(495, 102, kArrow));
  EXPECT_TRUE(PixelIs(504, 107, kArrow));
  EXPECT_EQ(CountColour(RECT{290, 60, 420, 150}, kArrow), 0);
}

TEST_F(EditorViewTest, BranchAndLoopExitsUseTheirSpritesCentredByThePlainArrows) {
  StartEditor();
  Park();
  Place({1, 1}, kIf);
  m_scene->Program().SetBoxProperty(1, 1, "true", text::kGlyphRight);
  m_scene->Program().SetBoxProperty(1, 1, "false", text::kGlyphDown);
  m_scene->Program().SetBoxProperty(1, 1, "to", "upper");  // plain arrows draw too
  Place({4, 4}, kLoop);
  m_scene->Program().SetBoxProperty(4, 4, "ltrue", text::kGlyphUp);
  m_scene->Program().SetBoxProperty(4, 4, "lfalse", "left");  // a word is no exit
  Draw();
  // True exit right: 14 x 8 at (110 + 80 + 10 - 10/2, 80 + 25 - 6/2).
  EXPECT_TRUE(PixelIs(195, 102, kArrowTrue));
  EXPECT_TRUE(PixelIs(208, 109, kArrowTrue));
  EXPECT_FALSE(PixelIs(194, 102, kArrowTrue));
  // False exit down: 8 x 14 at (110 + 40 - 6/2, 80 + 50 + 10 - 10/2).
  EXPECT_TRUE(PixelIs(147, 135, kArrowFalse));
  EXPECT_TRUE(PixelIs(154, 148, kArrowFalse));
  EXPECT_FALSE(PixelIs(146, 135, kArrowFalse));
  // The plain arrow up: 6 x 10 at (147, 80 - 10 - 5).
  EXPECT_TRUE(PixelIs(147, 65, kArrow));
  // Loop chip at (410, 290): true exit up, 8 x 14 at (410 + 40 - 3, 290 - 10 - 5).
  EXPECT_TRUE(PixelIs(447, 275, kArrowTrue));
  EXPECT_EQ(CountColour(RECT{380, 280, 420, 350}, kArrowFalse), 0);
}

TEST_F(EditorViewTest, SummaryTemplatesJoinSplitAndCutLines) {
  m_extraCatalogue =
      "<define sumLines>\r\ndisplay=*L:speed\r\n</define>\r\n"
      "<define sumLinesLiteral>\r\ndisplay=*L:*5\r\n</define>\r\n"
      "<define sumJoined>\r\ndisplay=*L;*5\r\n</define>\r\n"
      "<define sumEquals>\r\ndisplay=*T=;speed\r\n</define>\r\n"
      "<define sumEqualsLiteral>\r\ndisplay=*T=5\r\n</define>\r\n"
      "<define sumLong>\r\ndisplay=*ABCDEFGHIJKLMN\r\n</define>\r\n"
      "<define sumTen>\r\ndisplay=*ABCDEFGHIJ\r\n</define>\r\n"
      "<define sumNine>\r\ndisplay=*ABCDEFGHI\r\n</define>\r\n"
      "<define sumOne>\r\ndisplay=*L\r\n</define>\r\n"
      "<define sumSameTwice>\r\ndisplay=*MW:*MW\r\n</define>\r\n";
  StartEditor();
  Park();
  // L on the first line and the value 13 pixels lower; a ";" joins instead.
  EXPECT_EQ(FrameWithSummary("sumLines", "5"), FrameWithSummary("sumLinesLiteral", "x"));
  EXPECT_NE(FrameWithSummary("sumLines", "5"), FrameWithSummary("sumJoined", "x"));
  EXPECT_EQ(FrameWithSummary("sumEquals", "5"), FrameWithSummary("sumEqualsLiteral", "x"));
  // A line is cut to its first 10 bytes.
  EXPECT_EQ(FrameWithSummary("sumLong", ""), FrameWithSummary("sumTen", ""));
  EXPECT_NE(FrameWithSummary("sumNine", ""), FrameWithSummary("sumTen", ""));

  // Lines at p.y + 20 and p.y + 33 (the chip at (110, 80)): the same text
  // on both lines gives the same white pixels, 13 rows apart.
  FrameWithSummary("sumSameTwice", "");
  const SurfaceView v = Presented();
  const std::uint32_t white = MapRgb(v.format, 0xFF, 0xFF, 0xFF);
  int whiteInFirstLine = 0;
  for (int y = 100; y < 113; ++y) {
    for (int x = 115; x < 190; ++x) {
      const bool first = v.PixelAt(x, y) == white;
      whiteInFirstLine += first ? 1 : 0;
      EXPECT_EQ(first, v.PixelAt(x, y + 13) == white) << x << "," << y;
    }
  }
  EXPECT_GT(whiteInFirstLine, 10);
  FrameWithSummary("sumOne", "");
  EXPECT_GT(CountColour(RECT{118, 100, 190, 113}, kWhite), 0);
  EXPECT_EQ(CountColour(RECT{118, 113, 190, 126}, kWhite), 0);
}

TEST_F(EditorViewTest, BackgroundDriftsAtOneFifthOfTheScrolling) {
  StartEditor();
  Park();
  struct Case {
    int scrollX;
    int lastTilePixel;  // the first tile column covers x0 .. x0 + 7
  };
  for (const Case& c : {Case{7, 6}, Case{1000, 7}, Case{0, 7}, Case{1005, 6}}) {
    m_scene->ScrollView().ScrollBy(-100000, 0);
    m_scene->ScrollView().ScrollBy(c.scrollX, 0);
    Draw();
    EXPECT_TRUE(PixelIs(0, 0, kBackground)) << c.scrollX;
    EXPECT_TRUE(PixelIs(c.lastTilePixel, 0, kBackground)) << c.scrollX;
    EXPECT_FALSE(PixelIs(c.lastTilePixel + 1, 0, kBackground)) << c.scrollX;
    // The next tiles, every 200 pixels whatever the sprite's size.
    EXPECT_TRUE(PixelIs(c.lastTilePixel + 200, 7, kBackground)) << c.scrollX;
    EXPECT_TRUE(PixelIs(c.lastTilePixel - 7 + 200, 200, kBackground)) << c.scrollX;
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
  // Start (30, 30); chips at (10, 10) and (110, 10): pictures at
  // (300 - 20, 300 - 20) and (300 + 80, 300 - 20).
  EXPECT_TRUE(PixelIs(280, 280, kMovingChip));
  EXPECT_TRUE(PixelIs(280 + 79, 280 + 49, kMovingChip));
  EXPECT_TRUE(PixelIs(380 + 79, 280 + 49, kMovingChip));
  EXPECT_FALSE(PixelIs(279, 280, kMovingChip));
  Key(VK_ESCAPE);
  LeftUp(POINT{300, 300});
  Draw();
  EXPECT_EQ(CountColour(RECT{0, 0, 800, 600}, kMovingChip), 0);

  // An unselected chip is dragged alone.
  LeftDown(POINT{420, 230});  // (4, 3) at (410, 220)
  Draw();
  MoveTo(POINT{600, 100});
  Draw();
  EXPECT_TRUE(PixelIs(590, 90, kMovingChip));
  EXPECT_EQ(CountColour(RECT{0, 0, 800, 600}, kMovingChip), 80 * 50);
  Key(VK_ESCAPE);
}

TEST_F(EditorViewTest, HoverFrameOnEmptyAndFilledCells) {
  StartEditor();
  Place({2, 2}, kWalk);
  MoveTo(POINT{250, 175});
  Draw();
  EXPECT_TRUE(PixelIs(210, 150, kFrameHover));
  EXPECT_TRUE(PixelIs(289, 199, kFrameHover));
  MoveTo(POINT{350, 175});
  Draw();
  EXPECT_TRUE(PixelIs(310, 150, kFrameHover));
  EXPECT_FALSE(PixelIs(210, 150, kFrameHover));
  MoveTo(POINT{395, 175});  // margin
  Draw();
  EXPECT_EQ(CountColour(RECT{0, 0, 800, 600}, kFrameHover), 0);
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
  EXPECT_TRUE(PixelIs(599, 590, kBar));
  EXPECT_TRUE(PixelIs(600, 590, kBarEnd));
  EXPECT_TRUE(PixelIs(790, 150, kSlider));
  EXPECT_TRUE(PixelIs(610, 592, kButton));

  m_scene->ScrollView().ScrollBy(100000, 100000);
  MoveTo(POINT{610, 592});
  Draw();
  EXPECT_TRUE(PixelIs(570, 590, kSlider));
  EXPECT_TRUE(PixelIs(569, 590, kBar));
  EXPECT_TRUE(PixelIs(790, 420, kSlider));
  EXPECT_TRUE(PixelIs(790, 419, kBar));
  EXPECT_TRUE(PixelIs(610, 592, kButtonHover));
  EXPECT_TRUE(PixelIs(190, 592, kButton));
  Park();
  Draw();
  EXPECT_TRUE(PixelIs(610, 592, kButton));
}

TEST_F(EditorViewTest, GridThatFitsTheScreenHasNoBars) {
  Settings.MaxChipNumX = 7;
  Settings.MaxChipNumY = 8;
  StartEditor();
  Park();
  Draw();
  EXPECT_EQ(g_registry->Exists("ScrollBarX"), 0);
  EXPECT_EQ(g_registry->Exists("ScrollBarButtonDown"), 0);
  EXPECT_EQ(CountColour(RECT{0, 0, 800, 600}, kBar), 0);
  EXPECT_EQ(CountColour(RECT{0, 0, 800, 600}, kButton), 0);
  // A press where the buttons would be is an ordinary press.
  Click(POINT{610, 592});
  EXPECT_EQ(m_scene->ScrollView().GetScroll(), (POINT{0, 0}));
}

TEST_F(EditorViewTest, MessageLogStacksUpFromTheBottomLeftForFiveSeconds) {
  StartEditor();
  Park();
  const DWORD t0 = platform::TimeGetTime();
  m_scene->MessageLog().Add("MMMMMMMMMMMMMMMM");
  Wait(1000);
  m_scene->MessageLog().Add("M");
  Wait(1000);
  m_scene->MessageLog().Add("MMMMMMMM");
  Draw();
  // Oldest at the top, newest at ScreenHeight - 15; a long, a short and a
  // middling line tell them apart.
  EXPECT_GT(CountColour(RECT{100, 555, 300, 570}, kWhite), 0);
  EXPECT_EQ(CountColour(RECT{30, 570, 300, 585}, kWhite), 0);
  EXPECT_GT(CountColour(RECT{5, 570, 30, 585}, kWhite), 0);
  EXPECT_GT(CountColour(RECT{30, 585, 100, 600}, kWhite), 0);
  EXPECT_EQ(CountColour(RECT{100, 585, 300, 600}, kWhite), 0);

  Wait(t0 + 5500 - platform::TimeGetTime());
  Draw();
  EXPECT_EQ(m_scene->MessageLog().Lines().size(), 2u);
  EXPECT_EQ(CountColour(RECT{5, 555, 300, 569}, kWhite), 0);
  EXPECT_GT(CountColour(RECT{5, 570, 30, 585}, kWhite), 0);
  EXPECT_EQ(CountColour(RECT{30, 570, 300, 585}, kWhite), 0);
  EXPECT_GT(CountColour(RECT{30, 585, 100, 600}, kWhite), 0);

  // Data is drawn as it is, never as a format.
  m_scene->MessageLog().Add("%s%n%s");
  Draw();
  EXPECT_EQ(m_scene->MessageLog().Lines().size(), 3u);
}

}  // namespace
}  // namespace editor_test

// CScrollView: world size, cell conversions at the margins, slider arithmetic.
#include "editor/scroll_view.h"

#include <climits>
#include <string>

#include <gtest/gtest.h>

#include "app/settings.h"
#include "support/temp_dir.h"

namespace {

class ScrollViewTest : public ::testing::Test {
 protected:
  void SetUp() override { Settings = SettingsData{}; }
  void TearDown() override { Settings = SettingsData{}; }

  // The scroll-bar keys are read from setting.ini when the view is made.
  void WriteBarSettings(int widthPercent, int heightPercent, int minWidth, int minHeight) {
    m_dir.WriteFile("setting.ini",
                    "[general]\r\nScrollBarWidthPercent=" + std::to_string(widthPercent) +
                        "\r\nScrollBarHeightPercent=" + std::to_string(heightPercent) +
                        "\r\nMinSliderWidth=" + std::to_string(minWidth) +
                        "\r\nMinSliderHeight=" + std::to_string(minHeight) + "\r\n");
  }

  CScrollView MakeView() {
    CScrollView view;
    view.Init();
    return view;
  }

  ScopedTempDir m_dir;
};

TEST_F(ScrollViewTest, DefaultGridGeometry) {
  CScrollView view = MakeView();
  EXPECT_EQ(view.GetWorldSize(), (Size{2020, 1420}));
  EXPECT_EQ(view.CellToScreen(1, 2, CoordSpace::kWorld), (POINT{110, 150}));
  EXPECT_EQ(view.GetScroll(), (POINT{0, 0}));
}

TEST_F(ScrollViewTest, ScreenToCellAtTheMarginsOfAChip) {
  CScrollView view = MakeView();
  struct Case {
    int x, y;
    bool hit;
    Cell cell;
  };
  const Case cases[] = {
      {10, 10, true, {0, 0}},    {90, 10, true, {0, 0}},     // remainder 80 still counts
      {91, 10, false, {0, 0}},   {9, 10, false, {0, 0}},     // margin, outer half margin
      {110, 10, true, {1, 0}},   {10, 60, true, {0, 0}},     // remainder 50 still counts
      {10, 61, false, {0, 0}},   {10, 9, false, {0, 0}},     //
      {1990, 10, true, {19, 0}}, {1991, 10, false, {0, 0}},  // last column, then margin
      {2010, 10, false, {0, 0}}, {10, 1390, true, {0, 19}},  // beyond, last row
      {10, 1410, false, {0, 0}}, {-5, -5, false, {0, 0}},
  };
  for (const Case& c : cases) {
    Cell cell{7, 7};
    EXPECT_EQ(view.ScreenToCell(c.x, c.y, CoordSpace::kWorld, &cell), c.hit) << c.x << "," << c.y;
    EXPECT_EQ(cell, c.cell) << c.x << "," << c.y;
  }
}

TEST_F(ScrollViewTest, ScreenPointsFollowTheScrollOffset) {
  CScrollView view = MakeView();
  view.ScrollBy(100, 70);
  Cell cell;
  ASSERT_TRUE(view.ScreenToCell(10, 10, CoordSpace::kScreen, &cell));
  EXPECT_EQ(cell, (Cell{1, 1}));
  ASSERT_TRUE(view.ScreenToCell(110, 80, CoordSpace::kWorld, &cell));
  EXPECT_EQ(cell, (Cell{1, 1}));
  EXPECT_EQ(view.CellToScreen(1, 1, CoordSpace::kScreen), (POINT{10, 10}));
  EXPECT_EQ(view.WorldToScreen(110, 80), (POINT{10, 10}));
}

TEST_F(ScrollViewTest, ThePixelAfterTheLastChipOfAGridWithoutMarginsIsOutside) {
  Settings.ChipMarginX = 0;
  Settings.ChipMarginY = 0;
  Settings.MaxChipNumX = 2;
  Settings.MaxChipNumY = 2;
  CScrollView view = MakeView();
  Cell cell;
  EXPECT_TRUE(view.ScreenToCell(159, 99, CoordSpace::kWorld, &cell));
  EXPECT_EQ(cell, (Cell{1, 1}));
  // Without margins every remainder is within the chip, so only the index
  // keeps column 2 of a two-column grid from being answered.
  EXPECT_FALSE(view.ScreenToCell(160, 10, CoordSpace::kWorld, &cell));
  EXPECT_FALSE(view.ScreenToCell(10, 100, CoordSpace::kWorld, &cell));
}

TEST_F(ScrollViewTest, AGridWithoutCellsHasNoCell) {
  Settings.MaxChipNumX = 0;
  Settings.ChipMarginX = 0;
  Settings.ChipMarginY = 0;
  CScrollView view = MakeView();
  Cell cell;
  EXPECT_FALSE(view.ScreenToCell(0, 0, CoordSpace::kWorld, &cell));
}

TEST_F(ScrollViewTest, ScrollByClampsToTheWorld) {
  CScrollView view = MakeView();
  view.ScrollBy(20, 0);
  view.ScrollBy(-50, -50);
  EXPECT_EQ(view.GetScroll(), (POINT{0, 0}));
  view.ScrollBy(INT_MAX, INT_MAX);
  EXPECT_EQ(view.GetScroll(), (POINT{2020 - 800, 1420 - 600}));
  view.ScrollBy(INT_MIN, 0);
  EXPECT_EQ(view.GetScroll(), (POINT{0, 1420 - 600}));
}

TEST_F(ScrollViewTest, SliderGrowsSoThatOnePixelScrollsOnePixel) {
  // World 900 wide on an 800 screen: overflow 100; track 400, minimum 30.
  Settings.ChipWidth = 90;
  Settings.MaxChipNumX = 8;
  WriteBarSettings(50, 50, 30, 30);
  CScrollView view = MakeView();
  ASSERT_EQ(view.GetWorldSize().width, 900);
  EXPECT_EQ(view.GetTrackSize().width, 400);
  EXPECT_EQ(view.GetSliderSize().width, 300);
  EXPECT_TRUE(view.IsScrollable("x"));
  view.MoveSliderX(1);
  EXPECT_EQ(view.GetScroll().x, 1);
  view.MoveSliderX(50);
  EXPECT_EQ(view.GetScroll().x, 51);
  EXPECT_EQ(view.GetSliderOffset().x, 51);
  view.MoveSliderX(1000);
  EXPECT_EQ(view.GetScroll().x, 100);
  view.MoveSliderX(-2000);  // before the track's start
  EXPECT_EQ(view.GetScroll().x, 0);
}

TEST_F(ScrollViewTest, SliderStepsAreWholeSliderPixels) {
  WriteBarSettings(50, 50, 30, 30);  // track 400, slider 30, overflow 1220
  CScrollView view = MakeView();
  ASSERT_EQ(view.GetSliderSize().width, 30);
  view.MoveSliderX(10);
  EXPECT_EQ(view.GetScroll().x, 10 * 1220 / 370);
  EXPECT_EQ(view.GetSliderOffset().x, 9);  // 32 * 370 / 1220, truncated
  view.MoveSliderX(1000);
  EXPECT_EQ(view.GetScroll().x, 1220);
  EXPECT_EQ(view.GetSliderOffset().x, 370);
  view.MoveSliderY(-10);
  EXPECT_EQ(view.GetScroll().y, 0);
}

TEST_F(ScrollViewTest, AGridThatFitsHasNoScrollBar) {
  Settings.MaxChipNumX = 7;  // 720 pixels wide
  Settings.MaxChipNumY = 8;  // 580 pixels high
  WriteBarSettings(50, 50, 30, 30);
  CScrollView view = MakeView();
  EXPECT_EQ(view.GetSliderSize(), view.GetTrackSize());
  EXPECT_FALSE(view.IsScrollable("x"));
  EXPECT_FALSE(view.IsScrollable("y"));
  view.MoveSliderX(10);
  view.MoveSliderY(10);
  EXPECT_EQ(view.GetScroll(), (POINT{0, 0}));
  EXPECT_EQ(view.GetSliderOffset(), (POINT{0, 0}));
}

TEST_F(ScrollViewTest, ASliderAsLongAsItsTrackMakesNoBar) {
  WriteBarSettings(50, 50, 400, 300);  // the minimum equals the track
  CScrollView view = MakeView();
  EXPECT_FALSE(view.IsScrollable("x"));
  EXPECT_FALSE(view.IsScrollable("y"));
}

TEST_F(ScrollViewTest, ASliderLongerThanItsTrackNeverDividesByZero) {
  // The grid fits the width, so the overflow is 0, and the minimum slider is
  // longer than the track: the slider arithmetic has no divisor.
  Settings.MaxChipNumX = 7;
  WriteBarSettings(50, 50, 500, 500);
  CScrollView view = MakeView();
  EXPECT_FALSE(view.IsScrollable("x"));
  EXPECT_FALSE(view.IsScrollable("y"));  // overflow but no room on the track
  view.MoveSliderX(10);
  view.MoveSliderY(10);
  EXPECT_EQ(view.GetSliderOffset(), (POINT{0, 0}));
  EXPECT_EQ(view.GetScroll(), (POINT{0, 0}));
  view.ScrollBy(0, 50);  // the grid stays reachable by dragging
  EXPECT_EQ(view.GetScroll().y, 50);
}

TEST_F(ScrollViewTest, TrackPercentIsKeptWithinTheScreen) {
  WriteBarSettings(250, -20, 30, 30);
  CScrollView view = MakeView();
  EXPECT_EQ(view.GetTrackSize(), (Size{800, 0}));
}

TEST_F(ScrollViewTest, LargestGridAndScreenDoNotOverflow) {
  Settings.ChipWidth = kMaxChipSize;
  Settings.ChipHeight = kMaxChipSize;
  Settings.ChipMarginX = kMaxChipMargin;
  Settings.ChipMarginY = kMaxChipMargin;
  Settings.MaxChipNumX = kMaxChipNum;
  Settings.MaxChipNumY = kMaxChipNum;
  Settings.ScreenWidth = kMaxScreenWidth;
  Settings.ScreenHeight = kMaxScreenHeight;
  WriteBarSettings(100, 100, 30, 30);
  CScrollView view = MakeView();
  const Size world = view.GetWorldSize();
  ASSERT_EQ(world.width, 8192 * 4096 + 4096);
  // Slider offsets multiply world lengths by track lengths: beyond 32 bits.
  view.MoveSliderX(kMaxScreenWidth);
  view.MoveSliderY(kMaxScreenHeight);
  EXPECT_EQ(view.GetScroll(),
            (POINT{world.width - kMaxScreenWidth, world.height - kMaxScreenHeight}));
  EXPECT_EQ(view.GetSliderOffset(), (POINT{kMaxScreenWidth - 30, kMaxScreenHeight - 30}));
  view.MoveSliderX(-1);
  EXPECT_LT(view.GetScroll().x, world.width - kMaxScreenWidth);
  const POINT last = view.CellToScreen(kMaxChipNum - 1, kMaxChipNum - 1, CoordSpace::kWorld);
  EXPECT_EQ(last, (POINT{2048 + 4095 * 8192, 2048 + 4095 * 8192}));
  Cell cell;
  ASSERT_TRUE(view.ScreenToCell(last.x + kMaxChipSize, last.y, CoordSpace::kWorld, &cell));
  EXPECT_EQ(cell, (Cell{kMaxChipNum - 1, kMaxChipNum - 1}));
}

}  // namespace

// CScrollView: cell conversions at the margins, scroll clamping and the
// slider arithmetic of every kind of bar, up to the largest settings.
#include "editor/scroll_view.h"

#include <climits>
#include <string>

#include <gtest/gtest.h>

#include "foundation/settings.h"
#include "support/temp_dir.h"

namespace {

class ScrollViewTest : public ::testing::Test {
 protected:
  void SetUp() override { Settings = SettingsData{}; }
  void TearDown() override { Settings = SettingsData{}; }

  // The scroll-bar keys are read from setting.ini when the view is made.
  CScrollView MakeView(int percent = 50, int minSlider = 30) {
    const std::string p = std::to_string(percent);
    const std::string m = std::to_string(minSlider);
    m_dir.WriteFile("setting.ini",
                    "[general]\r\nScrollBarWidthPercent=" + p + "\r\nScrollBarHeightPercent=" + p +
                        "\r\nMinSliderWidth=" + m + "\r\nMinSliderHeight=" + m + "\r\n");
    CScrollView view;
    view.Init();
    return view;
  }

  ScopedTempDir m_dir;
};

TEST_F(ScrollViewTest, ScreenToCellAtTheMarginsOfAChipAndAfterScrolling) {
  CScrollView view = MakeView();
  EXPECT_EQ(view.GetWorldSize(), (Size{2020, 1420}));
  struct Case {
    int x, y;
    bool hit;
    Cell cell;
  };
  const Case cases[] = {
      {90, 10, true, {0, 0}},    {10, 60, true, {0, 0}},     // remainders 80 and 50 still count
      {91, 10, false, {0, 0}},   {10, 61, false, {0, 0}},    // the margins
      {9, 10, false, {0, 0}},    {110, 10, true, {1, 0}},    // outer half margin, next chip
      {1990, 10, true, {19, 0}}, {2010, 10, false, {0, 0}},  // last column, beyond
      {10, 1410, false, {0, 0}}, {-5, -5, false, {0, 0}},
  };
  for (const Case& c : cases) {
    Cell cell{7, 7};
    EXPECT_EQ(view.ScreenToCell(c.x, c.y, CoordSpace::kWorld, &cell), c.hit) << c.x << "," << c.y;
    EXPECT_EQ(cell, c.cell) << c.x << "," << c.y;
  }
  view.ScrollBy(100, 70);
  Cell cell;
  ASSERT_TRUE(view.ScreenToCell(10, 10, CoordSpace::kScreen, &cell));
  EXPECT_EQ(cell, (Cell{1, 1}));
  // Scrolling by any amount stays within the world.
  view.ScrollBy(INT_MAX, INT_MAX);
  EXPECT_EQ(view.GetScroll(), (POINT{2020 - 800, 1420 - 600}));
  view.ScrollBy(INT_MIN, 0);
  EXPECT_EQ(view.GetScroll(), (POINT{0, 1420 - 600}));
}

TEST_F(ScrollViewTest, GridsWithoutMarginsOrCellsAnswerOnlyTheirOwnCells) {
  Settings.ChipMarginX = 0;
  Settings.ChipMarginY = 0;
  Settings.MaxChipNumX = 2;
  Settings.MaxChipNumY = 2;
  CScrollView view = MakeView();
  Cell cell;
  EXPECT_TRUE(view.ScreenToCell(159, 99, CoordSpace::kWorld, &cell));
  EXPECT_EQ(cell, (Cell{1, 1}));
  // Every remainder is within a chip: only the index keeps column 2 out.
  EXPECT_FALSE(view.ScreenToCell(160, 10, CoordSpace::kWorld, &cell));
  EXPECT_FALSE(view.ScreenToCell(10, 100, CoordSpace::kWorld, &cell));
  Settings.MaxChipNumX = 0;
  view = MakeView();
  EXPECT_FALSE(view.ScreenToCell(0, 0, CoordSpace::kWorld, &cell));
}

TEST_F(ScrollViewTest, SliderLengthsAndStepsForEveryKindOfBar) {
  // On the 800-pixel screen; the default grid is 2020 wide (overflow 1220).
  struct Case {
    const char* what;
    int columns, chipWidth, percent, minSlider;
    int track, slider;
    bool scrollable;
    int scrollAfter10, offsetAfter10;
  };
  const Case cases[] = {
      {"minimum slider", 20, 80, 50, 30, 400, 30, true, 10 * 1220 / 370, 9},
      {"slider grows to scroll pixel by pixel", 8, 90, 50, 30, 400, 300, true, 10, 10},
      {"grid fits", 7, 80, 50, 30, 400, 400, false, 0, 0},
      {"minimum equals the track", 20, 80, 50, 400, 400, 400, false, 0, 0},
      {"minimum beyond the track", 20, 80, 50, 500, 400, 500, false, 0, 0},
      {"fits, minimum beyond the track", 7, 80, 50, 500, 400, 500, false, 0, 0},
      {"track kept within the screen", 20, 80, 250, 30, 800, 30, true, 10 * 1220 / 770, 9},
      {"no track", 20, 80, -20, 30, 0, 30, false, 0, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    Settings.MaxChipNumX = c.columns;
    Settings.ChipWidth = c.chipWidth;
    CScrollView view = MakeView(c.percent, c.minSlider);
    EXPECT_EQ(view.GetTrackSize().width, c.track);
    EXPECT_EQ(view.GetSliderSize().width, c.slider);
    EXPECT_EQ(view.IsScrollable("x"), c.scrollable);
    // A bar that cannot scroll must never divide by its empty room.
    view.MoveSliderX(10);
    view.MoveSliderY(10);
    EXPECT_EQ(view.GetScroll().x, c.scrollAfter10);
    EXPECT_EQ(view.GetSliderOffset().x, c.offsetAfter10);
  }
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
  CScrollView view = MakeView(100, 30);
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

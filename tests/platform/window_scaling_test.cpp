// The picture's scaling in a window of any size: the start-up factor, the
// letterbox rectangle at whole and smooth factors, and the mouse mapped back
// onto the picture, at the edges and corners.
#include "platform/window_scaling.h"

#include <gtest/gtest.h>

namespace {

using platform::PictureRect;
using platform::ScaleMode;
using platform::StartScaleFactor;
using platform::WindowToPicture;

bool Same(const RECT& a, const RECT& b) {
  return a.left == b.left && a.top == b.top && a.right == b.right && a.bottom == b.bottom;
}

TEST(StartScaleFactorTest, LargestFactorThatFitsAndCoversAtMostEightyPercent) {
  // 4K: 3 x 800 x 600 = 2400 x 1800 fits on 3840 x 2160 and covers 52 % of
  // it; 4 x would not fit. A 40-pixel panel changes nothing.
  EXPECT_EQ(StartScaleFactor(800, 600, 3840, 2160), 3);
  EXPECT_EQ(StartScaleFactor(800, 600, 3840, 2120), 3);
  EXPECT_EQ(StartScaleFactor(640, 480, 3840, 2160), 4);
  // Full HD: 2 x would be 1600 x 1200, taller than the screen.
  EXPECT_EQ(StartScaleFactor(800, 600, 1920, 1080), 1);
  // 2 x fits 1920 x 1200 exactly, but would cover 83 % of it.
  EXPECT_EQ(StartScaleFactor(800, 600, 1920, 1200), 1);
  // Exactly 80 %: 5 x 800 x 600 = 4000 x 3000, 12 M of 15 M pixels.
  EXPECT_EQ(StartScaleFactor(800, 600, 5000, 3750), 5);
  // 6 x would fit too, but cover 17.28 M of 18.75 M.
  EXPECT_EQ(StartScaleFactor(100, 100, 1000, 1000), 8);  // 64 % ; 9 x = 81 %
  // Small screens and nonsense still give a window.
  EXPECT_EQ(StartScaleFactor(800, 600, 1024, 768), 1);
  EXPECT_EQ(StartScaleFactor(800, 600, 640, 480), 1);
  EXPECT_EQ(StartScaleFactor(0, 600, 3840, 2160), 1);
  EXPECT_EQ(StartScaleFactor(800, 600, -1, 2160), 1);
  // No overflow at the extremes: sqrt(0.8) x 2147483647.
  EXPECT_EQ(StartScaleFactor(1, 1, 2147483647, 2147483647), 1920767766);
}

TEST(PictureRectTest, WholeFactorsWithBarsAround) {
  EXPECT_TRUE(Same(PictureRect(800, 600, 800, 600, ScaleMode::kInteger), RECT{0, 0, 800, 600}));
  EXPECT_TRUE(Same(PictureRect(1600, 1200, 800, 600, ScaleMode::kInteger), RECT{0, 0, 1600, 1200}));
  // 2.5 x wide, 2.2 x high: factor 2, centred.
  EXPECT_TRUE(
      Same(PictureRect(2000, 1320, 800, 600, ScaleMode::kInteger), RECT{200, 60, 1800, 1260}));
  // Odd bars: the extra pixel goes right and below.
  EXPECT_TRUE(Same(PictureRect(801, 603, 800, 600, ScaleMode::kInteger), RECT{0, 1, 800, 601}));
  // Smaller than the picture: shrunk to fit, aspect kept.
  EXPECT_TRUE(Same(PictureRect(400, 600, 800, 600, ScaleMode::kInteger), RECT{0, 150, 400, 450}));
  EXPECT_TRUE(Same(PictureRect(1, 1, 800, 600, ScaleMode::kInteger), RECT{0, 0, 1, 1}));
  EXPECT_TRUE(Same(PictureRect(0, 600, 800, 600, ScaleMode::kInteger), RECT{0, 0, 0, 0}));
}

TEST(PictureRectTest, SmoothFillsTheBindingSide) {
  EXPECT_TRUE(Same(PictureRect(2000, 1320, 800, 600, ScaleMode::kFill), RECT{120, 0, 1880, 1320}));
  EXPECT_TRUE(Same(PictureRect(1000, 1000, 800, 600, ScaleMode::kFill), RECT{0, 125, 1000, 875}));
  EXPECT_TRUE(Same(PictureRect(1600, 1200, 800, 600, ScaleMode::kFill), RECT{0, 0, 1600, 1200}));
}

TEST(WindowToPictureTest, MapsBackAtEveryFactor) {
  const RECT one{0, 0, 800, 600};
  EXPECT_EQ(WindowToPicture(POINT{0, 0}, one, 800, 600).x, 0);
  EXPECT_EQ(WindowToPicture(POINT{799, 599}, one, 800, 600).y, 599);
  // Factor 3 with bars: every window pixel of a picture pixel maps to it.
  const RECT three{100, 50, 2500, 1850};
  for (int dx = 0; dx < 3; ++dx) {
    const POINT p = WindowToPicture(POINT{100 + 3 * 10 + dx, 50 + 3 * 20 + dx}, three, 800, 600);
    EXPECT_EQ(p.x, 10);
    EXPECT_EQ(p.y, 20);
  }
  const POINT last = WindowToPicture(POINT{2499, 1849}, three, 800, 600);
  EXPECT_EQ(last.x, 799);
  EXPECT_EQ(last.y, 599);
  // On the bars: outside the picture, left and above negative.
  const POINT before = WindowToPicture(POINT{99, 49}, three, 800, 600);
  EXPECT_EQ(before.x, -1);
  EXPECT_EQ(before.y, -1);
  const POINT after = WindowToPicture(POINT{2500, 1850}, three, 800, 600);
  EXPECT_EQ(after.x, 800);
  EXPECT_EQ(after.y, 600);
  // A smooth factor of 1.25: window 500 is picture 400.
  const RECT smooth{0, 125, 1000, 875};
  const POINT middle = WindowToPicture(POINT{500, 500}, smooth, 800, 600);
  EXPECT_EQ(middle.x, 400);
  EXPECT_EQ(middle.y, 300);
  // An empty rectangle leaves the point alone.
  EXPECT_EQ(WindowToPicture(POINT{7, 9}, RECT{0, 0, 0, 0}, 800, 600).x, 7);
}

}  // namespace

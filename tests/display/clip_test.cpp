// Clipping of 1:1 copies: the screen's edges and skip rule, and the source
// surface's bounds.
#include "display/clip.h"

#include <gtest/gtest.h>

#include <climits>

namespace {

constexpr int kW = 800;
constexpr int kH = 600;

// A 40 x 20 sprite at (40, 30) of a 100 x 100 bitmap.
const RECT kSource{40, 30, 80, 50};

RECT At(int x, int y) {
  return RECT{x, y, x + 40, y + 20};
}

bool Clip(const RECT& dst, const RECT& src, ClippedCopy* out) {
  return ClipCopy(dst, src, kW, kH, 100, 100, out);
}

TEST(ClipCopy, InsideTheScreenIsUnchanged) {
  ClippedCopy c;
  ASSERT_TRUE(Clip(At(10, 20), kSource, &c));
  EXPECT_EQ(c.source, kSource);
  EXPECT_EQ(c.x, 10);
  EXPECT_EQ(c.y, 20);
}

TEST(ClipCopy, EachEdgeCutsDestinationAndSourceAlike) {
  ClippedCopy c;
  // Half off the left edge: the right half is drawn at x 0.
  ASSERT_TRUE(Clip(At(-20, 20), kSource, &c));
  EXPECT_EQ(c.source, (RECT{60, 30, 80, 50}));
  EXPECT_EQ(c.x, 0);

  ASSERT_TRUE(Clip(At(10, -5), kSource, &c));
  EXPECT_EQ(c.source, (RECT{40, 35, 80, 50}));
  EXPECT_EQ(c.y, 0);

  ASSERT_TRUE(Clip(At(kW - 10, 20), kSource, &c));
  EXPECT_EQ(c.source, (RECT{40, 30, 50, 50}));
  EXPECT_EQ(c.x, kW - 10);

  ASSERT_TRUE(Clip(At(10, kH - 1), kSource, &c));
  EXPECT_EQ(c.source, (RECT{40, 30, 80, 31}));
  EXPECT_EQ(c.y, kH - 1);

  // A corner: two edges at once.
  ASSERT_TRUE(Clip(At(-30, kH - 4), kSource, &c));
  EXPECT_EQ(c.source, (RECT{70, 30, 80, 34}));
  EXPECT_EQ(c.x, 0);
  EXPECT_EQ(c.y, kH - 4);
}

TEST(ClipCopy, SkipsWhatLiesEntirelyOffTheScreen) {
  ClippedCopy c;
  EXPECT_FALSE(Clip(At(kW + 1, 0), kSource, &c));
  EXPECT_FALSE(Clip(At(0, kH + 1), kSource, &c));
  EXPECT_FALSE(Clip(At(-41, 0), kSource, &c));
  EXPECT_FALSE(Clip(At(0, -21), kSource, &c));
  // Touching an edge from outside leaves nothing to draw either.
  EXPECT_FALSE(Clip(At(kW, 0), kSource, &c));
  EXPECT_FALSE(Clip(At(-40, 0), kSource, &c));
  EXPECT_FALSE(Clip(At(0, kH), kSource, &c));
  EXPECT_FALSE(Clip(At(0, -20), kSource, &c));
}

TEST(ClipCopy, KeepsTheSourceInsideItsBitmap) {
  ClippedCopy c;
  // Reaching 10 pixels past the bitmap's right and bottom edges.
  ASSERT_TRUE(Clip(At(0, 0), RECT{70, 90, 110, 110}, &c));
  EXPECT_EQ(c.source, (RECT{70, 90, 100, 100}));
  EXPECT_EQ(c.x, 0);
  // Starting before the bitmap: the destination moves along.
  ASSERT_TRUE(Clip(At(100, 100), RECT{-5, -3, 35, 17}, &c));
  EXPECT_EQ(c.source, (RECT{0, 0, 35, 17}));
  EXPECT_EQ(c.x, 105);
  EXPECT_EQ(c.y, 103);
  // Wholly outside the bitmap, or inverted.
  EXPECT_FALSE(Clip(At(0, 0), RECT{100, 0, 140, 20}, &c));
  EXPECT_FALSE(Clip(At(0, 0), RECT{40, 20, 0, 0}, &c));
}

TEST(ClipCopy, CopiesOnlyWhatBothRectanglesHold) {
  ClippedCopy c;
  ASSERT_TRUE(Clip(RECT{0, 0, 10, 50}, RECT{0, 0, 30, 5}, &c));
  EXPECT_EQ(c.source, (RECT{0, 0, 10, 5}));
}

TEST(ClipCopy, ExtremeCoordinatesNeitherOverflowNorDraw) {
  ClippedCopy c;
  EXPECT_FALSE(Clip(RECT{INT_MIN, INT_MIN, INT_MIN + 40, INT_MIN + 20}, kSource, &c));
  EXPECT_FALSE(Clip(RECT{INT_MAX - 40, 0, INT_MAX, 20}, kSource, &c));
  // A destination spanning everything still copies only the screen's part
  // of the source.
  ASSERT_TRUE(
      Clip(RECT{INT_MIN, INT_MIN, INT_MAX, INT_MAX}, RECT{INT_MIN, INT_MIN, INT_MAX, INT_MAX}, &c));
  EXPECT_EQ(c.x, 0);
  EXPECT_EQ(c.y, 0);
  EXPECT_LE(c.source.right - c.source.left, 100);
}

TEST(ClipToArea, IntersectsAndRejectsEmptyRectangles) {
  RECT r;
  ASSERT_TRUE(ClipToArea(RECT{-5, -5, 10, 900}, kW, kH, &r));
  EXPECT_EQ(r, (RECT{0, 0, 10, kH}));
  EXPECT_FALSE(ClipToArea(RECT{10, 10, 10, 20}, kW, kH, &r));
  EXPECT_FALSE(ClipToArea(RECT{20, 10, 10, 20}, kW, kH, &r));
  EXPECT_FALSE(ClipToArea(RECT{kW, 0, kW + 5, 5}, kW, kH, &r));
}

}  // namespace

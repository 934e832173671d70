// Clipping of 1:1 copies to the screen and to the source surface.
#include "display/clip.h"

#include <gtest/gtest.h>

#include <climits>

namespace {

TEST(ClipCopy, CutsDestinationAndSourceAlikeAndSkipsWhatIsLeftEmpty) {
  // An 800 x 600 screen and a 100 x 100 bitmap; the sprite is 40 x 20.
  const RECT s{40, 30, 80, 50};
  auto at = [](int x, int y) { return RECT{x, y, x + 40, y + 20}; };
  const struct {
    RECT destination, source;
    bool drawn;
    RECT clipped;
    int x, y;
  } cases[] = {
      {at(10, 20), s, true, s, 10, 20},
      {at(-20, 20), s, true, {60, 30, 80, 50}, 0, 20},
      {at(790, 20), s, true, {40, 30, 50, 50}, 790, 20},
      {at(-30, 596), s, true, {70, 30, 80, 34}, 0, 596},
      // Off the screen, or touching an edge from outside.
      {at(800, 0), s, false, {}, 0, 0},
      {at(-40, 0), s, false, {}, 0, 0},
      // The source is kept inside its bitmap, moving the destination along.
      {at(0, 0), {70, 90, 110, 110}, true, {70, 90, 100, 100}, 0, 0},
      {at(100, 100), {-5, -3, 35, 17}, true, {0, 0, 35, 17}, 105, 103},
      {at(0, 0), {100, 0, 140, 20}, false, {}, 0, 0},
      // A copy is 1:1: only what both rectangles hold.
      {{0, 0, 10, 50}, {0, 0, 30, 5}, true, {0, 0, 10, 5}, 0, 0},
      // Extreme coordinates neither overflow nor draw outside.
      {{INT_MIN, INT_MIN, INT_MIN + 40, INT_MIN + 20}, s, false, {}, 0, 0},
      {{INT_MAX - 40, 0, INT_MAX, 20}, s, false, {}, 0, 0},
      {{INT_MIN, INT_MIN, INT_MAX, INT_MAX},
       {INT_MIN, INT_MIN, INT_MAX, INT_MAX},
       true,
       {0, 0, 100, 100},
       0,
       0},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(&c - cases);
    ClippedCopy out;
    ASSERT_EQ(ClipCopy(c.destination, c.source, 800, 600, 100, 100, &out), c.drawn);
    if (c.drawn) {
      EXPECT_EQ(out.source, c.clipped);
      EXPECT_EQ(out.x, c.x);
      EXPECT_EQ(out.y, c.y);
    }
  }
}

TEST(ClipToArea, IntersectsAndRejectsEmptyRectangles) {
  RECT r;
  ASSERT_TRUE(ClipToArea(RECT{-5, -5, 10, 900}, 800, 600, &r));
  EXPECT_EQ(r, (RECT{0, 0, 10, 600}));
  EXPECT_FALSE(ClipToArea(RECT{10, 10, 10, 20}, 800, 600, &r));
  EXPECT_FALSE(ClipToArea(RECT{20, 10, 10, 20}, 800, 600, &r));
  EXPECT_FALSE(ClipToArea(RECT{800, 0, 805, 5}, 800, 600, &r));
}

}  // namespace

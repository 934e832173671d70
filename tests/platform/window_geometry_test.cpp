// Where the window goes, and how a client point travels in lParam.
#include "platform/window_geometry.h"

#include <gtest/gtest.h>

#include "platform/win_types.h"

namespace platform {
namespace {

TEST(WindowGeometryTest, CentresTheClientAreaOnTheScreen) {
  EXPECT_EQ(CentredClientRect(1024, 768, 800, 600), (RECT{112, 84, 912, 684}));
  EXPECT_EQ(CentredClientRect(800, 600, 800, 600), (RECT{0, 0, 800, 600}));
  EXPECT_EQ(CentredClientRect(1025, 769, 800, 600), (RECT{112, 84, 912, 684}));
}

// Halving an odd client size and adding it back on both sides would make the
// client area a pixel too small; the frame would lose its last column.
TEST(WindowGeometryTest, OddClientSizesKeepEveryPixel) {
  const RECT r = CentredClientRect(1024, 768, 801, 601);
  EXPECT_EQ(r.right - r.left, 801);
  EXPECT_EQ(r.bottom - r.top, 601);
  EXPECT_EQ(r.left, 112);
  EXPECT_EQ(r.top, 84);
}

TEST(WindowGeometryTest, ClientLargerThanTheScreenStartsAboveAndLeftOfIt) {
  EXPECT_EQ(CentredClientRect(1024, 768, 1280, 1024), (RECT{-128, -128, 1152, 896}));
}

TEST(LParamTest, PacksTheClientPointAsWindowsDoes) {
  EXPECT_EQ(MakeLParam(1, 2), LPARAM{0x00020001});
  EXPECT_EQ(MakeLParam(-1, -1), LPARAM{0xFFFFFFFF});
  EXPECT_EQ(MakeLParam(0, -2), LPARAM{0xFFFE0000});
}

// Points left of or above the client area arrive while a button is held
// elsewhere; they must come back out negative, not as 65535.
TEST(LParamTest, ClientPointsSurviveTheRoundTripWithTheirSign) {
  const POINT points[] = {{0, 0}, {799, 599}, {-5, 7}, {7, -5}, {-32768, 32767}, {32767, -32768}};
  for (const POINT& p : points) {
    const LPARAM packed = MakeLParam(p.x, p.y);
    EXPECT_EQ(GetXLParam(packed), p.x) << p.x << "," << p.y;
    EXPECT_EQ(GetYLParam(packed), p.y) << p.x << "," << p.y;
  }
}

}  // namespace
}  // namespace platform

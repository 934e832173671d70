// Where the window goes, and how a client point travels in lParam.
#include "platform/window_geometry.h"

#include <gtest/gtest.h>

#include "platform/win_types.h"

namespace platform {
namespace {

TEST(WindowGeometryTest, CentresTheClientAreaKeepingEveryPixel) {
  EXPECT_EQ(CentredClientRect(1024, 768, 800, 600), (RECT{112, 84, 912, 684}));
  EXPECT_EQ(CentredClientRect(800, 600, 800, 600), (RECT{0, 0, 800, 600}));
  EXPECT_EQ(CentredClientRect(1025, 769, 800, 600), (RECT{112, 84, 912, 684}));
  // Halving an odd client size and adding it back on both sides would lose
  // the frame's last column and row.
  EXPECT_EQ(CentredClientRect(1024, 768, 801, 601), (RECT{112, 84, 913, 685}));
  // A client larger than the screen starts above and left of it.
  EXPECT_EQ(CentredClientRect(1024, 768, 1280, 1024), (RECT{-128, -128, 1152, 896}));
}

// Points left of or above the client area arrive while a button is held
// elsewhere; they must come back out negative, not as 65535.
TEST(LParamTest, PacksTheClientPointAsWindowsDoesKeepingItsSign) {
  EXPECT_EQ(MakeLParam(1, 2), LPARAM{0x00020001});
  EXPECT_EQ(MakeLParam(-1, -2), LPARAM{0xFFFEFFFF});
  for (const POINT p :
       {POINT{0, 0}, {799, 599}, {-5, 7}, {7, -5}, {-32768, 32767}, {32767, -32768}}) {
    EXPECT_EQ(GetXLParam(MakeLParam(p.x, p.y)), p.x) << p.x << "," << p.y;
    EXPECT_EQ(GetYLParam(MakeLParam(p.x, p.y)), p.y) << p.x << "," << p.y;
  }
}

}  // namespace
}  // namespace platform

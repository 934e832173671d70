// The dashed frame: its pattern, hollow and filled, clipped to the surface.
#include "display/frame.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <optional>
#include <vector>

namespace {

constexpr std::uint32_t kBackground = 0x123456;
constexpr std::uint32_t kPen = 0xFF0000;
constexpr std::uint32_t kGap = 0xFFFFFF;
constexpr std::uint32_t kFill = 0x00FF00;

class FrameTest : public ::testing::Test {
 protected:
  FrameTest() : m_pixels(100 * 60, kBackground) {
    m_view = SurfaceView{reinterpret_cast<std::uint8_t*>(m_pixels.data()), 100, 60, 400,
                         PixelFormat::kXrgb8888};
  }

  std::uint32_t At(int x, int y) const { return m_view.PixelAt(x, y); }

  void Draw(const RECT& r, std::optional<std::uint32_t> fill) {
    DrawDashedFrame(m_view, r, kPen, kGap, fill);
  }

  std::vector<std::uint32_t> m_pixels;
  SurfaceView m_view;
};

TEST_F(FrameTest, DashesRunClockwiseInEighteensAndSixesRoundAHollowInside) {
  const RECT r{10, 5, 60, 40};
  Draw(r, std::nullopt);
  std::vector<std::uint32_t> outline;  // clockwise from the top-left corner
  for (int x = r.left; x < r.right; ++x)
    outline.push_back(At(x, r.top));
  for (int y = r.top + 1; y < r.bottom; ++y)
    outline.push_back(At(r.right - 1, y));
  for (int x = r.right - 2; x >= r.left; --x)
    outline.push_back(At(x, r.bottom - 1));
  for (int y = r.bottom - 2; y > r.top; --y)
    outline.push_back(At(r.left, y));
  for (std::size_t i = 0; i < outline.size(); ++i) {
    ASSERT_EQ(outline[i], i % 24 < 18 ? kPen : kGap) << "outline pixel " << i;
  }
  // Right and bottom are exclusive.
  for (const POINT p : {POINT{11, 6}, {58, 38}, {60, 5}, {10, 40}, {9, 5}, {10, 4}}) {
    EXPECT_EQ(At(p.x, p.y), kBackground) << p.x << "," << p.y;
  }
}

TEST_F(FrameTest, UpsideDownFilledAndClippedFramesKeepThePatternPhase) {
  Draw(RECT{60, 40, 10, 5}, kFill);
  EXPECT_EQ(At(11, 6), kFill);
  EXPECT_EQ(At(58, 38), kFill);
  EXPECT_EQ(At(59, 39), kPen);
  EXPECT_EQ(At(60, 20), kBackground);
  // Starting 5 pixels left of the view: top-row pixel x is outline pixel x + 5.
  Draw(RECT{-5, 0, 80, 30}, kFill);
  for (int x = 0; x < 80; ++x) {
    ASSERT_EQ(At(x, 0), (x + 5) % 24 < 18 ? kPen : kGap) << x;
  }
  EXPECT_EQ(At(0, 10), kFill);

  // Every edge outside: nothing is written (the sanitizers watch the
  // buffer's bounds). One edge inside: only its run.
  std::fill(m_pixels.begin(), m_pixels.end(), kBackground);
  Draw(RECT{INT_MIN, INT_MIN, INT_MAX, INT_MAX}, std::nullopt);
  Draw(RECT{INT_MIN, 20, INT_MAX, INT_MAX}, std::nullopt);
  EXPECT_EQ(std::count(m_pixels.begin(), m_pixels.end(), kBackground), 100 * 59);
  EXPECT_NE(At(0, 20), kBackground);
}

}  // namespace

// The dashed frame: its pattern round the outline, hollow and filled, and
// clipping to the surface.
#include "display/frame.h"

#include <gtest/gtest.h>

#include <climits>
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

TEST_F(FrameTest, DashesRunClockwiseInEighteensAndSixesAndLeaveTheRestAlone) {
  const RECT r{10, 5, 60, 40};
  Draw(r, std::nullopt);
  // The outline walked clockwise from the top-left corner.
  std::vector<std::uint32_t> outline;
  for (int x = r.left; x < r.right; ++x)
    outline.push_back(At(x, r.top));
  for (int y = r.top + 1; y < r.bottom; ++y)
    outline.push_back(At(r.right - 1, y));
  for (int x = r.right - 2; x >= r.left; --x)
    outline.push_back(At(x, r.bottom - 1));
  for (int y = r.bottom - 2; y > r.top; --y)
    outline.push_back(At(r.left, y));
  ASSERT_EQ(outline.size(), 2u * (50 + 35) - 4);
  for (std::size_t i = 0; i < outline.size(); ++i) {
    ASSERT_EQ(outline[i], i % 24 < 18 ? kPen : kGap) << "outline pixel " << i;
  }
  // Hollow: the inside stays; right and bottom are exclusive.
  for (const POINT p : {POINT{11, 6}, {58, 38}, {60, 5}, {10, 40}, {9, 5}, {10, 4}}) {
    EXPECT_EQ(At(p.x, p.y), kBackground) << p.x << "," << p.y;
  }
}

TEST_F(FrameTest, UpsideDownFilledFramePaintsTheWholeInside) {
  Draw(RECT{60, 40, 10, 5}, kFill);
  for (int y = 6; y < 39; ++y) {
    for (int x = 11; x < 59; ++x) {
      ASSERT_EQ(At(x, y), kFill) << x << "," << y;
    }
  }
  EXPECT_EQ(At(10, 5), kPen);
  EXPECT_EQ(At(59, 39), kPen);
  EXPECT_EQ(At(60, 20), kBackground);
}

TEST_F(FrameTest, ClippingKeepsThePatternPhaseAndStaysInTheView) {
  // Starting 5 pixels left of the view: the top row's pixel at x is the
  // outline's pixel x + 5.
  Draw(RECT{-5, 0, 80, 30}, kFill);
  for (int x = 0; x < 80; ++x) {
    ASSERT_EQ(At(x, 0), (x + 5) % 24 < 18 ? kPen : kGap) << x;
  }
  EXPECT_EQ(At(0, 10), kFill);  // the left edge itself is outside

  // Every edge outside: nothing changes (and nothing outside the buffer is
  // written, which the sanitizers watch). One edge inside: only its run.
  std::fill(m_pixels.begin(), m_pixels.end(), kBackground);
  Draw(RECT{INT_MIN, INT_MIN, INT_MAX, INT_MAX}, std::nullopt);
  EXPECT_EQ(At(0, 0), kBackground);
  EXPECT_EQ(At(99, 59), kBackground);
  Draw(RECT{INT_MIN, 20, INT_MAX, INT_MAX}, std::nullopt);
  EXPECT_NE(At(0, 20), kBackground);
  EXPECT_EQ(At(0, 21), kBackground);
}

}  // namespace

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
  FrameTest() : m_pixels(static_cast<std::size_t>(kWidth * kHeight), kBackground) {
    m_view.pixels = reinterpret_cast<std::uint8_t*>(m_pixels.data());
    m_view.width = kWidth;
    m_view.height = kHeight;
    m_view.pitch = kWidth * 4;
    m_view.format = PixelFormat::kXrgb8888;
  }

  std::uint32_t At(int x, int y) const { return m_view.PixelAt(x, y); }

  // The outline's pixels walked clockwise from the top-left corner, found by
  // walking the rectangle's border, not by the drawing code's arithmetic.
  std::vector<std::uint32_t> Outline(const RECT& r) const {
    std::vector<std::uint32_t> out;
    for (int x = r.left; x < r.right; ++x)
      out.push_back(At(x, r.top));
    for (int y = r.top + 1; y < r.bottom; ++y)
      out.push_back(At(r.right - 1, y));
    for (int x = r.right - 2; x >= r.left; --x)
      out.push_back(At(x, r.bottom - 1));
    for (int y = r.bottom - 2; y > r.top; --y)
      out.push_back(At(r.left, y));
    return out;
  }

  static constexpr int kWidth = 100;
  static constexpr int kHeight = 60;
  std::vector<std::uint32_t> m_pixels;
  SurfaceView m_view;
};

TEST_F(FrameTest, DashesRunRoundTheOutlineInEighteensAndSixes) {
  const RECT r{10, 5, 60, 40};
  DrawDashedFrame(m_view, r, kPen, kGap, std::nullopt);
  const std::vector<std::uint32_t> outline = Outline(r);
  ASSERT_EQ(outline.size(), 2u * (50 + 35) - 4);
  for (std::size_t i = 0; i < outline.size(); ++i) {
    ASSERT_EQ(outline[i], i % 24 < 18 ? kPen : kGap) << "outline pixel " << i;
  }
}

TEST_F(FrameTest, HollowLeavesInsideAndOutsideAlone) {
  DrawDashedFrame(m_view, RECT{10, 5, 60, 40}, kPen, kGap, std::nullopt);
  EXPECT_EQ(At(11, 6), kBackground);
  EXPECT_EQ(At(58, 38), kBackground);
  // Right and bottom are exclusive.
  EXPECT_EQ(At(60, 5), kBackground);
  EXPECT_EQ(At(10, 40), kBackground);
  EXPECT_EQ(At(9, 5), kBackground);
  EXPECT_EQ(At(10, 4), kBackground);
}

TEST_F(FrameTest, FilledPaintsTheWholeInside) {
  DrawDashedFrame(m_view, RECT{10, 5, 60, 40}, kPen, kGap, kFill);
  for (int y = 6; y < 39; ++y) {
    for (int x = 11; x < 59; ++x) {
      ASSERT_EQ(At(x, y), kFill) << x << "," << y;
    }
  }
  EXPECT_EQ(At(10, 5), kPen);
  EXPECT_EQ(At(60, 20), kBackground);
}

TEST_F(FrameTest, UpsideDownRectangleIsNormalised) {
  DrawDashedFrame(m_view, RECT{60, 40, 10, 5}, kPen, kGap, std::nullopt);
  const std::vector<std::uint32_t> reversed = Outline(RECT{10, 5, 60, 40});
  std::fill(m_pixels.begin(), m_pixels.end(), kBackground);
  DrawDashedFrame(m_view, RECT{10, 5, 60, 40}, kPen, kGap, std::nullopt);
  EXPECT_EQ(Outline(RECT{10, 5, 60, 40}), reversed);
}

TEST_F(FrameTest, ClippedFrameKeepsItsPatternPhase) {
  // Starting 5 pixels left of the view: the top row's pixel at x is the
  // outline's pixel x + 5.
  DrawDashedFrame(m_view, RECT{-5, 0, 80, 30}, kPen, kGap, kFill);
  for (int x = 0; x < 80; ++x) {
    ASSERT_EQ(At(x, 0), (x + 5) % 24 < 18 ? kPen : kGap) << x;
  }
  EXPECT_EQ(At(0, 10), kFill);  // the left edge itself is outside
}

TEST_F(FrameTest, ExtremeRectanglesTouchOnlyTheView) {
  // Every edge outside the view: nothing changes, and nothing outside the
  // buffer is written (the sanitizers watch that).
  DrawDashedFrame(m_view, RECT{INT_MIN, INT_MIN, INT_MAX, INT_MAX}, kPen, kGap, std::nullopt);
  EXPECT_EQ(At(0, 0), kBackground);
  EXPECT_EQ(At(kWidth - 1, kHeight - 1), kBackground);
  // One edge inside: only its visible run is drawn.
  DrawDashedFrame(m_view, RECT{INT_MIN, 20, INT_MAX, INT_MAX}, kPen, kGap, std::nullopt);
  EXPECT_NE(At(0, 20), kBackground);
  EXPECT_EQ(At(0, 21), kBackground);
}

}  // namespace

// The window's comparison of a frame with the one on screen: which rows it
// uploads, and that a frame identical to the last one is not shown again.
#include "platform/frame_changes.h"

#include <cstdint>
#include <utility>
#include <vector>

#include <gtest/gtest.h>

namespace {

using platform::CFrameChanges;
using Rows = CFrameChanges::Rows;

// The band as a pair, top and bottom; (0, 0) for no rows.
std::pair<int, int> Band(const Rows& rows) {
  return rows.Empty() ? std::pair{0, 0} : std::pair{rows.top, rows.bottom};
}

// A frame in its own buffer, its rows padded beyond the width as SDL pads
// them.
struct Frame {
  Frame(int width, int height, PixelFormat format, int padding = 0) {
    view.width = width;
    view.height = height;
    view.format = format;
    view.pitch = width * view.BytesPerPixel() + padding;
    bytes.assign(static_cast<std::size_t>(view.pitch) * static_cast<std::size_t>(height), 0x11);
    view.pixels = bytes.data();
  }
  std::vector<std::uint8_t> bytes;
  SurfaceView view;
};

TEST(FrameChangesTest, TheFirstFrameIsWholeAndAnIdenticalOneIsNotShownAgain) {
  CFrameChanges changes;
  Frame frame(8, 6, PixelFormat::kXrgb8888);
  EXPECT_EQ(Band(changes.Take(frame.view)), std::pair(0, 6));
  EXPECT_TRUE(changes.Take(frame.view).Empty());
  // An equal frame in another buffer is equal: the bytes count, not where
  // they are.
  Frame copy(8, 6, PixelFormat::kXrgb8888);
  EXPECT_TRUE(changes.Take(copy.view).Empty());
}

TEST(FrameChangesTest, TheBandRunsFromTheFirstChangedRowToTheLast) {
  CFrameChanges changes;
  Frame frame(8, 10, PixelFormat::kXrgb8888);
  changes.Take(frame.view);

  frame.view.SetPixel(3, 4, 0x123456);
  EXPECT_EQ(Band(changes.Take(frame.view)), std::pair(4, 5));
  EXPECT_TRUE(changes.Take(frame.view).Empty());

  // Rows between two changed ones are part of the band.
  frame.view.SetPixel(0, 2, 1);
  frame.view.SetPixel(7, 7, 2);
  EXPECT_EQ(Band(changes.Take(frame.view)), std::pair(2, 8));

  // The corners: the first and the last byte of the frame.
  frame.view.SetPixel(0, 0, 0xABCDEF);
  EXPECT_EQ(Band(changes.Take(frame.view)), std::pair(0, 1));
  frame.view.SetPixel(7, 9, 0xABCDEF);
  EXPECT_EQ(Band(changes.Take(frame.view)), std::pair(9, 10));

  // A change that is undone is a change back to the frame before.
  frame.view.SetPixel(7, 9, 0x111111);
  EXPECT_EQ(Band(changes.Take(frame.view)), std::pair(9, 10));
  EXPECT_TRUE(changes.Take(frame.view).Empty());
}

TEST(FrameChangesTest, PaddingBeyondTheWidthIsNotPartOfTheFrame) {
  CFrameChanges changes;
  Frame frame(5, 4, PixelFormat::kRgb565, 6);
  changes.Take(frame.view);
  // The padding of row 1 changes: nothing to show.
  frame.bytes[static_cast<std::size_t>(frame.view.pitch) + 5 * 2] = 0x99;
  EXPECT_TRUE(changes.Take(frame.view).Empty());
  // The last pixel of row 1 does.
  frame.view.SetPixel(4, 1, 0xF800);
  EXPECT_EQ(Band(changes.Take(frame.view)), std::pair(1, 2));
}

TEST(FrameChangesTest, ANewSizeFormatOrForgetMakesTheWholeFrameNew) {
  CFrameChanges changes;
  Frame frame(8, 6, PixelFormat::kXrgb8888);
  changes.Take(frame.view);

  changes.Forget();
  EXPECT_EQ(Band(changes.Take(frame.view)), std::pair(0, 6));
  EXPECT_TRUE(changes.Take(frame.view).Empty());

  // The same bytes read as another format or shape are another picture.
  Frame narrow(16, 6, PixelFormat::kRgb565);
  EXPECT_EQ(Band(changes.Take(narrow.view)), std::pair(0, 6));
  Frame taller(8, 7, PixelFormat::kXrgb8888);
  EXPECT_EQ(Band(changes.Take(taller.view)), std::pair(0, 7));
  // Only the rows that were taken are compared: the shorter frame again is
  // whole, and what follows compares with it.
  EXPECT_EQ(Band(changes.Take(frame.view)), std::pair(0, 6));
  frame.view.SetPixel(1, 5, 7);
  EXPECT_EQ(Band(changes.Take(frame.view)), std::pair(5, 6));

  // A view without pixels changes nothing and is never shown.
  EXPECT_TRUE(changes.Take(SurfaceView{}).Empty());
  EXPECT_TRUE(changes.Take(frame.view).Empty());
}

}  // namespace

// The copy kept of the frame is what a repaint shows when the window took
// the frames past its texture: it must be the last frame, unpadded, also
// after Forget.
TEST(FrameChangesTest, TheLastFrameIsKeptWithoutPaddingAlsoAfterForget) {
  CFrameChanges changes;
  EXPECT_EQ(changes.Last().pixels, nullptr);
  Frame frame(5, 3, PixelFormat::kRgb565, 6);
  frame.view.SetPixel(4, 2, 0xBEEF);
  changes.Take(frame.view);
  frame.view.SetPixel(0, 1, 0x1234);
  changes.Take(frame.view);
  changes.Forget();
  const SurfaceView last = changes.Last();
  ASSERT_NE(last.pixels, nullptr);
  EXPECT_EQ(last.width, 5);
  EXPECT_EQ(last.height, 3);
  EXPECT_EQ(last.pitch, 10);
  EXPECT_EQ(last.format, PixelFormat::kRgb565);
  for (int y = 0; y < 3; ++y) {
    for (int x = 0; x < 5; ++x) {
      EXPECT_EQ(last.PixelAt(x, y), frame.view.PixelAt(x, y)) << x << "," << y;
    }
  }
}

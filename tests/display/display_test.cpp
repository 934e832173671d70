// The display on the headless platform, read back from the back surface:
// bitmaps, sprite copies with their colour key, fills, frames, text,
// snapshots and presenting.
#include "display/display.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <filesystem>
#include <vector>

#include "app/texts.h"
#include "display/bmp_builder.h"
#include "display/display_fixture.h"
#include "platform/cp932.h"
#include "platform/text.h"

namespace {

using DisplayTest = DisplayFixture;

TEST_F(DisplayTest, BitmapsAreNumberedFromZeroAndFailuresLogAndTakeNoNumber) {
  m_dir.WriteFile("skin/b.bmp", bmp_test::SolidBmp(4, 4, 0x00FF00));
  m_dir.WriteFile("text.bmp", "not a bitmap at all");
  std::filesystem::create_directory("folder.bmp");
  // Far larger than any bitmap may be (sparse, so it costs no disk).
  m_dir.WriteFile("huge.bmp", bmp_test::SolidBmp(2, 2, 0xFFFFFF));
  std::filesystem::resize_file("huge.bmp", 1u << 30);
  EXPECT_EQ(m_display->LoadBitmap("skin/b.bmp"), 0);
  for (const char* bad : {"missing.bmp", "text.bmp", "folder.bmp", "huge.bmp"}) {
    EXPECT_EQ(m_display->LoadBitmap(bad), -1) << bad;
  }
  EXPECT_EQ(m_display->LoadBitmap("skin\\b.bmp"), 1);  // skin files use backslashes
  const std::string failed = "GetBitmapHandle() Failed.\r\n";
  EXPECT_EQ(Log(), failed + failed + failed + failed);
  m_display->ReleaseBitmaps();
  EXPECT_EQ(m_display->LoadBitmap("skin/b.bmp"), 0);
}

TEST_F(DisplayTest, BlitClipsKeysOutBlackAndIgnoresUnknownSurfaces) {
  m_dir.WriteFile("c.bmp", bmp_test::CoordinateBmp(20, 10));
  m_dir.WriteFile("k.bmp", bmp_test::Bmp24(3, 1, {0xFFFFFF, 0x000000, 0xFFFFFF}));
  ASSERT_EQ(m_display->LoadBitmap("c.bmp"), 0);
  ASSERT_EQ(m_display->LoadBitmap("k.bmp"), 1);
  const std::uint32_t blue = Rgb(0x0000FF);
  m_display->ClearScreen(blue);
  // Cut at the screen's edges, the source alike; a source beyond its bitmap
  // moves the destination along.
  m_display->Blit(RECT{-10, 5, 10, 15}, 0, RECT{0, 0, 20, 10});
  EXPECT_EQ(Pixel(0, 5), Coord(10, 0));
  EXPECT_EQ(Pixel(9, 14), Coord(19, 9));
  EXPECT_EQ(Pixel(10, 5), blue);
  m_display->Blit(RECT{30, -4, 50, 6}, 0, RECT{0, 0, 20, 10});
  m_display->Blit(RECT{60, 40, 80, 50}, 0, RECT{0, 0, 20, 10});
  EXPECT_EQ(Pixel(30, 0), Coord(0, 4));
  EXPECT_EQ(Pixel(63, 47), Coord(3, 7));
  m_display->Blit(RECT{40, 20, 60, 30}, 0, RECT{-5, -3, 15, 7});
  EXPECT_EQ(Pixel(44, 22), blue);
  EXPECT_EQ(Pixel(45, 23), Coord(0, 0));
  m_display->Blit(RECT{0, 30, 20, 40}, 0, RECT{15, 0, 35, 10});
  EXPECT_EQ(Pixel(4, 30), Coord(19, 0));
  EXPECT_EQ(Pixel(5, 30), blue);
  m_display->Blit(RECT{0, 0, 3, 1}, 1, RECT{0, 0, 3, 1});
  EXPECT_EQ(Pixel(0, 0), Rgb(0xFFFFFF));
  EXPECT_EQ(Pixel(1, 0), blue);
  m_display->Blit(RECT{20, 20, 40, 40}, 2, RECT{0, 0, 20, 20});
  m_display->Blit(RECT{20, 20, 40, 40}, -1, RECT{0, 0, 20, 20});
  EXPECT_EQ(Pixel(20, 20), blue);
  EXPECT_EQ(Log(), "");
}

TEST_F(DisplayTest, FullScreenDrawsInSixteenBitPixels) {
  Start(32, 16, 1);
  ASSERT_EQ(Back().format, PixelFormat::kRgb565);
  m_dir.WriteFile("s.bmp", bmp_test::SolidBmp(2, 2, 0xFF8040));
  ASSERT_EQ(m_display->LoadBitmap("s.bmp"), 0);
  m_display->Blit(RECT{1, 1, 3, 3}, 0, RECT{0, 0, 2, 2});
  EXPECT_EQ(Pixel(1, 1), (0x1Fu << 11) | (0x20u << 5) | 0x08u);
  m_display->ClearScreen(0xFFFFFF);  // white as a fill value is white here too
  EXPECT_EQ(Pixel(31, 15), 0xFFFFu);
}

TEST_F(DisplayTest, FillsAndDashedFramesAreClippedAndFrameColoursAreBgr) {
  m_display->FillRect(Rgb(0x00FF00), RECT{-10, -10, 5, 5});
  EXPECT_EQ(Pixel(4, 4), Rgb(0x00FF00));
  EXPECT_EQ(Pixel(5, 5), 0u);
  m_display->ClearScreen(Rgb(0x0000FF));
  m_display->DrawFrame(2, 2, 30, 20, 0x0000FF, 0);  // pen 0x00BBGGRR: red; no fill
  EXPECT_EQ(Pixel(2, 2), Rgb(0xFF0000));
  EXPECT_EQ(Pixel(19, 2), Rgb(0xFF0000));  // dashes of 18, gaps of 6
  EXPECT_EQ(Pixel(20, 2), Rgb(0xFFFFFF));
  EXPECT_EQ(Pixel(10, 10), Rgb(0x0000FF));
  // Dragged up and to the left, filled; every edge outside the screen.
  m_display->ClearScreen(0);
  m_display->DrawFrame(30, 20, 2, 2, 0x0000FF, 0x00FF00);
  m_display->DrawFrame(INT_MIN, INT_MIN, INT_MAX, INT_MAX, 0xFFFFFF, 0);
  EXPECT_EQ(Pixel(2, 2), Rgb(0xFF0000));
  EXPECT_EQ(Pixel(10, 10), Rgb(0x00FF00));
  EXPECT_EQ(Pixel(0, 0), 0u);
}

TEST_F(DisplayTest, SnapshotRestoresAndAFrameThatCannotBeShownIsLoggedEachTime) {
  m_display->ClearScreen(Rgb(0x336699));
  m_display->SaveScreen();
  m_display->ClearScreen(0);
  m_display->RestoreScreen();
  m_display->Present();
  ASSERT_EQ(platform::headless::PresentCount(), 1);
  EXPECT_EQ(platform::headless::LastPresented().PixelAt(63, 47), Rgb(0x336699));
  EXPECT_EQ(Log(), "");
  platform::Shutdown();  // no front end to show the frame
  m_display->Present();
  m_display->Present();
  EXPECT_EQ(Log(), std::string(text::kLogFlipFailed) + text::kLogFlipFailed);
}

// The width of what is not black.
int DrawnWidth(const SurfaceView& view) {
  int left = view.width, right = 0;
  for (int y = 0; y < view.height; ++y) {
    for (int x = 0; x < view.width; ++x) {
      if (view.PixelAt(x, y) != 0) {
        left = std::min(left, x);
        right = std::max(right, x + 1);
      }
    }
  }
  return std::max(right - left, 0);
}

TEST_F(DisplayTest, OutlinedTextLandsAroundItsPointAndComesAgainFromTheCache) {
  Start(120, 40, 0);
  platform::TextMask mask;
  ASSERT_TRUE(platform::Font::Open("Tahoma", 13)->Render("Il", &mask));
  const TextImage image = ComposeOutlinedText(mask, 0xFFFFFF, 0x0000FF);
  for (int round = 0; round < 2; ++round) {
    m_display->ClearScreen(0);
    m_display->DrawText(20, 10, 0xFFFFFF, 0x0000FF, "%s", "Il");
    for (int y = 0; y < image.height; ++y) {
      for (int x = 0; x < image.width; ++x) {
        const std::uint32_t argb = image.argb[static_cast<std::size_t>(y * image.width + x)];
        ASSERT_EQ(Pixel(19 + x, 9 + y), argb >> 24 != 0 ? Rgb(argb & 0xFFFFFF) : 0u)
            << x << "," << y;
      }
    }
  }
  // Off the screen, at coordinates that would overflow, or empty: nothing.
  m_display->ClearScreen(0);
  m_display->DrawText(-1000, 10, 0xFFFFFF, 0x404040, "%s", "off");
  m_display->DrawText(2000000000, 2000000000, 0xFFFFFF, 0x404040, "%s", "off");
  m_display->DrawText(-2147483647 - 1, 0, 0xFFFFFF, 0x404040, "%s", "off");
  m_display->DrawText(10, 10, 0xFFFFFF, 0x404040, "%s", "");
  EXPECT_EQ(DrawnWidth(Back()), 0);

  // Japanese text in the installed Gothic: six full-width characters.
  EXPECT_EQ(m_display->FontFamily(TextFont::kDoubleByte), "IPAGothic");
  m_display->DrawText(5, 5, 0xFFFFFF, 0x404040, "%s", text::kMenuTransfer);
  EXPECT_GT(DrawnWidth(Back()), 60);
}

TEST(TextImage, FontChoiceOutlineAndCache) {
  // One double-byte character takes the whole text; half-width katakana are
  // single bytes; a lead byte at the end is no pair; a 0x5C trail byte is.
  EXPECT_EQ(ChooseTextFont(std::string("abc") + text::kMenuNew), TextFont::kDoubleByte);
  EXPECT_EQ(ChooseTextFont("\xB1\xB2\xB3"), TextFont::kSingleByte);
  EXPECT_EQ(ChooseTextFont("abc\x82"), TextFont::kSingleByte);
  EXPECT_EQ(ChooseTextFont("\x83\x5C"), TextFont::kDoubleByte);
  // Dots at mask columns 0 and 5 outline picture columns 0..3 and 5..8.
  const TextImage wide =
      ComposeOutlinedText(platform::TextMask{6, 1, {255, 0, 0, 0, 0, 255}}, 0xFFFFFF, 0x404040);
  EXPECT_EQ(wide.argb[3] >> 24, 255u);
  EXPECT_EQ(wide.argb[4] >> 24, 0u);
  EXPECT_EQ(wide.argb[5] >> 24, 255u);

  // The least recently used entries go by count and by cost, never the new one.
  LruCache<int> cache(2, 10);
  cache.Insert("a", 1, 1);
  cache.Insert("b", 2, 1);
  ASSERT_NE(cache.Find("a"), nullptr);
  cache.Insert("c", 3, 1);
  EXPECT_EQ(cache.Find("b"), nullptr);
  cache.Insert("d", 4, 10);
  EXPECT_EQ(cache.Size(), 1u);
  EXPECT_EQ(cache.Insert("huge", 7, 50), 7);
  EXPECT_EQ(*cache.Find("huge"), 7);
}

TEST(Cp932ToUtf8, UsesTheWindowsCodePageAndMarksBrokenBytes) {
  // CP932's wave dash is the full-width tilde, and its NEC row is there.
  EXPECT_EQ(platform::Cp932ToUtf8("\x81\x60\x87\x40\x82"), "\xEF\xBD\x9E\xE2\x91\xA0\xEF\xBF\xBD");
  std::string many;  // long texts go through in several pieces
  for (int i = 0; i < 2000; ++i)
    many += "\x82\xA0";
  EXPECT_EQ(platform::Cp932ToUtf8(many).size(), 6000u);
}

}  // namespace

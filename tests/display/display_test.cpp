// The display on the headless platform: bitmaps, sprite copies with their
// clipping and colour key, fills, frames, text, snapshots and presenting,
// read back from the back surface.
#include "display/display.h"

#include <gtest/gtest.h>

#include <algorithm>
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
  m_dir.WriteFile("a.bmp", bmp_test::SolidBmp(4, 4, 0xFF0000));
  m_dir.WriteFile("skin/b.bmp", bmp_test::SolidBmp(4, 4, 0x00FF00));
  m_dir.WriteFile("text.bmp", "not a bitmap at all");
  std::filesystem::create_directory("folder.bmp");
  // Far larger than any bitmap may be (sparse, so it costs no disk).
  m_dir.WriteFile("huge.bmp", bmp_test::SolidBmp(2, 2, 0xFFFFFF));
  std::filesystem::resize_file("huge.bmp", 1u << 30);

  EXPECT_EQ(m_display->LoadBitmap("a.bmp"), 0);
  for (const char* bad : {"missing.bmp", "text.bmp", "folder.bmp", "huge.bmp"}) {
    EXPECT_EQ(m_display->LoadBitmap(bad), -1) << bad;
  }
  // Paths from the skin file may use backslashes.
  EXPECT_EQ(m_display->LoadBitmap("skin\\b.bmp"), 1);
  const std::string failed = "GetBitmapHandle() Failed.\r\n";
  EXPECT_EQ(Log(), failed + failed + failed + failed);
  m_display->ReleaseBitmaps();
  EXPECT_EQ(m_display->LoadBitmap("skin/b.bmp"), 0);
}

TEST_F(DisplayTest, BlitClipsToTheScreenAndKeysOutBlack) {
  m_dir.WriteFile("c.bmp", bmp_test::CoordinateBmp(20, 10));
  m_dir.WriteFile("k.bmp", bmp_test::Bmp24(3, 1, {0xFFFFFF, 0x000000, 0xFFFFFF}));
  ASSERT_EQ(m_display->LoadBitmap("c.bmp"), 0);
  ASSERT_EQ(m_display->LoadBitmap("k.bmp"), 1);
  const std::uint32_t blue = Rgb(0x0000FF);
  m_display->ClearScreen(blue);
  // Half off the left edge: the right half lands at x 0.
  m_display->Blit(RECT{-10, 5, 10, 15}, 0, RECT{0, 0, 20, 10});
  EXPECT_EQ(Pixel(0, 5), Rgb(0x0A0080));
  EXPECT_EQ(Pixel(9, 14), Rgb(0x130980));
  EXPECT_EQ(Pixel(10, 5), blue);
  // Past the bottom-right corner only the top-left part shows; beyond the
  // right edge nothing, and without a log line.
  m_display->Blit(RECT{60, 44, 80, 54}, 0, RECT{0, 0, 20, 10});
  EXPECT_EQ(Pixel(63, 47), Rgb(0x030380));
  m_display->Blit(RECT{65, 0, 85, 10}, 0, RECT{0, 0, 20, 10});
  // Black pixels of a sprite never overwrite.
  m_display->Blit(RECT{0, 0, 3, 1}, 1, RECT{0, 0, 3, 1});
  EXPECT_EQ(Pixel(0, 0), Rgb(0xFFFFFF));
  EXPECT_EQ(Pixel(1, 0), blue);
  EXPECT_EQ(Pixel(2, 0), Rgb(0xFFFFFF));
  // Unknown surfaces draw nothing.
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
  // White as a fill value is white in this format too.
  m_display->ClearScreen(0xFFFFFF);
  EXPECT_EQ(Pixel(31, 15), 0xFFFFu);
}

TEST_F(DisplayTest, FillsAreClippedAndFrameColoursAreBgr) {
  m_display->FillRect(Rgb(0x00FF00), RECT{-10, -10, 5, 5});
  m_display->FillRect(Rgb(0x00FF00), RECT{60, 40, 1000, 1000});
  EXPECT_EQ(Pixel(0, 0), Rgb(0x00FF00));
  EXPECT_EQ(Pixel(4, 4), Rgb(0x00FF00));
  EXPECT_EQ(Pixel(5, 5), 0u);
  EXPECT_EQ(Pixel(63, 47), Rgb(0x00FF00));

  m_display->ClearScreen(Rgb(0x0000FF));
  // Pen 0x00BBGGRR = red; the fill 0 leaves the inside alone.
  m_display->DrawFrame(2, 2, 30, 20, 0x0000FF, 0);
  EXPECT_EQ(Pixel(2, 2), Rgb(0xFF0000));
  EXPECT_EQ(Pixel(20, 2), Rgb(0xFFFFFF));  // a gap of the dashes
  EXPECT_EQ(Pixel(10, 10), Rgb(0x0000FF));
  m_display->DrawFrame(2, 2, 30, 20, 0x0000FF, 0x00FF00);
  EXPECT_EQ(Pixel(10, 10), Rgb(0x00FF00));
}

TEST_F(DisplayTest, SnapshotRestoresAndPresentHandsTheFrameToThePlatform) {
  m_display->ClearScreen(Rgb(0x336699));
  m_display->SaveScreen();
  m_display->ClearScreen(0);
  m_display->RestoreScreen();
  m_display->Present();
  ASSERT_EQ(platform::headless::PresentCount(), 1);
  const SurfaceView shown = platform::headless::LastPresented();
  ASSERT_EQ(shown.width, 64);
  EXPECT_EQ(shown.PixelAt(0, 0), Rgb(0x336699));
  EXPECT_EQ(shown.PixelAt(63, 47), Rgb(0x336699));
  EXPECT_EQ(Log(), "");

  // A frame that cannot be shown (here for want of a front end) is logged,
  // once per frame and without a line end, and not tried again.
  platform::Shutdown();
  m_display->Present();
  m_display->Present();
  EXPECT_EQ(Log(), std::string(text::kLogFlipFailed) + text::kLogFlipFailed);
}

// The bounding box of the pixels other than black.
RECT Drawn(const SurfaceView& view) {
  RECT box{view.width, view.height, 0, 0};
  for (int y = 0; y < view.height; ++y) {
    for (int x = 0; x < view.width; ++x) {
      if (view.PixelAt(x, y) != 0) {
        box = RECT{std::min(box.left, x), std::min(box.top, y), std::max(box.right, x + 1),
                   std::max(box.bottom, y + 1)};
      }
    }
  }
  return box;
}

TEST_F(DisplayTest, OutlinedTextLandsAroundItsPointAndComesAgainFromTheCache) {
  Start(120, 40, 0);
  // What must show: the single-byte font's text, outlined, with the text's
  // own origin at the point.
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
  EXPECT_EQ(Drawn(Back()).right, 0);
}

TEST_F(DisplayTest, JapaneseTextIsDrawnInTheGothicOfTheInstalledFonts) {
  EXPECT_EQ(m_display->FontFamily(TextFont::kDoubleByte), "IPAGothic");
  EXPECT_FALSE(m_display->FontFamily(TextFont::kSingleByte).empty());
  Start(200, 40, 0);
  m_display->DrawText(5, 5, 0xFFFFFF, 0x404040, "%s", text::kMenuTransfer);
  const RECT box = Drawn(Back());
  EXPECT_GT(box.right - box.left, 60) << "six full-width characters and two letters";
}

TEST(TextFontChoice, OneDoubleByteCharacterTakesTheWholeText) {
  EXPECT_EQ(ChooseTextFont("Start 123"), TextFont::kSingleByte);
  EXPECT_EQ(ChooseTextFont(std::string("abc") + text::kMenuNew), TextFont::kDoubleByte);
  // Half-width katakana are single bytes.
  EXPECT_EQ(ChooseTextFont("\xB1\xB2\xB3"), TextFont::kSingleByte);
  // A lead byte with nothing after it is no character pair.
  EXPECT_EQ(ChooseTextFont("abc\x82"), TextFont::kSingleByte);
  // A trail byte that looks like ASCII still belongs to its lead byte.
  EXPECT_EQ(ChooseTextFont("\x83\x5C"), TextFont::kDoubleByte);
}

TEST(OutlinedTextImage, OutlineAtSixteenOffsetsThenTheText) {
  const TextImage image = ComposeOutlinedText(platform::TextMask{1, 1, {255}}, 0x0000FF, 0xFF0000);
  ASSERT_EQ(image.width, 4);
  ASSERT_EQ(image.height, 4);
  for (int i = 0; i < 16; ++i) {
    EXPECT_EQ(image.argb[static_cast<std::size_t>(i)], i == 5 ? 0xFFFF0000u : 0xFF0000FFu) << i;
  }
  // Picture column c holds mask column c - 1: the outline of a dot at mask
  // column 0 reaches columns 0..3, that of one at column 5 columns 5..8, and
  // column 4 stays transparent.
  const TextImage wide =
      ComposeOutlinedText(platform::TextMask{6, 1, {255, 0, 0, 0, 0, 255}}, 0xFFFFFF, 0x404040);
  ASSERT_EQ(wide.width, 9);
  EXPECT_EQ(wide.argb[3] >> 24, 255u);
  EXPECT_EQ(wide.argb[4] >> 24, 0u);
  EXPECT_EQ(wide.argb[5] >> 24, 255u);
}

TEST(TextCache, DropsTheLeastRecentlyUsedEntriesByCountAndCost) {
  LruCache<int> cache(3, 10);
  cache.Insert("a", 1, 1);
  cache.Insert("b", 2, 1);
  cache.Insert("c", 3, 1);
  ASSERT_NE(cache.Find("a"), nullptr);  // now "b" is the oldest
  cache.Insert("d", 4, 1);
  EXPECT_EQ(cache.Find("b"), nullptr);
  EXPECT_EQ(*cache.Find("a"), 1);
  cache.Insert("d", 5, 1);  // replacing keeps one entry
  EXPECT_EQ(cache.Size(), 3u);
  EXPECT_EQ(*cache.Find("d"), 5);
  cache.Insert("e", 6, 9);  // 12 > 10: the two oldest go
  EXPECT_EQ(cache.Size(), 2u);
  EXPECT_EQ(cache.Cost(), 10u);
  EXPECT_NE(cache.Find("d"), nullptr);
  cache.Insert("huge", 7, 50);  // alone above the bound, it still stays
  EXPECT_EQ(cache.Size(), 1u);
  EXPECT_EQ(*cache.Find("huge"), 7);
}

TEST(Cp932ToUtf8, UsesTheWindowsCodePageAndMarksBrokenBytes) {
  EXPECT_EQ(platform::Cp932ToUtf8("abc\x82\xA0"), "abc\xE3\x81\x82");  // HIRAGANA A
  // The wave dash of CP932 is the full-width tilde (plain Shift-JIS would
  // give U+301C), and the NEC row that plain Shift-JIS lacks is there.
  EXPECT_EQ(platform::Cp932ToUtf8("\x81\x60\x87\x40"), "\xEF\xBD\x9E\xE2\x91\xA0");
  // A lead byte before a byte that cannot trail it, or at the very end.
  EXPECT_EQ(platform::Cp932ToUtf8("a\x82\nb\x82"), "a\xEF\xBF\xBD\nb\xEF\xBF\xBD");
  // Long texts go through in several pieces.
  std::string many;
  for (int i = 0; i < 2000; ++i)
    many += "\x82\xA0";
  EXPECT_EQ(platform::Cp932ToUtf8(many).size(), 6000u);
}

}  // namespace

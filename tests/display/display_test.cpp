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

namespace {

using DisplayTest = DisplayFixture;

constexpr char kBitmapFailed[] = "GetBitmapHandle() Failed.\r\n";

TEST_F(DisplayTest, BitmapNumbersCountFromZeroAndRestartAfterRelease) {
  m_dir.WriteFile("a.bmp", bmp_test::SolidBmp(4, 4, 0xFF0000));
  m_dir.WriteFile("skin/b.bmp", bmp_test::SolidBmp(4, 4, 0x00FF00));
  EXPECT_EQ(m_display->LoadBitmap("a.bmp"), 0);
  // Paths from the skin file may use backslashes.
  EXPECT_EQ(m_display->LoadBitmap("skin\\b.bmp"), 1);
  m_display->ReleaseBitmaps();
  EXPECT_EQ(m_display->LoadBitmap("skin/b.bmp"), 0);
  EXPECT_EQ(Log(), "");
}

TEST_F(DisplayTest, UnreadableBitmapsLogAndGiveMinusOne) {
  m_dir.WriteFile("text.bmp", "not a bitmap at all");
  std::filesystem::create_directory("folder.bmp");
  std::string claimsMore = bmp_test::SolidBmp(2, 2, 0xFFFFFF);
  claimsMore.replace(2, 4, bmp_test::Le32(1u << 30));
  m_dir.WriteFile("claims-more.bmp", claimsMore);
  // Far larger than any bitmap may be (sparse, so it costs no disk).
  m_dir.WriteFile("huge.bmp", bmp_test::SolidBmp(2, 2, 0xFFFFFF));
  std::filesystem::resize_file("huge.bmp", 1u << 30);

  EXPECT_EQ(m_display->LoadBitmap("missing.bmp"), -1);
  EXPECT_EQ(m_display->LoadBitmap("text.bmp"), -1);
  EXPECT_EQ(m_display->LoadBitmap("folder.bmp"), -1);
  EXPECT_EQ(m_display->LoadBitmap("claims-more.bmp"), -1);
  EXPECT_EQ(m_display->LoadBitmap("huge.bmp"), -1);
  std::string expected;
  for (int i = 0; i < 5; ++i) {
    expected += kBitmapFailed;
  }
  EXPECT_EQ(Log(), expected);
  // A failure takes no number.
  m_dir.WriteFile("good.bmp", bmp_test::SolidBmp(2, 2, 0xFFFFFF));
  EXPECT_EQ(m_display->LoadBitmap("good.bmp"), 0);
}

TEST_F(DisplayTest, BlitClipsAtTheLeftEdgeAndSkipsBeyondTheRight) {
  m_dir.WriteFile("c.bmp", bmp_test::CoordinateBmp(20, 10));
  const int surface = m_display->LoadBitmap("c.bmp");
  ASSERT_EQ(surface, 0);
  // Half off the left edge: the right half lands at x 0.
  m_display->Blit(RECT{-10, 5, 10, 15}, surface, RECT{0, 0, 20, 10});
  EXPECT_EQ(Pixel(0, 5), Rgb(0x0A0080));
  EXPECT_EQ(Pixel(9, 14), Rgb(0x130980));
  EXPECT_EQ(Pixel(10, 5), 0u);
  // Beyond the right edge: skipped, without a log line.
  m_display->Blit(RECT{65, 0, 85, 10}, surface, RECT{0, 0, 20, 10});
  // Past the bottom-right corner: only the top-left part shows.
  m_display->Blit(RECT{60, 44, 80, 54}, surface, RECT{0, 0, 20, 10});
  EXPECT_EQ(Pixel(63, 47), Rgb(0x030380));
  EXPECT_EQ(Log(), "");
}

TEST_F(DisplayTest, BlackPixelsOfASpriteNeverOverwrite) {
  // A 3 x 1 sprite: white, black, white.
  m_dir.WriteFile("k.bmp", bmp_test::Bmp24(3, 1, {0xFFFFFF, 0x000000, 0xFFFFFF}));
  ASSERT_EQ(m_display->LoadBitmap("k.bmp"), 0);
  m_display->ClearScreen(Rgb(0x0000FF));
  m_display->Blit(RECT{0, 0, 3, 1}, 0, RECT{0, 0, 3, 1});
  EXPECT_EQ(Pixel(0, 0), Rgb(0xFFFFFF));
  EXPECT_EQ(Pixel(1, 0), Rgb(0x0000FF));
  EXPECT_EQ(Pixel(2, 0), Rgb(0xFFFFFF));
}

TEST_F(DisplayTest, BlitOfAnUnknownSurfaceDrawsNothing) {
  m_display->Blit(RECT{0, 0, 4, 4}, 0, RECT{0, 0, 4, 4});
  m_display->Blit(RECT{0, 0, 4, 4}, -1, RECT{0, 0, 4, 4});
  EXPECT_EQ(Pixel(0, 0), 0u);
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

TEST_F(DisplayTest, FillsAreClippedToTheScreen) {
  m_display->FillRect(Rgb(0x00FF00), RECT{-10, -10, 5, 5});
  m_display->FillRect(Rgb(0x00FF00), RECT{60, 40, 1000, 1000});
  EXPECT_EQ(Pixel(0, 0), Rgb(0x00FF00));
  EXPECT_EQ(Pixel(4, 4), Rgb(0x00FF00));
  EXPECT_EQ(Pixel(5, 5), 0u);
  EXPECT_EQ(Pixel(63, 47), Rgb(0x00FF00));
  m_display->ClearScreen(Rgb(0x102030));
  EXPECT_EQ(Pixel(30, 30), Rgb(0x102030));
}

TEST_F(DisplayTest, FrameColoursAreBgrAndZeroFillMeansHollow) {
  m_display->ClearScreen(Rgb(0x0000FF));
  // Pen 0x00BBGGRR = red; the fill 0 leaves the inside alone.
  m_display->DrawFrame(2, 2, 30, 20, 0x0000FF, 0);
  EXPECT_EQ(Pixel(2, 2), Rgb(0xFF0000));
  EXPECT_EQ(Pixel(20, 2), Rgb(0xFFFFFF));  // a gap of the dashes
  EXPECT_EQ(Pixel(10, 10), Rgb(0x0000FF));
  m_display->DrawFrame(2, 2, 30, 20, 0x0000FF, 0x00FF00);
  EXPECT_EQ(Pixel(10, 10), Rgb(0x00FF00));
}

TEST_F(DisplayTest, SnapshotRestoresTheSavedFrame) {
  m_display->ClearScreen(Rgb(0x336699));
  m_display->SaveScreen();
  m_display->ClearScreen(0);
  m_display->RestoreScreen();
  EXPECT_EQ(Pixel(0, 0), Rgb(0x336699));
  EXPECT_EQ(Pixel(63, 47), Rgb(0x336699));
}

TEST_F(DisplayTest, PresentHandsTheBackSurfaceToThePlatform) {
  m_display->ClearScreen(Rgb(0x445566));
  m_display->Present();
  ASSERT_EQ(platform::headless::PresentCount(), 1);
  SurfaceView shown = platform::headless::LastPresented();
  ASSERT_EQ(shown.width, 64);
  EXPECT_EQ(shown.PixelAt(10, 10), Rgb(0x445566));
}

// The bounding box of the pixels equal to (or, with `equal` false, other
// than) a colour.
RECT BoxOf(const SurfaceView& view, std::uint32_t colour, bool equal) {
  RECT box{view.width, view.height, 0, 0};
  for (int y = 0; y < view.height; ++y) {
    for (int x = 0; x < view.width; ++x) {
      if ((view.PixelAt(x, y) == colour) == equal) {
        box = RECT{std::min(box.left, x), std::min(box.top, y), std::max(box.right, x + 1),
                   std::max(box.bottom, y + 1)};
      }
    }
  }
  return box;
}

std::vector<std::uint32_t> Snapshot(const SurfaceView& view) {
  std::vector<std::uint32_t> pixels;
  for (int y = 0; y < view.height; ++y) {
    for (int x = 0; x < view.width; ++x) {
      pixels.push_back(view.PixelAt(x, y));
    }
  }
  return pixels;
}

TEST_F(DisplayTest, OutlinedTextSurroundsTheTextOnePixelBeforeAndTwoAfter) {
  Start(120, 40, 0);
  m_display->DrawText(20, 10, 0xFFFFFF, 0x0000FF, "%s", "I");
  const RECT all = BoxOf(Back(), 0, false);
  const RECT text = BoxOf(Back(), Rgb(0xFFFFFF), true);
  ASSERT_LT(text.left, text.right) << "the text colour shows";
  ASSERT_LT(all.left, all.right);
  // A vertical bar's fully covered core is framed by the outline on every
  // side, wider after it than before it.
  EXPECT_LT(all.left, text.left);
  EXPECT_LT(all.top, text.top);
  EXPECT_GE(all.right - text.right, 2);
  EXPECT_GE(all.bottom - text.bottom, 2);
  EXPECT_GE(all.left, 20 - 1);
  EXPECT_GE(all.top, 10 - 1);
  // The same call again comes from the cache and draws the same pixels.
  const std::vector<std::uint32_t> first = Snapshot(Back());
  m_display->ClearScreen(0);
  m_display->DrawText(20, 10, 0xFFFFFF, 0x0000FF, "%s", "I");
  EXPECT_EQ(Snapshot(Back()), first);
}

TEST_F(DisplayTest, TextOffTheScreenOrEmptyDrawsNothing) {
  m_display->DrawText(-1000, 10, 0xFFFFFF, 0x404040, "%s", "off");
  m_display->DrawText(2000000000, 2000000000, 0xFFFFFF, 0x404040, "%s", "off");
  m_display->DrawText(-2147483647 - 1, 0, 0xFFFFFF, 0x404040, "%s", "off");
  m_display->DrawText(10, 10, 0xFFFFFF, 0x404040, "%s", "");
  EXPECT_EQ(BoxOf(Back(), 0, false).right, 0);
}

TEST_F(DisplayTest, JapaneseFontIsTheGothicOfTheInstalledJapaneseFonts) {
  EXPECT_EQ(m_display->FontFamily(TextFont::kDoubleByte), "IPAGothic");
  EXPECT_FALSE(m_display->FontFamily(TextFont::kSingleByte).empty());
}

TEST_F(DisplayTest, JapaneseTextIsDrawn) {
  Start(200, 40, 0);
  m_display->DrawText(5, 5, 0xFFFFFF, 0x404040, "%s", text::kMenuTransfer);
  const RECT box = BoxOf(Back(), 0, false);
  EXPECT_GT(box.right - box.left, 60) << "six full-width characters and two letters";
}

TEST(TextFontChoice, OneDoubleByteCharacterTakesTheWholeText) {
  EXPECT_EQ(ChooseTextFont("Start 123"), TextFont::kSingleByte);
  EXPECT_EQ(ChooseTextFont(""), TextFont::kSingleByte);
  EXPECT_EQ(ChooseTextFont(std::string("abc") + text::kMenuNew), TextFont::kDoubleByte);
  // Half-width katakana are single bytes.
  EXPECT_EQ(ChooseTextFont("\xB1\xB2\xB3"), TextFont::kSingleByte);
  // A lead byte with nothing after it is no character pair.
  EXPECT_EQ(ChooseTextFont("abc\x82"), TextFont::kSingleByte);
  // A trail byte that looks like ASCII still belongs to its lead byte.
  EXPECT_EQ(ChooseTextFont("\x83\x5C"), TextFont::kDoubleByte);
}

TEST(OutlinedTextImage, OutlineAtSixteenOffsetsThenTheText) {
  platform::TextMask dot{1, 1, {255}};
  const TextImage image = ComposeOutlinedText(dot, 0x0000FF, 0xFF0000);
  ASSERT_EQ(image.width, 4);
  ASSERT_EQ(image.height, 4);
  for (int y = 0; y < 4; ++y) {
    for (int x = 0; x < 4; ++x) {
      const std::uint32_t expected = (x == 1 && y == 1) ? 0xFFFF0000u : 0xFF0000FFu;
      EXPECT_EQ(image.argb[static_cast<std::size_t>(y * 4 + x)], expected) << x << "," << y;
    }
  }
  // Uncovered pixels stay transparent: a 2-pixel gap between two dots is
  // bridged by the outline only where the offsets reach.
  platform::TextMask gap{6, 1, {255, 0, 0, 0, 0, 255}};
  const TextImage wide = ComposeOutlinedText(gap, 0xFFFFFF, 0x404040);
  ASSERT_EQ(wide.width, 9);
  // Picture column c holds mask column c - 1; the outline of the first dot
  // reaches columns 0..3, that of the second 5..8: column 4 stays clear.
  EXPECT_EQ(wide.argb[4] >> 24, 0u);
  EXPECT_EQ(wide.argb[3] >> 24, 255u);
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

TEST(Cp932ToUtf8, UsesTheWindowsCodePage) {
  EXPECT_EQ(platform::Cp932ToUtf8("abc"), "abc");
  EXPECT_EQ(platform::Cp932ToUtf8("\x82\xA0"), "\xE3\x81\x82");  // HIRAGANA A
  // The wave dash of CP932 is the full-width tilde; plain Shift-JIS would
  // give U+301C.
  EXPECT_EQ(platform::Cp932ToUtf8("\x81\x60"), "\xEF\xBD\x9E");
  // The NEC row that plain Shift-JIS lacks: circled digit one.
  EXPECT_EQ(platform::Cp932ToUtf8("\x87\x40"), "\xE2\x91\xA0");
}

TEST(Cp932ToUtf8, BrokenBytesAreMarkedAndTheRestConverted) {
  const std::string replacement = "\xEF\xBF\xBD";
  // A lead byte whose next byte cannot be a trail byte.
  EXPECT_EQ(platform::Cp932ToUtf8("a\x82\x0A"
                                  "b"),
            "a" + replacement + "\nb");
  // A lead byte at the very end.
  EXPECT_EQ(platform::Cp932ToUtf8("ab\x82"), "ab" + replacement);
  // Long texts go through in several pieces.
  std::string many;
  for (int i = 0; i < 2000; ++i)
    many += "\x82\xA0";
  EXPECT_EQ(platform::Cp932ToUtf8(many).size(), 6000u);
}

}  // namespace

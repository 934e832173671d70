// The BMP reader on small inline files, and the display on the headless
// platform read back from its back surface: bitmaps, sprite copies with their
// clipping and colour key, fills, frames, text, snapshots and presenting.
#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <filesystem>
#include <vector>

#include "display/bmp_builder.h"
#include "display/bmp_reader.h"
#include "display/display.h"
#include "display/display_fixture.h"
#include "foundation/texts.h"
#include "platform/cp932.h"
#include "platform/text.h"

namespace {

using bmp_test::Bmp;
using bmp_test::Le16;
using bmp_test::Le32;
using Pixels = std::vector<std::uint32_t>;

// A colour table (blue, green, red, 0) of n entries, entry i being i * step.
std::string Table(std::uint32_t n, std::uint32_t step) {
  std::string table;
  for (std::uint32_t i = 0; i < n; ++i) {
    table += Le32(i * step);
  }
  return table;
}

TEST(BmpReader, ReadsEveryDepthAndRowOrder) {
  constexpr std::uint32_t W = 0xFFFFFF;
  const std::string twoRows("\x01\x02\x03\0\x0A\x0B\x0C\0", 8);
  const struct {
    const char* name;
    std::string file;
    Pixels expected;  // top-down
  } cases[] = {
      // Bottom-up; 9 pixels take 2 bytes, the first is the high bit.
      {"1 bit",
       Bmp(9, 2, 1, Le32(0) + Le32(W), std::string("\x80\x80\0\0\x7F\x00\0\0", 8)),
       {0, W, W, W, W, W, W, W, 0, W, 0, 0, 0, 0, 0, 0, 0, W}},
      // No used-colours count: 2^bits entries before the pixels.
      {"4 bits", Bmp(3, 1, 4, Table(16, 0x101010), "\x1F\x20\0\0"), {0x101010, 0xF0F0F0, 0x202020}},
      // An index past a short table shows black.
      {"8 bits",
       Bmp(3, 1, 8, Le32(0x112233) + Le32(0x445566), std::string("\x01\x00\x09\0", 4), 0, 2),
       {0x445566, 0x112233, 0}},
      {"24 bits after a table", Bmp(1, 1, 24, Table(2, 1), "\x03\x02\x01", 0, 2), {0x010203}},
      {"16 bits 5-5-5", Bmp(2, 1, 16, "", Le16(0x7C00) + Le16(0x03FF)), {0xFF0000, 0x00FFFF}},
      {"16 bits 5-6-5",
       Bmp(2, 1, 16, Le32(0xF800) + Le32(0x07E0) + Le32(0x001F), Le16(0x07E0) + Le16(0x001F), 3),
       {0x00FF00, 0x0000FF}},
      {"24 bits top-down", Bmp(1, -2, 24, "", twoRows), {0x030201, 0x0C0B0A}},
      // The offset field is not used; the last row may lack its padding.
      {"short last row",
       Bmp(1, 2, 24, "", twoRows.substr(0, 7)).replace(10, 4, Le32(9999)),
       {0x0C0B0A, 0x030201}},
      {"32 bits", Bmp(1, 1, 32, "", "\x11\x22\x33\xFF"), {0x332211}},
      {"32 bits, masks",
       Bmp(1, 1, 32, Le32(0xFF) + Le32(0xFF00) + Le32(0xFF000000), "\x11\x22\x33\xFF", 3),
       {0x1122FF}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    DecodedBitmap out;
    ASSERT_TRUE(DecodeBmp(c.file, &out));
    EXPECT_EQ(out.width * out.height, static_cast<int>(c.expected.size()));
    EXPECT_EQ(out.pixels, c.expected);
  }
}

TEST(BmpReader, RefusesMalformedFiles) {
  // Each case is a good 2 x 2 file with one thing broken.
  const std::string rows(16, '\x40');
  const std::string good = Bmp(2, 2, 24, "", rows);
  auto withSize = [&good](std::size_t size, std::size_t length) {
    return good.substr(0, length).replace(2, 4, Le32(static_cast<std::uint32_t>(size)));
  };
  const std::string cases[] = {
      "BA" + good.substr(2), good.substr(0, 13), withSize(good.size() + 1, good.size()),
      withSize(good.size() - 1, good.size()), withSize(44, 44),  // info header cut
      Bmp(2, 2, 8, "", std::string(8, '\0'), 0, 200),            // table past the end
      Bmp(2, 2, 24, "", rows.substr(0, 9)),                      // rows past the end
      Bmp(0, 2, 24, "", rows), Bmp(-2, 2, 24, "", rows), Bmp(2, INT32_MIN, 24, "", rows),
      Bmp(100000, 100000, 24, "", rows),
      // Far more pixels than a skin needs: refused before any row is read.
      Bmp(16000, 16000, 1, Table(2, 0xFFFFFF), rows), Bmp(2, 2, 2, "", rows),
      Bmp(2, 2, 8, Le32(0), rows, 1, 1),        // run-length encoded
      Bmp(2, 2, 24, "", rows, 3),               // masks on 24 bits
      Bmp(2, 2, 32, "", rows.substr(0, 4), 3),  // masks past the end
      Bmp(2, 2, 8, "", rows, 0, 300),           // over 256 colours
  };
  for (const auto& file : cases) {
    SCOPED_TRACE(&file - cases);
    DecodedBitmap out;
    EXPECT_FALSE(DecodeBmp(file, &out));
    EXPECT_TRUE(out.pixels.empty());
  }
}

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
  EXPECT_EQ(Pixel(29, 16), Rgb(0xFF0000));  // the pattern runs on round the corner
  EXPECT_EQ(Pixel(29, 17), Rgb(0xFFFFFF));
  EXPECT_EQ(Pixel(10, 10), Rgb(0x0000FF));
  // Dragged up and to the left, filled; every edge outside the screen.
  m_display->ClearScreen(0);
  m_display->DrawFrame(30, 20, 2, 2, 0x0000FF, 0x00FF00);
  m_display->DrawFrame(INT_MIN, INT_MIN, INT_MAX, INT_MAX, 0xFFFFFF, 0);
  m_display->DrawFrame(INT_MIN, 40, INT_MAX, INT_MAX, 0xFFFFFF, 0);
  EXPECT_EQ(Pixel(2, 2), Rgb(0xFF0000));
  EXPECT_EQ(Pixel(10, 10), Rgb(0x00FF00));
  EXPECT_EQ(Pixel(0, 0), 0u);
  EXPECT_NE(Pixel(63, 40), 0u);
  EXPECT_EQ(Pixel(0, 41), 0u);
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

TEST(TextImage, FontChoiceOutlineCacheAndCodePage) {
  // A lead byte at the very end is no pair; a 0x5C trail byte is.
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

  // CP932's wave dash is the full-width tilde, its NEC row is there, and
  // long texts go through in several pieces.
  EXPECT_EQ(platform::Cp932ToUtf8("\x81\x60\x87\x40\x82"), "\xEF\xBD\x9E\xE2\x91\xA0\xEF\xBF\xBD");
  EXPECT_EQ(platform::Cp932ToUtf8(std::string(4000, 'a')).size(), 4000u);
}

}  // namespace

// A display takes its size from what it is given, not from the run's
// settings, so that a picture of any size can be drawn beside the screen.
TEST_F(DisplayTest, ADisplayOfItsOwnSizeIgnoresTheRunsScreenSettings) {
  Settings.ScreenWidth = 16;
  Settings.ScreenHeight = 8;
  Settings.FullScreen = 1;
  CDisplay own;
  EXPECT_EQ(own.Width(), 0);
  ASSERT_EQ(own.Init(DisplaySettings{100, 30, false}), 1);
  EXPECT_EQ(own.Width(), 100);
  EXPECT_EQ(own.Height(), 30);
  SurfaceView back = own.BackSurface();
  EXPECT_EQ(back.format, PixelFormat::kXrgb8888);
  own.ClearScreen(0x123456);
  // The clear reaches the far corner of its own surface, not just the
  // settings' 16 x 8.
  EXPECT_EQ(back.PixelAt(99, 29) & 0xFFFFFF, 0x123456u);
  EXPECT_EQ(back.PixelAt(17, 9) & 0xFFFFFF, 0x123456u);
}

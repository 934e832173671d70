// The BMP reader on small inline files: every bit depth and row order it
// reads, and files that are malformed on purpose.
#include "display/bmp_reader.h"

#include <gtest/gtest.h>

#include <functional>
#include <ostream>

#include "display/bmp_builder.h"

namespace {

using bmp_test::BmpParts;
using bmp_test::BuildBmp;
using bmp_test::Le16;
using bmp_test::Le32;
using bmp_test::Quad;

DecodedBitmap Decode(const std::string& file) {
  DecodedBitmap out;
  EXPECT_TRUE(DecodeBmp(file, &out));
  return out;
}

TEST(BmpReader, PaletteImagesOfOneFourAndEightBits) {
  // 1 bit: 9 pixels need 2 bytes, padded to 4; the first pixel is the high bit.
  BmpParts one;
  one.width = 9;
  one.height = 2;
  one.bitCount = 1;
  one.afterHeader = Quad(0x000000) + Quad(0xFFFFFF);
  one.pixels = std::string("\x80\x80\0\0", 4) + std::string("\x7F\x00\0\0", 4);  // bottom row first
  DecodedBitmap b = Decode(BuildBmp(one));
  ASSERT_EQ(b.width, 9);
  ASSERT_EQ(b.height, 2);
  EXPECT_EQ(b.pixels[9 + 0], 0xFFFFFFu);  // bottom row, x 0
  EXPECT_EQ(b.pixels[9 + 1], 0u);
  EXPECT_EQ(b.pixels[9 + 8], 0xFFFFFFu);  // the 9th pixel is in the second byte
  EXPECT_EQ(b.pixels[0], 0u);             // top row
  EXPECT_EQ(b.pixels[1], 0xFFFFFFu);
  EXPECT_EQ(b.pixels[8], 0u);

  // 4 bits with a used-colours count of 0: 16 table entries; high nibble first.
  BmpParts four;
  four.width = 3;
  four.height = 1;
  four.bitCount = 4;
  for (std::uint32_t i = 0; i < 16; ++i) {
    four.afterHeader += Quad(i * 0x101010);
  }
  four.pixels = std::string("\x1F\x20\0\0", 4);
  b = Decode(BuildBmp(four));
  EXPECT_EQ(b.pixels, (std::vector<std::uint32_t>{0x101010, 0xF0F0F0, 0x202020}));

  // 8 bits with a used-colours count of 0: all 256 entries (1024 bytes) come
  // before the pixels.
  BmpParts eight;
  eight.width = 2;
  eight.height = 1;
  eight.bitCount = 8;
  for (std::uint32_t i = 0; i < 256; ++i) {
    eight.afterHeader += Quad(i << 8);
  }
  eight.pixels = std::string("\x05\xFF\0\0", 4);
  b = Decode(BuildBmp(eight));
  EXPECT_EQ(b.pixels, (std::vector<std::uint32_t>{0x000500, 0x00FF00}));
}

TEST(BmpReader, UsedColoursCountSetsTheTableLength) {
  // Two entries only: the pixels start 8 bytes after the header, and an index
  // past the short table shows black.
  BmpParts p;
  p.width = 3;
  p.height = 1;
  p.bitCount = 8;
  p.usedColours = 2;
  p.afterHeader = Quad(0x112233) + Quad(0x445566);
  p.pixels = std::string("\x01\x00\x09\0", 4);
  EXPECT_EQ(Decode(BuildBmp(p)).pixels, (std::vector<std::uint32_t>{0x445566, 0x112233, 0}));

  // A true-colour image may carry a table too; its pixels come after it.
  BmpParts t;
  t.width = 1;
  t.height = 1;
  t.bitCount = 24;
  t.usedColours = 2;
  t.afterHeader = Quad(0xFFFFFF) + Quad(0xFFFFFF);
  t.pixels = std::string("\x03\x02\x01\0", 4);
  EXPECT_EQ(Decode(BuildBmp(t)).pixels, (std::vector<std::uint32_t>{0x010203}));
}

TEST(BmpReader, SixteenBitsPlainAndWithMasks) {
  // Plain 16-bit pixels are 5-5-5; full channels become 255.
  BmpParts plain;
  plain.width = 2;
  plain.height = 1;
  plain.bitCount = 16;
  plain.pixels = Le16(0x7C00) + Le16(0x03FF);
  EXPECT_EQ(Decode(BuildBmp(plain)).pixels, (std::vector<std::uint32_t>{0xFF0000, 0x00FFFF}));

  // 5-6-5 through BI_BITFIELDS: the masks follow the header, the pixels the
  // masks.
  BmpParts masked;
  masked.width = 2;
  masked.height = 1;
  masked.bitCount = 16;
  masked.compression = 3;
  masked.afterHeader = Le32(0xF800) + Le32(0x07E0) + Le32(0x001F);
  masked.pixels = Le16(0x07E0) + Le16(0x001F);
  EXPECT_EQ(Decode(BuildBmp(masked)).pixels, (std::vector<std::uint32_t>{0x00FF00, 0x0000FF}));
}

TEST(BmpReader, TwentyFourBitsInBothRowOrders) {
  // One pixel per row: 3 bytes and one byte of padding.
  BmpParts up;
  up.width = 1;
  up.height = 2;
  up.pixels = std::string("\x01\x02\x03\0\x0A\x0B\x0C\0", 8);  // bottom row first
  EXPECT_EQ(Decode(BuildBmp(up)).pixels, (std::vector<std::uint32_t>{0x0C0B0A, 0x030201}));

  BmpParts down = up;
  down.height = -2;  // top row first
  DecodedBitmap b = Decode(BuildBmp(down));
  EXPECT_EQ(b.height, 2);
  EXPECT_EQ(b.pixels, (std::vector<std::uint32_t>{0x030201, 0x0C0B0A}));

  // The file header's pixel-data offset is not used, and the last row may
  // go without its padding.
  up.pixels.pop_back();
  std::string file = BuildBmp(up);
  file.replace(10, 4, Le32(9999));
  EXPECT_EQ(Decode(file).pixels, (std::vector<std::uint32_t>{0x0C0B0A, 0x030201}));
}

TEST(BmpReader, ThirtyTwoBitsPlainAndWithMasks) {
  BmpParts plain;
  plain.width = 1;
  plain.height = 1;
  plain.bitCount = 32;
  plain.pixels = std::string("\x11\x22\x33\xFF", 4);  // blue, green, red, unused
  EXPECT_EQ(Decode(BuildBmp(plain)).pixels, (std::vector<std::uint32_t>{0x332211}));

  // Red in the low byte, blue in the high one.
  BmpParts masked = plain;
  masked.compression = 3;
  masked.afterHeader = Le32(0x000000FF) + Le32(0x0000FF00) + Le32(0xFF000000);
  EXPECT_EQ(Decode(BuildBmp(masked)).pixels, (std::vector<std::uint32_t>{0x1122FF}));
}

// Malformed files: each is a good 2 x 2 file with one thing broken.
struct Malformed {
  const char* name;
  std::function<void(BmpParts*)> parts;    // broken before the file is built
  std::function<void(std::string*)> file;  // or after
};

// Test names and failure messages show the case's name, not its bytes.
void PrintTo(const Malformed& m, std::ostream* os) {
  *os << m.name;
}

std::string GoodFile(const Malformed& m) {
  BmpParts p;
  p.width = 2;
  p.height = 2;
  p.pixels = std::string(16, '\x40');
  if (m.parts) {
    m.parts(&p);
  }
  std::string f = BuildBmp(p);
  if (m.file) {
    m.file(&f);
  }
  return f;
}

void SetSize(std::string* f, std::uint32_t size) {
  f->replace(2, 4, Le32(size));
}

class BmpReaderMalformed : public ::testing::TestWithParam<Malformed> {};

TEST_P(BmpReaderMalformed, IsRefused) {
  DecodedBitmap out;
  EXPECT_FALSE(DecodeBmp(GoodFile(GetParam()), &out));
  EXPECT_TRUE(out.pixels.empty());
}

const Malformed kMalformed[] = {
    {"NotBm", nullptr, [](std::string* f) { (*f)[1] = 'A'; }},
    {"ShorterThanFileHeader", nullptr, [](std::string* f) { f->resize(13); }},
    {"SizeClaimsMore", nullptr,
     [](std::string* f) { SetSize(f, static_cast<std::uint32_t>(f->size() + 1)); }},
    {"SizeClaimsLess", nullptr,
     [](std::string* f) { SetSize(f, static_cast<std::uint32_t>(f->size() - 1)); }},
    {"SizeZero", nullptr, [](std::string* f) { SetSize(f, 0); }},
    {"SizeNegative", nullptr, [](std::string* f) { SetSize(f, 0xFFFFFFF0u); }},
    {"TruncatedInfoHeader", nullptr,
     [](std::string* f) {
       f->resize(14 + 30);
       SetSize(f, 44);
     }},
    {"ColourTableRunsPastEnd",
     [](BmpParts* p) {
       p->bitCount = 8;
       p->usedColours = 200;
       p->pixels = std::string(8, '\0');
     },
     nullptr},
    {"PixelRowsRunPastEnd", [](BmpParts* p) { p->pixels.resize(9); }, nullptr},
    {"ZeroWidth", [](BmpParts* p) { p->width = 0; }, nullptr},
    {"NegativeWidth", [](BmpParts* p) { p->width = -2; }, nullptr},
    {"ZeroHeight", [](BmpParts* p) { p->height = 0; }, nullptr},
    {"MostNegativeHeight", [](BmpParts* p) { p->height = INT32_MIN; }, nullptr},
    {"HugeDimensions",
     [](BmpParts* p) {
       p->width = 100000;
       p->height = 100000;
     },
     nullptr},
    {"ManyPixelsOfOneBit",
     [](BmpParts* p) {
       // Within each side's limit, but far more pixels than a skin needs;
       // refused before any row is looked at.
       p->width = 16000;
       p->height = 16000;
       p->bitCount = 1;
       p->afterHeader = Quad(0) + Quad(0xFFFFFF);
     },
     nullptr},
    {"BitCountTwo", [](BmpParts* p) { p->bitCount = 2; }, nullptr},
    {"BitCountSixtyFour", [](BmpParts* p) { p->bitCount = 64; }, nullptr},
    {"RunLengthEncoded",
     [](BmpParts* p) {
       p->bitCount = 8;
       p->compression = 1;
       p->usedColours = 1;
       p->afterHeader = Quad(0);
     },
     nullptr},
    {"MasksOnTwentyFourBits", [](BmpParts* p) { p->compression = 3; }, nullptr},
    {"MasksRunPastEnd",
     [](BmpParts* p) {
       p->bitCount = 32;
       p->compression = 3;
       p->pixels = std::string(4, '\0');
     },
     nullptr},
    {"PaletteImageWithoutTable",
     [](BmpParts* p) {
       p->bitCount = 8;
       p->usedColours = 300;  // above 256: no table at all
     },
     nullptr},
};

INSTANTIATE_TEST_SUITE_P(All, BmpReaderMalformed, ::testing::ValuesIn(kMalformed),
                         [](const ::testing::TestParamInfo<Malformed>& info) {
                           return info.param.name;
                         });

}  // namespace

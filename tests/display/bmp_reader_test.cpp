// The BMP reader on small inline files: every bit depth and row order it
// reads, and files malformed on purpose.
#include "display/bmp_reader.h"

#include <gtest/gtest.h>

#include <string>

#include "display/bmp_builder.h"

namespace {

using bmp_test::Bmp;
using bmp_test::Le16;
using bmp_test::Le32;
using bmp_test::Quad;
using Pixels = std::vector<std::uint32_t>;

// A colour table of n entries, entry i being i * step.
std::string Table(std::uint32_t n, std::uint32_t step) {
  std::string table;
  for (std::uint32_t i = 0; i < n; ++i) {
    table += Quad(i * step);
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
       Bmp(9, 2, 1, Quad(0) + Quad(W), std::string("\x80\x80\0\0\x7F\x00\0\0", 8)),
       {0, W, W, W, W, W, W, W, 0, W, 0, 0, 0, 0, 0, 0, 0, W}},
      // No used-colours count: 2^bits entries before the pixels.
      {"4 bits", Bmp(3, 1, 4, Table(16, 0x101010), "\x1F\x20\0\0"), {0x101010, 0xF0F0F0, 0x202020}},
      // An index past a short table shows black.
      {"8 bits",
       Bmp(3, 1, 8, Quad(0x112233) + Quad(0x445566), std::string("\x01\x00\x09\0", 4), 0, 2),
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
      Bmp(2, 2, 8, Quad(0), rows, 1, 1),        // run-length encoded
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

}  // namespace

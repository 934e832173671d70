// The BMP reader: a whole BMP file in memory to top-down RGB pixels, with no
// platform type in sight so that every malformed file can be tested and
// fuzzed on its own.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>
#include <vector>

// Limits that keep a hostile file from asking for more memory than a skin
// bitmap could ever need.
inline constexpr int kMaxBitmapSide = 16384;
inline constexpr std::int64_t kMaxBitmapPixels = std::int64_t{4096} * 4096;
inline constexpr std::size_t kMaxBitmapFileBytes = 80u << 20;

struct DecodedBitmap {
  int width = 0;
  int height = 0;
  std::vector<std::uint32_t> pixels;  // 0x00RRGGBB, rows top-down
};

// Reads a BMP file: the 14-byte file header ("BM", the file size), then a
// 40-byte info header, the colour table, and the pixel rows.
//
// The colour table has the info header's used-colours count of entries, or
// 2 to the power of the bit count when that is 0, and none at all when that
// number is above 256. The pixels follow the header and the table (and, for
// BI_BITFIELDS, the three channel masks); the file header's pixel-data
// offset is not used. 1-, 4- and 8-bit palette images, 16-bit (5-5-5 or
// masks), 24-bit and 32-bit (plain or masks) images, stored bottom-up or
// top-down, are read.
//
// Returns false, and leaves *out empty, for anything that cannot be read
// safely: a file size field that is not the file's real size, a header, a
// colour table or pixel rows that run past the end of the file, a palette
// image without a colour table, a size of 0 or beyond the limits above, an
// unknown bit count or compression.
bool DecodeBmp(std::string_view file, DecodedBitmap* out);

// Small BMP files built in memory, for the reader's tests and test skins.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace bmp_test {

inline std::string Le16(std::uint16_t v) {
  return std::string{static_cast<char>(v & 0xFF), static_cast<char>(v >> 8)};
}

inline std::string Le32(std::uint32_t v) {
  return Le16(static_cast<std::uint16_t>(v & 0xFFFF)) + Le16(static_cast<std::uint16_t>(v >> 16));
}

// A whole file with truthful size fields: headers, then masks or colour
// table, then the rows as stored (top-down for a negative height).
inline std::string Bmp(int width, int height, int bits, const std::string& table,
                       const std::string& pixels, std::uint32_t compression = 0,
                       std::uint32_t usedColours = 0) {
  const std::string info = Le32(40) + Le32(static_cast<std::uint32_t>(width)) +
                           Le32(static_cast<std::uint32_t>(height)) + Le16(1) +
                           Le16(static_cast<std::uint16_t>(bits)) + Le32(compression) +
                           Le32(static_cast<std::uint32_t>(pixels.size())) + Le32(2835) +
                           Le32(2835) + Le32(usedColours) + Le32(0);
  const auto offset = static_cast<std::uint32_t>(14 + info.size() + table.size());
  return "BM" + Le32(offset + static_cast<std::uint32_t>(pixels.size())) + Le32(0) + Le32(offset) +
         info + table + pixels;
}

// A 24-bit bottom-up file of top-down 0xRRGGBB pixels.
inline std::string Bmp24(int width, int height, const std::vector<std::uint32_t>& pixels) {
  std::string rows;
  for (int y = height - 1; y >= 0; --y) {
    std::string row;
    for (int x = 0; x < width; ++x) {
      row += Le32(pixels[static_cast<std::size_t>(y * width + x)]).substr(0, 3);
    }
    row.resize((row.size() + 3) / 4 * 4, '\0');
    rows += row;
  }
  return Bmp(width, height, 24, "", rows);
}

inline std::string SolidBmp(int width, int height, std::uint32_t rgb) {
  return Bmp24(width, height,
               std::vector<std::uint32_t>(static_cast<std::size_t>(width * height), rgb));
}

// The pixel at (x, y) of CoordinateBmp: red x, green y, blue 0x80 (never
// black, so never transparent).
inline std::uint32_t CoordinateRgb(int x, int y) {
  return static_cast<std::uint32_t>(x << 16 | y << 8 | 0x80);
}

inline std::string CoordinateBmp(int width, int height) {
  std::vector<std::uint32_t> pixels;
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) {
      pixels.push_back(CoordinateRgb(x, y));
    }
  }
  return Bmp24(width, height, pixels);
}

}  // namespace bmp_test

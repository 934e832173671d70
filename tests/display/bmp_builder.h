// Small BMP files built in memory, for the reader's tests and for the skins
// that the display, registry and screen tests load.
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

// The parts of a file, each as stored.
struct BmpParts {
  std::int32_t width = 1;
  std::int32_t height = 1;  // negative: rows stored top-down
  std::uint16_t bitCount = 24;
  std::uint32_t compression = 0;
  std::uint32_t usedColours = 0;
  std::string afterHeader;  // masks and colour table
  std::string pixels;       // the rows, padded as stored
};

// A whole file. The size field is the file's real size; the pixel-data
// offset field points where a careful writer would put it.
inline std::string BuildBmp(const BmpParts& p) {
  std::string info = Le32(40) + Le32(static_cast<std::uint32_t>(p.width)) +
                     Le32(static_cast<std::uint32_t>(p.height)) + Le16(1) + Le16(p.bitCount) +
                     Le32(p.compression) + Le32(static_cast<std::uint32_t>(p.pixels.size())) +
                     Le32(2835) + Le32(2835) + Le32(p.usedColours) + Le32(0);
  const std::uint32_t offset = static_cast<std::uint32_t>(14 + info.size() + p.afterHeader.size());
  const std::uint32_t size = offset + static_cast<std::uint32_t>(p.pixels.size());
  return "BM" + Le32(size) + Le32(0) + Le32(offset) + info + p.afterHeader + p.pixels;
}

// A colour-table entry: blue, green, red, reserved.
inline std::string Quad(std::uint32_t rgb) {
  return std::string{static_cast<char>(rgb & 0xFF), static_cast<char>((rgb >> 8) & 0xFF),
                     static_cast<char>((rgb >> 16) & 0xFF), '\0'};
}

// A 24-bit bottom-up file of top-down 0xRRGGBB pixels.
inline std::string Bmp24(int width, int height, const std::vector<std::uint32_t>& pixels) {
  BmpParts parts;
  parts.width = width;
  parts.height = height;
  const int rowBytes = (width * 3 + 3) / 4 * 4;
  for (int y = height - 1; y >= 0; --y) {
    std::string row;
    for (int x = 0; x < width; ++x) {
      const std::uint32_t c = pixels[static_cast<std::size_t>(y * width + x)];
      row += static_cast<char>(c & 0xFF);
      row += static_cast<char>((c >> 8) & 0xFF);
      row += static_cast<char>((c >> 16) & 0xFF);
    }
    row.resize(static_cast<std::size_t>(rowBytes), '\0');
    parts.pixels += row;
  }
  return BuildBmp(parts);
}

// A 24-bit file of one colour.
inline std::string SolidBmp(int width, int height, std::uint32_t rgb) {
  return Bmp24(width, height,
               std::vector<std::uint32_t>(static_cast<std::size_t>(width * height), rgb));
}

// A 24-bit file whose every pixel tells where it is: red = x, green = y,
// blue = 0x80 (never black, so never transparent).
inline std::string CoordinateBmp(int width, int height) {
  std::vector<std::uint32_t> pixels;
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) {
      pixels.push_back((static_cast<std::uint32_t>(x) << 16) |
                       (static_cast<std::uint32_t>(y) << 8) | 0x80);
    }
  }
  return Bmp24(width, height, pixels);
}

}  // namespace bmp_test

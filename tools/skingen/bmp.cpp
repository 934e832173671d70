// 24-bit BMP encoding and decoding for the skin generator and its preview.
#include "bmp.h"

#include <cstdio>
#include <memory>

namespace {

constexpr std::size_t kFileHeaderSize = 14;
constexpr std::size_t kInfoHeaderSize = 40;
constexpr std::size_t kPixelOffset = kFileHeaderSize + kInfoHeaderSize;
// Larger pictures are not skin bitmaps; refusing them keeps the arithmetic
// below far from any overflow.
constexpr int kMaxSide = 16384;

void Put16(std::vector<std::uint8_t>& out, std::size_t at, std::uint32_t v) {
  out[at] = static_cast<std::uint8_t>(v);
  out[at + 1] = static_cast<std::uint8_t>(v >> 8);
}
void Put32(std::vector<std::uint8_t>& out, std::size_t at, std::uint32_t v) {
  Put16(out, at, v);
  Put16(out, at + 2, v >> 16);
}
std::uint32_t Get16(const std::vector<std::uint8_t>& in, std::size_t at) {
  return static_cast<std::uint32_t>(in[at] | (in[at + 1] << 8));
}
std::uint32_t Get32(const std::vector<std::uint8_t>& in, std::size_t at) {
  return Get16(in, at) | (Get16(in, at + 2) << 16);
}

std::size_t RowBytes(int width) {
  return (static_cast<std::size_t>(width) * 3 + 3) / 4 * 4;
}

struct FileCloser {
  void operator()(std::FILE* f) const { std::fclose(f); }
};
using FilePtr = std::unique_ptr<std::FILE, FileCloser>;

}  // namespace

std::vector<std::uint8_t> EncodeBmp24(const Image& image) {
  const std::size_t rowBytes = RowBytes(image.width);
  const std::size_t dataSize = rowBytes * static_cast<std::size_t>(image.height);
  std::vector<std::uint8_t> out(kPixelOffset + dataSize, 0);
  out[0] = 'B';
  out[1] = 'M';
  Put32(out, 2, static_cast<std::uint32_t>(out.size()));
  Put32(out, 10, static_cast<std::uint32_t>(kPixelOffset));
  Put32(out, 14, static_cast<std::uint32_t>(kInfoHeaderSize));
  Put32(out, 18, static_cast<std::uint32_t>(image.width));
  Put32(out, 22, static_cast<std::uint32_t>(image.height));  // positive: bottom-up
  Put16(out, 26, 1);                                         // planes
  Put16(out, 28, 24);                                        // bits per pixel
  Put32(out, 30, 0);                                         // no compression
  Put32(out, 34, static_cast<std::uint32_t>(dataSize));
  Put32(out, 38, 2835);  // 72 dots per inch, in dots per metre
  Put32(out, 42, 2835);
  // Colours used and important stay 0: with 24 bits there is no table.
  for (int y = 0; y < image.height; ++y) {
    std::size_t at = kPixelOffset + rowBytes * static_cast<std::size_t>(image.height - 1 - y);
    for (int x = 0; x < image.width; ++x) {
      const Rgb c = image.At(x, y);
      out[at++] = c.b;
      out[at++] = c.g;
      out[at++] = c.r;
    }
  }
  return out;
}

bool DecodeBmp24(const std::vector<std::uint8_t>& bytes, Image* image) {
  if (bytes.size() < kPixelOffset || bytes[0] != 'B' || bytes[1] != 'M') {
    return false;
  }
  const std::uint32_t offset = Get32(bytes, 10);
  const std::uint32_t infoSize = Get32(bytes, 14);
  const auto width = static_cast<std::int32_t>(Get32(bytes, 18));
  const auto rawHeight = static_cast<std::int32_t>(Get32(bytes, 22));
  if (infoSize < kInfoHeaderSize || Get16(bytes, 28) != 24 || Get32(bytes, 30) != 0) {
    return false;
  }
  if (width <= 0 || width > kMaxSide || rawHeight == 0 || rawHeight < -kMaxSide ||
      rawHeight > kMaxSide) {
    return false;
  }
  const bool bottomUp = rawHeight > 0;
  const int height = bottomUp ? rawHeight : -rawHeight;
  const std::size_t rowBytes = RowBytes(width);
  if (offset > bytes.size() ||
      (bytes.size() - offset) / rowBytes < static_cast<std::size_t>(height)) {
    return false;
  }
  image->width = width;
  image->height = height;
  image->pixels.assign(static_cast<std::size_t>(width) * height, Rgb{});
  for (int y = 0; y < height; ++y) {
    const int fileRow = bottomUp ? height - 1 - y : y;
    std::size_t at = offset + rowBytes * static_cast<std::size_t>(fileRow);
    for (int x = 0; x < width; ++x, at += 3) {
      image->pixels[static_cast<std::size_t>(y) * width + x] =
          Rgb{bytes[at + 2], bytes[at + 1], bytes[at]};
    }
  }
  return true;
}

bool WriteBytes(const std::string& path, const std::vector<std::uint8_t>& bytes) {
  FilePtr file(std::fopen(path.c_str(), "wb"));
  if (!file) {
    return false;
  }
  if (std::fwrite(bytes.data(), 1, bytes.size(), file.get()) != bytes.size()) {
    return false;
  }
  return std::fclose(file.release()) == 0;
}

bool ReadBytes(const std::string& path, std::vector<std::uint8_t>* bytes) {
  FilePtr file(std::fopen(path.c_str(), "rb"));
  if (!file) {
    return false;
  }
  bytes->clear();
  std::uint8_t buffer[65536];
  std::size_t got = 0;
  while ((got = std::fread(buffer, 1, sizeof buffer, file.get())) > 0) {
    bytes->insert(bytes->end(), buffer, buffer + got);
  }
  return std::ferror(file.get()) == 0;
}

// 24-bit uncompressed BMP files: the skin's bitmaps are written with these,
// and the preview reads them back.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "canvas.h"

// An RGB picture, rows from the top.
struct Image {
  int width = 0;
  int height = 0;
  std::vector<Rgb> pixels;

  Rgb At(int x, int y) const { return pixels[static_cast<std::size_t>(y) * width + x]; }
};

// The bytes of a bottom-up 24-bit BMP: a 14-byte file header, a 40-byte info
// header, no colour table, rows padded to four bytes. The pixel data starts
// right after the info header, where a reader that ignores the offset field
// also looks for it.
std::vector<std::uint8_t> EncodeBmp24(const Image& image);

// Reads a file written by EncodeBmp24 (any bottom-up or top-down 24-bit
// uncompressed BMP). Every length is checked against the bytes at hand;
// false when the file is not such a BMP or is cut short.
bool DecodeBmp24(const std::vector<std::uint8_t>& bytes, Image* image);

bool WriteBytes(const std::string& path, const std::vector<std::uint8_t>& bytes);
bool ReadBytes(const std::string& path, std::vector<std::uint8_t>* bytes);

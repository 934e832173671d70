// A non-owning view of a surface's pixels, free of any SDL type.
//
// The display draws into surfaces that the platform layer owns; clipping,
// dashed frames and the tests that read pixels back work on this view, so
// they can be written and tested without SDL.
#pragma once

#include <cstdint>

enum class PixelFormat {
  kRgb565,    // 16-bit, as the full-screen display mode
  kXrgb8888,  // 32-bit, as a windowed desktop
};

struct SurfaceView {
  std::uint8_t* pixels = nullptr;
  int width = 0;
  int height = 0;
  int pitch = 0;  // bytes from one row to the next
  PixelFormat format = PixelFormat::kXrgb8888;

  int BytesPerPixel() const { return format == PixelFormat::kRgb565 ? 2 : 4; }
  bool Contains(int x, int y) const { return x >= 0 && y >= 0 && x < width && y < height; }

  // Raw pixel value at (x, y); the caller keeps (x, y) inside.
  std::uint32_t PixelAt(int x, int y) const {
    const std::uint8_t* p = pixels + static_cast<long>(y) * pitch + x * BytesPerPixel();
    if (format == PixelFormat::kRgb565) {
      return static_cast<std::uint32_t>(p[0] | (p[1] << 8));
    }
    return static_cast<std::uint32_t>(p[0] | (p[1] << 8) | (p[2] << 16) | (p[3] << 24)) &
           0x00FFFFFFu;
  }
  void SetPixel(int x, int y, std::uint32_t value) {
    std::uint8_t* p = pixels + static_cast<long>(y) * pitch + x * BytesPerPixel();
    p[0] = static_cast<std::uint8_t>(value);
    p[1] = static_cast<std::uint8_t>(value >> 8);
    if (format == PixelFormat::kXrgb8888) {
      p[2] = static_cast<std::uint8_t>(value >> 16);
      p[3] = 0;
    }
  }
};

// The raw pixel value of an 8-bit-per-channel colour in a format.
inline std::uint32_t MapRgb(PixelFormat format, std::uint8_t r, std::uint8_t g, std::uint8_t b) {
  if (format == PixelFormat::kRgb565) {
    return static_cast<std::uint32_t>(((r >> 3) << 11) | ((g >> 2) << 5) | (b >> 3));
  }
  return (static_cast<std::uint32_t>(r) << 16) | (static_cast<std::uint32_t>(g) << 8) | b;
}

// Copies from a keyed sheet go along the sheet's runs of pixels that are not
// the key. They must leave every byte of the destination as SDL's own keyed
// copy leaves it, for sprites anywhere on the sheet, cut at any edge, in
// both pixel formats, and whatever the unused bits of a pixel hold.
#include <SDL.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <random>
#include <vector>

#include "platform/surface.h"

namespace {

using platform::Surface;

Uint32 SdlFormatOf(PixelFormat format) {
  return format == PixelFormat::kRgb565 ? SDL_PIXELFORMAT_RGB565 : SDL_PIXELFORMAT_XRGB8888;
}

// Random pixels in the format, about half of them the key (0), in runs as a
// sprite's edges are. With unusedBits the unused byte of some 32-bit pixels
// is set, which SDL's keyed copy tests but does not copy.
std::vector<std::uint32_t> RandomPixels(std::mt19937& random, int count, PixelFormat format,
                                        bool unusedBits) {
  std::vector<std::uint32_t> pixels(static_cast<std::size_t>(count));
  bool keyed = false;
  for (std::uint32_t& pixel : pixels) {
    if (random() % 5 == 0) {
      keyed = !keyed;
    }
    if (format == PixelFormat::kRgb565) {
      pixel = keyed ? 0 : 1 + random() % 0xFFFF;
    } else {
      const std::uint32_t unused = unusedBits && random() % 4 == 0 ? (random() & 0xFF000000u) : 0;
      pixel = unused | (keyed ? 0 : 1 + random() % 0xFFFFFF);
    }
  }
  return pixels;
}

void Put(SDL_Surface* surface, const std::vector<std::uint32_t>& pixels) {
  const int bytes = surface->format->BytesPerPixel;
  for (int y = 0; y < surface->h; ++y) {
    auto* line = static_cast<std::uint8_t*>(surface->pixels) + y * surface->pitch;
    for (int x = 0; x < surface->w; ++x) {
      const std::uint32_t pixel = pixels[static_cast<std::size_t>(y * surface->w + x)];
      if (bytes == 4) {
        std::memcpy(line + x * 4, &pixel, 4);
      } else {
        const auto narrow = static_cast<std::uint16_t>(pixel);
        std::memcpy(line + x * 2, &narrow, 2);
      }
    }
  }
}

int DepthOf(PixelFormat format) {
  return format == PixelFormat::kRgb565 ? 16 : 32;
}

// Writes the pixels into a surface the program can view, through SDL.
void PutInto(Surface& surface, PixelFormat format, const std::vector<std::uint32_t>& pixels) {
  const SurfaceView view = surface.View();
  SDL_Surface* wrapped = SDL_CreateRGBSurfaceWithFormatFrom(
      view.pixels, view.width, view.height, DepthOf(format), view.pitch, SdlFormatOf(format));
  ASSERT_NE(wrapped, nullptr);
  Put(wrapped, pixels);
  SDL_FreeSurface(wrapped);
}

// A destination of random pixels as the program's surface, and the same
// pixels in a surface that SDL copies into itself.
struct Destination {
  Surface back;
  SDL_Surface* expected = nullptr;
  int width = 0;
  int height = 0;
  Destination(std::mt19937& random, PixelFormat format, int maxWidth, int maxHeight)
      : width(1 + static_cast<int>(random() % static_cast<unsigned>(maxWidth))),
        height(1 + static_cast<int>(random() % static_cast<unsigned>(maxHeight))) {
    const std::vector<std::uint32_t> pixels = RandomPixels(random, width * height, format, true);
    back = Surface::Create(width, height, format);
    PutInto(back, format, pixels);
    expected =
        SDL_CreateRGBSurfaceWithFormat(0, width, height, DepthOf(format), SdlFormatOf(format));
    Put(expected, pixels);
  }
  ~Destination() { SDL_FreeSurface(expected); }
  Destination(const Destination&) = delete;
  Destination& operator=(const Destination&) = delete;

  // The same copy by the program and by SDL; false when either failed.
  bool Copy(const Surface& from, SDL_Surface* reference, const RECT& source, int x, int y) {
    SDL_Rect sdlFrom{source.left, source.top, source.right - source.left,
                     source.bottom - source.top};
    SDL_Rect sdlTo{x, y, sdlFrom.w, sdlFrom.h};
    return from.CopyTo(back, source, x, y) == 0 &&
           SDL_LowerBlit(reference, &sdlFrom, expected, &sdlTo) == 0;
  }

  // The row where the two differ, or -1.
  int DifferingRow() {
    const SurfaceView result = back.View();
    for (int row = 0; row < height; ++row) {
      if (std::memcmp(result.pixels + row * result.pitch,
                      static_cast<std::uint8_t*>(expected->pixels) + row * expected->pitch,
                      static_cast<std::size_t>(width * expected->format->BytesPerPixel)) != 0) {
        return row;
      }
    }
    return -1;
  }
};

TEST(SurfaceCopyTest, KeyedCopiesLeaveEveryByteAsSdlsKeyedCopyDoes) {
  std::mt19937 random(11);
  for (const PixelFormat format : {PixelFormat::kXrgb8888, PixelFormat::kRgb565}) {
    for (int round = 0; round < 60; ++round) {
      const int sheetWidth = 1 + static_cast<int>(random() % 90);
      const int sheetHeight = 1 + static_cast<int>(random() % 40);
      // A sheet in eight with pixels whose unused byte is set.
      const std::vector<std::uint32_t> sheetPixels =
          RandomPixels(random, sheetWidth * sheetHeight, format, round % 8 == 0);

      // The sheet through the program's surfaces, and the same pixels in a
      // surface that SDL copies itself.
      Surface sheet = Surface::Create(sheetWidth, sheetHeight, format);
      ASSERT_TRUE(sheet.Valid());
      PutInto(sheet, format, sheetPixels);
      ASSERT_TRUE(sheet.SetColorKeyBlack());
      SDL_Surface* reference = SDL_CreateRGBSurfaceWithFormat(0, sheetWidth, sheetHeight,
                                                              DepthOf(format), SdlFormatOf(format));
      ASSERT_NE(reference, nullptr);
      Put(reference, sheetPixels);
      SDL_SetColorKey(reference, SDL_TRUE, 0);
      Destination destination(random, format, 100, 50);
      const int width = destination.width;
      const int height = destination.height;

      // Sprites anywhere on the sheet, cut to fit the destination as the
      // display cuts them.
      for (int copy = 0; copy < 12; ++copy) {
        const int left = static_cast<int>(random() % static_cast<unsigned>(sheetWidth));
        const int top = static_cast<int>(random() % static_cast<unsigned>(sheetHeight));
        const int right = left + 1 + static_cast<int>(random() % (sheetWidth - left));
        const int bottom = top + 1 + static_cast<int>(random() % (sheetHeight - top));
        const int x = static_cast<int>(random() % static_cast<unsigned>(width));
        const int y = static_cast<int>(random() % static_cast<unsigned>(height));
        const int w = std::min(right - left, width - x);
        const int h = std::min(bottom - top, height - y);
        ASSERT_TRUE(destination.Copy(sheet, reference, RECT{left, top, left + w, top + h}, x, y));
      }
      EXPECT_EQ(destination.DifferingRow(), -1)
          << "format " << static_cast<int>(format) << " round " << round;
      SDL_FreeSurface(reference);
    }
  }
}

// Text images, clear or opaque everywhere or with translucent pixels too,
// copied onto both kinds of surface: every byte as SDL's blend leaves it.
TEST(SurfaceCopyTest, TextCopiesLeaveEveryByteAsSdlsBlendDoes) {
  std::mt19937 random(23);
  for (const PixelFormat format : {PixelFormat::kXrgb8888, PixelFormat::kRgb565}) {
    for (int round = 0; round < 60; ++round) {
      const int textWidth = 1 + static_cast<int>(random() % 90);
      const int textHeight = 1 + static_cast<int>(random() % 30);
      const bool translucent = round % 4 == 0;
      std::vector<std::uint32_t> argb(static_cast<std::size_t>(textWidth * textHeight));
      bool opaque = false;
      for (std::uint32_t& pixel : argb) {
        if (random() % 4 == 0) {
          opaque = !opaque;
        }
        std::uint32_t alpha = opaque ? 0xFF : 0;
        if (translucent && random() % 8 == 0) {
          alpha = random() % 256;
        }
        pixel = (alpha << 24) | (random() & 0xFFFFFF);
      }
      const Surface text = Surface::FromArgb(argb.data(), textWidth, textHeight);
      ASSERT_TRUE(text.Valid());
      SDL_Surface* reference =
          SDL_CreateRGBSurfaceWithFormat(0, textWidth, textHeight, 32, SDL_PIXELFORMAT_ARGB8888);
      ASSERT_NE(reference, nullptr);
      Put(reference, argb);
      SDL_SetSurfaceBlendMode(reference, SDL_BLENDMODE_BLEND);

      Destination destination(random, format, 100, 40);
      const int width = destination.width;
      const int height = destination.height;

      // Whole texts, and texts cut at the destination's edges.
      for (int copy = 0; copy < 8; ++copy) {
        const int x = static_cast<int>(random() % static_cast<unsigned>(width));
        const int y = static_cast<int>(random() % static_cast<unsigned>(height));
        const int left = copy % 2 == 0 ? 0 : static_cast<int>(random() % textWidth);
        const int top = copy % 2 == 0 ? 0 : static_cast<int>(random() % textHeight);
        const int w = std::min(textWidth - left, width - x);
        const int h = std::min(textHeight - top, height - y);
        ASSERT_TRUE(destination.Copy(text, reference, RECT{left, top, left + w, top + h}, x, y));
      }
      EXPECT_EQ(destination.DifferingRow(), -1)
          << "format " << static_cast<int>(format) << " round " << round;
      SDL_FreeSurface(reference);
    }
  }
}

}  // namespace

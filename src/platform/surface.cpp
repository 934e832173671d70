// Owning pixel surfaces over SDL_Surface.
#include "platform/surface.h"

#include <SDL.h>

#include <algorithm>
#include <cstring>
#include <memory>
#include <utility>
#include <vector>

namespace platform {
namespace {

Uint32 SdlFormatOf(PixelFormat format) {
  return format == PixelFormat::kRgb565 ? SDL_PIXELFORMAT_RGB565 : SDL_PIXELFORMAT_XRGB8888;
}

int DepthOf(PixelFormat format) {
  return format == PixelFormat::kRgb565 ? 16 : 32;
}

SDL_Rect ToSdl(const RECT& rect) {
  return SDL_Rect{rect.left, rect.top, rect.right - rect.left, rect.bottom - rect.top};
}

}  // namespace

struct Surface::KeyRuns {
  struct Run {
    int begin;  // first pixel of the run
    int end;    // one past its last
  };
  std::vector<std::size_t> rowFirst;  // height + 1 entries: the first run of each row
  std::vector<Run> runs;
  int bytesPerPixel = 0;
};

Surface::Surface(SDL_Surface* surface, PixelFormat format, bool viewable)
    : m_surface(surface), m_format(format), m_viewable(viewable) {}

Surface::~Surface() {
  SDL_FreeSurface(m_translucent);
  SDL_FreeSurface(m_surface);
}

Surface::Surface(Surface&& other) noexcept
    : m_surface(std::exchange(other.m_surface, nullptr)),
      m_runs(std::move(other.m_runs)),
      m_translucent(std::exchange(other.m_translucent, nullptr)),
      m_translucentOpacity(other.m_translucentOpacity),
      m_format(other.m_format),
      m_viewable(other.m_viewable) {}

Surface& Surface::operator=(Surface&& other) noexcept {
  if (this != &other) {
    SDL_FreeSurface(m_translucent);
    SDL_FreeSurface(m_surface);
    m_surface = std::exchange(other.m_surface, nullptr);
    m_runs = std::move(other.m_runs);
    m_translucent = std::exchange(other.m_translucent, nullptr);
    m_translucentOpacity = other.m_translucentOpacity;
    m_format = other.m_format;
    m_viewable = other.m_viewable;
  }
  return *this;
}

Surface Surface::Create(int width, int height, PixelFormat format) {
  if (width <= 0 || height <= 0) {
    return Surface();
  }
  SDL_Surface* surface =
      SDL_CreateRGBSurfaceWithFormat(0, width, height, DepthOf(format), SdlFormatOf(format));
  if (surface == nullptr) {
    return Surface();
  }
  // A fresh surface is zeroed, which is black in both formats. Copies from it
  // are plain copies: no key, no blending.
  SDL_SetSurfaceBlendMode(surface, SDL_BLENDMODE_NONE);
  return Surface(surface, format, true);
}

Surface Surface::FromRgb(const std::uint32_t* rgb, int width, int height, PixelFormat format) {
  Surface surface = Create(width, height, format);
  if (!surface.Valid()) {
    return surface;
  }
  SurfaceView view = surface.View();
  for (int y = 0; y < height; ++y) {
    const std::uint32_t* row = rgb + static_cast<std::size_t>(y) * static_cast<std::size_t>(width);
    for (int x = 0; x < width; ++x) {
      std::uint32_t c = row[x];
      view.SetPixel(x, y,
                    MapRgb(format, static_cast<std::uint8_t>(c >> 16),
                           static_cast<std::uint8_t>(c >> 8), static_cast<std::uint8_t>(c)));
    }
  }
  return surface;
}

Surface Surface::FromArgb(const std::uint32_t* argb, int width, int height) {
  if (width <= 0 || height <= 0) {
    return Surface();
  }
  SDL_Surface* surface =
      SDL_CreateRGBSurfaceWithFormat(0, width, height, 32, SDL_PIXELFORMAT_ARGB8888);
  if (surface == nullptr) {
    return Surface();
  }
  for (int y = 0; y < height; ++y) {
    auto* row = reinterpret_cast<Uint32*>(static_cast<Uint8*>(surface->pixels) +
                                          static_cast<std::ptrdiff_t>(y) * surface->pitch);
    SDL_memcpy(row, argb + static_cast<std::size_t>(y) * static_cast<std::size_t>(width),
               static_cast<std::size_t>(width) * sizeof(Uint32));
  }
  SDL_SetSurfaceBlendMode(surface, SDL_BLENDMODE_BLEND);
  return Surface(surface, PixelFormat::kXrgb8888, false);
}

int Surface::Width() const {
  return m_surface != nullptr ? m_surface->w : 0;
}

int Surface::Height() const {
  return m_surface != nullptr ? m_surface->h : 0;
}

bool Surface::SetColorKeyBlack() {
  if (m_surface == nullptr || SDL_SetColorKey(m_surface, SDL_TRUE, 0) != 0) {
    return false;
  }
  // The surface is not run-length encoded. A keyed bitmap is a sheet of the
  // skin, and every copy takes one sprite out of it; an encoded surface has
  // no index of its rows, so copying a sprite low on a sheet first walks
  // the runs of every row above it. In the editor that walk cost more than
  // all the copying.
  //
  // Instead the runs of pixels that are not the key are found here once,
  // with an index of rows: a copy then moves whole runs (a card's row is
  // one or two) where SDL's keyed copy tests every pixel, and the frame's
  // largest sprites, the background above all, copy at memory speed. As
  // SDL's keyed copy, a pixel is the key when its whole value is 0, and is
  // copied without the bits outside its colours; a sheet with any such bit
  // set (none the program makes has one) is left to SDL.
  m_viewable = false;
  m_runs.reset();
  if (SDL_MUSTLOCK(m_surface) || m_surface->pixels == nullptr) {
    return true;  // SDL's own copy serves
  }
  auto runs = std::make_shared<KeyRuns>();
  runs->bytesPerPixel = m_surface->format->BytesPerPixel;
  const Uint32 colourBits =
      m_surface->format->Rmask | m_surface->format->Gmask | m_surface->format->Bmask;
  if ((runs->bytesPerPixel != 2 && runs->bytesPerPixel != 4) || colourBits == 0) {
    return true;
  }
  runs->rowFirst.reserve(static_cast<std::size_t>(m_surface->h) + 1);
  const auto* base = static_cast<const std::uint8_t*>(m_surface->pixels);
  for (int row = 0; row < m_surface->h; ++row) {
    runs->rowFirst.push_back(runs->runs.size());
    const std::uint8_t* line = base + static_cast<std::ptrdiff_t>(row) * m_surface->pitch;
    const auto opaque = [&](int column) {
      Uint32 pixel = 0;
      if (runs->bytesPerPixel == 4) {
        std::memcpy(&pixel, line + static_cast<std::ptrdiff_t>(column) * 4, 4);
      } else {
        Uint16 narrow = 0;
        std::memcpy(&narrow, line + static_cast<std::ptrdiff_t>(column) * 2, 2);
        pixel = narrow;
      }
      return pixel != 0;
    };
    const auto unusedBitsSet = [&](int column) {
      Uint32 pixel = 0;
      if (runs->bytesPerPixel == 4) {
        std::memcpy(&pixel, line + static_cast<std::ptrdiff_t>(column) * 4, 4);
      }
      return (pixel & ~colourBits) != 0;
    };
    int column = 0;
    while (column < m_surface->w) {
      while (column < m_surface->w && !opaque(column)) {
        ++column;
      }
      const int begin = column;
      while (column < m_surface->w && opaque(column)) {
        if (unusedBitsSet(column)) {
          return true;  // SDL's own copy serves
        }
        ++column;
      }
      if (column > begin) {
        runs->runs.push_back(KeyRuns::Run{begin, column});
      }
    }
  }
  runs->rowFirst.push_back(runs->runs.size());
  m_runs = std::move(runs);
  return true;
}

void Surface::CopyRuns(Surface& destination, const RECT& source, int x, int y) const {
  const KeyRuns& runs = *m_runs;
  const auto bytes = static_cast<std::size_t>(runs.bytesPerPixel);
  const auto* from = static_cast<const std::uint8_t*>(m_surface->pixels);
  auto* to = static_cast<std::uint8_t*>(destination.m_surface->pixels);
  const int fromPitch = m_surface->pitch;
  const int toPitch = destination.m_surface->pitch;
  for (int row = source.top; row < source.bottom; ++row) {
    const KeyRuns::Run* first = runs.runs.data() + runs.rowFirst[static_cast<std::size_t>(row)];
    const KeyRuns::Run* last = runs.runs.data() + runs.rowFirst[static_cast<std::size_t>(row) + 1];
    // The first run that reaches into the rectangle.
    const KeyRuns::Run* run = std::upper_bound(
        first, last, source.left, [](int left, const KeyRuns::Run& r) { return left < r.end; });
    const std::uint8_t* fromLine = from + static_cast<std::ptrdiff_t>(row) * fromPitch;
    std::uint8_t* toLine = to + static_cast<std::ptrdiff_t>(y + row - source.top) * toPitch;
    for (; run != last && run->begin < source.right; ++run) {
      const int begin = std::max(run->begin, static_cast<int>(source.left));
      const int end = std::min(run->end, static_cast<int>(source.right));
      std::memcpy(toLine + static_cast<std::size_t>(x + begin - source.left) * bytes,
                  fromLine + static_cast<std::size_t>(begin) * bytes,
                  static_cast<std::size_t>(end - begin) * bytes);
    }
  }
}

int Surface::CopyTo(Surface& destination, const RECT& source, int x, int y) const {
  if (m_surface == nullptr || destination.m_surface == nullptr) {
    return -1;
  }
  // A keyed sheet onto a plain surface of its format goes along its runs.
  if (m_runs != nullptr && destination.m_viewable &&
      destination.m_surface->format->format == m_surface->format->format &&
      !SDL_MUSTLOCK(destination.m_surface) && source.left < source.right) {
    CopyRuns(destination, source, x, y);
    return 0;
  }
  SDL_Rect from = ToSdl(source);
  SDL_Rect to{x, y, from.w, from.h};
  // The rectangles are clipped by the caller, so the lower-level copy, which
  // skips SDL's own clipping, is safe here.
  return SDL_LowerBlit(m_surface, &from, destination.m_surface, &to);
}

int Surface::CopyTranslucentTo(Surface& destination, const RECT& source, int x, int y,
                               std::uint8_t opacity) const {
  if (m_surface == nullptr || destination.m_surface == nullptr) {
    return -1;
  }
  // The translucent copies come from a twin of the sheet whose alpha is 0
  // where the key is and the opacity elsewhere, made when first needed (a
  // keyed sheet's pixels never change) and again only for another opacity.
  // Each copy is then one blend, with no picture made and keyed first, and
  // with the opacity in the pixels rather than in an alpha modulation SDL
  // blends the twin on its fast path.
  if (m_translucent == nullptr || m_translucentOpacity != opacity) {
    SDL_FreeSurface(m_translucent);
    m_translucent = SDL_ConvertSurfaceFormat(m_surface, SDL_PIXELFORMAT_ARGB8888, 0);
    if (m_translucent == nullptr || SDL_LockSurface(m_translucent) != 0) {
      SDL_FreeSurface(m_translucent);
      m_translucent = nullptr;
      return -1;
    }
    const Uint32 alpha = Uint32{opacity} << 24;
    auto* base = static_cast<std::uint8_t*>(m_translucent->pixels);
    for (int row = 0; row < m_translucent->h; ++row) {
      auto* line = reinterpret_cast<Uint32*>(base + static_cast<long>(row) * m_translucent->pitch);
      for (int column = 0; column < m_translucent->w; ++column) {
        // The conversion left the key's pixels clear and every other pixel
        // opaque.
        if ((line[column] & 0xFF000000u) != 0) {
          line[column] = (line[column] & 0x00FFFFFFu) | alpha;
        }
      }
    }
    SDL_UnlockSurface(m_translucent);
    m_translucentOpacity = opacity;
    if (SDL_SetSurfaceBlendMode(m_translucent, SDL_BLENDMODE_BLEND) != 0) {
      return -1;
    }
  }
  SDL_Rect from = ToSdl(source);
  SDL_Rect to{x, y, from.w, from.h};
  return SDL_LowerBlit(m_translucent, &from, destination.m_surface, &to);
}

int Surface::Fill(const RECT& rect, std::uint32_t pixel) {
  if (m_surface == nullptr) {
    return -1;
  }
  SDL_Rect area = ToSdl(rect);
  return SDL_FillRect(m_surface, &area, pixel);
}

SurfaceView Surface::View() {
  if (m_surface == nullptr || !m_viewable) {
    return SurfaceView{};
  }
  SurfaceView view;
  view.pixels = static_cast<std::uint8_t*>(m_surface->pixels);
  view.width = m_surface->w;
  view.height = m_surface->h;
  view.pitch = m_surface->pitch;
  view.format = m_format;
  return view;
}

}  // namespace platform

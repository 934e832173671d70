// Owning pixel surfaces over SDL_Surface.
#include "platform/surface.h"

#include <SDL.h>

#include <memory>

#include <utility>

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

Surface::Surface(SDL_Surface* surface, PixelFormat format, bool viewable)
    : m_surface(surface), m_format(format), m_viewable(viewable) {}

Surface::~Surface() {
  SDL_FreeSurface(m_translucent);
  SDL_FreeSurface(m_surface);
}

Surface::Surface(Surface&& other) noexcept
    : m_surface(std::exchange(other.m_surface, nullptr)),
      m_translucent(std::exchange(other.m_translucent, nullptr)),
      m_translucentOpacity(other.m_translucentOpacity),
      m_format(other.m_format),
      m_viewable(other.m_viewable) {}

Surface& Surface::operator=(Surface&& other) noexcept {
  if (this != &other) {
    SDL_FreeSurface(m_translucent);
    SDL_FreeSurface(m_surface);
    m_surface = std::exchange(other.m_surface, nullptr);
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
  // all the copying; the plain keyed copy looks at the sprite's pixels
  // only, and copies the same pixels.
  m_viewable = false;
  return true;
}

int Surface::CopyTo(Surface& destination, const RECT& source, int x, int y) const {
  if (m_surface == nullptr || destination.m_surface == nullptr) {
    return -1;
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

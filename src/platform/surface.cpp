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
  // The format of the surfaces that a copy along the runs serves: a copy to
  // any other is SDL's.
  Uint32 destinationFormat = 0;
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
  Surface text(surface, PixelFormat::kXrgb8888, false);
  // An outlined text without smoothing is clear or opaque everywhere. SDL
  // blends it pixel by pixel onto a 32-bit surface, leaving a clear pixel
  // and writing an opaque one as it is; its runs of opaque pixels are
  // copied whole instead. A text with any translucent pixel is blended by
  // SDL.
  text.m_runs = FindRuns(surface, SDL_PIXELFORMAT_XRGB8888, [](Uint32 pixel) {
    switch (pixel >> 24) {
      case 0:
        return PixelCopy::kSkip;
      case 0xFF:
        return PixelCopy::kCopy;
      default:
        return PixelCopy::kOther;
    }
  });
  return text;
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
  const Uint32 colourBits =
      m_surface->format->Rmask | m_surface->format->Gmask | m_surface->format->Bmask;
  m_runs = FindRuns(m_surface, m_surface->format->format, [colourBits](Uint32 pixel) {
    if (pixel == 0) {
      return PixelCopy::kSkip;
    }
    return (pixel & ~colourBits) == 0 ? PixelCopy::kCopy : PixelCopy::kOther;
  });
  return true;
}

template <typename Classify>
std::shared_ptr<const Surface::KeyRuns> Surface::FindRuns(SDL_Surface* surface,
                                                          Uint32 destinationFormat,
                                                          Classify classify) {
  const int bytesPerPixel = surface->format->BytesPerPixel;
  if (SDL_MUSTLOCK(surface) || surface->pixels == nullptr ||
      (bytesPerPixel != 2 && bytesPerPixel != 4)) {
    return nullptr;
  }
  auto runs = std::make_shared<KeyRuns>();
  runs->bytesPerPixel = bytesPerPixel;
  runs->destinationFormat = destinationFormat;
  runs->rowFirst.reserve(static_cast<std::size_t>(surface->h) + 1);
  const auto* base = static_cast<const std::uint8_t*>(surface->pixels);
  for (int row = 0; row < surface->h; ++row) {
    runs->rowFirst.push_back(runs->runs.size());
    const std::uint8_t* line = base + static_cast<std::ptrdiff_t>(row) * surface->pitch;
    const auto pixelAt = [&](int column) {
      if (bytesPerPixel == 4) {
        Uint32 pixel = 0;
        std::memcpy(&pixel, line + static_cast<std::ptrdiff_t>(column) * 4, 4);
        return pixel;
      }
      Uint16 narrow = 0;
      std::memcpy(&narrow, line + static_cast<std::ptrdiff_t>(column) * 2, 2);
      return Uint32{narrow};
    };
    int begin = -1;  // the open run's first pixel
    for (int column = 0; column <= surface->w; ++column) {
      const PixelCopy copy = column < surface->w ? classify(pixelAt(column)) : PixelCopy::kSkip;
      if (copy == PixelCopy::kOther) {
        return nullptr;  // SDL's own copy serves
      }
      if (copy == PixelCopy::kCopy && begin < 0) {
        begin = column;
      } else if (copy == PixelCopy::kSkip && begin >= 0) {
        runs->runs.push_back(KeyRuns::Run{begin, column});
        begin = -1;
      }
    }
  }
  runs->rowFirst.push_back(runs->runs.size());
  return runs;
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
  // A keyed sheet onto a plain surface of its format, and a text image whose
  // pixels are all clear or opaque onto a 32-bit one, go along their runs.
  if (m_runs != nullptr && destination.m_viewable &&
      destination.m_surface->format->format == m_runs->destinationFormat &&
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

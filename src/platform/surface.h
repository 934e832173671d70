// Owning pixel surfaces over SDL_Surface, and the copies and fills between
// them. The display clips every rectangle before it gets here; this layer
// only moves pixels.
//
// Three kinds of surface exist:
//  - plain surfaces in the display's format (back and temporary surface);
//  - bitmaps in the display's format with pixel value 0 transparent (the
//    skin's sprites, as a colour-keyed DirectDraw surface);
//  - text images with straight alpha, blended when copied.
#pragma once

#include <cstdint>
#include <memory>

#include "platform/surface_view.h"
#include "platform/win_types.h"

struct SDL_Surface;

namespace platform {

class Surface {
 public:
  Surface() = default;
  ~Surface();
  Surface(Surface&& other) noexcept;
  Surface& operator=(Surface&& other) noexcept;
  Surface(const Surface&) = delete;
  Surface& operator=(const Surface&) = delete;

  // A black surface of width x height pixels; invalid when it cannot be made
  // (a size of 0 or less, or out of memory).
  static Surface Create(int width, int height, PixelFormat format);
  // A surface in the format holding width x height 0x00RRGGBB pixels (rows
  // top-down, no padding), converted as a screen-compatible bitmap is.
  static Surface FromRgb(const std::uint32_t* rgb, int width, int height, PixelFormat format);
  // A text image: width x height 0xAARRGGBB pixels with straight alpha, which
  // are blended over the destination when copied.
  static Surface FromArgb(const std::uint32_t* argb, int width, int height);

  bool Valid() const { return m_surface != nullptr; }
  int Width() const;
  int Height() const;

  // Makes pixel value 0 (black) transparent when this surface is copied.
  // A keyed sheet of sprites is only ever copied from: after this its pixels
  // can no longer be viewed.
  bool SetColorKeyBlack();

  // Copies the source rectangle of this surface 1:1 to (x, y) of the
  // destination, honouring this surface's colour key or alpha. Both
  // rectangles must already lie inside their surfaces. Returns 0, or SDL's
  // negative result.
  int CopyTo(Surface& destination, const RECT& source, int x, int y) const;
  // The same with every copied pixel blended at opacity/255 over the
  // destination (a translucent picture of a sprite); 255 is CopyTo.
  int CopyTranslucentTo(Surface& destination, const RECT& source, int x, int y,
                        std::uint8_t opacity) const;
  // Fills a rectangle that lies inside the surface with a raw pixel value.
  int Fill(const RECT& rect, std::uint32_t pixel);

  // The pixels of a plain surface; an empty view for a keyed or text surface.
  SurfaceView View();

 private:
  Surface(SDL_Surface* surface, PixelFormat format, bool viewable);

  // The runs of a keyed sheet's pixels that are not the key, or of a text
  // image's opaque pixels, row by row.
  struct KeyRuns;
  enum class PixelCopy { kSkip, kCopy, kOther };
  // The runs of the pixels that classify (given a raw pixel value) says are
  // copied as they are, for copies to surfaces of destinationFormat; none
  // when a pixel is neither skipped nor copied so.
  template <typename Classify>
  static std::shared_ptr<const KeyRuns> FindRuns(SDL_Surface* surface,
                                                 std::uint32_t destinationFormat,
                                                 Classify classify);
  // A copy along the runs: only the pixels that are not the key, a run at a
  // time, as SDL's keyed copy moves them one at a time.
  void CopyRuns(Surface& destination, const RECT& source, int x, int y) const;

  SDL_Surface* m_surface = nullptr;
  std::shared_ptr<const KeyRuns> m_runs;  // a keyed sheet's or a text's; none: SDL copies
  // The translucent copies' twin of a keyed sheet (see CopyTranslucentTo).
  mutable SDL_Surface* m_translucent = nullptr;
  mutable std::uint8_t m_translucentOpacity = 0;
  PixelFormat m_format = PixelFormat::kXrgb8888;
  bool m_viewable = false;
};

}  // namespace platform

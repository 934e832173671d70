// The display's clipping of 1:1 copies.
#include "display/clip.h"

#include <algorithm>
#include <cstdint>

namespace {

// Rectangles in 64 bits, so that moving an edge by the distance between two
// extreme coordinates cannot overflow.
struct WideRect {
  std::int64_t left;
  std::int64_t top;
  std::int64_t right;
  std::int64_t bottom;
};

WideRect Widen(const RECT& r) {
  return WideRect{r.left, r.top, r.right, r.bottom};
}

}  // namespace

bool ClipCopy(const RECT& destination, const RECT& source, int screenWidth, int screenHeight,
              int sourceWidth, int sourceHeight, ClippedCopy* out) {
  WideRect dst = Widen(destination);
  WideRect src = Widen(source);
  const std::int64_t w = screenWidth;
  const std::int64_t h = screenHeight;

  if (dst.left > w || dst.top > h || dst.bottom < 0 || dst.right < 0) {
    return false;
  }
  if (dst.left < 0) {
    src.left -= dst.left;
    dst.left = 0;
  }
  if (dst.top < 0) {
    src.top -= dst.top;
    dst.top = 0;
  }
  if (dst.right > w) {
    src.right -= dst.right - w;
    dst.right = w;
  }
  if (dst.bottom > h) {
    src.bottom -= dst.bottom - h;
    dst.bottom = h;
  }

  // A source rectangle that reaches outside its bitmap would read memory
  // that is not there: keep it inside and move the destination along.
  if (src.left < 0) {
    dst.left -= src.left;
    src.left = 0;
  }
  if (src.top < 0) {
    dst.top -= src.top;
    src.top = 0;
  }
  src.right = std::min<std::int64_t>(src.right, sourceWidth);
  src.bottom = std::min<std::int64_t>(src.bottom, sourceHeight);

  const std::int64_t width = std::min(dst.right - dst.left, src.right - src.left);
  const std::int64_t height = std::min(dst.bottom - dst.top, src.bottom - src.top);
  if (width <= 0 || height <= 0) {
    return false;
  }
  // Everything is now inside both surfaces, so it fits in an int again.
  out->source = RECT{static_cast<int>(src.left), static_cast<int>(src.top),
                     static_cast<int>(src.left + width), static_cast<int>(src.top + height)};
  out->x = static_cast<int>(dst.left);
  out->y = static_cast<int>(dst.top);
  return true;
}

bool ClipToArea(const RECT& rect, int width, int height, RECT* out) {
  RECT r{std::max(rect.left, 0), std::max(rect.top, 0), std::min(rect.right, width),
         std::min(rect.bottom, height)};
  if (r.left >= r.right || r.top >= r.bottom) {
    return false;
  }
  *out = r;
  return true;
}

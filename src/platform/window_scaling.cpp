// The picture's scaling in the window.
#include "platform/window_scaling.h"

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstdint>

namespace platform {
namespace {

int ClampToInt(std::int64_t v) {
  return static_cast<int>(std::clamp<std::int64_t>(v, INT_MIN, INT_MAX));
}

// floor(a / b) for b > 0, also for negative a.
std::int64_t FloorDiv(std::int64_t a, std::int64_t b) {
  const std::int64_t q = a / b;
  return (a % b != 0 && a < 0) ? q - 1 : q;
}

}  // namespace

int StartScaleFactor(int pictureWidth, int pictureHeight, int usableWidth, int usableHeight) {
  if (pictureWidth <= 0 || pictureHeight <= 0 || usableWidth <= 0 || usableHeight <= 0) {
    return 1;
  }
  // The window must fit on the usable area, and take at most 80 % of it:
  // 5 * k^2 * picture area <= 4 * usable area, exactly, in 128-bit numbers.
  using Wide = unsigned __int128;
  const std::int64_t fits =
      std::min<std::int64_t>(usableWidth / pictureWidth, usableHeight / pictureHeight);
  const Wide picture = Wide(pictureWidth) * Wide(pictureHeight);
  const Wide usable = Wide(usableWidth) * Wide(usableHeight);
  auto small = [&](std::int64_t k) { return 5 * Wide(k) * Wide(k) * picture <= 4 * usable; };
  // The square root gives the factor to within one; the checks settle it.
  std::int64_t k = std::min<std::int64_t>(
      fits, static_cast<std::int64_t>(std::sqrt(0.8L * static_cast<long double>(usableWidth) *
                                                static_cast<long double>(usableHeight) /
                                                static_cast<long double>(picture))) +
                1);
  while (k > 1 && !small(k)) {
    --k;
  }
  return ClampToInt(std::max<std::int64_t>(1, k));
}

RECT PictureRect(int windowWidth, int windowHeight, int pictureWidth, int pictureHeight,
                 ScaleMode mode) {
  if (windowWidth <= 0 || windowHeight <= 0 || pictureWidth <= 0 || pictureHeight <= 0) {
    return RECT{0, 0, 0, 0};
  }
  std::int64_t width = 0;
  std::int64_t height = 0;
  const std::int64_t factor = std::min(windowWidth / pictureWidth, windowHeight / pictureHeight);
  if (mode == ScaleMode::kInteger && factor >= 1) {
    width = factor * pictureWidth;
    height = factor * pictureHeight;
  } else if (std::int64_t{windowWidth} * pictureHeight <=
             std::int64_t{windowHeight} * pictureWidth) {
    // The width binds: the picture spans it, the height follows rounded.
    width = windowWidth;
    height = (std::int64_t{windowWidth} * pictureHeight + pictureWidth / 2) / pictureWidth;
  } else {
    height = windowHeight;
    width = (std::int64_t{windowHeight} * pictureWidth + pictureHeight / 2) / pictureHeight;
  }
  width = std::clamp<std::int64_t>(width, 1, windowWidth);
  height = std::clamp<std::int64_t>(height, 1, windowHeight);
  const int left = ClampToInt((windowWidth - width) / 2);
  const int top = ClampToInt((windowHeight - height) / 2);
  return RECT{left, top, ClampToInt(left + width), ClampToInt(top + height)};
}

POINT WindowToPicture(POINT windowPoint, const RECT& rect, int pictureWidth, int pictureHeight) {
  const std::int64_t width = std::int64_t{rect.right} - rect.left;
  const std::int64_t height = std::int64_t{rect.bottom} - rect.top;
  if (width <= 0 || height <= 0) {
    return windowPoint;
  }
  const std::int64_t x = FloorDiv((std::int64_t{windowPoint.x} - rect.left) * pictureWidth, width);
  const std::int64_t y = FloorDiv((std::int64_t{windowPoint.y} - rect.top) * pictureHeight, height);
  return POINT{ClampToInt(x), ClampToInt(y)};
}

}  // namespace platform

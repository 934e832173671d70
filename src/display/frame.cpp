// The framed rectangle of the display.
#include "display/frame.h"

#include <algorithm>
#include <utility>

namespace {

constexpr std::int64_t kPatternLength = kDashLength + kDashGap;

// One edge of the outline: the pixels from (x0, y0) going `steps` pixels in
// direction (dx, dy), the first of them at pattern position `start`.
struct Edge {
  std::int64_t x0;
  std::int64_t y0;
  int dx;
  int dy;
  std::int64_t steps;
  std::int64_t start;
};

void DrawEdge(SurfaceView& view, const Edge& edge, std::uint32_t pen, std::uint32_t gap) {
  if (edge.steps <= 0) {
    return;
  }
  // Only the steps that land inside the view are visited, so a rectangle
  // with extreme coordinates costs no more than one that fits.
  std::int64_t first = 0;
  std::int64_t last = edge.steps - 1;
  auto limit = [&](std::int64_t origin, int d, std::int64_t size) {
    if (d == 0) {
      if (origin < 0 || origin >= size) {
        last = -1;
      }
      return;
    }
    // Steps k with 0 <= origin + d * k < size.
    std::int64_t lo = d > 0 ? -origin : origin - size + 1;
    std::int64_t hi = d > 0 ? size - 1 - origin : origin;
    first = std::max(first, lo);
    last = std::min(last, hi);
  };
  limit(edge.x0, edge.dx, view.width);
  limit(edge.y0, edge.dy, view.height);
  for (std::int64_t k = first; k <= last; ++k) {
    std::int64_t position = (edge.start + k) % kPatternLength;
    view.SetPixel(static_cast<int>(edge.x0 + edge.dx * k), static_cast<int>(edge.y0 + edge.dy * k),
                  position < kDashLength ? pen : gap);
  }
}

}  // namespace

void DrawDashedFrame(SurfaceView& view, const RECT& rect, std::uint32_t pen, std::uint32_t gap,
                     std::optional<std::uint32_t> fill) {
  std::int64_t left = std::min(rect.left, rect.right);
  std::int64_t right = std::max(rect.left, rect.right);
  std::int64_t top = std::min(rect.top, rect.bottom);
  std::int64_t bottom = std::max(rect.top, rect.bottom);
  if (left == right || top == bottom || view.pixels == nullptr) {
    return;
  }
  if (fill) {
    std::int64_t x0 = std::max<std::int64_t>(left + 1, 0);
    std::int64_t x1 = std::min<std::int64_t>(right - 1, view.width);
    std::int64_t y0 = std::max<std::int64_t>(top + 1, 0);
    std::int64_t y1 = std::min<std::int64_t>(bottom - 1, view.height);
    for (std::int64_t y = y0; y < y1; ++y) {
      for (std::int64_t x = x0; x < x1; ++x) {
        view.SetPixel(static_cast<int>(x), static_cast<int>(y), *fill);
      }
    }
  }
  // The outline runs clockwise: along the top, down the right, back along
  // the bottom and up the left, each corner pixel drawn once.
  const std::int64_t across = right - 1 - left;  // steps from the left to the right column
  const std::int64_t down = bottom - 1 - top;    // steps from the top to the bottom row
  DrawEdge(view, Edge{left, top, 1, 0, across + 1, 0}, pen, gap);
  DrawEdge(view, Edge{right - 1, top + 1, 0, 1, down, across + 1}, pen, gap);
  if (down > 0) {
    DrawEdge(view, Edge{right - 2, bottom - 1, -1, 0, across, across + down + 1}, pen, gap);
  }
  if (across > 0) {
    DrawEdge(view, Edge{left, bottom - 2, 0, -1, down - 1, 2 * across + down + 1}, pen, gap);
  }
}

std::uint32_t PixelOfColorRef(PixelFormat format, COLORREF color) {
  return MapRgb(format, static_cast<std::uint8_t>(color), static_cast<std::uint8_t>(color >> 8),
                static_cast<std::uint8_t>(color >> 16));
}

// Anti-aliased shapes on the skin generator's RGBA canvas.
#include "canvas.h"

#include <algorithm>
#include <cmath>

namespace {

float Clamp01(float v) {
  return std::clamp(v, 0.0f, 1.0f);
}

// Signed distance from a point to a rounded rectangle (negative inside).
float RoundRectDistance(RectF r, float radius, float px, float py) {
  radius = std::clamp(radius, 0.0f, std::min(r.w, r.h) / 2);
  const float cx = r.x + r.w / 2;
  const float cy = r.y + r.h / 2;
  const float qx = std::fabs(px - cx) - (r.w / 2 - radius);
  const float qy = std::fabs(py - cy) - (r.h / 2 - radius);
  const float outside = std::hypot(std::max(qx, 0.0f), std::max(qy, 0.0f));
  const float inside = std::min(std::max(qx, qy), 0.0f);
  return outside + inside - radius;
}

// Coverage of a pixel whose centre lies at a signed distance from an edge.
float EdgeCoverage(float distance) {
  return Clamp01(0.5f - distance);
}

bool InsidePolygon(const std::vector<PointF>& points, float x, float y) {
  bool inside = false;
  for (std::size_t i = 0, j = points.size() - 1; i < points.size(); j = i++) {
    const PointF& a = points[i];
    const PointF& b = points[j];
    if ((a.y > y) != (b.y > y) && x < (b.x - a.x) * (y - a.y) / (b.y - a.y) + a.x) {
      inside = !inside;
    }
  }
  return inside;
}

std::function<Colour(int, int)> Solid(Colour c) {
  return [c](int, int) { return c; };
}

}  // namespace

Colour Mix(Colour from, Colour to, float t) {
  t = Clamp01(t);
  auto channel = [t](std::uint8_t a, std::uint8_t b) {
    return static_cast<std::uint8_t>(std::lround(a + (b - a) * t));
  };
  return Colour{channel(from.r, to.r), channel(from.g, to.g), channel(from.b, to.b),
                from.a + (to.a - from.a) * t};
}

Rgb LiftOffColourKey(Rgb c) {
  if ((c.r >> 3) == 0 && (c.g >> 2) == 0 && (c.b >> 3) == 0) {
    return Rgb{std::max<std::uint8_t>(c.r, 8), std::max<std::uint8_t>(c.g, 8),
               std::max<std::uint8_t>(c.b, 8)};
  }
  return c;
}

CCanvas::CCanvas(int width, int height)
    : m_width(std::max(width, 0)),
      m_height(std::max(height, 0)),
      m_pixels(static_cast<std::size_t>(m_width) * static_cast<std::size_t>(m_height)) {}

void CCanvas::Blend(int x, int y, Colour c, float coverage) {
  if (x < 0 || y < 0 || x >= m_width || y >= m_height) {
    return;
  }
  const float a = Clamp01(c.a * coverage);
  if (a <= 0) {
    return;
  }
  Pixel& p = m_pixels[static_cast<std::size_t>(y) * m_width + x];
  const float keep = 1 - a;
  p.r = c.r / 255.0f * a + p.r * keep;
  p.g = c.g / 255.0f * a + p.g * keep;
  p.b = c.b / 255.0f * a + p.b * keep;
  p.a = a + p.a * keep;
}

void CCanvas::ClearPixel(int x, int y) {
  if (x >= 0 && y >= 0 && x < m_width && y < m_height) {
    m_pixels[static_cast<std::size_t>(y) * m_width + x] = Pixel{};
  }
}

float CCanvas::AlphaAt(int x, int y) const {
  if (x < 0 || y < 0 || x >= m_width || y >= m_height) {
    return 0;
  }
  return m_pixels[static_cast<std::size_t>(y) * m_width + x].a;
}

template <typename Coverage>
void CCanvas::FillCoverage(RectF bounds, const std::function<Colour(int, int)>& paint,
                           Coverage coverage) {
  const int x0 = std::max(0, static_cast<int>(std::floor(bounds.x)) - 1);
  const int y0 = std::max(0, static_cast<int>(std::floor(bounds.y)) - 1);
  const int x1 = std::min(m_width, static_cast<int>(std::ceil(bounds.x + bounds.w)) + 1);
  const int y1 = std::min(m_height, static_cast<int>(std::ceil(bounds.y + bounds.h)) + 1);
  for (int y = y0; y < y1; ++y) {
    for (int x = x0; x < x1; ++x) {
      const float cover = coverage(x + 0.5f, y + 0.5f);
      if (cover > 0) {
        Blend(x, y, paint(x, y), cover);
      }
    }
  }
}

void CCanvas::FillRect(RectF r, Colour c) {
  FillRoundRect(r, 0, c);
}

void CCanvas::FillRoundRect(RectF r, float radius, Colour c) {
  FillRoundRectV(r, radius, c, c);
}

void CCanvas::FillRoundRectV(RectF r, float radius, Colour top, Colour bottom) {
  const float span = std::max(r.h - 1, 1.0f);
  FillRoundRectPaint(r, radius, [&](int, int y) { return Mix(top, bottom, (y - r.y) / span); });
}

void CCanvas::FillRoundRectPaint(RectF r, float radius,
                                 const std::function<Colour(int, int)>& paint) {
  if (r.w <= 0 || r.h <= 0) {
    return;
  }
  FillCoverage(r, paint, [&](float px, float py) {
    return EdgeCoverage(RoundRectDistance(r, radius, px, py));
  });
}

void CCanvas::StrokeRoundRect(RectF r, float radius, float width, Colour c) {
  if (r.w <= 0 || r.h <= 0 || width <= 0) {
    return;
  }
  const RectF inner = r.Inset(width);
  const float innerRadius = std::max(radius - width, 0.0f);
  FillCoverage(r, Solid(c), [&](float px, float py) {
    const float outer = EdgeCoverage(RoundRectDistance(r, radius, px, py));
    if (inner.w <= 0 || inner.h <= 0) {
      return outer;
    }
    return Clamp01(outer - EdgeCoverage(RoundRectDistance(inner, innerRadius, px, py)));
  });
}

void CCanvas::FillCircle(PointF centre, float radius, Colour c) {
  const RectF bounds{centre.x - radius, centre.y - radius, 2 * radius, 2 * radius};
  FillCoverage(bounds, Solid(c), [&](float px, float py) {
    return EdgeCoverage(std::hypot(px - centre.x, py - centre.y) - radius);
  });
}

void CCanvas::FillPolygon(const std::vector<PointF>& points, Colour c) {
  if (points.size() < 3) {
    return;
  }
  float minX = points[0].x, maxX = points[0].x, minY = points[0].y, maxY = points[0].y;
  for (const PointF& p : points) {
    minX = std::min(minX, p.x);
    maxX = std::max(maxX, p.x);
    minY = std::min(minY, p.y);
    maxY = std::max(maxY, p.y);
  }
  constexpr int kSamples = 4;
  FillCoverage(RectF{minX, minY, maxX - minX, maxY - minY}, Solid(c), [&](float px, float py) {
    int hits = 0;
    for (int sy = 0; sy < kSamples; ++sy) {
      for (int sx = 0; sx < kSamples; ++sx) {
        const float x = px - 0.5f + (sx + 0.5f) / kSamples;
        const float y = py - 0.5f + (sy + 0.5f) / kSamples;
        hits += InsidePolygon(points, x, y) ? 1 : 0;
      }
    }
    return static_cast<float>(hits) / (kSamples * kSamples);
  });
}

void CCanvas::StrokeLine(PointF from, PointF to, float width, Colour c) {
  const float dx = to.x - from.x;
  const float dy = to.y - from.y;
  const float length = std::hypot(dx, dy);
  if (length <= 0) {
    return;
  }
  // Half a width across the line and along it, so the ends are square caps.
  const float ux = dx / length * width / 2;
  const float uy = dy / length * width / 2;
  FillPolygon({{from.x - ux - uy, from.y - uy + ux},
               {to.x + ux - uy, to.y + uy + ux},
               {to.x + ux + uy, to.y + uy - ux},
               {from.x - ux + uy, from.y - uy - ux}},
              c);
}

void CCanvas::Draw(const CCanvas& source, int x, int y) {
  for (int sy = 0; sy < source.m_height; ++sy) {
    for (int sx = 0; sx < source.m_width; ++sx) {
      const Pixel& p = source.m_pixels[static_cast<std::size_t>(sy) * source.m_width + sx];
      if (p.a <= 0) {
        continue;
      }
      // Un-premultiply so that Blend can apply the source's own coverage.
      auto straight = [&p](float premultiplied) {
        return static_cast<std::uint8_t>(std::min(std::lround(premultiplied / p.a * 255), 255L));
      };
      const Colour c{straight(p.r), straight(p.g), straight(p.b), 1.0f};
      Blend(x + sx, y + sy, c, p.a);
    }
  }
}

namespace {

template <typename Pixel>
Rgb Over(const Pixel& p, Rgb matte) {
  auto channel = [&p](float premultiplied, std::uint8_t back) {
    const float v = premultiplied * 255 + back * (1 - p.a);
    return static_cast<std::uint8_t>(std::clamp(std::lround(v), 0L, 255L));
  };
  return Rgb{channel(p.r, matte.r), channel(p.g, matte.g), channel(p.b, matte.b)};
}

}  // namespace

std::vector<Rgb> CCanvas::Flatten(Rgb matte) const {
  std::vector<Rgb> out(m_pixels.size());
  for (std::size_t i = 0; i < m_pixels.size(); ++i) {
    if (m_pixels[i].a >= kKeyAlpha) {
      out[i] = LiftOffColourKey(Over(m_pixels[i], matte));
    }  // else it stays (0, 0, 0): the transparent key
  }
  return out;
}

std::vector<Rgb> CCanvas::Compose(Rgb matte) const {
  std::vector<Rgb> out(m_pixels.size());
  for (std::size_t i = 0; i < m_pixels.size(); ++i) {
    out[i] = Over(m_pixels[i], matte);
  }
  return out;
}

// Shapes that several of the skin's sprites share.
#include "look.h"

#include <algorithm>

namespace look {

void DrawDeskTile(CCanvas& c) {
  c.FillRect(RectF{0, 0, static_cast<float>(c.Width()), static_cast<float>(c.Height())}, kDesk);
  for (int y = 10; y < c.Height(); y += 20) {
    for (int x = 10; x < c.Width(); x += 20) {
      const bool cross = (x % 100 == 50) && (y % 100 == 50);
      if (cross) {
        c.FillRect(RectF{x - 3.0f, static_cast<float>(y), 7, 1}, kDeskDot);
        c.FillRect(RectF{static_cast<float>(x), y - 3.0f, 1, 7}, kDeskDot);
      } else {
        c.FillRect(RectF{static_cast<float>(x), static_cast<float>(y), 1, 1}, kDeskCross);
      }
    }
  }
}

void DrawChipCard(CCanvas& canvas, RectF r, float headerHeight, const ChipStyle& style) {
  constexpr float kRadius = 6;
  canvas.FillRoundRect(r, kRadius, style.edge);
  const RectF inner = r.Inset(1);
  const float headerEnd = r.y + headerHeight;
  const float bodySpan = std::max(r.y + r.h - headerEnd - 1, 1.0f);
  canvas.FillRoundRectPaint(inner, kRadius - 1, [&](int, int y) {
    if (y < headerEnd) {
      return Mix(style.headerTop, style.headerBottom, (y - inner.y) / std::max(headerHeight, 1.0f));
    }
    return Mix(style.bodyTop, style.bodyBottom, (y - headerEnd) / bodySpan);
  });
  // A hairline under the header and a light top edge, as if lit from above.
  canvas.FillRect(RectF{inner.x + 1, headerEnd, inner.w - 2, 1},
                  Colour{style.edge.r, style.edge.g, style.edge.b, 0.45f});
  canvas.FillRect(RectF{r.x + kRadius - 1, r.y + 1, r.w - 2 * (kRadius - 1), 1},
                  Colour{style.highlight.r, style.highlight.g, style.highlight.b, 0.85f});
}

void DrawTriangleGlyph(CCanvas& canvas, PointF centre, Direction d, float size, Colour c) {
  const float half = size / 2;
  const float reach = size * 0.28f;  // from the centre to the tip, and to the base
  std::vector<PointF> points;
  switch (d) {
    case Direction::kLeft:
      points = {{centre.x - reach, centre.y},
                {centre.x + reach, centre.y - half},
                {centre.x + reach, centre.y + half}};
      break;
    case Direction::kRight:
      points = {{centre.x + reach, centre.y},
                {centre.x - reach, centre.y + half},
                {centre.x - reach, centre.y - half}};
      break;
    case Direction::kUp:
      points = {{centre.x, centre.y - reach},
                {centre.x + half, centre.y + reach},
                {centre.x - half, centre.y + reach}};
      break;
    case Direction::kDown:
      points = {{centre.x, centre.y + reach},
                {centre.x - half, centre.y - reach},
                {centre.x + half, centre.y - reach}};
      break;
  }
  canvas.FillPolygon(points, c);
}

std::vector<PointF> ArrowOutline(Direction d, float w, float h) {
  // Drawn pointing right in a w x h box (along x, across y), then turned.
  const float cy = h / 2;
  const float shaft = h * 0.19f;
  const float neck = w * 0.48f;
  const std::vector<PointF> right = {{0.5f, cy - shaft}, {neck, cy - shaft}, {neck, 0.5f},
                                     {w - 0.5f, cy},     {neck, h - 0.5f},   {neck, cy + shaft},
                                     {0.5f, cy + shaft}};
  std::vector<PointF> out;
  for (const PointF& p : right) {
    switch (d) {
      case Direction::kRight:
        out.push_back(p);
        break;
      case Direction::kLeft:
        out.push_back({w - p.x, p.y});
        break;
      case Direction::kDown:
        out.push_back({p.y, p.x});
        break;
      case Direction::kUp:
        out.push_back({p.y, w - p.x});
        break;
    }
  }
  return out;
}

}  // namespace look

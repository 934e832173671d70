// The editor's own sprites: the desk tile, chips, cell frames, arrows and
// scroll bars. All of them sit on the dark desk, so they are flattened over
// its colour.
#include <string>

#include "look.h"
#include "sprites.h"

namespace {

using look::Direction;

constexpr int kChipW = 80;
constexpr int kChipH = 50;
constexpr float kChipRadius = 6;
constexpr float kHeaderHeight = 18;  // the short name sits at (+5, +4)
constexpr int kBar = 15;             // scroll bar thickness

SpriteRecipe Sprite(std::string name, int w, int h, std::function<void(CCanvas&)> paint) {
  return SpriteRecipe{"main", std::move(name),  w,
                      h,      look::kDeskMatte, [paint](CCanvas& c, CFontLibrary&) { paint(c); }};
}

RectF Whole(const CCanvas& c) {
  return RectF{0, 0, static_cast<float>(c.Width()), static_cast<float>(c.Height())};
}

void PaintDesk(CCanvas& c) {
  look::DrawDeskTile(c);
}

constexpr int kMark = 16;

// A "!" of two bars centred in the mark, from top to bottom.
void PaintExclamation(CCanvas& c, float top, float bottom, Colour colour) {
  const float dot = 2;
  c.FillRect(RectF{7, top, 2, bottom - top - dot - 1.5f}, colour);
  c.FillRect(RectF{7, bottom - dot, 2, dot}, colour);
}

void PaintErrorMark(CCanvas& c) {
  c.FillCircle(PointF{8, 8}, 7.8f, look::kMarkRim);
  c.FillCircle(PointF{8, 8}, 6.2f, look::kMarkError);
  PaintExclamation(c, 3.5f, 12.5f, look::kMarkErrorSign);
}

void PaintWarningMark(CCanvas& c) {
  c.FillPolygon({PointF{8, 0}, PointF{16, 15.5f}, PointF{0, 15.5f}}, look::kMarkRim);
  c.FillPolygon({PointF{8, 3}, PointF{13.6f, 14}, PointF{2.4f, 14}}, look::kMarkWarning);
  PaintExclamation(c, 5, 13.4f, look::kMarkWarningSign);
}

void PaintChip(CCanvas& c, const look::ChipStyle& style) {
  look::DrawChipCard(c, Whole(c), kHeaderHeight, style);
}

// The chip under the mouse while it is dragged: the card with every other
// pixel left out, so the desk and the cells show through, and a light edge.
void PaintGhost(CCanvas& c) {
  look::DrawChipCard(c, Whole(c), kHeaderHeight, look::kChipStyle);
  for (int y = 2; y < c.Height() - 2; ++y) {
    for (int x = 2; x < c.Width() - 2; ++x) {
      if ((x + y) % 2 == 1) {
        c.ClearPixel(x, y);
      }
    }
  }
  c.StrokeRoundRect(Whole(c), kChipRadius, 1.5f, look::kGhostEdge);
}

// Empty cells: only a faint outline, so that a large grid stays quiet and
// the chips stand out.
void PaintEmptyCell(CCanvas& c) {
  c.StrokeRoundRect(Whole(c), kChipRadius, 1, look::kCellFaint);
}

// The empty start cell: green corner brackets and the word START with a
// play mark, so that the first chip's place is plain to see.
void PaintStartCell(CCanvas& c, CFontLibrary& fonts) {
  c.StrokeRoundRect(Whole(c), kChipRadius, 1, look::kCellFaint);
  CCanvas ring(c.Width(), c.Height());
  ring.StrokeRoundRect(Whole(c), kChipRadius, 3, look::kStart);
  constexpr int kArmX = 16;
  constexpr int kArmY = 12;
  for (int y = 0; y < c.Height(); ++y) {
    for (int x = 0; x < c.Width(); ++x) {
      const bool nearX = x < kArmX || x >= c.Width() - kArmX;
      const bool nearY = y < kArmY || y >= c.Height() - kArmY;
      if (!(nearX && nearY)) {
        ring.ClearPixel(x, y);
      }
    }
  }
  c.Draw(ring, 0, 0);
  TTF_Font* font = fonts.Get(FontFace::kSansBold, 11);
  const std::string word = "START";
  const int textW = TextWidth(font, word);
  const float total = 9 + 4 + textW;
  const float left = (c.Width() - total) / 2;
  const float cy = c.Height() / 2.0f;
  c.FillPolygon({{left, cy - 4.5f}, {left + 9, cy}, {left, cy + 4.5f}}, look::kStart);
  DrawText(c, font, word, static_cast<int>(left + 13),
           static_cast<int>(cy - TextHeight(font) / 2.0f), look::kStart);
}

// A category's glyph, white in the chip card's bottom right corner: a forward arrow for
// movement, a sensor's waves, a note for lights and sound, a fork for
// control.
void PaintCategoryGlyph(CCanvas& c, int category) {
  const Colour ink = look::kWhite;
  const float w = static_cast<float>(c.Width());
  const float h = static_cast<float>(c.Height());
  switch (category) {
    case 0:
      c.FillPolygon(look::ArrowOutline(Direction::kRight, w, h * 0.8f), ink);
      break;
    case 1:
      c.FillCircle(PointF{2.5f, h / 2}, 2.0f, ink);
      for (int ring = 0; ring < 2; ++ring) {
        CCanvas arc(c.Width(), c.Height());
        const float radius = 5.0f + 4.0f * static_cast<float>(ring);
        arc.StrokeRoundRect(RectF{2.5f - radius, h / 2 - radius, 2 * radius, 2 * radius}, radius,
                            1.5f, ink);
        for (int y = 0; y < c.Height(); ++y) {
          for (int x = 0; x < c.Width(); ++x) {
            if (x < 4) {
              arc.ClearPixel(x, y);
            }
          }
        }
        c.Draw(arc, 0, 0);
      }
      break;
    case 2:
      c.FillCircle(PointF{w * 0.35f, h - 3.0f}, 2.6f, ink);
      c.FillRect(RectF{w * 0.35f + 1.6f, 1, 1.6f, h - 4.0f}, ink);
      c.FillPolygon({{w * 0.35f + 1.6f, 1}, {w - 1.0f, 3}, {w - 1.0f, 5.5f}, {w * 0.35f + 1.6f, 4}},
                    ink);
      break;
    default:
      c.StrokeLine(PointF{1, h / 2}, PointF{w / 2, h / 2}, 2.2f, ink);
      c.StrokeLine(PointF{w / 2, h / 2}, PointF{w - 1.5f, 2}, 2.2f, ink);
      c.StrokeLine(PointF{w / 2, h / 2}, PointF{w - 1.5f, h - 2}, 2.2f, ink);
      break;
  }
}

// The mark on a chip whose type the catalogue does not know: an amber
// warning triangle with a dark "!" in it.
void PaintUnknownMark(CCanvas& c) {
  const float w = static_cast<float>(c.Width());
  const float h = static_cast<float>(c.Height());
  c.FillPolygon({{w / 2, 0.5f}, {w - 0.5f, h - 0.5f}, {0.5f, h - 0.5f}}, look::kWarning);
  c.FillRect(RectF{w / 2 - 1, h * 0.35f, 2, h * 0.32f}, look::kWarningInk);
  c.FillRect(RectF{w / 2 - 1, h * 0.75f, 2, 2}, look::kWarningInk);
}

void PaintArrow(CCanvas& c, Direction d, Colour colour) {
  const bool across = d == Direction::kLeft || d == Direction::kRight;
  const float along = static_cast<float>(across ? c.Width() : c.Height());
  const float side = static_cast<float>(across ? c.Height() : c.Width());
  c.FillPolygon(look::ArrowOutline(d, along, side), colour);
}

// Scroll bars: a dark trough with a light rim on the side that faces the
// grid, a light slider inset by three pixels, and square buttons.
void PaintTroughX(CCanvas& c) {
  c.FillRect(Whole(c), look::kTrough);
  c.FillRect(RectF{0, 0, static_cast<float>(c.Width()), 1}, look::kTroughRim);
}
void PaintTroughY(CCanvas& c) {
  c.FillRect(Whole(c), look::kTrough);
  c.FillRect(RectF{0, 0, 1, static_cast<float>(c.Height())}, look::kTroughRim);
}
// An end cap is a slice of a rounded trough; offset moves the rounded end
// into the slice.
void PaintCap(CCanvas& c, RectF trough) {
  c.FillRoundRect(trough, 4, look::kTroughRim);
  c.FillRoundRect(trough.Inset(1), 3, look::kTrough);
}
void PaintSliderX(CCanvas& c) {
  c.FillRoundRectV(RectF{0, 3, static_cast<float>(c.Width()), 9}, 0, look::kSliderTop,
                   look::kSliderBottom);
  c.FillRect(RectF{0, 3, static_cast<float>(c.Width()), 1}, look::kSliderShine);
}
void PaintSliderY(CCanvas& c) {
  c.FillRoundRectPaint(RectF{3, 0, 9, static_cast<float>(c.Height())}, 0, [](int x, int) {
    return Mix(look::kSliderTop, look::kSliderBottom, (x - 3) / 8.0f);
  });
  c.FillRect(RectF{3, 0, 1, static_cast<float>(c.Height())}, look::kSliderShine);
}
void PaintButton(CCanvas& c, Direction d, bool hover) {
  const RectF r = Whole(c);
  c.FillRoundRect(r, 3, hover ? look::kButtonRimHover : look::kButtonRim);
  c.FillRoundRectV(r.Inset(1), 2, hover ? look::kButtonHover : look::kButton,
                   Mix(hover ? look::kButtonHover : look::kButton, look::kTrough, 0.35f));
  const PointF centre{r.w / 2, r.h / 2};
  look::DrawTriangleGlyph(c, centre, d, 9, hover ? look::kGlyphHover : look::kGlyph);
}

}  // namespace

SheetRecipe EditorSheet() {
  SheetRecipe sheet{"editor.bmp", 512, {}};
  auto& s = sheet.sprites;
  s.push_back(Sprite("background", 200, 200, PaintDesk));
  s.push_back(Sprite("chip", kChipW, kChipH, [](CCanvas& c) { PaintChip(c, look::kChipStyle); }));
  s.push_back(Sprite("movingchip", kChipW, kChipH, PaintGhost));
  s.push_back(Sprite("nopchip", kChipW, kChipH, [](CCanvas& c) { PaintChip(c, look::kNopStyle); }));
  // The current look: a card per category of the catalogue, its glyph, and
  // the unknown chip with its mark. Skins without them draw every chip as
  // "chip".
  for (int category = 0; category < 4; ++category) {
    s.push_back(Sprite("chip-category" + std::to_string(category), kChipW, kChipH,
                       [category](CCanvas& c) { PaintChip(c, look::kCategoryStyles[category]); }));
  }
  for (int category = 0; category < 4; ++category) {
    s.push_back(Sprite("category-glyph" + std::to_string(category), 12, 12,
                       [category](CCanvas& c) { PaintCategoryGlyph(c, category); }));
  }
  s.push_back(Sprite("chip-unknown", kChipW, kChipH,
                     [](CCanvas& c) { PaintChip(c, look::kUnknownStyle); }));
  s.push_back(Sprite("chip-unknown-mark", 14, 12, PaintUnknownMark));
  s.push_back(Sprite("chip-frame", kChipW, kChipH, PaintEmptyCell));
  s.push_back(Sprite("chip-frame-hover", kChipW, kChipH, [](CCanvas& c) {
    c.StrokeRoundRect(Whole(c), kChipRadius, 2, look::kHover);
  }));
  s.push_back(Sprite("chip-frame-select", kChipW, kChipH, [](CCanvas& c) {
    c.StrokeRoundRect(Whole(c), kChipRadius, 3, look::kSelect);
  }));
  s.push_back(
      SpriteRecipe{"main", "chip-frame-start", kChipW, kChipH, look::kDeskMatte, PaintStartCell});

  struct ArrowKind {
    const char* name;
    Direction d;
  };
  const ArrowKind arrows[] = {{"arrow-upper", Direction::kUp},
                              {"arrow-lower", Direction::kDown},
                              {"arrow-left", Direction::kLeft},
                              {"arrow-right", Direction::kRight}};
  const struct {
    const char* suffix;
    Colour colour;
  } variants[] = {
      {"", look::kArrowPlain}, {"-true", look::kArrowTrue}, {"-false", look::kArrowFalse}};
  for (const auto& v : variants) {
    for (const ArrowKind& a : arrows) {
      const bool across = a.d == Direction::kLeft || a.d == Direction::kRight;
      const Direction d = a.d;
      const Colour colour = v.colour;
      s.push_back(Sprite(std::string(a.name) + v.suffix, across ? 18 : 12, across ? 12 : 18,
                         [d, colour](CCanvas& c) { PaintArrow(c, d, colour); }));
    }
  }

  s.push_back(Sprite("scrollbar-x", 16, kBar, PaintTroughX));
  s.push_back(Sprite("scrollbar-left", 3, kBar, [](CCanvas& c) {
    PaintCap(c, RectF{0, 0, 12, kBar});
  }));
  s.push_back(Sprite("scrollbar-right", 3, kBar, [](CCanvas& c) {
    PaintCap(c, RectF{-9, 0, 12, kBar});
  }));
  s.push_back(Sprite("slider-x", 16, kBar, PaintSliderX));
  s.push_back(Sprite("scrollbar-y", kBar, 16, PaintTroughY));
  s.push_back(Sprite("scrollbar-upper", kBar, 3, [](CCanvas& c) {
    PaintCap(c, RectF{0, 0, kBar, 12});
  }));
  s.push_back(Sprite("scrollbar-lower", kBar, 3, [](CCanvas& c) {
    PaintCap(c, RectF{0, -9, kBar, 12});
  }));
  s.push_back(Sprite("slider-y", kBar, 16, PaintSliderY));

  const struct {
    const char* name;
    Direction d;
    int w;
    int h;
  } buttons[] = {{"scrollbar-button-left", Direction::kLeft, 15, 16},
                 {"scrollbar-button-right", Direction::kRight, 15, 16},
                 {"scrollbar-button-up", Direction::kUp, 16, 15},
                 {"scrollbar-button-down", Direction::kDown, 16, 15}};
  for (const auto& b : buttons) {
    const Direction d = b.d;
    s.push_back(Sprite(b.name, b.w, b.h, [d](CCanvas& c) { PaintButton(c, d, false); }));
    s.push_back(Sprite(std::string(b.name) + "-hover", b.w, b.h,
                       [d](CCanvas& c) { PaintButton(c, d, true); }));
  }

  // The checker's marks, drawn at a chip's top right corner: they differ in
  // shape as well as colour, so that they stay apart for every eye.
  s.push_back(Sprite("check-mark-error", kMark, kMark, PaintErrorMark));
  s.push_back(Sprite("check-mark-warning", kMark, kMark, PaintWarningMark));
  return sheet;
}

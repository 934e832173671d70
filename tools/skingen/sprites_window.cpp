// The windows that open over the editor: the chip palette, the property
// rows with their OK and cancel buttons, the list rows of the menu and of
// the value lists, and the confirmation panel. They are drawn over the
// frozen editor picture, so their edges are flattened over the desk; the
// palette's bars and buttons sit inside the palette and use its colour.
#include <string>

#include "look.h"
#include "sprites.h"

namespace {

using look::Direction;

constexpr int kRowW = 300;  // property row: name at +10, value at +105, unit at +280
constexpr int kRowH = 20;
constexpr int kListW = 170;  // list row: text at +10; fits "ストレージカードに保存"
constexpr int kBarW = 160;   // palette bar: the chip name at (+5, +4)
constexpr int kBarH = 20;    // bars are 21 pixels apart
constexpr int kButtonH = 18;

SpriteRecipe Sprite(std::string name, int w, int h, Rgb matte,
                    std::function<void(CCanvas&)> paint) {
  return SpriteRecipe{"main", std::move(name), w,
                      h,      matte,           [paint](CCanvas& c, CFontLibrary&) { paint(c); }};
}

RectF Whole(const CCanvas& c) {
  return RectF{0, 0, static_cast<float>(c.Width()), static_cast<float>(c.Height())};
}

Colour WithAlpha(Colour c, float a) {
  return Colour{c.r, c.g, c.b, a};
}

// A window panel: rim, a gentle gradient and a light line along the top.
void PaintPanel(CCanvas& c) {
  const RectF r = Whole(c);
  c.FillRoundRect(r, 8, look::kPanelRim);
  c.FillRoundRectV(r.Inset(1), 7, look::kPanelTop, look::kPanel);
  c.FillRect(RectF{8, 1, r.w - 16, 1}, WithAlpha(look::kPanelShine, 0.8f));
}

// The confirmation panel holds the question's line and, along its bottom,
// the two answer buttons: the panel with an amber band along its top, the
// colour of the selection, to catch the eye.
void PaintInfoPanel(CCanvas& c) {
  PaintPanel(c);
  const RectF r = Whole(c);
  c.FillRoundRectPaint(RectF{1, 1, r.w - 2, 10}, 7, [](int, int) { return look::kSelect; });
  c.FillRect(RectF{1, 6, r.w - 2, 5}, look::kPanelTop);
  c.FillRect(RectF{8, 6, r.w - 16, 1}, WithAlpha(look::kSelect, 0.35f));
}

void PaintChipBar(CCanvas& c, bool hover) {
  const RectF r = Whole(c);
  c.FillRoundRectV(r, 4, hover ? look::kBarHoverTop : look::kBarTop,
                   hover ? look::kBarHoverBottom : look::kBarBottom);
  if (hover) {
    c.StrokeRoundRect(r, 4, 1, WithAlpha(look::kHover, 0.9f));
  } else {
    c.FillRect(RectF{4, 0, r.w - 8, 1}, WithAlpha(look::kChipHighlight, 0.55f));
  }
}

void PaintPaletteButton(CCanvas& c, Direction d, bool hover) {
  const RectF r = Whole(c);
  c.FillRoundRect(r, 4, hover ? look::kButtonRimHover : look::kButtonRim);
  const Colour face = hover ? look::kButtonHover : look::kButton;
  c.FillRoundRectV(r.Inset(1), 3, face, Mix(face, look::kPanel, 0.4f));
  look::DrawTriangleGlyph(c, PointF{r.w / 2, r.h / 2}, d, 12,
                          hover ? look::kGlyphHover : look::kGlyph);
}

// Property rows stack without gaps: each carries a light line above, a dark
// one below (so the last row still has an edge), the window's side rims and
// a darker field for the value.
void PaintPropertyRow(CCanvas& c, bool active) {
  const RectF r = Whole(c);
  c.FillRect(r, active ? look::kRowActive : look::kRow);
  c.FillRect(RectF{0, 0, r.w, 1}, look::kRowLine);
  c.FillRect(RectF{0, r.h - 1, r.w, 1}, look::kRowShade);
  c.FillRect(RectF{0, 0, 1, r.h}, look::kRowRim);
  c.FillRect(RectF{r.w - 1, 0, 1, r.h}, look::kRowRim);
  const RectF field{98, 3, 174, r.h - 5};
  c.FillRoundRect(field, 3, active ? look::kRowActiveField : look::kRowField);
  if (active) {
    c.StrokeRoundRect(field, 3, 1, WithAlpha(look::kSelect, 0.8f));
    c.FillRect(RectF{1, 1, 3, r.h - 1}, look::kSelect);
  }
}

void PaintRowButton(CCanvas& c, Colour face, bool hover) {
  const RectF r = Whole(c).Inset(1);
  const Colour top = Mix(face, look::kWhite, hover ? 0.18f : 0.08f);
  c.FillRoundRect(r, 4, Mix(face, look::kPanel, 0.5f));
  c.FillRoundRectV(r.Inset(1), 3, top, face);
  c.FillRect(RectF{r.x + 4, r.y + 1, r.w - 8, 1}, WithAlpha(look::kWhite, hover ? 0.55f : 0.3f));
  if (hover) {
    c.StrokeRoundRect(r, 4, 1, WithAlpha(look::kHover, 0.9f));
  }
}

void PaintListRow(CCanvas& c, bool hover) {
  const RectF r = Whole(c);
  if (hover) {
    c.FillRoundRectV(r, 0, look::kBarHoverTop, look::kBarHoverBottom);
    c.FillRect(RectF{1, 1, 3, r.h - 1}, look::kSelect);
  } else {
    c.FillRect(r, look::kRow);
  }
  c.FillRect(RectF{0, 0, r.w, 1}, look::kRowLine);
  c.FillRect(RectF{0, r.h - 1, r.w, 1}, look::kRowShade);
  c.FillRect(RectF{0, 0, 1, r.h}, look::kRowRim);
  c.FillRect(RectF{r.w - 1, 0, 1, r.h}, look::kRowRim);
}

}  // namespace

SheetRecipe WindowSheet() {
  SheetRecipe sheet{"window.bmp", 512, {}};
  auto& s = sheet.sprites;
  // The palette holds ten bars: the up button at +5, bar i at +25 + 21 i and
  // the down button at +27 + 21 n, 18 high, so 260 leaves a 5-pixel margin.
  s.push_back(Sprite("newchip-window", 170, 260, look::kDeskMatte, PaintPanel));
  s.push_back(Sprite("newchip-chipbar", kBarW, kBarH, look::kPanelMatte,
                     [](CCanvas& c) { PaintChipBar(c, false); }));
  s.push_back(Sprite("newchip-chipbar-hover", kBarW, kBarH, look::kPanelMatte,
                     [](CCanvas& c) { PaintChipBar(c, true); }));
  const struct {
    const char* name;
    Direction d;
  } buttons[] = {{"newchip-scrollbar-up", Direction::kUp},
                 {"newchip-scrollbar-down", Direction::kDown}};
  for (const auto& b : buttons) {
    const Direction d = b.d;
    s.push_back(Sprite(b.name, kBarW, kButtonH, look::kPanelMatte,
                       [d](CCanvas& c) { PaintPaletteButton(c, d, false); }));
    s.push_back(Sprite(std::string(b.name) + "-hover", kBarW, kButtonH, look::kPanelMatte,
                       [d](CCanvas& c) { PaintPaletteButton(c, d, true); }));
  }

  s.push_back(Sprite("property-row", kRowW, kRowH, look::kDeskMatte,
                     [](CCanvas& c) { PaintPropertyRow(c, false); }));
  s.push_back(Sprite("property-row-active", kRowW, kRowH, look::kDeskMatte,
                     [](CCanvas& c) { PaintPropertyRow(c, true); }));
  // The two buttons share the row under the last property, half each.
  const struct {
    const char* name;
    Colour face;
  } halves[] = {{"property-row-update", look::kOk}, {"property-row-cancel", look::kCancel}};
  for (const auto& h : halves) {
    const Colour face = h.face;
    s.push_back(Sprite(h.name, kRowW / 2, kRowH, look::kDeskMatte,
                       [face](CCanvas& c) { PaintRowButton(c, face, false); }));
    s.push_back(Sprite(std::string(h.name) + "-hover", kRowW / 2, kRowH, look::kDeskMatte,
                       [face](CCanvas& c) { PaintRowButton(c, face, true); }));
  }
  s.push_back(Sprite("property-row-listbox", kListW, kRowH, look::kDeskMatte,
                     [](CCanvas& c) { PaintListRow(c, false); }));
  s.push_back(Sprite("property-row-listbox-hover", kListW, kRowH, look::kDeskMatte,
                     [](CCanvas& c) { PaintListRow(c, true); }));
  s.push_back(Sprite("property-row-info", 400, 80, look::kDeskMatte, PaintInfoPanel));
  return sheet;
}

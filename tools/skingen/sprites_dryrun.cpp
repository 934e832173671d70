// The dry run's sprites: its panel and the buttons along the panel's foot,
// each with a hover variant, on the panel's dark face.
#include <string>

#include "fonts.h"
#include "look.h"
#include "sprites.h"

namespace {

using look::Direction;

constexpr int kPanelW = 340;
constexpr int kPanelH = 272;
constexpr int kButtonW = 34;
constexpr int kButtonH = 20;

RectF Whole(const CCanvas& c) {
  return RectF{0, 0, static_cast<float>(c.Width()), static_cast<float>(c.Height())};
}

void PaintPanel(CCanvas& c) {
  const RectF r = Whole(c);
  c.FillRect(r, look::kTroughRim);
  c.FillRoundRectV(r.Inset(1), 0, look::kButton, look::kTrough);
}

// What a button shows: a glyph drawn from triangles and bars, or a label.
enum class Face { kStep, kLine, kRun, kPause, kRestart, kLabel };

void PaintButtonFace(CCanvas& c, CFontLibrary& fonts, Face face, const std::string& label,
                     bool hover) {
  const RectF r = Whole(c);
  c.FillRoundRect(r, 3, hover ? look::kButtonRimHover : look::kButtonRim);
  c.FillRoundRectV(r.Inset(1), 2, hover ? look::kButtonHover : look::kButton,
                   Mix(hover ? look::kButtonHover : look::kButton, look::kTrough, 0.35f));
  const Colour glyph = hover ? look::kGlyphHover : look::kGlyph;
  const PointF centre{r.w / 2, r.h / 2};
  switch (face) {
    case Face::kStep:  // a step to the next chip: a triangle against a bar
      look::DrawTriangleGlyph(c, PointF{centre.x - 3, centre.y}, Direction::kRight, 9, glyph);
      c.FillRect(RectF{centre.x + 3, centre.y - 5, 2, 10}, glyph);
      break;
    case Face::kLine:  // one line: a small triangle against a thin bar
      look::DrawTriangleGlyph(c, PointF{centre.x - 2, centre.y}, Direction::kRight, 6, glyph);
      c.FillRect(RectF{centre.x + 3, centre.y - 3, 1, 6}, glyph);
      break;
    case Face::kRun:
      look::DrawTriangleGlyph(c, centre, Direction::kRight, 10, glyph);
      break;
    case Face::kPause:
      c.FillRect(RectF{centre.x - 5, centre.y - 5, 3, 10}, glyph);
      c.FillRect(RectF{centre.x + 2, centre.y - 5, 3, 10}, glyph);
      break;
    case Face::kRestart:  // back to the start: a bar and a triangle pointing to it
      c.FillRect(RectF{centre.x - 6, centre.y - 5, 2, 10}, glyph);
      look::DrawTriangleGlyph(c, PointF{centre.x + 1, centre.y}, Direction::kLeft, 9, glyph);
      break;
    case Face::kLabel:
      DrawTextCentred(c, fonts.Get(FontFace::kSans, 11), label, r, glyph);
      break;
  }
}

}  // namespace

SheetRecipe DryRunSheet() {
  SheetRecipe sheet{"dryrun.bmp", 512, {}};
  auto& s = sheet.sprites;
  s.push_back(SpriteRecipe{"main", "dryrun-panel", kPanelW, kPanelH, look::kDeskMatte,
                           [](CCanvas& c, CFontLibrary&) { PaintPanel(c); }});
  const struct {
    const char* name;
    Face face;
    const char* label;
  } buttons[] = {{"dryrun-step", Face::kStep, ""},      {"dryrun-line", Face::kLine, ""},
                 {"dryrun-run", Face::kRun, ""},        {"dryrun-pause", Face::kPause, ""},
                 {"dryrun-x1", Face::kLabel, "x1"},     {"dryrun-x4", Face::kLabel, "x4"},
                 {"dryrun-x16", Face::kLabel, "x16"},   {"dryrun-fast", Face::kLabel, "max"},
                 {"dryrun-restart", Face::kRestart, ""}};
  for (const auto& b : buttons) {
    for (const bool hover : {false, true}) {
      const Face face = b.face;
      const std::string label = b.label;
      s.push_back(SpriteRecipe{"main", std::string(b.name) + (hover ? "-hover" : ""), kButtonW,
                               kButtonH, look::kDeskMatte,
                               [face, label, hover](CCanvas& c, CFontLibrary& fonts) {
                                 PaintButtonFace(c, fonts, face, label, hover);
                               }});
    }
  }
  return sheet;
}

// The title picture and the settings screen's labels and buttons.
//
// The Japanese texts here are UTF-8 because they are rasterised into the
// bitmaps; the skin file itself stays plain ASCII.
#include <string>

#include "look.h"
#include "sprites.h"

namespace {

using look::Direction;

constexpr Rgb kBlackMatte{0, 0, 0};

RectF Whole(const CCanvas& c) {
  return RectF{0, 0, static_cast<float>(c.Width()), static_cast<float>(c.Height())};
}

Colour WithAlpha(Colour c, float a) {
  return Colour{c.r, c.g, c.b, a};
}

// ---- Title --------------------------------------------------------------

constexpr Colour kTitleTop = Hex(0x27374A);
constexpr Colour kTitleBottom = Hex(0x18212C);
constexpr Colour kTitleDot = Hex(0x33455A);
constexpr Colour kTitleInk = Hex(0xF3F7FB);
constexpr Colour kTitleSoft = Hex(0xA9C4DD);
constexpr Colour kTitleHint = Hex(0xDCE5EE);
constexpr Colour kShadow = Hex(0x0B1016);
// The editor's outlines of short names and of summary lines in the current
// look, whose smoothed texts have a soft rim.
constexpr Colour kChipNameOutline = Hex(0x202020);
constexpr Colour kChipLineOutline = Hex(0x5C5C5C);

struct Piece {
  std::string text;
  Colour colour;
};

int WidthOf(TTF_Font* font, const std::vector<Piece>& pieces) {
  int w = 0;
  for (const Piece& p : pieces) {
    w += TextWidth(font, p.text);
  }
  return w;
}

void DrawPieces(CCanvas& c, TTF_Font* font, const std::vector<Piece>& pieces, int x, int y) {
  for (const Piece& p : pieces) {
    DrawText(c, font, p.text, x, y, p.colour);
    x += TextWidth(font, p.text);
  }
}

// A little program across the middle of the picture: four chips joined by
// arrows, the first one marked as the start, as the editor shows them.
void DrawProgramMotif(CCanvas& c, CFontLibrary& fonts, float top) {
  struct MotifChip {
    const char* name;
    const char* line;
    const look::ChipStyle* style;
  };
  // Each on its category's card, as the editor draws the shipped catalogue:
  // movement, control, movement, lights and sound.
  const MotifChip chips[] = {{"前進", "速さ=50", &look::kChipStyle},
                             {"もし", "タッチ", &look::kControlStyle},
                             {"右回転", "90度", &look::kChipStyle},
                             {"ブザー", "0.5秒", &look::kLightStyle}};
  constexpr float kW = 80, kH = 50, kGap = 44;
  const float left = (c.Width() - (4 * kW + 3 * kGap)) / 2;
  TTF_Font* gothic = fonts.Get(FontFace::kUiGothic, 12);
  for (int i = 0; i < 4; ++i) {
    const float x = left + i * (kW + kGap);
    c.FillRoundRect(RectF{x + 2, top + 4, kW, kH}, 6, WithAlpha(kShadow, 0.45f));
    look::DrawChipCard(c, RectF{x, top, kW, kH}, 18, *chips[i].style);
    DrawSoftOutlinedText(c, gothic, chips[i].name, static_cast<int>(x + 5),
                         static_cast<int>(top + 4), look::kWhite, kChipNameOutline);
    DrawSoftOutlinedText(c, gothic, chips[i].line, static_cast<int>(x + 8),
                         static_cast<int>(top + 22), look::kWhite, kChipLineOutline);
    if (i < 3) {
      const Colour colour = i == 1 ? look::kArrowTrue : look::kArrowPlain;
      const float ax = x + kW + (kGap - 24) / 2;
      std::vector<PointF> arrow = look::ArrowOutline(Direction::kRight, 24, 14);
      for (PointF& p : arrow) {
        p.x += ax;
        p.y += top + kH / 2 - 7;
      }
      c.FillPolygon(arrow, colour);
    }
  }
  // The start marks: green corner brackets just outside the first chip.
  CCanvas ring(c.Width(), c.Height());
  const RectF around{left - 5, top - 5, kW + 10, kH + 10};
  ring.StrokeRoundRect(around, 9, 3, look::kStart);
  for (int y = 0; y < c.Height(); ++y) {
    for (int x = 0; x < c.Width(); ++x) {
      const bool nearX = x < around.x + 16 || x >= around.x + around.w - 16;
      const bool nearY = y < around.y + 13 || y >= around.y + around.h - 13;
      if (!(nearX && nearY)) {
        ring.ClearPixel(x, y);
      }
    }
  }
  c.Draw(ring, 0, 0);
}

void PaintTitle(CCanvas& c, CFontLibrary& fonts) {
  const RectF r = Whole(c);
  c.FillRoundRectV(r, 14, kTitleTop, kTitleBottom);
  for (int y = 10; y < c.Height() - 6; y += 20) {
    for (int x = 10; x < c.Width() - 6; x += 20) {
      c.FillRect(RectF{static_cast<float>(x), static_cast<float>(y), 1, 1}, kTitleDot);
    }
  }
  c.StrokeRoundRect(r, 14, 1, Hex(0x3D5068));

  TTF_Font* big = fonts.Get(FontFace::kSansBold, 64);
  const std::vector<Piece> name = {{"PELU ", kTitleInk}, {"BLOCK", look::kSelect}};
  const int nameX = (c.Width() - WidthOf(big, name)) / 2;
  constexpr int kNameY = 30;
  std::vector<Piece> shadow = name;
  for (Piece& p : shadow) {
    p.colour = WithAlpha(kShadow, 0.7f);
  }
  DrawPieces(c, big, shadow, nameX + 3, kNameY + 4);
  DrawPieces(c, big, name, nameX, kNameY);

  TTF_Font* subtitle = fonts.Get(FontFace::kGothic, 20);
  DrawTextCentred(c, subtitle, "ロボットのためのブロックプログラミング", RectF{0, 112, r.w, 26},
                  kTitleSoft);

  DrawProgramMotif(c, fonts, 172);

  c.FillRect(RectF{60, 271, r.w - 120, 1}, Hex(0x3A4A5D));
  TTF_Font* hint = fonts.Get(FontFace::kGothic, 17);
  const std::vector<std::vector<Piece>> hints = {
      {{"Enter / クリック", look::kSelect}, {": エディタ", kTitleHint}},
      {{"S", look::kSelect}, {": 設定", kTitleHint}},
      {{"Esc", look::kSelect}, {": 終了", kTitleHint}}};
  constexpr int kHintGap = 40;
  int total = kHintGap * static_cast<int>(hints.size() - 1);
  for (const auto& h : hints) {
    total += WidthOf(hint, h);
  }
  int x = (c.Width() - total) / 2;
  for (const auto& h : hints) {
    DrawPieces(c, hint, h, x, 296);
    x += WidthOf(hint, h) + kHintGap;
  }
}

// ---- Settings -------------------------------------------------------------

// A label card: rim, a pale face and an accent strip on the left.
void PaintCard(CCanvas& c) {
  const RectF r = Whole(c);
  c.FillRoundRect(r, 6, look::kCardRim);
  c.FillRoundRectPaint(r.Inset(1), 5,
                       [](int x, int) { return x < 5 ? look::kAccent : look::kCard; });
}

void PaintFullScreenLabel(CCanvas& c, CFontLibrary& fonts) {
  PaintCard(c);
  // A small monitor.
  c.StrokeRoundRect(RectF{15, 8, 22, 14}, 2, 2, look::kAccent);
  c.FillRect(RectF{24, 22, 4, 3}, look::kAccent);
  c.FillRoundRect(RectF{20, 24, 12, 2}, 1, look::kAccent);
  TTF_Font* font = fonts.Get(FontFace::kGothic, 16);
  DrawText(c, font, "フルスクリーン表示", 46, (c.Height() - TextHeight(font)) / 2, look::kInk);
}

// The on/off switch: a pill with a white knob, green with the knob on the
// right when on, grey with the knob on the left when off.
void PaintSwitch(CCanvas& c, CFontLibrary& fonts, bool on) {
  const RectF r = Whole(c);
  const Colour face = on ? look::kOn : look::kOff;
  c.FillRoundRectV(r, r.h / 2, Mix(face, look::kWhite, 0.12f), face);
  const float knobX = on ? r.w - r.h / 2 : r.h / 2;
  c.FillCircle(PointF{knobX + 0.5f, r.h / 2 + 1}, r.h / 2 - 4, WithAlpha(kShadow, 0.25f));
  c.FillCircle(PointF{knobX, r.h / 2}, r.h / 2 - 4, look::kWhite);
  TTF_Font* font = fonts.Get(FontFace::kGothic, 15);
  const RectF label = on ? RectF{6, 0, r.w - r.h - 6, r.h} : RectF{r.h, 0, r.w - r.h - 4, r.h};
  DrawTextCentred(c, font, on ? "使用する" : "使用しない", label, look::kWhite);
}

void PaintIpNote(CCanvas& c, CFontLibrary& fonts) {
  const RectF r = Whole(c);
  c.FillRoundRect(r, 6, look::kCardRim);
  c.FillRoundRect(r.Inset(1), 5, look::kCard);
  c.FillCircle(PointF{19, r.h / 2}, 9, look::kAccent);
  DrawTextCentred(c, fonts.Get(FontFace::kSansBold, 13), "i", RectF{10, 0, 18, r.h}, look::kWhite);
  TTF_Font* font = fonts.Get(FontFace::kGothic, 15);
  DrawText(c, font, "IPアドレスは setting.ini の IP で設定します", 38,
           (c.Height() - TextHeight(font)) / 2, look::kInkSoft);
}

void PaintBack(CCanvas& c, CFontLibrary& fonts, bool hover) {
  const RectF r = Whole(c);
  if (hover) {
    c.FillRoundRect(r, 8, look::kSelect);
    c.FillRoundRectV(r.Inset(2), 6, look::kAccentDeep, Hex(0x224B75));
  } else {
    c.FillRoundRectV(r, 8, look::kAccent, look::kAccentDeep);
    c.FillRect(RectF{8, 1, r.w - 16, 1}, WithAlpha(look::kWhite, 0.35f));
  }
  look::DrawTriangleGlyph(c, PointF{24, r.h / 2}, Direction::kLeft, 12, look::kWhite);
  TTF_Font* font = fonts.Get(FontFace::kGothic, 16);
  DrawTextCentred(c, font, "戻る", RectF{30, 0, r.w - 40, r.h}, look::kWhite);
}

SpriteRecipe Setting(std::string name, int w, int h,
                     std::function<void(CCanvas&, CFontLibrary&)> paint) {
  return SpriteRecipe{"setting", std::move(name), w, h, look::kPaperMatte, std::move(paint)};
}

}  // namespace

SheetRecipe TitleSheet() {
  // The title screen clears to black before it draws the picture, so the
  // rounded corners are flattened over black (and become the key).
  return SheetRecipe{
      "title.bmp", 640, {SpriteRecipe{"title", "title", 640, 360, kBlackMatte, PaintTitle}}};
}

SheetRecipe SettingSheet() {
  SheetRecipe sheet{"setting.bmp", 512, {}};
  auto& s = sheet.sprites;
  // The screen's ground, tiled over it; a skin without it gets the design's
  // white page.
  s.push_back(Setting("setting-background", 200, 200,
                      [](CCanvas& c, CFontLibrary&) { look::DrawDeskTile(c); }));
  s.push_back(Setting("setting-fullscreen", 250, 32, PaintFullScreenLabel));
  s.push_back(Setting("setting-use", 120, 32,
                      [](CCanvas& c, CFontLibrary& f) { PaintSwitch(c, f, true); }));
  s.push_back(Setting("setting-no-use", 120, 32,
                      [](CCanvas& c, CFontLibrary& f) { PaintSwitch(c, f, false); }));
  s.push_back(Setting("setting-ip", 480, 32, PaintIpNote));
  s.push_back(Setting("setting-back", 100, 32,
                      [](CCanvas& c, CFontLibrary& f) { PaintBack(c, f, false); }));
  s.push_back(Setting("setting-back-hover", 100, 32,
                      [](CCanvas& c, CFontLibrary& f) { PaintBack(c, f, true); }));
  return sheet;
}

std::vector<SheetRecipe> DefaultSkinSheets() {
  return {TitleSheet(), SettingSheet(), EditorSheet(), WindowSheet(), DryRunSheet()};
}

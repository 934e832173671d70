// A tiny skin of solid-colour sprites and a small chip catalogue, written by
// the editor's tests and benchmark so that neither depends on the shipped data.
#pragma once

#include <string>

namespace editor_test {

struct Rgb {
  unsigned char r, g, b;
};

// Sprite colours. Frames are hollow (black inside, which the display treats
// as transparent); everything else is solid.
inline constexpr Rgb kChip{0xC0, 0x30, 0x30}, kNopChip{0x30, 0xC0, 0x30},
    kMovingChip{0x30, 0x30, 0xC0};
inline constexpr Rgb kFrame{0x80, 0x80, 0x10}, kFrameStart{0x10, 0x80, 0x80},
    kFrameSelect{0x80, 0x10, 0x80}, kFrameHover{0xF0, 0xA0, 0x10};
// The plain arrows are 10 x 6, their -true/-false variants 14 x 8.
inline constexpr Rgb kArrow{0x11, 0x22, 0x99}, kArrowTrue{0x22, 0x99, 0x11},
    kArrowFalse{0x99, 0x11, 0x22};
inline constexpr Rgb kBar{0x50, 0x50, 0x50}, kBarEnd{0x60, 0x60, 0x60}, kSlider{0x70, 0x70, 0x90},
    kButton{0x90, 0x70, 0x70}, kButtonHover{0x70, 0x90, 0x70};
// The value list, and the question about unsaved changes (a 400 x 80 panel
// over the property window's 200 x 20 button row, two halves).
inline constexpr Rgb kListRow{0x2C, 0x4C, 0x6C}, kListRowHover{0x6C, 0x4C, 0x2C},
    kInfoPanel{0x30, 0x30, 0x50};
// The checker's marks, 6 x 6, inside a chip's top-right corner.
inline constexpr Rgb kMarkError{0xE0, 0x20, 0xE0}, kMarkWarning{0xE0, 0xE0, 0x20};
inline constexpr int kMarkSize = 6;
// The dry run's panel and its buttons.
inline constexpr Rgb kDryRunPanel{0x28, 0x24, 0x20}, kDryRunButton{0x3C, 0x5C, 0x7C},
    kDryRunButtonHover{0x7C, 0x5C, 0x3C};
inline constexpr int kPaletteWidth = 150, kPaletteHeight = 200;
inline constexpr int kListRowWidth = 120, kListRowHeight = 16;

// The current look's sprites, in a skin of the current kind only: the cards
// of categories 0 and 1 (80 x 50), their glyphs (8 x 8), the unknown chip's
// card and its mark (6 x 6).
inline constexpr Rgb kCategory0{0x20, 0x90, 0xD0}, kCategory1{0xD0, 0x70, 0x20},
    kGlyph0{0xEE, 0x11, 0x77}, kGlyph1{0x11, 0xEE, 0x77}, kUnknownCard{0x70, 0x60, 0x50},
    kUnknownMark{0xEE, 0xEE, 0x00};
inline constexpr int kGlyphSize = 8, kUnknownMarkSize = 6;

// A skin of the old kind has only the design's sprites; one of the current
// kind adds the current look's sprites and asks for smoothed text.
enum class SkinKind { kDesign, kCurrent };

// Writes skin/def_skn.txt (section "main") and its bitmap under dir.
void WriteTestSkin(const std::string& dir, SkinKind kind = SkinKind::kDesign);
// Writes ChipDB.txt under dir: "walk" (short name W, summary "*S=;speed"),
// "blank" (no short name), "if", "loop" and the do-nothing chip, then extra.
void WriteTestCatalogue(const std::string& dir, const std::string& extra = "");

}  // namespace editor_test

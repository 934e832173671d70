// A tiny skin of solid-colour sprites and a small chip catalogue, written by
// the editor's tests and benchmark so that neither depends on the shipped
// data or its generator.
#pragma once

#include <string>

namespace editor_test {

struct Rgb {
  unsigned char r, g, b;
};

// Sprite colours of the test skin. Frames are hollow (their inside is black,
// which the display treats as transparent); everything else is solid.
inline constexpr Rgb kBackground{0x20, 0x40, 0x60};
inline constexpr Rgb kChip{0xC0, 0x30, 0x30};
inline constexpr Rgb kNopChip{0x30, 0xC0, 0x30};
inline constexpr Rgb kMovingChip{0x30, 0x30, 0xC0};
inline constexpr Rgb kFrame{0x80, 0x80, 0x10};
inline constexpr Rgb kFrameStart{0x10, 0x80, 0x80};
inline constexpr Rgb kFrameSelect{0x80, 0x10, 0x80};
inline constexpr Rgb kFrameHover{0xF0, 0xA0, 0x10};
inline constexpr Rgb kArrow{0x11, 0x22, 0x99};
inline constexpr Rgb kArrowTrue{0x22, 0x99, 0x11};
inline constexpr Rgb kArrowFalse{0x99, 0x11, 0x22};
inline constexpr Rgb kBar{0x50, 0x50, 0x50};
inline constexpr Rgb kBarEnd{0x60, 0x60, 0x60};
inline constexpr Rgb kSlider{0x70, 0x70, 0x90};
inline constexpr Rgb kButton{0x90, 0x70, 0x70};
inline constexpr Rgb kButtonHover{0x70, 0x90, 0x70};
// The chip palette's bars and scroll buttons, and the property window's rows,
// buttons and value list.
inline constexpr Rgb kPaletteBar{0x44, 0x66, 0x88};
inline constexpr Rgb kPaletteBarHover{0x88, 0x66, 0x44};
inline constexpr Rgb kPaletteButton{0x46, 0x64, 0x28};
inline constexpr Rgb kPaletteButtonHover{0x28, 0x64, 0x46};
inline constexpr Rgb kPropertyRow{0x3A, 0x3A, 0x5A};
inline constexpr Rgb kPropertyRowActive{0x5A, 0x3A, 0x3A};
inline constexpr Rgb kPropertyOk{0x2A, 0x6A, 0x2A};
inline constexpr Rgb kPropertyOkHover{0x4A, 0x8A, 0x4A};
inline constexpr Rgb kPropertyCancel{0x6A, 0x2A, 0x2A};
inline constexpr Rgb kPropertyCancelHover{0x8A, 0x4A, 0x4A};
inline constexpr Rgb kListRow{0x2C, 0x4C, 0x6C};
inline constexpr Rgb kListRowHover{0x6C, 0x4C, 0x2C};
// The question about unsaved changes: its panel (the answers are the
// property window's two buttons).
inline constexpr Rgb kInfoPanel{0x30, 0x30, 0x50};

// Arrow sprite sizes: the plain arrows and their -true/-false variants differ,
// so that a test can tell which size centred them.
inline constexpr int kArrowLong = 10;
inline constexpr int kArrowShort = 6;
inline constexpr int kArrowVariantLong = 14;
inline constexpr int kArrowVariantShort = 8;
// The palette window sprite's size.
inline constexpr int kPaletteWidth = 150;
inline constexpr int kPaletteHeight = 200;
// The palette's bars and buttons.
inline constexpr int kPaletteBarWidth = 140;
inline constexpr int kPaletteBarHeight = 20;
inline constexpr int kPaletteButtonHeight = 18;
// A property row (the window's width), each half of the button row below
// the rows, and one option of the value list.
inline constexpr int kPropertyRowWidth = 200;
inline constexpr int kPropertyRowHeight = 20;
inline constexpr int kListRowWidth = 120;
inline constexpr int kListRowHeight = 16;
// The question's panel ("property-row-info").
inline constexpr int kInfoWidth = 400;
inline constexpr int kInfoHeight = 80;

// Writes skin/def_skn.txt (section "main") and its bitmap under dir.
void WriteTestSkin(const std::string& dir);
// Writes ChipDB.txt under dir: "walk" (short name W, summary "*S=;speed"),
// "blank" (no short name), "if", "loop" and the do-nothing chip, then extra.
void WriteTestCatalogue(const std::string& dir, const std::string& extra = "");

}  // namespace editor_test

// A tiny skin of solid-colour sprites and a small chip catalogue, written by
// the editor's tests and benchmark so that neither depends on the shipped data.
#pragma once

#include <string>

namespace editor_test {

struct Rgb {
  unsigned char r, g, b;
};

// Sprite colours. Frames are hollow (their inside is black, which the display
// treats as transparent); everything else is solid.
inline constexpr Rgb kBackground{0x20, 0x40, 0x60};
inline constexpr Rgb kChip{0xC0, 0x30, 0x30};
inline constexpr Rgb kNopChip{0x30, 0xC0, 0x30};
inline constexpr Rgb kMovingChip{0x30, 0x30, 0xC0};
inline constexpr Rgb kFrame{0x80, 0x80, 0x10};
inline constexpr Rgb kFrameStart{0x10, 0x80, 0x80};
inline constexpr Rgb kFrameSelect{0x80, 0x10, 0x80};
inline constexpr Rgb kFrameHover{0xF0, 0xA0, 0x10};
// The plain arrows are 10 x 6, their -true/-false variants 14 x 8.
inline constexpr Rgb kArrow{0x11, 0x22, 0x99};
inline constexpr Rgb kArrowTrue{0x22, 0x99, 0x11};
inline constexpr Rgb kArrowFalse{0x99, 0x11, 0x22};
inline constexpr Rgb kBar{0x50, 0x50, 0x50};
inline constexpr Rgb kBarEnd{0x60, 0x60, 0x60};
inline constexpr Rgb kSlider{0x70, 0x70, 0x90};
inline constexpr Rgb kButton{0x90, 0x70, 0x70};
inline constexpr Rgb kButtonHover{0x70, 0x90, 0x70};
// The chip palette, the property window, its value list, and the question
// about unsaved changes (a 400 x 80 panel with the property window's buttons).
inline constexpr Rgb kPaletteBarHover{0x88, 0x66, 0x44};
inline constexpr Rgb kPropertyRowActive{0x5A, 0x3A, 0x3A};
inline constexpr Rgb kPropertyOk{0x2A, 0x6A, 0x2A};
inline constexpr Rgb kPropertyOkHover{0x4A, 0x8A, 0x4A};
inline constexpr Rgb kPropertyCancel{0x6A, 0x2A, 0x2A};
inline constexpr Rgb kPropertyCancelHover{0x8A, 0x4A, 0x4A};
inline constexpr Rgb kListRow{0x2C, 0x4C, 0x6C};
inline constexpr Rgb kListRowHover{0x6C, 0x4C, 0x2C};
inline constexpr Rgb kInfoPanel{0x30, 0x30, 0x50};

inline constexpr int kPaletteWidth = 150;
inline constexpr int kPaletteHeight = 200;
inline constexpr int kPaletteBarWidth = 140;
// A property row (the window's width; the button row below is two halves)
// and one option of the value list.
inline constexpr int kPropertyRowWidth = 200;
inline constexpr int kPropertyRowHeight = 20;
inline constexpr int kListRowWidth = 120;
inline constexpr int kListRowHeight = 16;

// Writes skin/def_skn.txt (section "main") and its bitmap under dir.
void WriteTestSkin(const std::string& dir);
// Writes ChipDB.txt under dir: "walk" (short name W, summary "*S=;speed"),
// "blank" (no short name), "if", "loop" and the do-nothing chip, then extra.
void WriteTestCatalogue(const std::string& dir, const std::string& extra = "");

}  // namespace editor_test

// The skin's colours and the shapes that several sprites share (chip cards,
// chevrons, arrows), so that the title's picture and the editor agree.
#pragma once

#include <vector>

#include "canvas.h"

namespace look {

// The editor: a dark blue-grey desk on which the chips sit.
inline constexpr Colour kDesk = Hex(0x2A323D);
inline constexpr Colour kDeskDot = Hex(0x3A4452);
inline constexpr Colour kDeskCross = Hex(0x333C49);
inline constexpr Rgb kDeskMatte = HexRgb(0x2A323D);

// Chips: blue cards with a deeper header band for the short name.
inline constexpr Colour kChipHeaderTop = Hex(0x2D6C99);
inline constexpr Colour kChipHeaderBottom = Hex(0x255C85);
inline constexpr Colour kChipBodyTop = Hex(0x3B7CAA);
inline constexpr Colour kChipBodyBottom = Hex(0x346F99);
inline constexpr Colour kChipEdge = Hex(0x1A3E5C);
inline constexpr Colour kChipHighlight = Hex(0x9FD0F2);
// The do-nothing chip: the same card in grey.
inline constexpr Colour kNopHeaderTop = Hex(0x58616C);
inline constexpr Colour kNopHeaderBottom = Hex(0x4F5762);
inline constexpr Colour kNopBodyTop = Hex(0x6C7582);
inline constexpr Colour kNopBodyBottom = Hex(0x636C78);
inline constexpr Colour kNopEdge = Hex(0x343A42);
inline constexpr Colour kNopHighlight = Hex(0xB9C2CC);

// Cell frames: faint when empty, light on hover, thick amber when selected,
// green corners on the empty start cell.
inline constexpr Colour kCellFaint = Hex(0x4A5666);
inline constexpr Colour kHover = Hex(0xE4F0FA);
inline constexpr Colour kSelect = Hex(0xFFB21E);
inline constexpr Colour kStart = Hex(0x42D392);
inline constexpr Colour kGhostEdge = Hex(0xCDE6FA);

// Arrows between chips.
inline constexpr Colour kArrowPlain = Hex(0xE8EEF4);
inline constexpr Colour kArrowTrue = Hex(0x4CD68E);
inline constexpr Colour kArrowFalse = Hex(0xFF6B66);

// The checker's marks on a chip: a red disc for an error, an amber triangle
// for a warning, each inside a dark rim so that it reads on every chip
// colour and on the desk.
inline constexpr Colour kMarkRim = Hex(0x1C1F24);
inline constexpr Colour kMarkError = Hex(0xE5484D);
inline constexpr Colour kMarkWarning = Hex(0xF5C518);
inline constexpr Colour kMarkErrorSign = Hex(0xFFFFFF);
inline constexpr Colour kMarkWarningSign = Hex(0x1C1F24);

// Scroll bars.
inline constexpr Colour kTrough = Hex(0x1D232B);
inline constexpr Colour kTroughRim = Hex(0x46525F);
inline constexpr Colour kSliderTop = Hex(0xA9BACB);
inline constexpr Colour kSliderBottom = Hex(0x8397AC);
inline constexpr Colour kSliderShine = Hex(0xD2DEE9);
inline constexpr Colour kButton = Hex(0x3A4553);
inline constexpr Colour kButtonHover = Hex(0x557393);
inline constexpr Colour kButtonRim = Hex(0x5C6B7C);
inline constexpr Colour kButtonRimHover = Hex(0xA9CBEA);
inline constexpr Colour kGlyph = Hex(0xD5DEE7);
inline constexpr Colour kGlyphHover = Hex(0xFFFFFF);

// Windows over the editor: the palette, property rows, menu and dialogs.
inline constexpr Colour kPanel = Hex(0x212932);
inline constexpr Colour kPanelTop = Hex(0x29323D);
inline constexpr Colour kPanelRim = Hex(0x5D6D80);
inline constexpr Colour kPanelShine = Hex(0x8193A7);
inline constexpr Rgb kPanelMatte = HexRgb(0x212932);
inline constexpr Colour kBarTop = Hex(0x33679A);
inline constexpr Colour kBarBottom = Hex(0x2B5884);
inline constexpr Colour kBarHoverTop = Hex(0x4A8CC9);
inline constexpr Colour kBarHoverBottom = Hex(0x3E7AB4);
// Rows are lighter than the desk, so a window stands out over the grid.
inline constexpr Colour kRow = Hex(0x3C4959);
inline constexpr Colour kRowLine = Hex(0x56677B);
inline constexpr Colour kRowRim = Hex(0x8597AC);
inline constexpr Colour kRowShade = Hex(0x222A34);
inline constexpr Colour kRowField = Hex(0x27313D);
inline constexpr Colour kRowActive = Hex(0x2F5A84);
inline constexpr Colour kRowActiveField = Hex(0x1F4368);
inline constexpr Colour kOk = Hex(0x2F8A5C);
inline constexpr Colour kCancel = Hex(0x80444A);

// The settings screen, in the program's theme: cards like the windows' rows
// on the editor's desk (its "setting-background" tiles), light ink.
inline constexpr Rgb kPaperMatte = kDeskMatte;
inline constexpr Colour kInk = Hex(0xE8EEF4);
inline constexpr Colour kInkSoft = Hex(0xB8C6D4);
inline constexpr Colour kCard = Hex(0x35414F);
inline constexpr Colour kCardRim = Hex(0x5D6D80);
inline constexpr Colour kAccent = Hex(0x3A78B5);
inline constexpr Colour kAccentDeep = Hex(0x2C5F94);
inline constexpr Colour kOn = Hex(0x2E9E6B);
inline constexpr Colour kOff = Hex(0x8C96A1);
inline constexpr Colour kWhite = Hex(0xFFFFFF);

// The chip catalogue's four categories (movement, sensors, lights and sound,
// control), each a card colour of its own and an accent for its glyph.
// Movement keeps the design's blue.
inline constexpr Colour kSensorHeaderTop = Hex(0x237A72);
inline constexpr Colour kSensorHeaderBottom = Hex(0x1E6961);
inline constexpr Colour kSensorBodyTop = Hex(0x2F8C83);
inline constexpr Colour kSensorBodyBottom = Hex(0x297C74);
inline constexpr Colour kSensorEdge = Hex(0x134540);
inline constexpr Colour kSensorHighlight = Hex(0x97E3D9);
inline constexpr Colour kLightHeaderTop = Hex(0x9A6A1F);
inline constexpr Colour kLightHeaderBottom = Hex(0x875C1A);
inline constexpr Colour kLightBodyTop = Hex(0xAD7A2B);
inline constexpr Colour kLightBodyBottom = Hex(0x9A6C25);
inline constexpr Colour kLightEdge = Hex(0x4E3510);
inline constexpr Colour kLightHighlight = Hex(0xF2D29C);
inline constexpr Colour kControlHeaderTop = Hex(0x6A4A9A);
inline constexpr Colour kControlHeaderBottom = Hex(0x5C3F87);
inline constexpr Colour kControlBodyTop = Hex(0x7A59AD);
inline constexpr Colour kControlBodyBottom = Hex(0x6C4E9A);
inline constexpr Colour kControlEdge = Hex(0x33234E);
inline constexpr Colour kControlHighlight = Hex(0xD2BCF2);
// A chip that the catalogue does not know: a dim card and a warning badge.
inline constexpr Colour kUnknownHeaderTop = Hex(0x45403A);
inline constexpr Colour kUnknownHeaderBottom = Hex(0x3E3934);
inline constexpr Colour kUnknownBodyTop = Hex(0x524C45);
inline constexpr Colour kUnknownBodyBottom = Hex(0x4A443E);
inline constexpr Colour kUnknownEdge = Hex(0xE0A030);
inline constexpr Colour kUnknownHighlight = Hex(0x8A8178);
inline constexpr Colour kWarning = Hex(0xF2B233);
inline constexpr Colour kWarningInk = Hex(0x2A2110);

enum class Direction { kLeft, kUp, kRight, kDown };

struct ChipStyle {
  Colour headerTop, headerBottom, bodyTop, bodyBottom, edge, highlight;
};
inline constexpr ChipStyle kChipStyle{kChipHeaderTop,  kChipHeaderBottom, kChipBodyTop,
                                      kChipBodyBottom, kChipEdge,         kChipHighlight};
inline constexpr ChipStyle kNopStyle{kNopHeaderTop,  kNopHeaderBottom, kNopBodyTop,
                                     kNopBodyBottom, kNopEdge,         kNopHighlight};
inline constexpr ChipStyle kSensorStyle{kSensorHeaderTop,  kSensorHeaderBottom, kSensorBodyTop,
                                        kSensorBodyBottom, kSensorEdge,         kSensorHighlight};
inline constexpr ChipStyle kLightStyle{kLightHeaderTop,  kLightHeaderBottom, kLightBodyTop,
                                       kLightBodyBottom, kLightEdge,         kLightHighlight};
inline constexpr ChipStyle kControlStyle{kControlHeaderTop, kControlHeaderBottom,
                                         kControlBodyTop,   kControlBodyBottom,
                                         kControlEdge,      kControlHighlight};
inline constexpr ChipStyle kUnknownStyle{kUnknownHeaderTop, kUnknownHeaderBottom,
                                         kUnknownBodyTop,   kUnknownBodyBottom,
                                         kUnknownEdge,      kUnknownHighlight};
// The card of each category, by the catalogue's category number.
inline constexpr ChipStyle kCategoryStyles[] = {kChipStyle, kSensorStyle, kLightStyle,
                                                kControlStyle};

// The editor's desk tile: the desk colour with fine dots every 20 pixels and
// a small cross every 100, so that 200-pixel tiles meet without a seam.
void DrawDeskTile(CCanvas& canvas);

// A chip card filling the rectangle: rounded corners, a dark edge, a header
// band of headerHeight pixels and a light line along the top.
void DrawChipCard(CCanvas& canvas, RectF r, float headerHeight, const ChipStyle& style);

// A small solid triangle centred on a point, pointing one way: size is the
// length of its base; its depth is a little over half that.
void DrawTriangleGlyph(CCanvas& canvas, PointF centre, Direction d, float size, Colour c);

// A block arrow (shaft and head) filling a w x h box, pointing one way;
// the box is w x h for left and right, and the same turned for up and down.
std::vector<PointF> ArrowOutline(Direction d, float w, float h);

}  // namespace look

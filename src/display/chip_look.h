// Which sprites draw a chip in the skin's look: a card per category of the
// catalogue with its glyph, and the unknown chip with its mark. A skin of the
// old kind has none of them; every answer then falls back to the design's
// sprite, so such a skin draws exactly as before.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

class CSymbol;

// The sprites of the unknown chip: its card, and the mark drawn on it, in
// its top right corner (kUnknownMarkInset pixels in from the card's edges).
inline constexpr char kUnknownChipSprite[] = "chip-unknown";
inline constexpr char kUnknownChipMarkSprite[] = "chip-unknown-mark";
inline constexpr int kUnknownMarkInset = 4;

// The sprite of a chip of a known type: designSprite's family member for the
// chip's "category" attribute ("chip" and "3" give "chip-category3") when the
// skin has it, else designSprite itself. An attribute that is not a plain
// decimal number has no family.
std::string ChipSpriteFor(const CSymbol& symbols, std::string_view category,
                          const std::string& designSprite);

// Whether the skin has a family of cards for designSprite ("chip-category0"
// and its siblings for "chip"). A skin that has one draws the current look's
// ghost of dragged chips; one without keeps the design's "movingchip".
bool HasChipFamily(const CSymbol& symbols, const std::string& designSprite);

// Where a chip's category glyph sits: in the card's bottom right corner,
// kCategoryGlyphInset pixels in from both edges. The short name at the top
// left can be as wide as the header, and the checker's marks take the top
// right; a summary line rarely reaches that far.
inline constexpr int kCategoryGlyphInset = 4;

// The small glyph of a category ("category-glyph3"); empty when the skin has
// none for it.
std::string CategoryGlyphFor(const CSymbol& symbols, std::string_view category);

// How opaque the translucent ghost of dragged chips is drawn
// (CSymbol::DrawSymbolTranslucent with the chips' own cards), of 255.
inline constexpr std::uint8_t kGhostOpacity = 140;

// The card of a chip whose type the catalogue does not know; designSprite
// when the skin has no such card. Its name goes on it as a chip's short name
// does, and the mark (when the skin has one) says why it is blank.
std::string UnknownChipSpriteFor(const CSymbol& symbols, const std::string& designSprite);

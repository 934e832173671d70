// The chip sprites of the skin's look (see chip_look.h).
#include "display/chip_look.h"

#include <algorithm>

#include "display/symbol.h"

namespace {

// At most a few digits: a category number is an index of the catalogue's
// short table, never a long number.
bool IsCategoryNumber(std::string_view text) {
  return !text.empty() && text.size() <= 4 &&
         std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; });
}

}  // namespace

std::string ChipSpriteFor(const CSymbol& symbols, std::string_view category,
                          const std::string& designSprite) {
  if (!IsCategoryNumber(category)) {
    return designSprite;
  }
  std::string member = designSprite + "-category" + std::string(category);
  return symbols.Find(member) != nullptr ? member : designSprite;
}

bool HasChipFamily(const CSymbol& symbols, const std::string& designSprite) {
  return symbols.HasSpriteStartingWith(designSprite + "-category");
}

std::string CategoryGlyphFor(const CSymbol& symbols, std::string_view category) {
  if (!IsCategoryNumber(category)) {
    return std::string();
  }
  std::string glyph = "category-glyph" + std::string(category);
  return symbols.Find(glyph) != nullptr ? glyph : std::string();
}

std::string UnknownChipSpriteFor(const CSymbol& symbols, const std::string& designSprite) {
  return symbols.Find(kUnknownChipSprite) != nullptr ? std::string(kUnknownChipSprite)
                                                     : designSprite;
}

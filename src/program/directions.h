// The four neighbour directions, with their words (arrows of plain chips) and
// glyphs (exits of branch and loop chips). Neighbours are always visited in
// this order: left, upper, right, lower.
#pragma once

#include <array>
#include <string_view>

#include "foundation/texts.h"

enum Direction { kDirLeft = 0, kDirUp = 1, kDirRight = 2, kDirDown = 3 };

inline constexpr std::array<Direction, 4> kDirections = {kDirLeft, kDirUp, kDirRight, kDirDown};

struct DirectionInfo {
  const char* word;   // "left", "upper", "right", "lower"
  const char* glyph;  // the CP932 arrow glyph
  int dx;
  int dy;
  Direction opposite;
};

inline constexpr std::array<DirectionInfo, 4> kDirectionInfo = {{
    {"left", text::kGlyphLeft, -1, 0, kDirRight},
    {"upper", text::kGlyphUp, 0, -1, kDirDown},
    {"right", text::kGlyphRight, 1, 0, kDirLeft},
    {"lower", text::kGlyphDown, 0, 1, kDirUp},
}};

inline const DirectionInfo& Info(Direction d) {
  return kDirectionInfo[d];
}

// The direction a value names in the given form, or -1 when it names none.
enum class ArrowForm { kWord, kGlyph };
inline int DirectionOf(std::string_view value, ArrowForm form) {
  for (Direction d : kDirections) {
    if (value == (form == ArrowForm::kWord ? Info(d).word : Info(d).glyph)) {
      return d;
    }
  }
  return -1;
}

// The clipboard's text for chips: a group of chips with every property, in
// the .bhb file's box format with cells relative to the group.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "editor/scroll_view.h"

class CBlockProgram;

// A clipboard text longer than this is not read at all.
inline constexpr std::size_t kMaxClipboardBytes = std::size_t{16} << 20;

// The first line of the text, followed by " 1 WIDTH HEIGHT" (the format's
// version and the group's size in cells): it tells the editor's text from
// any other, and a person what it is.
inline constexpr char kClipboardMarker[] = "PELU BLOCK chips";

struct ClipboardChip {
  Cell offset;  // from the group's top-left corner
  // Every key and value of the box, "id" (the chip type) included.
  std::vector<std::pair<std::string, std::string>> properties;
};

struct ChipGroup {
  int width = 0;
  int height = 0;
  std::vector<ClipboardChip> chips;  // in the order they are to be placed
};

// The text for the chips of the given cells (cells without a chip are left
// out; none gives an empty text). Arrows and exits that lead to a chip
// outside the group are written empty: only the connections between the
// copied chips go with them.
std::string FormatChipGroup(const CBlockProgram& program, const std::vector<Cell>& cells);

// The group a clipboard text holds, or nothing for any text that is not
// exactly such a group: another program's text, one that is too long, cut
// short, holds a NUL byte or a broken CP932 character, a box outside the
// group's size or twice in one cell.
std::optional<ChipGroup> ParseChipGroup(std::string_view text);

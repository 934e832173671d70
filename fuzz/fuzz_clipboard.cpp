// Fuzzes the clipboard's chip groups with any bytes: a group read lies
// within its own size with one box per cell, and placed on a grid and
// written again it reads back with the same chips.
#include <cstddef>
#include <cstdint>
#include <string_view>
#include <unordered_set>
#include <vector>

#include "editor/chip_clipboard.h"
#include "program/block_program.h"

#include "check.h"

namespace {

using fuzz::Check;

// Groups larger than this are checked but not placed: a grid of the largest
// size would take longer than a fuzz run should.
constexpr int kMaxPlacedCells = 64 * 64;

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  const std::optional<ChipGroup> group = ParseChipGroup(text);
  if (!group) {
    return 0;
  }
  Check(group->width > 0 && group->height > 0 && !group->chips.empty());
  std::unordered_set<std::int64_t> cells;
  for (const ClipboardChip& chip : group->chips) {
    Check(chip.offset.x >= 0 && chip.offset.x < group->width);
    Check(chip.offset.y >= 0 && chip.offset.y < group->height);
    Check(cells.insert(std::int64_t{chip.offset.y} * group->width + chip.offset.x).second);
    Check(!chip.properties.empty() && chip.properties.front().first == "id" &&
          !chip.properties.front().second.empty());
  }
  if (group->width * group->height > kMaxPlacedCells) {
    return 0;
  }
  CBlockProgram program;
  ProgramSettings settings;
  settings.columns = group->width;
  settings.rows = group->height;
  program.Init(nullptr, settings);
  std::vector<Cell> placed;
  for (const ClipboardChip& chip : group->chips) {
    program.AddBox(chip.offset.x, chip.offset.y, chip.properties.front().second);
    for (std::size_t i = 1; i < chip.properties.size(); ++i) {
      program.SetBoxProperty(chip.offset.x, chip.offset.y, chip.properties[i].first,
                             chip.properties[i].second);
    }
    placed.push_back(chip.offset);
  }
  const std::optional<ChipGroup> again = ParseChipGroup(FormatChipGroup(program, placed));
  Check(again.has_value());
  Check(again->chips.size() == group->chips.size());
  Check(again->width <= group->width && again->height <= group->height);
  return 0;
}

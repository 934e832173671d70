// Writing and reading the clipboard's chip groups.
#include "editor/chip_clipboard.h"

#include <algorithm>
#include <charconv>
#include <climits>
#include <unordered_set>

#include "foundation/settings.h"
#include "foundation/strings.h"
#include "platform/cp932.h"
#include "program/block_program.h"
#include "program/directions.h"

namespace {

constexpr char kVersion[] = "1";

void AppendInt(std::string& out, int value) {
  char digits[16];
  auto [end, error] = std::to_chars(digits, digits + sizeof digits, value);
  (void)error;  // an int always fits
  out.append(digits, end);
}

// A cell number: 1 to 4 decimal digits, nothing else, below the limit.
std::optional<int> ParseCount(std::string_view text, int limit) {
  if (text.empty() || text.size() > 4) {
    return std::nullopt;
  }
  int value = 0;
  auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (error != std::errc() || end != text.data() + text.size() || value < 0 || value >= limit) {
    return std::nullopt;
  }
  return value;
}

// Splits at single spaces; empty fields (two spaces) are kept and so fail
// the number checks.
std::vector<std::string_view> Fields(std::string_view line) {
  std::vector<std::string_view> fields;
  std::size_t start = 0;
  while (true) {
    const std::size_t space = line.find(' ', start);
    fields.push_back(
        line.substr(start, space == std::string_view::npos ? line.npos : space - start));
    if (space == std::string_view::npos) {
      return fields;
    }
    start = space + 1;
  }
}

bool IsExitKey(std::string_view key, const ChipRoles& roles) {
  return !key.empty() && (key == roles.branchTrueKey || key == roles.branchFalseKey ||
                          key == roles.loopTrueKey || key == roles.loopFalseKey);
}

std::uint64_t Key(Cell cell) {
  return (std::uint64_t{static_cast<std::uint32_t>(cell.x)} << 32) |
         static_cast<std::uint32_t>(cell.y);
}

}  // namespace

std::string FormatChipGroup(const CBlockProgram& program, const std::vector<Cell>& cells) {
  std::vector<Cell> chips;
  std::unordered_set<std::uint64_t> members;
  for (Cell cell : cells) {
    if (program.HasBox(cell.x, cell.y) && members.insert(Key(cell)).second) {
      chips.push_back(cell);
    }
  }
  if (chips.empty()) {
    return std::string();
  }
  // The file's order: row by row from the top, then from the left.
  std::sort(chips.begin(), chips.end(),
            [](Cell a, Cell b) { return a.y != b.y ? a.y < b.y : a.x < b.x; });
  int left = INT_MAX;
  int top = INT_MAX;
  int right = INT_MIN;
  int bottom = INT_MIN;
  for (Cell c : chips) {
    left = std::min(left, c.x);
    top = std::min(top, c.y);
    right = std::max(right, c.x);
    bottom = std::max(bottom, c.y);
  }
  std::string out = kClipboardMarker;
  out.append(" ").append(kVersion).append(" ");
  AppendInt(out, right - left + 1);
  out.push_back(' ');
  AppendInt(out, bottom - top + 1);
  out.append("\r\n");
  const ChipRoles& roles = program.Roles();
  for (Cell c : chips) {
    const CBox& box = *program.GetBox(c.x, c.y);
    out.append("<box ");
    AppendInt(out, c.x - left);
    out.push_back(' ');
    AppendInt(out, c.y - top);
    out.push_back(' ');
    out.append(box.Value("id")).append(">\r\n");
    for (const auto& [key, value] : box.Properties()) {
      if (key == "id") {
        continue;
      }
      // A connection to a chip left behind would join the pasted chips to
      // whatever happens to lie there.
      std::string_view written = value;
      const bool exit = IsExitKey(key, roles);
      if (key == "to" || exit) {
        const int d = DirectionOf(value, exit ? ArrowForm::kGlyph : ArrowForm::kWord);
        if (d >= 0 && members.count(Key(Cell{c.x + Info(static_cast<Direction>(d)).dx,
                                             c.y + Info(static_cast<Direction>(d)).dy})) == 0) {
          written = std::string_view();
        }
      }
      out.append(key).push_back('=');
      out.append(written).append("\r\n");
    }
    out.append("</box>\r\n");
  }
  return out;
}

std::optional<ChipGroup> ParseChipGroup(std::string_view text) {
  if (text.size() > kMaxClipboardBytes || text.find('\0') != std::string_view::npos) {
    return std::nullopt;
  }
  // Every byte must be a whole CP932 character, as the program's own texts
  // are; a broken one would be pasted into a chip as it is.
  if (platform::Cp932ToUtf8(text).find("\xEF\xBF\xBD") != std::string::npos) {
    return std::nullopt;
  }
  ChipGroup group;
  bool header = false;
  bool inBox = false;
  bool failed = false;
  std::unordered_set<std::uint64_t> cells;
  ForEachTextLine(text, 0, [&](std::string_view line) {
    if (failed) {
      return;
    }
    if (!header) {
      const std::vector<std::string_view> f = Fields(line);
      // "PELU BLOCK chips 1 W H": the marker is three fields.
      if (f.size() != 6 ||
          std::string(f[0]) + " " + std::string(f[1]) + " " + std::string(f[2]) !=
              kClipboardMarker ||
          f[3] != kVersion) {
        failed = true;
        return;
      }
      const std::optional<int> w = ParseCount(f[4], kMaxChipNum + 1);
      const std::optional<int> h = ParseCount(f[5], kMaxChipNum + 1);
      if (!w || !h || *w == 0 || *h == 0) {
        failed = true;
        return;
      }
      group.width = *w;
      group.height = *h;
      header = true;
      return;
    }
    if (!inBox) {
      if (line.empty()) {
        return;
      }
      if (!line.starts_with("<box ") || !line.ends_with(">")) {
        failed = true;
        return;
      }
      const std::vector<std::string_view> f = Fields(line.substr(5, line.size() - 6));
      if (f.size() != 3 || f[2].empty()) {
        failed = true;
        return;
      }
      const std::optional<int> x = ParseCount(f[0], group.width);
      const std::optional<int> y = ParseCount(f[1], group.height);
      if (!x || !y || !cells.insert(Key(Cell{*x, *y})).second) {
        failed = true;
        return;
      }
      ClipboardChip chip;
      chip.offset = Cell{*x, *y};
      chip.properties.emplace_back("id", std::string(f[2]));
      group.chips.push_back(std::move(chip));
      inBox = true;
      return;
    }
    if (line == "</box>") {
      inBox = false;
      return;
    }
    const std::size_t eq = line.find('=');
    if (eq == std::string_view::npos || eq == 0 || line.substr(0, eq) == "id") {
      failed = true;
      return;
    }
    group.chips.back().properties.emplace_back(std::string(line.substr(0, eq)),
                                               std::string(line.substr(eq + 1)));
  });
  if (failed || !header || inBox || group.chips.empty()) {
    return std::nullopt;
  }
  return group;
}

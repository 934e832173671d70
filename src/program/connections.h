// How chips are joined: which chips branch and loop, where an exit leads, and
// how many connections reach each cell. The script generator compiles by
// these rules and the checker judges by them, so both live here, once.
#pragma once

#include <array>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "program/directions.h"
#include "program/program_settings.h"

class CBlockProgram;
class CBox;

enum class ChipKind { kPlain, kBranch, kLoop };

// The branch test is made first, so a name given to both is a branch chip.
ChipKind KindOf(const CBox& box, const ChipRoles& roles);

// The keys that may hold a connection: "to" and the four exit keys of the
// branch and loop roles. Every box is examined for all five, whatever its
// kind.
std::array<const std::string*, 5> ConnectionKeys(const ChipRoles& roles);

// A cell of the grid.
struct GridCell {
  int x;
  int y;
  friend bool operator==(const GridCell&, const GridCell&) = default;
};

// The neighbour that a connection value leads to: a plain chip's arrow is a
// word, a branch or loop exit a glyph. Nothing when the value names no
// direction in that form. The cell may lie off the grid or be empty.
std::optional<GridCell> FollowConnection(int x, int y, std::string_view value, ArrowForm form);

// How many connections lead into every cell. The start cell (0, 0) counts
// one more, as the chain that starts the script enters it. A value in any
// of the five keys counts, as a word or a glyph alike; a connection into an
// empty cell or off the grid is not counted. A chip reached more than once
// is written once, with a label, and jumped to from everywhere else.
class CConnectionCounts {
 public:
  explicit CConnectionCounts(const CBlockProgram& program);

  // The count of a cell. Outside the grid it is 0, except the start cell of
  // a grid with no cells at all, which the script's start chain still
  // enters.
  int At(int x, int y) const;

 private:
  int m_columns = 0;
  int m_rows = 0;
  std::vector<int> m_counts;  // row-major
};

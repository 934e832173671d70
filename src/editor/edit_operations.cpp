// The editor's gestures as operations on the program and the selection.
#include "editor/edit_operations.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <unordered_set>
#include <vector>

#include "foundation/settings.h"
#include "program/block_program.h"
#include "program/directions.h"

namespace {

Cell Shifted(Cell c, int dx, int dy) {
  return Cell{c.x + dx, c.y + dy};
}

std::uint64_t Key(Cell c) {
  return (std::uint64_t{static_cast<std::uint32_t>(c.x)} << 32) | static_cast<std::uint32_t>(c.y);
}

void Transfer(CBlockProgram& program, Cell from, Cell to, DropMode mode) {
  if (mode == DropMode::kMove) {
    program.MoveBox(from.x, from.y, to.x, to.y);
  } else {
    program.CopyBox(from.x, from.y, to.x, to.y);
  }
}

bool DropOne(CBlockProgram& program, Cell source, Cell target, DropMode mode) {
  if (program.HasBox(target.x, target.y)) {
    return false;
  }
  Transfer(program, source, target, mode);
  program.ResolveArrowsAt(target.x, target.y);
  if (mode == DropMode::kMove) {
    program.ClearArrowsInto(source.x, source.y);
  }
  return true;
}

// Whether every shifted entry lands inside the grid on a cell that is free by
// the time it arrives: empty, or (for a move) holding a selected chip that
// leaves it.
bool CanShift(const CBlockProgram& program, const CSelection& selection, int dx, int dy,
              DropMode mode) {
  for (Cell c : selection.Cells()) {
    const Cell s = Shifted(c, dx, dy);
    if (!program.IsInside(s.x, s.y)) {
      return false;
    }
    if (program.HasBox(s.x, s.y) && (mode == DropMode::kCopy || !selection.Contains(s))) {
      return false;
    }
  }
  return true;
}

bool DropSelection(CBlockProgram& program, CSelection& selection, int dx, int dy, DropMode mode) {
  if (!CanShift(program, selection, dx, dy, mode)) {
    return false;
  }
  // The work list: every pass goes through the entries in selection order and
  // moves each one whose shifted cell is not still held by another waiting
  // entry, so that a chip never lands on one that has yet to leave. A group
  // shifted by a constant offset always has an entry free to move, as the
  // last chip of every chain along the shift has nothing ahead of it.
  std::vector<Cell> work = selection.Cells();
  std::unordered_set<std::uint64_t> waiting;
  for (Cell c : work) {
    waiting.insert(Key(c));
  }
  while (!work.empty()) {
    bool progressed = false;
    for (std::size_t i = 0; i < work.size();) {
      const Cell c = work[i];
      const Cell s = Shifted(c, dx, dy);
      if (waiting.count(Key(s)) != 0) {
        ++i;
        continue;
      }
      Transfer(program, c, s, mode);
      waiting.erase(Key(c));
      work.erase(work.begin() + static_cast<std::ptrdiff_t>(i));
      progressed = true;
    }
    if (!progressed) {
      break;  // unreachable for a non-zero shift; never loop forever
    }
  }

  const std::vector<Cell> oldCells = selection.Cells();
  for (Cell c : oldCells) {
    const Cell s = Shifted(c, dx, dy);
    program.ResolveArrowsAt(s.x, s.y);
  }
  if (mode == DropMode::kMove) {
    // Only cells the move left empty lose the arrows into them: an old cell
    // that another chip of the group now occupies keeps the arrows that point
    // at its new chip.
    for (Cell c : oldCells) {
      if (!program.HasBox(c.x, c.y)) {
        program.ClearArrowsInto(c.x, c.y);
      }
    }
  }
  selection.ShiftAll(dx, dy);
  return true;
}

// Floor division, for world points left of or above the grid.
std::int64_t FloorDiv(std::int64_t a, std::int64_t b) {
  std::int64_t q = a / b;
  if ((a % b != 0) && ((a < 0) != (b < 0))) {
    --q;
  }
  return q;
}

// The range of chips (start = margin/2 + i * pitch, length chipSize) met by
// the closed interval [low, high], clipped to 0 .. count - 1.
void ChipRange(int low, int high, int halfMargin, int pitch, int chipSize, int count, int* first,
               int* last) {
  const std::int64_t f = FloorDiv(std::int64_t{low} - halfMargin - chipSize, pitch) + 1;
  const std::int64_t l = FloorDiv(std::int64_t{high} - halfMargin, pitch);
  *first = static_cast<int>(std::max<std::int64_t>(f, 0));
  *last = static_cast<int>(std::min<std::int64_t>(l, count - 1));
}

int AutoScrollAmount(int distance) {
  const int n = 15 - std::clamp(distance, 0, 15);
  return static_cast<int>(std::trunc(std::pow(static_cast<double>(n), 1.2)));
}

}  // namespace

bool DropChips(CBlockProgram& program, CSelection& selection, Cell source, Cell target,
               DropMode mode) {
  if (source == target || !program.IsInside(target.x, target.y) ||
      !program.HasBox(source.x, source.y)) {
    return false;
  }
  if (!selection.Contains(source)) {
    return DropOne(program, source, target, mode);
  }
  return DropSelection(program, selection, target.x - source.x, target.y - source.y, mode);
}

bool IsBranchOrLoopChip(const CBlockProgram& program, Cell cell) {
  if (!program.HasBox(cell.x, cell.y)) {
    return false;
  }
  const std::string id = program.BoxProperty(cell.x, cell.y, "id");
  return id == program.Roles().branchChipId || id == program.Roles().loopChipId;
}

void ArrowSweepStep(CBlockProgram& program, Cell* previous, Cell current) {
  if (current == *previous) {
    return;
  }
  // Neighbours are tested in the order lower, upper, right, left.
  int direction = -1;
  for (Direction d : {kDirDown, kDirUp, kDirRight, kDirLeft}) {
    if (Shifted(*previous, Info(d).dx, Info(d).dy) == current) {
      direction = d;
      break;
    }
  }
  const Cell from = *previous;
  *previous = current;
  if (direction < 0 || IsBranchOrLoopChip(program, from)) {
    return;
  }
  const DirectionInfo& info = Info(static_cast<Direction>(direction));
  if (program.GetBoxProperty(from.x, from.y, "to") == info.word) {
    program.SetBoxProperty(from.x, from.y, "to", "");
    return;
  }
  program.SetBoxProperty(from.x, from.y, "to", info.word);
  if (program.GetBoxProperty(current.x, current.y, "to") == Info(info.opposite).word) {
    program.SetBoxProperty(current.x, current.y, "to", "");
  }
}

CellRect CellRectFromWorldRect(const GridGeometry& grid, POINT a, POINT b) {
  CellRect rect;
  ChipRange(std::min(a.x, b.x), std::max(a.x, b.x), grid.marginX / 2, grid.pitchX, grid.chipWidth,
            grid.columns, &rect.left, &rect.right);
  ChipRange(std::min(a.y, b.y), std::max(a.y, b.y), grid.marginY / 2, grid.pitchY, grid.chipHeight,
            grid.rows, &rect.top, &rect.bottom);
  return rect;
}

POINT AutoScrollDelta(POINT mouse, int screenWidth, int screenHeight) {
  POINT delta;
  if (mouse.x < 15) {
    delta.x -= AutoScrollAmount(mouse.x);
  }
  if (mouse.y < 15) {
    delta.y -= AutoScrollAmount(mouse.y);
  }
  if (mouse.x >= screenWidth - 15) {
    delta.x += AutoScrollAmount(screenWidth - mouse.x);
  }
  if (mouse.y >= screenHeight - 15) {
    delta.y += AutoScrollAmount(screenHeight - mouse.y);
  }
  return delta;
}

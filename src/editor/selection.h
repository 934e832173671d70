// The editor's selection: the selected cells, in the order they were chosen.
#pragma once

#include <cstdint>
#include <unordered_set>
#include <vector>

#include "editor/scroll_view.h"

class CBlockProgram;

// A range of cells, both ends included.
struct CellRect {
  int left = 0;
  int top = 0;
  int right = -1;
  int bottom = -1;
  bool IsEmpty() const { return right < left || bottom < top; }
};

class CSelection {
 public:
  // Appends the cell unless it is already selected.
  void Select(Cell cell);
  void Deselect(Cell cell);
  void Clear();
  bool Contains(Cell cell) const { return m_members.count(Key(cell)) != 0; }
  bool IsEmpty() const { return m_cells.empty(); }

  // Appends every cell of the rectangle that holds a chip, column by column
  // from the left and within a column from the top: the order in which a
  // group move later visits them.
  void SelectChipsIn(const CBlockProgram& program, const CellRect& rect);
  // Removes every cell of the rectangle that holds a chip.
  void DeselectChipsIn(const CBlockProgram& program, const CellRect& rect);
  // Shifts every entry by (dx, dy), keeping the order.
  void ShiftAll(int dx, int dy);

  // The selected cells in selection order.
  const std::vector<Cell>& Cells() const { return m_cells; }

 private:
  static std::uint64_t Key(Cell cell) {
    return (std::uint64_t{static_cast<std::uint32_t>(cell.x)} << 32) |
           static_cast<std::uint32_t>(cell.y);
  }

  std::vector<Cell> m_cells;
  // The same cells, for membership tests in constant time: every frame asks
  // for each visible cell whether it is selected.
  std::unordered_set<std::uint64_t> m_members;
};

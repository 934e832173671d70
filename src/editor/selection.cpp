// The editor's ordered selection of cells.
#include "editor/selection.h"

#include <algorithm>

#include "program/block_program.h"

void CSelection::Select(Cell cell) {
  if (m_members.insert(Key(cell)).second) {
    m_cells.push_back(cell);
  }
}

void CSelection::Deselect(Cell cell) {
  if (m_members.erase(Key(cell)) != 0) {
    m_cells.erase(std::find(m_cells.begin(), m_cells.end(), cell));
  }
}

void CSelection::Clear() {
  m_cells.clear();
  m_members.clear();
}

void CSelection::SelectChipsIn(const CBlockProgram& program, const CellRect& rect) {
  for (int x = rect.left; x <= rect.right; ++x) {
    for (int y = rect.top; y <= rect.bottom; ++y) {
      if (program.HasBox(x, y)) {
        Select(Cell{x, y});
      }
    }
  }
}

void CSelection::DeselectChipsIn(const CBlockProgram& program, const CellRect& rect) {
  auto inRect = [&](Cell c) {
    return c.x >= rect.left && c.x <= rect.right && c.y >= rect.top && c.y <= rect.bottom &&
           program.HasBox(c.x, c.y);
  };
  // One pass over the selection, however large the rectangle.
  std::erase_if(m_cells, [&](Cell c) {
    if (!inRect(c)) {
      return false;
    }
    m_members.erase(Key(c));
    return true;
  });
}

void CSelection::ShiftAll(int dx, int dy) {
  m_members.clear();
  for (Cell& c : m_cells) {
    c.x += dx;
    c.y += dy;
    m_members.insert(Key(c));
  }
}

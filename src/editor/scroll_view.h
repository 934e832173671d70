// The editor's window onto the chip grid: world size, scroll offset, the
// conversions between screen points, world points and cells, and the two
// scroll-bar sliders.
#pragma once

#include <string_view>

#include "platform/win_types.h"

// A grid cell: column x, row y.
struct Cell {
  int x = 0;
  int y = 0;
  friend bool operator==(const Cell&, const Cell&) = default;
};

struct Size {
  int width = 0;
  int height = 0;
  friend bool operator==(const Size&, const Size&) = default;
};

// Whether a point is a screen point (client pixels) or a world point (screen
// point plus the scroll offset).
enum class CoordSpace { kScreen, kWorld };

// The grid geometry of the settings, taken once by CScrollView::Init so that
// every conversion of one editor visit agrees.
struct GridGeometry {
  int chipWidth = 80;
  int chipHeight = 50;
  int marginX = 20;
  int marginY = 20;
  int pitchX = 100;  // chipWidth + marginX
  int pitchY = 70;   // chipHeight + marginY
  int columns = 20;
  int rows = 20;
  int screenWidth = 800;
  int screenHeight = 600;
};

class CScrollView {
 public:
  // Takes the geometry from Settings and the scroll-bar keys from setting.ini,
  // computes the world, track and slider sizes, and scrolls to (0, 0).
  void Init();

  // "x" asks about the horizontal axis, anything else about the vertical one.
  bool IsScrollable(std::string_view axis) const;
  POINT GetScroll() const { return POINT{m_scrollX, m_scrollY}; }
  // Moves the scroll offset, clamped into 0 .. world - screen on each axis.
  void ScrollBy(int dx, int dy);
  // Moves a slider by whole pixels along its track; the scroll offset follows.
  // Nothing happens along an axis that cannot scroll.
  void MoveSliderX(int delta);
  void MoveSliderY(int delta);

  Size GetTrackSize() const { return Size{m_trackWidth, m_trackHeight}; }
  Size GetSliderSize() const { return Size{m_sliderWidth, m_sliderHeight}; }
  // The sliders' positions along their tracks; 0 for an axis that cannot
  // scroll.
  POINT GetSliderOffset() const;

  // The cell under a point. A point in a margin, before the first cell or
  // beyond the last one gives false and cell (0, 0). The hit area of a chip
  // reaches one pixel further right and down than the chip itself.
  bool ScreenToCell(int x, int y, CoordSpace space, Cell* cell) const;
  // The top-left pixel of a cell's chip.
  POINT CellToScreen(int column, int row, CoordSpace space) const;
  POINT WorldToScreen(int x, int y) const { return POINT{x - m_scrollX, y - m_scrollY}; }
  POINT ScreenToWorld(POINT p) const { return POINT{p.x + m_scrollX, p.y + m_scrollY}; }

  Size GetWorldSize() const { return Size{m_worldWidth, m_worldHeight}; }
  const GridGeometry& Geometry() const { return m_grid; }

 private:
  int m_scrollX = 0;
  int m_scrollY = 0;
  int m_worldWidth = 0;
  int m_worldHeight = 0;
  int m_sliderWidth = 0;
  int m_sliderHeight = 0;
  int m_trackWidth = 0;
  int m_trackHeight = 0;
  bool m_scrollableX = false;
  bool m_scrollableY = false;
  GridGeometry m_grid;
};

// The editor's grid geometry and scroll bars.
//
// Settings allow grids of 4096 x 4096 cells of up to 8192 pixels' pitch and
// screens 7680 pixels wide, so every product of a world length with a track
// length is taken in 64 bits before it is divided back down.
#include "editor/scroll_view.h"

#include <algorithm>
#include <cstdint>

#include "foundation/settings.h"

namespace {

struct AxisBar {
  int track = 0;
  int slider = 0;
  bool scrollable = false;
};

// One scroll bar's track and slider lengths. The slider keeps its minimum
// length unless the overflow is smaller than the room the minimum leaves; it
// then grows so that one slider pixel scrolls one world pixel.
AxisBar ComputeBar(int world, int screen, int percent, int minSlider) {
  AxisBar bar;
  // A track longer than the screen would put its buttons off screen and make
  // every frame tile a track of any length, so the percentage is kept within
  // 0..100.
  bar.track = static_cast<int>(std::int64_t{std::clamp(percent, 0, 100)} * screen / 100);
  bar.slider = std::max(minSlider, 0);
  const int overflow = world - screen;
  if (overflow < bar.track - bar.slider) {
    bar.slider = bar.track - overflow;
  }
  // A slider that fills its track means there is nothing to scroll. A slider
  // longer than its track, or a track over a world that fits the screen,
  // leaves the slider arithmetic without a divisor: such an axis does not
  // scroll by its bar either.
  bar.scrollable = bar.slider != bar.track && bar.track > bar.slider && overflow > 0;
  return bar;
}

// offset = scroll * (track - slider) / overflow, in 64 bits.
int SliderOffset(int scroll, int track, int slider, int overflow) {
  return static_cast<int>(std::int64_t{scroll} * (track - slider) / overflow);
}

// Moves one slider and returns the scroll value that follows it.
int MoveSlider(int scroll, int delta, int track, int slider, int overflow) {
  const int room = track - slider;
  const std::int64_t offset = std::clamp<std::int64_t>(
      std::int64_t{SliderOffset(scroll, track, slider, overflow)} + delta, 0, room);
  return static_cast<int>(offset * overflow / room);
}

}  // namespace

void CScrollView::Init() {
  GridGeometry& g = m_grid;
  // LoadSettings keeps these in range; tests set Settings directly, so the
  // divisors are guarded here too.
  g.chipWidth = std::max(Settings.ChipWidth, 1);
  g.chipHeight = std::max(Settings.ChipHeight, 1);
  g.marginX = std::max(Settings.ChipMarginX, 0);
  g.marginY = std::max(Settings.ChipMarginY, 0);
  g.pitchX = g.chipWidth + g.marginX;
  g.pitchY = g.chipHeight + g.marginY;
  g.columns = std::max(Settings.MaxChipNumX, 0);
  g.rows = std::max(Settings.MaxChipNumY, 0);
  g.screenWidth = std::max(Settings.ScreenWidth, 1);
  g.screenHeight = std::max(Settings.ScreenHeight, 1);

  const int contentWidth = g.pitchX * g.columns + g.marginX;
  const int contentHeight = g.pitchY * g.rows + g.marginY;
  m_worldWidth = std::max(contentWidth, g.screenWidth);
  m_worldHeight = std::max(contentHeight, g.screenHeight);
  m_scrollX = 0;
  m_scrollY = 0;

  const AxisBar x = ComputeBar(m_worldWidth, g.screenWidth, ReadSettingInt("ScrollBarWidthPercent"),
                               ReadSettingInt("MinSliderWidth"));
  const AxisBar y =
      ComputeBar(m_worldHeight, g.screenHeight, ReadSettingInt("ScrollBarHeightPercent"),
                 ReadSettingInt("MinSliderHeight"));
  m_trackWidth = x.track;
  m_sliderWidth = x.slider;
  m_scrollableX = x.scrollable;
  m_trackHeight = y.track;
  m_sliderHeight = y.slider;
  m_scrollableY = y.scrollable;
}

bool CScrollView::IsScrollable(std::string_view axis) const {
  return axis == "x" ? m_scrollableX : m_scrollableY;
}

void CScrollView::ScrollBy(int dx, int dy) {
  const std::int64_t x = std::int64_t{m_scrollX} + dx;
  const std::int64_t y = std::int64_t{m_scrollY} + dy;
  m_scrollX = static_cast<int>(std::clamp<std::int64_t>(x, 0, m_worldWidth - m_grid.screenWidth));
  m_scrollY = static_cast<int>(std::clamp<std::int64_t>(y, 0, m_worldHeight - m_grid.screenHeight));
}

void CScrollView::MoveSliderX(int delta) {
  if (m_scrollableX) {
    m_scrollX = MoveSlider(m_scrollX, delta, m_trackWidth, m_sliderWidth,
                           m_worldWidth - m_grid.screenWidth);
  }
}

void CScrollView::MoveSliderY(int delta) {
  if (m_scrollableY) {
    m_scrollY = MoveSlider(m_scrollY, delta, m_trackHeight, m_sliderHeight,
                           m_worldHeight - m_grid.screenHeight);
  }
}

POINT CScrollView::GetSliderOffset() const {
  POINT offset;
  if (m_scrollableX) {
    offset.x =
        SliderOffset(m_scrollX, m_trackWidth, m_sliderWidth, m_worldWidth - m_grid.screenWidth);
  }
  if (m_scrollableY) {
    offset.y =
        SliderOffset(m_scrollY, m_trackHeight, m_sliderHeight, m_worldHeight - m_grid.screenHeight);
  }
  return offset;
}

bool CScrollView::ScreenToCell(int x, int y, CoordSpace space, Cell* cell) const {
  *cell = Cell{};
  std::int64_t wx = x;
  std::int64_t wy = y;
  if (space == CoordSpace::kScreen) {
    wx += m_scrollX;
    wy += m_scrollY;
  }
  wx -= m_grid.marginX / 2;
  wy -= m_grid.marginY / 2;
  if (wx < 0 || wy < 0) {
    return false;
  }
  // A remainder equal to the chip size still counts as the chip.
  if (wx % m_grid.pitchX > m_grid.chipWidth || wy % m_grid.pitchY > m_grid.chipHeight) {
    return false;
  }
  const std::int64_t column = wx / m_grid.pitchX;
  const std::int64_t row = wy / m_grid.pitchY;
  // Beyond the last cell (the extra pixel of the last chip included). Testing
  // the index also keeps a grid without columns or rows from answering
  // cell (0, 0).
  if (column >= m_grid.columns || row >= m_grid.rows) {
    return false;
  }
  *cell = Cell{static_cast<int>(column), static_cast<int>(row)};
  return true;
}

POINT CScrollView::CellToScreen(int column, int row, CoordSpace space) const {
  POINT p{m_grid.marginX / 2 + m_grid.pitchX * column, m_grid.marginY / 2 + m_grid.pitchY * row};
  return space == CoordSpace::kScreen ? WorldToScreen(p.x, p.y) : p;
}

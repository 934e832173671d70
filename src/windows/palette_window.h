// The chip palette: the overlay window from which the type of a new chip is
// picked for an empty cell of the editor's grid.
#pragma once

#include <optional>
#include <string>

#include "foundation/scene.h"

class CDisplay;
class CEditorHost;
class CObjectRegistry;

// The value a new chip gives a property of the type text (fields split at
// ":", the options of a SELECT field at ";"), or none when the type names no
// default: "0" for NUM, the first option for SELECT, the first condition for
// IF, and for VARIABLE what its first variant gives ("0" for NUM, the first
// option for SELECT, else the variant's text itself).
std::optional<std::string> DefaultPropertyValue(const std::string& type);

class CPaletteWindow final : public CScene {
 public:
  // The palette for the empty cell (cellX, cellY), its top-left corner at
  // the screen point (x, y), which the editor chose so that it fits.
  CPaletteWindow(CEditorHost& owner, int cellX, int cellY, int x, int y);

  // Creates the window, the bars and the two scroll buttons. Returns 1.
  int Enter(int argument) override;
  // Returns 1 for the frame tick, 0 for every other message. Escape and a
  // press outside the window close the palette; a release at the press point
  // places the chip of the bar under it.
  LRESULT HandleMessage(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) override;
  // Scrolls by one chip at most every 61 ms while the cursor rests on a scroll
  // button, then draws the palette over the editor's saved picture.
  void Update() override;

  // Shows the hover pictures of the buttons and bars under the point.
  void UpdateHover(int x, int y);
  // Places a chip of the bar under the press point with its default
  // properties and closes the palette; a press on no bar does nothing.
  void CreateChip();
  // Removes the palette's objects and leaves the editor's overlay slot. The
  // palette must not be touched after it.
  void Close();

  // The position in the palette order of the chip on the first bar.
  int FirstVisible() const { return m_firstVisible; }

  // The time of the last scroll step, 0 while the cursor is on neither
  // button. One value for the whole program: it outlives the palette.
  static DWORD s_scrollTimer;

 private:
  CEditorHost& m_owner;
  // What the palette draws on: the editor's own display and registry.
  CDisplay& m_display;
  CObjectRegistry& m_registry;
  int m_cellX;
  int m_cellY;
  int m_x;
  int m_y;
  int m_firstVisible = 0;
  int m_barCount = 0;
  // The last left press inside the window, as a world point; none until the
  // first press, so that a release left over from the click that opened the
  // palette places nothing.
  std::optional<POINT> m_pressPoint;
};

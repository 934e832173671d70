// The editor's popup menu: six commands in a list opened at a right-button
// click on an empty spot of the grid.
#pragma once

#include <array>

#include "foundation/scene.h"

class CEditorScene;

class CMenuWindow final : public CScene {
 public:
  static constexpr int kRows = 6;

  // x, y: the screen point of the click, the list's wanted top-left corner.
  CMenuWindow(CEditorScene& owner, int x, int y);

  // Fits the list on the screen and creates its row objects "list-row0" to
  // "list-row5". Returns 0 (the editor then drops the menu) when the skin
  // has no "property-row-listbox" sprite to size the rows by.
  int Enter(int argument) override;
  // A press inside the list remembers its point; the release selects the row
  // under the press point when it comes at that same point or within 500 ms.
  // A press outside, Escape and Enter close the menu without a command.
  LRESULT HandleMessage(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) override;
  void Update() override;

  // Hands the command of the row under the press point to the editor (row + 1;
  // the list's bottom border line gives 7, which runs nothing) and closes.
  void Select();
  // Removes the row objects and leaves the editor. The menu is destroyed once
  // the call that reached it has returned; nothing of it is touched after.
  void Close();

 private:
  void Hover(int x, int y);

  CEditorScene& m_owner;
  int m_left;
  int m_top;
  int m_rowWidth = 0;
  int m_rowHeight = 0;
  std::array<const char*, kRows> m_entries{};
  POINT m_pressPoint;  // world point
  DWORD m_pressTime = 0;
  bool m_buttonDown = false;
};

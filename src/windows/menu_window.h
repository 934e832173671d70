// The editor's popup menu: six commands in a list opened at a right-button
// click on an empty spot of the grid.
#pragma once

#include <functional>

#include "editor/editor_host.h"
#include "foundation/scene.h"

class CMenuWindow final : public CScene {
 public:
  static constexpr int kRows = 6;

  // x, y: the screen point of the click, the list's wanted top-left corner.
  // The chosen command goes to onCommand.
  CMenuWindow(CEditorHost& owner, int x, int y, std::function<void(MenuCommand)> onCommand);

  // Fits the list on the screen and creates its row objects "list-row0" to
  // "list-row5". Returns 0 (the editor then drops the menu) when the skin
  // has no "property-row-listbox" sprite to size the rows by.
  int Enter(int argument) override;
  // A press inside the list remembers its point; the release selects the row
  // under the press point when it comes at that same point or within 500 ms.
  // A press outside, Escape and Enter close the menu without a command.
  LRESULT HandleMessage(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) override;
  void Update() override;

  // Hands the command of the row under the press point to the editor (the
  // list's bottom border line gives MenuCommand::kNone) and closes.
  void Select();
  // Removes the row objects and leaves the editor. The menu is destroyed once
  // the call that reached it has returned; nothing of it is touched after.
  void Close();

 private:
  void Hover(int x, int y);

  CEditorHost& m_owner;
  // What the menu draws on: the editor's own display and registry.
  CDisplay& m_display;
  CObjectRegistry& m_registry;
  std::function<void(MenuCommand)> m_onCommand;
  int m_left;
  int m_top;
  int m_rowWidth = 0;
  int m_rowHeight = 0;
  POINT m_pressPoint;  // world point
  DWORD m_pressTime = 0;
  bool m_buttonDown = false;
};

// The editor's popup menu.
#include "windows/menu_window.h"

#include <string>
#include <utility>

#include "display/display.h"
#include "display/object_registry.h"
#include "editor/editor_host.h"
#include "foundation/settings.h"
#include "foundation/texts.h"
#include "platform/platform.h"

namespace {

constexpr char kRowSprite[] = "property-row-listbox";
constexpr char kRowHoverSprite[] = "property-row-listbox-hover";
// Where an entry's text sits in its row.
constexpr int kTextLeft = 10;
constexpr int kTextTop = 3;
constexpr COLORREF kTextColour = 0xFFFFFF;
constexpr COLORREF kOutlineColour = 0x404040;

// The rows from the top: each one's text and command.
struct MenuEntry {
  const char* text;
  MenuCommand command;
};
constexpr MenuEntry kEntries[CMenuWindow::kRows] = {
    {text::kMenuNew, MenuCommand::kNew},
    {text::kMenuOpen, MenuCommand::kOpen},
    {text::kMenuSave, MenuCommand::kSave},
    {text::kMenuSaveAs, MenuCommand::kSaveAs},
    {text::kMenuTransfer, MenuCommand::kTransfer},
    {text::kMenuStorageCard, MenuCommand::kStorageCard},
};

std::string RowName(int row) {
  return "list-row" + std::to_string(row);
}

}  // namespace

CMenuWindow::CMenuWindow(CEditorHost& owner, int x, int y,
                         std::function<void(MenuCommand)> onCommand)
    : m_owner(owner),
      m_display(owner.Display()),
      m_registry(owner.Registry()),
      m_onCommand(std::move(onCommand)),
      m_left(x),
      m_top(y) {}

int CMenuWindow::Enter(int /*argument*/) {
  m_rowWidth = m_registry.GetSymbolWidth(kRowSprite);
  m_rowHeight = m_registry.GetSymbolHeight(kRowSprite);
  // Without the row sprite no row could be told from another.
  if (m_rowWidth <= 0 || m_rowHeight <= 0) {
    return 0;
  }
  // The whole list always fits: shifted left and up from the click point
  // where the screen has no room to the right or below.
  if (Settings.ScreenWidth - m_left < m_rowWidth) {
    m_left = Settings.ScreenWidth - m_rowWidth;
  }
  if (Settings.ScreenHeight - m_top < kRows * m_rowHeight) {
    m_top = Settings.ScreenHeight - kRows * m_rowHeight;
  }
  for (int row = 0; row < kRows; ++row) {
    m_registry.CreateObject(RowName(row), kRowSprite, m_left, m_top + row * m_rowHeight);
  }
  return 1;
}

LRESULT CMenuWindow::HandleMessage(HWND /*hwnd*/, UINT message, WPARAM wParam, LPARAM lParam) {
  const POINT p{GetXLParam(lParam), GetYLParam(lParam)};
  switch (message) {
    case WM_LBUTTONDOWN:
      // All four bounds are inclusive, so the line just below the last row
      // and the column just right of the rows still count as the menu.
      if (m_left <= p.x && p.x <= m_left + m_rowWidth && m_top <= p.y &&
          p.y <= m_top + kRows * m_rowHeight) {
        m_pressPoint = m_owner.ScrollView().ScreenToWorld(p);
        m_pressTime = platform::TimeGetTime();
        m_buttonDown = true;
      } else {
        Close();
      }
      return 1;
    case WM_LBUTTONUP:
      if (m_buttonDown) {
        m_buttonDown = false;
        const POINT q = m_owner.ScrollView().ScreenToWorld(p);
        if (IsClickRelease(m_pressPoint, m_pressTime, q)) {
          Select();
        }
      }
      return 1;
    case WM_MOUSEMOVE:
      Hover(p.x, p.y);
      return 1;
    case WM_KEYDOWN:
      if (wParam == VK_ESCAPE || wParam == VK_RETURN) {
        Close();
        return 1;
      }
      return 0;
    case WM_APP_TICK:
      Update();
      return 1;
    default:
      return 0;
  }
}

void CMenuWindow::Hover(int x, int y) {
  for (int row = 0; row < kRows; ++row) {
    const std::string name = RowName(row);
    m_registry.ChangeSymbol(name, m_registry.IsOnSymbol(name, x, y) ? kRowHoverSprite : kRowSprite);
  }
}

void CMenuWindow::Update() {
  m_display.RestoreScreen();
  for (int row = 0; row < kRows; ++row) {
    m_registry.Draw(RowName(row));
    // Entry texts are data to draw, never a format.
    m_display.DrawText(m_left + kTextLeft, m_top + row * m_rowHeight + kTextTop, kTextColour,
                       kOutlineColour, "%s", kEntries[static_cast<std::size_t>(row)].text);
  }
  m_display.Present();
}

void CMenuWindow::Select() {
  // The row is the one under the press, wherever the button came up.
  const POINT s = m_owner.ScrollView().WorldToScreen(m_pressPoint.x, m_pressPoint.y);
  // The press lies inside the list or on its inclusive bottom border line,
  // which is below every row and chooses nothing.
  const int row = (s.y - m_top) / m_rowHeight;
  const MenuCommand command = row >= 0 && row < kRows
                                  ? kEntries[static_cast<std::size_t>(row)].command
                                  : MenuCommand::kNone;
  std::function<void(MenuCommand)> onCommand = m_onCommand;
  Close();
  if (onCommand) {
    onCommand(command);
  }
}

void CMenuWindow::Close() {
  for (int row = 0; row < kRows; ++row) {
    m_registry.RemoveObject(RowName(row));
  }
  // The back surface gets the editor's picture again, without the list: a
  // command window opened by the selection saves it as its background.
  m_display.RestoreScreen();
  m_owner.CloseOverlay();
}

// The command windows' common part.
#include "windows/command_window.h"

#include "display/display.h"
#include "editor/editor_host.h"

CCommandWindow::CCommandWindow(CEditorHost& host)
    : m_host(host), m_display(host.Display()), m_registry(host.Registry()) {}

int CCommandWindow::Enter(int /*argument*/) {
  m_log.Clear();
  // The frozen editor picture, behind the question or the progress.
  m_display.RestoreScreen();
  m_display.Present();
  Start();
  return 1;
}

void CCommandWindow::Close() {
  Release();
  // The back surface gets the editor's picture again: a window that the
  // editor opens next saves it as its background.
  m_display.RestoreScreen();
  m_host.CloseOverlay();
}

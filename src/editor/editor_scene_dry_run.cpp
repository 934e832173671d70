// The editor scene's side of the dry run: F9 in and out, and every message
// while it is on, so that no editing gesture reaches the grid.
#include "editor/editor_scene.h"
#include "platform/platform.h"

void CEditorScene::StartDryRun() {
  ClearGestures();
  if (m_dryRun.Begin(Program(), CurrentFileName(), m_scrollView, Selection(), MessageLog(),
                     *m_registry)) {
    DrawDryRunFrame();
  }
}

void CEditorScene::EndDryRun() {
  m_dryRun.End(m_scrollView, Selection());
  DrawEditorFrame();
}

LRESULT CEditorScene::HandleDryRunMessage(UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_APP_TICK:
      m_dryRun.Tick(m_scrollView, MessageLog());
      DrawDryRunFrame();
      return 1;
    case WM_KEYDOWN:
    case WM_SYSKEYDOWN:  // F10 arrives as a system key
      if (wParam == VK_ESCAPE || wParam == VK_F9) {
        EndDryRun();
        return 1;
      }
      m_dryRun.HandleKey(wParam, platform::IsKeyDown(VK_SHIFT), platform::IsKeyDown(VK_CONTROL),
                         platform::GetCursorClientPos(), m_scrollView, Program(), MessageLog());
      return 1;
    case WM_LBUTTONDOWN:
      m_dryRun.LeftPress(POINT{GetXLParam(lParam), GetYLParam(lParam)}, m_scrollView, Program(),
                         MessageLog());
      return 1;
    case WM_LBUTTONUP:
    case WM_RBUTTONDOWN:
    case WM_RBUTTONUP:
      return 1;  // the grid is read-only while the run is on
    default:
      return 0;
  }
}

void CEditorScene::DrawDryRunFrame() {
  m_view.SetFrameOverlay(
      [this] { m_dryRun.Draw(*m_display, m_scrollView, platform::GetCursorClientPos()); });
  m_view.DrawFrame(Program(), *m_catalogue, Selection(), GestureView{});
  m_view.SetFrameOverlay(nullptr);
}

// The wireless transfer window.
#include "windows/transfer_window.h"

#include <vector>

#include "codegen/script_generator.h"
#include "display/display.h"
#include "editor/editor_host.h"
#include "foundation/settings.h"
#include "platform/platform.h"

namespace {

constexpr COLORREF kTextColour = 0xFFFFFF;
constexpr COLORREF kOutlineColour = 0x404040;
// Where the message log's lines start, as the log draws them.
constexpr int kLogLeft = 5;

}  // namespace

void CTransferWindow::Start() {
  // The editor has just written out.r into the current directory.
  m_transfer.StartTransfer(Settings.IP, EditorTransferPort(), kScriptFileName);
}

LRESULT CTransferWindow::HandleMessage(HWND /*hwnd*/, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_APP_TICK:
      Update();
      return 1;
    case WM_APP_SOCKET:
      switch (m_transfer.OnSocketEvent(wParam, lParam)) {
        case SocketEventResult::kIgnored:
          return 0;
        case SocketEventResult::kClose:
          Close();
          return 0;
        case SocketEventResult::kHandled:
          Update();
          return 1;
      }
      return 0;
    case WM_KEYDOWN:
      if (wParam == VK_RETURN || wParam == VK_ESCAPE) {
        Close();
        return 1;
      }
      return 0;
    default:
      return 0;
  }
}

void CTransferWindow::Update() {
  m_display.RestoreScreen();
  if (m_transfer.PumpLine(PumpOrigin::kUpdate) == TransferAction::kClose) {
    Close();
    return;  // the transfer ended and the window has gone
  }
  DrawTransferProgress();
  m_display.Present();
}

void CTransferWindow::AddProgressMessage(const char* text) {
  AddMessage(text);
}

void CTransferWindow::AddResultMessage(const char* text) {
  Host().MessageLog().Add(text);
}

void CTransferWindow::DrawTransferProgress() {
  const TransferState state = m_transfer.State();
  const bool running = state == TransferState::kConnecting || state == TransferState::kSending;
  // The log's own rule (lines dropped after their time, the newest lowest),
  // one line higher while the progress takes the bottom line.
  CMessageLog& log = Log();
  log.Expire(platform::TimeGetTime());
  const std::vector<CMessageLog::Line>& lines = log.Lines();
  const int bottom = Settings.ScreenHeight - (running ? CMessageLog::kLineHeight : 0);
  const int n = static_cast<int>(lines.size());
  for (int i = 0; i < n; ++i) {
    m_display.DrawText(kLogLeft, bottom - (n - i) * CMessageLog::kLineHeight, kTextColour,
                       kOutlineColour, "%s", lines[static_cast<std::size_t>(i)].text.c_str());
  }
  if (running) {
    m_display.DrawText(kLogLeft, Settings.ScreenHeight - CMessageLog::kLineHeight, kTextColour,
                       kOutlineColour, "%d / %d", m_transfer.SentLines(), m_transfer.QueuedLines());
  }
}

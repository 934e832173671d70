// The wireless transfer window: sends out.r to the robot through CTransfer,
// shows the progress over the editor's picture and closes when it ends.
#pragma once

#include "transfer/transfer.h"
#include "windows/command_window.h"

class CTransferWindow final : public CCommandWindow, private CTransferMessages {
 public:
  explicit CTransferWindow(CEditorHost& host) : CCommandWindow(host) {}

  // Enter and Escape abandon the transfer silently and close the window;
  // WM_APP_SOCKET goes to the transfer. After a handled notification the
  // window's update runs once more (one more line); a notification that ends
  // the transfer closes the window.
  LRESULT HandleMessage(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) override;
  // Sends the next line (closing the window when the transfer has ended),
  // then draws the frozen editor picture, the log and the progress.
  void Update() override;

  const CTransfer& Transfer() const { return m_transfer; }

 private:
  // Starts sending out.r to the robot at the IP setting: "プログラムを転送
  // しています..." in the window's log; on a failed start "プログラムの転送に
  // 失敗しました" in the editor's, and the window waits for Enter or Escape.
  void Start() override;
  // Closing always lets go of the connection, made or not.
  void Release() override { m_transfer.Close(); }

  // Where the transfer's texts go: its progress line into the window's log,
  // its outcome into the editor's, which outlives the window.
  void AddProgressMessage(const char* text) override;
  void AddResultMessage(const char* text) override;
  // The window's log one line up, and under it the lines sent of the lines
  // queued.
  void DrawTransferProgress();

  CTransfer m_transfer{*this};
};

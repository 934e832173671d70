// The command window: runs one editor command that needs a file dialog, a
// question or a connection (open, save, save as, the confirmation before
// unsaved changes are discarded, the wireless transfer), with a message log
// of its own.
#pragma once

#include <string>

#include "editor/message_log.h"
#include "foundation/scene.h"
#include "transfer/transfer.h"

class CEditorScene;

class CCommandWindow final : public CScene, private CTransferMessages {
 public:
  explicit CCommandWindow(CEditorScene& owner);

  // Empties the window's log, shows the frozen editor picture and runs the
  // action (a CommandAction). Open, save and save as run their dialog here
  // and close the window before Enter returns. The confirmation stays open
  // for its answer, unless the program has no unsaved change, in which case
  // the editor goes on at once. The transfer stays open until it ends, or
  // after a failed start until Enter or Escape. Returns 1; 0 for an action
  // the window does not carry, so that the editor drops it.
  int Enter(int action) override;
  // Enter and Escape close the window (a transfer is abandoned silently);
  // for the confirmation that is "cancel". The confirmation's answers are
  // clicked with the pointer. WM_APP_SOCKET goes to OnSocketEvent.
  LRESULT HandleMessage(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) override;
  // Draws the frozen editor picture, the window's own objects and its log;
  // for the transfer it first sends the next line, and shows the progress.
  void Update() override;

  // Adds a line to the window's own log (drawn as it is, never as a format).
  void AddMessage(const std::string& text);
  // Removes the window's objects and leaves the editor. The window is
  // destroyed once the call that reached it has returned; nothing of it is
  // touched after.
  void Close();

  // ---- The wireless transfer (action 6) ------------------------------------
  //
  // The transfer itself is CTransfer's, shared with "pelublock send"; these
  // are the window's ends of it.

  // Starts sending out.r to the robot at the IP setting: "プログラムを転送
  // しています..." in the window's log; on a failed start "プログラムの転送に
  // 失敗しました" in the editor's, and the window waits for Enter or Escape.
  void StartTransfer();
  // Starts the connection alone (the start above includes it). 1 when the
  // connect is under way, 0 after a failure.
  int OpenConnection();
  // The update's pump: sends the next line once connected, and closes the
  // window when the transfer has ended. False when it closed the window, which
  // must then not be touched.
  bool PumpLine();
  // WM_APP_SOCKET. After a handled notification the window's update runs
  // once more (one more line); a notification that ends the transfer closes
  // the window.
  LRESULT OnSocketEvent(WPARAM wParam, LPARAM lParam);

 private:
  // Where the transfer's texts go: its progress line into the window's log,
  // its outcome into the editor's, which outlives the window.
  void AddProgressMessage(const char* text) override;
  void AddResultMessage(const char* text) override;
  // The window's log one line up, and under it the lines sent of the lines
  // queued.
  void DrawTransferProgress();

  // Open (action 2): the open dialog, then the file replaces the program.
  void Open();
  // Save (action 3): writes the current file; Save As when there is none.
  // True when the program was written.
  bool Save();
  // Save As (action 4): the save dialog, then the program is written there.
  // True when the program was written.
  bool SaveAs();

  // The confirmation (action 5).
  void ShowQuestion();
  void DrawQuestion();
  void HoverAnswers(int x, int y);
  void ClickQuestion(POINT p);
  // "はい" (save, then go on), "いいえ" (go on) and Escape (stay).
  void AnswerYes();
  void AnswerNo();
  void AnswerCancel();

  CEditorScene& m_owner;
  int m_action = 0;
  CMessageLog m_log;
  // The confirmation's objects, while they exist, and where they are.
  bool m_questionShown = false;
  RECT m_info;
  RECT m_yes;
  RECT m_no;
  POINT m_pressPoint;  // screen point; the confirmation does not scroll
  DWORD m_pressTime = 0;
  bool m_buttonDown = false;
  CTransfer m_transfer{*this};
};

// The command window: runs one editor command that needs a file dialog or a
// question (open, save, save as, the confirmation before unsaved changes are
// discarded), with a message log of its own.
#pragma once

#include <string>

#include "app/scene.h"
#include "editor/message_log.h"

class CEditorScene;

class CCommandWindow final : public CScene {
 public:
  explicit CCommandWindow(CEditorScene& owner);

  // Empties the window's log, shows the frozen editor picture and runs the
  // action (a CommandAction). Open, save and save as run their dialog here
  // and close the window before Enter returns. The confirmation stays open
  // for its answer, unless the program has no unsaved change, in which case
  // the editor goes on at once. Returns 1; 0 for an action the window does
  // not carry, so that the editor drops it.
  int Enter(int action) override;
  // Enter and Escape close the window; for the confirmation that is "cancel".
  // The confirmation's answers are clicked with the pointer.
  LRESULT HandleMessage(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) override;
  // Draws the frozen editor picture, the window's own objects and its log.
  void Update() override;

  // Adds a line to the window's own log (drawn as it is, never as a format).
  void AddMessage(const std::string& text);
  // Removes the window's objects and leaves the editor. The window is
  // destroyed once the call that reached it has returned; nothing of it is
  // touched after.
  void Close();

 private:
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
};

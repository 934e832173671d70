// The question before unsaved changes are thrown away: "save the changes?"
// with "はい" and "いいえ" under it, over the editor's picture.
#pragma once

#include <functional>

#include "editor/editor_host.h"
#include "windows/command_window.h"

class CConfirmationWindow final : public CCommandWindow {
 public:
  // The answer goes to onAnswer once the window has closed itself. Without a
  // question of its own the window asks the design's question about unsaved
  // changes, and only when there are some; with one it always asks it.
  CConfirmationWindow(CEditorHost& host, std::function<void(ConfirmAnswer)> onAnswer,
                      const char* question = nullptr);

  // Enter and Escape keep the program ("cancel"); the answers are clicked
  // with the pointer and show their hover pictures.
  LRESULT HandleMessage(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) override;
  // Draws the frozen editor picture, the question, the answers and the log.
  void Update() override;

 private:
  // Shows the question, unless the program has no unsaved change: the
  // editor then goes on at once, without one.
  void Start() override;
  void Release() override;
  void DrawQuestion();
  void HoverAnswers(int x, int y);
  void ClickQuestion(POINT p);
  // Closes the window, then hands the answer over.
  void Answer(ConfirmAnswer answer);

  std::function<void(ConfirmAnswer)> m_onAnswer;
  const char* m_question;  // nullptr: the question about unsaved changes
  // The question's objects, while they exist, and where they are.
  bool m_questionShown = false;
  RECT m_info;
  RECT m_yes;
  RECT m_no;
  POINT m_pressPoint;  // screen point; the question does not scroll
  DWORD m_pressTime = 0;
  bool m_buttonDown = false;
};

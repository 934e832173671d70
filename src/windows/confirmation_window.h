// The question before unsaved changes are thrown away: "save the changes?"
// with "はい" and "いいえ" under it, over the editor's picture.
#pragma once

#include <functional>

#include "editor/editor_host.h"
#include "windows/command_window.h"

// A sprite's width and height.
struct SpriteSize {
  int width = 0;
  int height = 0;
};

// Where the question window puts its frame (the "info" panel, centred on the
// screen), the line of the question and its two answers. The answers lie
// inside the frame along its bottom, under the question's line: side by
// side, or one above the other where the frame is too narrow for both in a
// row. A frame too small to hold them even so (a skin made for another
// layout) gets them directly under it, side by side, so that they can still
// be read and clicked.
struct QuestionLayout {
  RECT frame;
  RECT question;  // the part of the frame that the question is centred in
  RECT yes;
  RECT no;
};
QuestionLayout LayOutQuestion(int screenWidth, int screenHeight, SpriteSize frame, SpriteSize yes,
                              SpriteSize no);

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
  QuestionLayout m_layout{};
  POINT m_pressPoint;  // screen point; the question does not scroll
  DWORD m_pressTime = 0;
  bool m_buttonDown = false;
};

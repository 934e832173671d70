// The editor's picture: the screen objects it is drawn from, and one frame of
// background, chips, arrows, summaries, dragged chips, hover frame, rubber
// band, scroll bars and message log.
#pragma once

#include <array>

#include "editor/message_log.h"
#include "editor/scroll_view.h"
#include "editor/selection.h"

class CBlockProgram;
class CChipCatalogue;

// What the frame shows of the gesture in progress.
struct GestureView {
  bool chipDrag = false;
  bool rubberBand = false;
  POINT dragStart;  // world point of the left press
};

class CEditorView {
 public:
  explicit CEditorView(const CScrollView& scrollView) : m_scrollView(scrollView) {}

  // Runs each time the editor is entered, after the scroll view's Init:
  // empties the message log, clears the registry, loads the skin section
  // "main" and creates the grid objects and the bars of the axes that scroll.
  void SetUp();

  // Draws one frame on the back surface and presents it. The program is only
  // read, as the model reads: an absent property becomes an empty one.
  void DrawFrame(CBlockProgram& program, const CChipCatalogue& catalogue,
                 const CSelection& selection, const GestureView& gesture);

  CMessageLog& MessageLog() { return m_log; }

 private:
  void DrawBackground();
  void DrawCells(CBlockProgram& program, const CChipCatalogue& catalogue,
                 const CSelection& selection);
  void DrawCell(CBlockProgram& program, const CChipCatalogue& catalogue,
                const CSelection& selection, Cell cell);
  void DrawDraggedChips(const CSelection& selection, const GestureView& gesture, POINT mouse);
  void DrawHoverFrame(POINT mouse);
  void DrawRubberBand(const GestureView& gesture, POINT mouse);
  void DrawScrollBars(POINT mouse);

  const CScrollView& m_scrollView;
  CMessageLog m_log;
  // The sizes of the plain arrow objects, by direction (left, up, right,
  // down), taken at set-up: every arrow is centred by them.
  std::array<Size, 4> m_arrowSize{};
};

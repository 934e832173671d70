// The editor's picture: the screen objects it is drawn from, and one frame of
// background, chips, arrows, summaries, dragged chips, hover frame, rubber
// band, scroll bars and message log.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <string>
#include <unordered_map>
#include <utility>

#include "editor/message_log.h"
#include "editor/scroll_view.h"
#include "editor/selection.h"
#include "program/program_settings.h"

class CBlockProgram;
class CBox;
class CCheckMarks;
class CChipCatalogue;
class CDisplay;
class CObjectRegistry;

// Which part of the world a grid drawing covers, and where its background
// tiles lie. The editor draws its screen at the scroll offset; a picture of
// the program is drawn in bands whose tiles continue from one to the next.
struct GridArea {
  POINT origin;             // world point drawn at the surface's top-left pixel
  POINT backgroundScroll;   // the scroll offset that places the background tiles
  Size size;                // pixels to cover from the top-left
  bool emptyFrames = true;  // whether empty cells show their frame
};

// What the frame shows of the gesture in progress.
struct GestureView {
  bool chipDrag = false;
  bool rubberBand = false;
  POINT dragStart;  // world point of the left press
};

// The properties that a chip's picture shows: its arrow, the exits of a
// branch or loop chip, and the properties its summary names. The design
// reads them with its adding read, so a chip that has been on screen is
// saved with an empty line for each one it lacks ("to=" for a chip with no
// arrow); the editor keeps that (CEditorDocument::ReadShownKeys) apart from
// the drawing, which only reads.
std::vector<std::string> ShownKeys(const CBox& box, const CChipCatalogue& catalogue,
                                   const ChipRoles& roles);

class CEditorView {
 public:
  explicit CEditorView(const CScrollView& scrollView) : m_scrollView(scrollView) {}

  // Runs each time the editor is entered, after the scroll view's Init:
  // binds the display and the registry that the view draws on (neither is
  // owned; both outlive the view's drawing), empties the message log, clears
  // the registry, loads the skin section "main" and creates the grid objects
  // and the bars of the axes that scroll. The drawing operations below need
  // a view that was set up.
  void SetUp(CDisplay& display, CObjectRegistry& registry);

  // Draws one frame on the back surface and presents it. The program is only
  // read: an absent property reads as empty and is not added.
  void DrawFrame(const CBlockProgram& program, const CChipCatalogue& catalogue,
                 const CSelection& selection, const GestureView& gesture);

  // Draws the background, cells, chips, arrows and summaries of an area on
  // the back surface, and nothing of the editor's chrome (no bars, hover,
  // gesture or message log); the frame is not presented.
  void DrawGrid(const CBlockProgram& program, const CChipCatalogue& catalogue,
                const CSelection& selection, const GridArea& area);

  CMessageLog& MessageLog() { return m_log; }

  // The checker's findings that a frame marks on the chips and counts; none
  // (the default) draws neither. Not owned; must outlive the drawing. The
  // grid alone (DrawGrid, and so a picture of the program) never shows them.
  void SetCheckMarks(const CCheckMarks* marks) { m_marks = marks; }
  // Drawn over every frame's grid and bars, under the message log, while
  // set: the dry run's marks and panel.
  void SetFrameOverlay(std::function<void()> overlay) { m_frameOverlay = std::move(overlay); }

  // The area of the screen that a frame's grid covers, and the cells of an
  // area that drawing it visits (only those that can be in view).
  GridArea FrameArea() const;
  std::vector<Cell> CellsInView(const GridArea& area) const;

 private:
  void DrawBackground(const GridArea& area);
  void DrawCells(const CBlockProgram& program, const CChipCatalogue& catalogue,
                 const CSelection& selection, const GridArea& area);
  void DrawCell(const CBlockProgram& program, const CChipCatalogue& catalogue,
                const CSelection& selection, const GridArea& area, Cell cell);
  void DrawDraggedChips(const CBlockProgram& program, const CChipCatalogue& catalogue,
                        const CSelection& selection, const GestureView& gesture, POINT mouse);
  // The sprites a chip is drawn with in the skin's look: its card, and the
  // small sprite in one of its corners (the category's glyph, or the mark of
  // a type the catalogue does not know; empty when the skin has none).
  struct ChipLook {
    std::string card;
    std::string corner;
  };
  // The look of a chip type, worked out once per type and kept: the skin is
  // fixed from SetUp on and the catalogue until it is another one, while a
  // frame draws every chip in view.
  const ChipLook& LookOf(const CChipCatalogue& catalogue, const std::string& id);
  // Draws a chip's card and corner at p, at the opacity (of 255; 255 opaque).
  void DrawCard(const ChipLook& look, POINT p, std::uint8_t opacity);
  void DrawHoverFrame(POINT mouse);
  void DrawRubberBand(const GestureView& gesture, POINT mouse);
  void DrawScrollBars(POINT mouse);
  void DrawCheckMarks(const GridArea& area);
  void DrawFindingCount();

  const CScrollView& m_scrollView;
  CDisplay* m_display = nullptr;
  CObjectRegistry* m_registry = nullptr;
  CMessageLog m_log;
  // The sizes of the plain arrow objects, by direction (left, up, right,
  // down), taken at set-up: every arrow is centred by them.
  std::array<Size, 4> m_arrowSize{};
  const CCheckMarks* m_marks = nullptr;
  // The mark sprites' size; zero for a skin without them, which then shows
  // no marks.
  Size m_markSize{};
  std::function<void()> m_frameOverlay;
  // Whether the skin has the current look's family of chip cards (then a
  // drag shows ghosts of the chips), taken at set-up.
  bool m_hasChipFamily = false;
  // LookOf's chip types, and the catalogue they were looked up in.
  std::unordered_map<std::string, ChipLook> m_looks;
  const CChipCatalogue* m_looksCatalogue = nullptr;
};

// The editor's undo, redo and clipboard keys: the scene's side of the edit
// history and of the chip clipboard.
#include <algorithm>
#include <unordered_set>

#include "editor/chip_clipboard.h"
#include "editor/editor_scene.h"
#include "editor/message_log.h"
#include "foundation/texts.h"
#include "platform/platform.h"
#include "program/block_program.h"

bool CEditorScene::HandleEditKey(WPARAM key) {
  if (!platform::IsKeyDown(VK_CONTROL)) {
    return false;
  }
  switch (key) {
    case 'Z':
      if (platform::IsKeyDown(VK_SHIFT)) {
        RedoStep();
      } else {
        UndoStep();
      }
      return true;
    case 'Y':
      RedoStep();
      return true;
    case 'C':
      CopySelection();
      return true;
    case 'X':
      CutSelection();
      return true;
    case 'V':
      PasteClipboard();
      return true;
    case 'A':
      SelectAll();
      return true;
    default:
      return false;
  }
}

bool CEditorScene::GestureActive() const {
  // An overlay takes every key before the editor sees it; these are the
  // gestures of the editor itself.
  return m_chipDrag || m_rubberBand || m_arrowDrawing || m_sliderDrag || m_overlay != nullptr;
}

bool CEditorScene::UndoStep() {
  if (GestureActive()) {
    return false;
  }
  if (!m_history->CanUndo()) {
    MessageLog().Add(text::kNothingToUndo);
    return false;
  }
  const std::optional<HistoryMove> move = m_history->Undo();
  if (!move) {
    return false;
  }
  ShowCells(move->cells);
  return true;
}

bool CEditorScene::RedoStep() {
  if (GestureActive()) {
    return false;
  }
  if (!m_history->CanRedo()) {
    MessageLog().Add(text::kNothingToRedo);
    return false;
  }
  const std::optional<HistoryMove> move = m_history->Redo();
  if (!move) {
    return false;
  }
  ShowCells(move->cells);
  return true;
}

void CEditorScene::ShowCells(const CellRect& cells) {
  if (cells.IsEmpty()) {
    return;
  }
  const GridGeometry& g = m_scrollView.Geometry();
  const POINT first = m_scrollView.CellToScreen(cells.left, cells.top, CoordSpace::kScreen);
  const POINT last = m_scrollView.CellToScreen(cells.right, cells.bottom, CoordSpace::kScreen);
  // Along each axis: the cells' far edge brought in first, then their near
  // edge, which wins when they do not fit.
  auto delta = [](int nearEdge, int farEdge, int screen) {
    int d = 0;
    if (farEdge > screen) {
      d = farEdge - screen;
    }
    if (nearEdge - d < 0) {
      d = nearEdge;
    }
    return d;
  };
  m_scrollView.ScrollBy(delta(first.x, last.x + g.chipWidth, g.screenWidth),
                        delta(first.y, last.y + g.chipHeight, g.screenHeight));
}

void CEditorScene::CopySelection() {
  if (GestureActive()) {
    return;
  }
  const std::string text = FormatChipGroup(Program(), SelectedCells());
  if (!text.empty()) {
    platform::SetClipboardText(text);
  }
}

void CEditorScene::CutSelection() {
  if (GestureActive() || Selection().IsEmpty()) {
    return;
  }
  CopySelection();
  m_document->Begin(EditKind::kCut).DeleteSelection();
}

bool CEditorScene::PasteClipboard() {
  if (GestureActive()) {
    return false;
  }
  // Any other text on the clipboard is none of the editor's business.
  const std::optional<ChipGroup> group = ParseChipGroup(platform::GetClipboardText());
  if (!group) {
    return false;
  }
  const POINT mouse = platform::GetCursorClientPos();
  Cell at;
  if (!m_scrollView.ScreenToCell(mouse.x, mouse.y, CoordSpace::kScreen, &at)) {
    MessageLog().Add(text::kPasteOutside);
    return false;
  }
  const CBlockProgram& program = Program();
  for (const ClipboardChip& chip : group->chips) {
    const int x = at.x + chip.offset.x;
    const int y = at.y + chip.offset.y;
    if (!program.IsInside(x, y)) {
      MessageLog().Add(text::kPasteOutside);
      return false;
    }
    if (program.HasBox(x, y)) {
      MessageLog().Add(text::kPasteOnChips);
      return false;
    }
  }
  {
    CEditorDocument::CAction action = m_document->Begin(EditKind::kPaste);
    for (const ClipboardChip& chip : group->chips) {
      const int x = at.x + chip.offset.x;
      const int y = at.y + chip.offset.y;
      action.AddBox(x, y, chip.properties.front().second);
      for (std::size_t i = 1; i < chip.properties.size(); ++i) {
        action.SetBoxProperty(x, y, chip.properties[i].first, chip.properties[i].second);
      }
    }
    // The group's own arrows stay; one into an empty cell or against a
    // neighbour's goes, as after a drop.
    for (const ClipboardChip& chip : group->chips) {
      action.ResolveArrowsAt(at.x + chip.offset.x, at.y + chip.offset.y);
    }
    CSelection& selection = Selection();
    selection.Clear();
    for (const ClipboardChip& chip : group->chips) {
      selection.Select(Cell{at.x + chip.offset.x, at.y + chip.offset.y});
    }
  }
  return true;
}

void CEditorScene::SelectAll() {
  if (GestureActive()) {
    return;
  }
  CSelection& selection = Selection();
  selection.Clear();
  selection.SelectChipsIn(Program(), CellRect{0, 0, Program().Columns() - 1, Program().Rows() - 1});
}

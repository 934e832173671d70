// The edit history: recording the cells of each action, undo and redo.
#include "editor/edit_history.h"

#include <algorithm>
#include <utility>

namespace {

std::uint64_t CellKey(int x, int y) {
  return (std::uint64_t{static_cast<std::uint32_t>(x)} << 32) | static_cast<std::uint32_t>(y);
}

// The heap a string takes beyond its own object (nothing while it is short
// enough to live inside it).
std::size_t StringHeap(const std::string& s) {
  return s.capacity() > std::string().capacity() ? s.capacity() + 1 : 0;
}

std::size_t CellBytes(const CellContent& cell) {
  std::size_t bytes = sizeof(CellContent);
  if (cell.box) {
    bytes += sizeof(CBox) + cell.box->Properties().capacity() * sizeof(CBox::Property);
    for (const auto& [key, value] : cell.box->Properties()) {
      bytes += StringHeap(key) + StringHeap(value);
    }
  }
  return bytes;
}

void Include(CellRect& rect, int x, int y) {
  if (rect.IsEmpty()) {
    rect = CellRect{x, y, x, y};
    return;
  }
  rect.left = std::min(rect.left, x);
  rect.top = std::min(rect.top, y);
  rect.right = std::max(rect.right, x);
  rect.bottom = std::max(rect.bottom, y);
}

void RestoreSelection(CSelection& selection, const std::vector<Cell>& cells) {
  selection.Clear();
  for (Cell cell : cells) {
    selection.Select(cell);
  }
}

}  // namespace

CEditHistory::CEditHistory(CEditorDocument& document) : CEditHistory(document, Limits{}) {}

CEditHistory::CEditHistory(CEditorDocument& document, Limits limits)
    : m_document(document), m_limits(limits) {
  m_document.AddObserver(this);
}

CEditHistory::~CEditHistory() {
  m_document.WatchCells(nullptr);
  m_document.RemoveObserver(this);
}

void CEditHistory::Clear() {
  m_steps.clear();
  m_position = 0;
  m_bytes = 0;
  m_open.reset();
  m_seen.clear();
  m_grouping = false;
}

void CEditHistory::BeginGroup() {
  m_grouping = true;
}

void CEditHistory::EndGroup() {
  m_grouping = false;
  if (!m_inAction) {
    CloseStep();
  }
}

void CEditHistory::OnActionBegin(const CEditorDocument& document, EditKind kind) {
  m_inAction = true;
  if (m_replaying) {
    return;
  }
  if (kind == EditKind::kReplaceProgram) {
    Clear();
    return;
  }
  if (!m_open) {
    OpenStep();
  }
  (void)document;
  m_document.WatchCells(this);
}

void CEditHistory::OnActionEnd(const CEditorDocument& /*document*/, EditKind kind,
                               bool /*changed*/) {
  m_inAction = false;
  if (m_replaying) {
    return;
  }
  m_document.WatchCells(nullptr);
  if (kind == EditKind::kReplaceProgram) {
    Clear();
    return;
  }
  if (m_open) {
    m_open->selectionAfter = m_document.Selection().Cells();
  }
  if (!m_grouping) {
    CloseStep();
  }
}

void CEditHistory::OpenStep() {
  m_open.emplace();
  m_open->revisionBefore = m_document.Program().Revision();
  m_open->selectionBefore = m_document.Selection().Cells();
  m_seen.clear();
}

void CEditHistory::BeforeCellChange(int x, int y, const CBox* box) {
  if (!m_open || !m_seen.insert(CellKey(x, y)).second) {
    return;  // the first state of a cell in a step is the one it goes back to
  }
  CellContent cell{x, y, box != nullptr ? std::make_unique<CBox>(*box) : nullptr};
  m_open->bytes += CellBytes(cell);
  Include(m_open->bounds, x, y);
  m_open->cells.push_back(std::move(cell));
}

void CEditHistory::CloseStep() {
  if (!m_open) {
    return;
  }
  Step step = std::move(*m_open);
  m_open.reset();
  m_seen.clear();
  step.revisionAfter = m_document.Program().Revision();
  // An action that changed nothing (a click, a drop refused) is no step;
  // the empty keys its reads may have added are no change either.
  if (step.revisionAfter == step.revisionBefore) {
    return;
  }
  // A new step after an undo drops the steps that redo would have done.
  while (m_steps.size() > m_position) {
    m_bytes -= m_steps.back().bytes;
    m_steps.pop_back();
  }
  m_bytes += step.bytes;
  m_steps.push_back(std::move(step));
  m_position = m_steps.size();
  Trim();
}

void CEditHistory::Trim() {
  while (!m_steps.empty() && (m_steps.size() > m_limits.maxSteps || m_bytes > m_limits.maxBytes)) {
    m_bytes -= m_steps.front().bytes;
    m_steps.pop_front();
    if (m_position > 0) {
      --m_position;
    }
  }
}

std::optional<HistoryMove> CEditHistory::Exchange(Step& step, unsigned long revision,
                                                  const std::vector<Cell>& selection,
                                                  EditKind kind) {
  m_replaying = true;
  {
    CEditorDocument::CAction action = m_document.Begin(kind);
    action.ExchangeCells(step.cells, revision);
  }
  m_replaying = false;
  // The cells now hold the other state, whose size may differ.
  m_bytes -= step.bytes;
  step.bytes = 0;
  for (const CellContent& cell : step.cells) {
    step.bytes += CellBytes(cell);
  }
  m_bytes += step.bytes;
  RestoreSelection(m_document.Selection(), selection);
  return HistoryMove{step.bounds};
}

std::optional<HistoryMove> CEditHistory::Undo() {
  if (!CanUndo() || m_document.InAction() || m_open) {
    return std::nullopt;
  }
  Step& step = m_steps[--m_position];
  return Exchange(step, step.revisionBefore, step.selectionBefore, EditKind::kUndo);
}

std::optional<HistoryMove> CEditHistory::Redo() {
  if (!CanRedo() || m_document.InAction() || m_open) {
    return std::nullopt;
  }
  Step& step = m_steps[m_position++];
  return Exchange(step, step.revisionAfter, step.selectionAfter, EditKind::kRedo);
}

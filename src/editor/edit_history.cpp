// The edit history: recording the cells of each action, undo and redo.
#include "editor/edit_history.h"

#include <algorithm>
#include <utility>

namespace {

std::uint64_t CellKey(int x, int y) {
  return (std::uint64_t{static_cast<std::uint32_t>(x)} << 32) | static_cast<std::uint32_t>(y);
}

void AppendLength(std::string& data, std::size_t length) {
  // Seven bits a byte, the low ones first; the top bit says more follow.
  do {
    unsigned char byte = length & 0x7F;
    length >>= 7;
    if (length != 0) {
      byte |= 0x80;
    }
    data.push_back(static_cast<char>(byte));
  } while (length != 0);
}

std::size_t ReadLength(const std::string& data, std::size_t& at) {
  std::size_t length = 0;
  int shift = 0;
  while (at < data.size()) {
    const auto byte = static_cast<unsigned char>(data[at++]);
    length |= static_cast<std::size_t>(byte & 0x7F) << shift;
    if ((byte & 0x80) == 0) {
      break;
    }
    shift += 7;
  }
  return length;
}

void AppendBytes(std::string& data, std::string_view bytes) {
  AppendLength(data, bytes.size());
  data.append(bytes);
}

std::string ReadBytes(const std::string& data, std::size_t& at) {
  const std::size_t length = std::min(ReadLength(data, at), data.size() - at);
  std::string bytes = data.substr(at, length);
  at += length;
  return bytes;
}

// A step's cells and the two selections it restores.
std::size_t SelectionBytes(const std::vector<Cell>& before, const std::vector<Cell>& after) {
  return (before.capacity() + after.capacity()) * sizeof(Cell);
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
  m_open = Step{};
  m_open->revisionBefore = m_document.Program().Revision();
  m_open->selectionBefore = m_document.Selection().Cells();
  m_seen.clear();
}

void CEditHistory::BeforeCellChange(int x, int y, const CBox* box) {
  if (!m_open || !m_seen.insert(CellKey(x, y)).second) {
    return;  // the first state of a cell in a step is the one it goes back to
  }
  Pack(*m_open, x, y, box);
  Include(m_open->bounds, x, y);
}

namespace {

// A box's properties as the step keeps them, from the program's box or from
// a box held outside it.
template <typename Properties>
void AppendProperties(std::string& data, const Properties& properties) {
  AppendLength(data, properties.size());
  for (const auto& [key, value] : properties) {
    AppendBytes(data, key);
    AppendBytes(data, value);
  }
}

}  // namespace

void CEditHistory::Pack(Step& step, int x, int y, const CBox* box) {
  RecordedCell cell{x, y, box != nullptr, step.data.size(), 0};
  if (box != nullptr) {
    AppendProperties(step.data, box->Properties());
  }
  cell.size = step.data.size() - cell.offset;
  step.cells.push_back(cell);
}

void CEditHistory::Pack(Step& step, int x, int y,
                        const std::optional<std::vector<CBox::Property>>& box) {
  RecordedCell cell{x, y, box.has_value(), step.data.size(), 0};
  if (box) {
    AppendProperties(step.data, *box);
  }
  cell.size = step.data.size() - cell.offset;
  step.cells.push_back(cell);
}

std::size_t CEditHistory::StepBytes(const Step& step) {
  return sizeof(Step) + step.cells.capacity() * sizeof(RecordedCell) + step.data.capacity() +
         SelectionBytes(step.selectionBefore, step.selectionAfter);
}

void CEditHistory::CloseStep() {
  if (!m_open) {
    return;
  }
  Step step = std::move(*m_open);
  m_open.reset();
  m_seen.clear();
  step.revisionAfter = m_document.Program().Revision();
  step.cells.shrink_to_fit();
  step.data.shrink_to_fit();
  step.bytes = StepBytes(step);
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
  std::vector<CellContent> contents;
  contents.reserve(step.cells.size());
  for (const RecordedCell& cell : step.cells) {
    CellContent content{cell.x, cell.y, std::nullopt};
    if (cell.hasBox) {
      std::size_t at = cell.offset;
      const std::size_t count = ReadLength(step.data, at);
      std::vector<CBox::Property> properties;
      properties.reserve(std::min(count, cell.size));
      for (std::size_t i = 0; i < count && at < cell.offset + cell.size; ++i) {
        std::string key = ReadBytes(step.data, at);
        std::string value = ReadBytes(step.data, at);
        properties.emplace_back(std::move(key), std::move(value));
      }
      content.box = std::move(properties);
    }
    contents.push_back(std::move(content));
  }
  m_replaying = true;
  {
    CEditorDocument::CAction action = m_document.Begin(kind);
    action.ExchangeCells(contents, revision);
  }
  m_replaying = false;
  // The cells now hold the other state, which the step keeps in their place.
  Step other;
  other.cells.reserve(contents.size());
  for (const CellContent& content : contents) {
    Pack(other, content.x, content.y, content.box);
  }
  other.data.shrink_to_fit();
  step.cells = std::move(other.cells);
  step.data = std::move(other.data);
  m_bytes -= step.bytes;
  step.bytes = StepBytes(step);
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

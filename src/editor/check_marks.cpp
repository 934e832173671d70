// The checker's findings kept for the editor: when to check again, the
// findings by cell, the hover text and F8's walk.
#include "editor/check_marks.h"

#include <algorithm>
#include <cstddef>
#include <tuple>
#include <utility>

#include "editor/message_log.h"
#include "editor/selection.h"
#include "program/block_program.h"
#include "program/program_file.h"

namespace {

long long CellKey(Cell cell) {
  return (static_cast<long long>(cell.y) << 32) | static_cast<unsigned int>(cell.x);
}

bool IsFileFinding(const Finding& finding) {
  return finding.code >= FindingCode::kBoxOutsideGrid;
}

// The place of a finding in the checker's order: the grid's findings by
// cell, then the file's by line.
std::tuple<bool, long long, int> OrderKey(const Finding& finding) {
  if (IsFileFinding(finding)) {
    return {true, finding.line, static_cast<int>(finding.code)};
  }
  return {false, CellKey(Cell{finding.cell.x, finding.cell.y}), static_cast<int>(finding.code)};
}

}  // namespace

CCheckMarks::CCheckMarks() = default;
CCheckMarks::~CCheckMarks() = default;

void CCheckMarks::OnActionBegin(const CEditorDocument& /*document*/, EditKind /*kind*/) {}

void CCheckMarks::OnActionEnd(const CEditorDocument& /*document*/, EditKind kind, bool changed) {
  if (kind == EditKind::kReplaceProgram) {
    // The report described the file of the program that went; an open hands
    // in the new one after this.
    m_report.reset();
    m_replaced = true;
    m_lastVisited.reset();
  }
  if (changed) {
    m_stale = true;
  }
}

void CCheckMarks::KeepReadReport(std::unique_ptr<CReadReport> report) {
  m_report = std::move(report);
  m_stale = true;
  m_replaced = true;
}

void CCheckMarks::ForgetReadReport() {
  if (m_report) {
    m_report.reset();
    m_stale = true;
    m_replaced = true;
  }
}

bool CCheckMarks::Refresh(const CBlockProgram& program, DWORD now) {
  const bool current =
      !m_stale && m_checkedProgram == &program && m_checkedRevision == program.Revision();
  if (current) {
    return false;
  }
  const std::size_t cells = static_cast<std::size_t>(std::max(program.Columns(), 0)) *
                            static_cast<std::size_t>(std::max(program.Rows(), 0));
  // A program just put in place is checked at once: the user opened it to
  // see it. Edits of a large grid wait until the program rests.
  if (!m_replaced && cells > kLargeGridCells) {
    if (!m_pending || m_pendingRevision != program.Revision()) {
      m_pending = true;
      m_pendingRevision = program.Revision();
      m_pendingSince = now;
      return false;
    }
    if (now - m_pendingSince < kSettleMs) {
      return false;
    }
  }
  m_findings = CheckProgram(program, m_report.get());
  m_checkedProgram = &program;
  m_checkedRevision = program.Revision();
  m_stale = false;
  m_replaced = false;
  m_pending = false;
  Index();
  return true;
}

void CCheckMarks::Index() {
  m_fileByCell.clear();
  m_errors = 0;
  m_gridCount = 0;
  for (std::size_t i = 0; i < m_findings.size(); ++i) {
    const Finding& finding = m_findings[i];
    if (finding.GetSeverity() == Severity::kError) {
      ++m_errors;
    }
    if (!IsFileFinding(finding)) {
      m_gridCount = i + 1;
    } else if (finding.hasCell) {
      m_fileByCell[CellKey(Cell{finding.cell.x, finding.cell.y})].push_back(i);
    }
  }
}

std::vector<std::size_t> CCheckMarks::IndexesAt(Cell cell) const {
  std::vector<std::size_t> found;
  const long long key = CellKey(cell);
  const auto grid = m_findings.begin() + static_cast<std::ptrdiff_t>(m_gridCount);
  const auto first =
      std::lower_bound(m_findings.begin(), grid, key, [](const Finding& f, long long k) {
        return CellKey(Cell{f.cell.x, f.cell.y}) < k;
      });
  for (auto it = first; it != grid && CellKey(Cell{it->cell.x, it->cell.y}) == key; ++it) {
    found.push_back(static_cast<std::size_t>(it - m_findings.begin()));
  }
  const auto file = m_fileByCell.find(key);
  if (file != m_fileByCell.end()) {
    found.insert(found.end(), file->second.begin(), file->second.end());
  }
  return found;
}

std::vector<const Finding*> CCheckMarks::At(Cell cell) const {
  std::vector<const Finding*> found;
  for (const std::size_t i : IndexesAt(cell)) {
    found.push_back(&m_findings[i]);
  }
  return found;
}

std::optional<Severity> CCheckMarks::WorstAt(Cell cell) const {
  const std::vector<std::size_t> found = IndexesAt(cell);
  if (found.empty()) {
    return std::nullopt;
  }
  Severity worst = Severity::kWarning;
  for (const std::size_t i : found) {
    if (m_findings[i].GetSeverity() == Severity::kError) {
      worst = Severity::kError;
    }
  }
  return worst;
}

std::vector<std::string> CCheckMarks::HoverTexts(std::optional<Cell> cell, DWORD now) {
  if (cell != m_hoverCell) {
    m_hoverCell = cell;
    m_hoverSince = now;
    m_hoverShown = false;
  }
  std::vector<std::string> texts;
  if (!cell || m_hoverShown || now - m_hoverSince < kHoverRestMs) {
    return texts;
  }
  const std::vector<const Finding*> found = At(*cell);
  if (found.empty()) {
    return texts;
  }
  m_hoverShown = true;
  for (const Finding* finding : found) {
    if (texts.size() == kMaxHoverTexts) {
      break;
    }
    texts.emplace_back(finding->JapaneseText());
  }
  return texts;
}

const Finding* CCheckMarks::NextFinding() {
  if (m_findings.empty()) {
    return nullptr;
  }
  std::size_t next = 0;
  if (m_lastVisited) {
    // After a new check the visited finding may be gone or have moved in the
    // list: the walk goes on from its place in the order.
    const auto key = OrderKey(*m_lastVisited);
    const auto after = std::find_if(m_findings.begin(), m_findings.end(),
                                    [&](const Finding& f) { return OrderKey(f) > key; });
    next = after == m_findings.end() ? 0 : static_cast<std::size_t>(after - m_findings.begin());
  }
  m_lastVisited = m_findings[next];
  return &m_findings[next];
}

void GoToNextFinding(CCheckMarks& marks, const CBlockProgram& program, CScrollView& view,
                     CSelection& selection, CMessageLog& log) {
  const Finding* finding = marks.NextFinding();
  if (finding == nullptr) {
    return;
  }
  log.Add(finding->JapaneseText());
  const GridGeometry& g = view.Geometry();
  const Cell cell{finding->cell.x, finding->cell.y};
  if (!finding->hasCell || cell.x < 0 || cell.y < 0 || cell.x >= g.columns || cell.y >= g.rows) {
    return;
  }
  // The cell comes to the middle of the screen, as far as the grid's edges
  // let it.
  const POINT at = view.CellToScreen(cell.x, cell.y, CoordSpace::kScreen);
  view.ScrollBy(at.x + g.chipWidth / 2 - g.screenWidth / 2,
                at.y + g.chipHeight / 2 - g.screenHeight / 2);
  if (program.HasBox(cell.x, cell.y)) {
    selection.Clear();
    selection.Select(cell);
  }
}

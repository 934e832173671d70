// The checker's findings as the editor shows them: kept up to date with the
// document, looked up by cell for the marks and the hover text, and walked
// in order by F8.
#pragma once

#include <cstddef>
#include <memory>
#include <optional>
#include <string>
#include <unordered_map>
#include <vector>

#include "check/program_check.h"
#include "editor/editor_document.h"
#include "editor/scroll_view.h"
#include "platform/win_types.h"

class CBlockProgram;
class CMessageLog;
class CReadReport;
class CSelection;

class CCheckMarks : public CDocumentObserver {
 public:
  // Grids of more cells than this are checked again only once the program
  // has rested for kSettleMs: a check of such a grid takes longer than a
  // frame, and a sweep or a drag edits the program on every frame.
  static constexpr std::size_t kLargeGridCells = 200 * 200;
  static constexpr DWORD kSettleMs = 300;
  // The mouse rests on a marked chip this long before its text is shown.
  static constexpr DWORD kHoverRestMs = 400;
  // At most this many texts of one chip go to the message log at a time.
  static constexpr std::size_t kMaxHoverTexts = 3;

  CCheckMarks();
  ~CCheckMarks() override;
  CCheckMarks(const CCheckMarks&) = delete;
  CCheckMarks& operator=(const CCheckMarks&) = delete;

  void OnActionBegin(const CEditorDocument& document, EditKind kind) override;
  void OnActionEnd(const CEditorDocument& document, EditKind kind, bool changed) override;

  // The report of the read that made the program now in the document (an
  // open), so that the lines the reader skipped are findings too. It holds
  // until another program replaces this one or the program is saved (the
  // file then no longer has those lines).
  void KeepReadReport(std::unique_ptr<CReadReport> report);
  void ForgetReadReport();

  // Checks the program again when it changed since the last check (on a
  // large grid, once it has rested; see kLargeGridCells). Returns whether
  // it checked.
  bool Refresh(const CBlockProgram& program, DWORD now);

  // The findings of the last check, in the checker's order.
  const std::vector<Finding>& Findings() const { return m_findings; }
  std::size_t ErrorCount() const { return m_errors; }
  std::size_t WarningCount() const { return m_findings.size() - m_errors; }
  // The findings on a cell, in order; empty for a cell without any.
  std::vector<const Finding*> At(Cell cell) const;
  // The worst severity on a cell, none when the cell has no finding.
  std::optional<Severity> WorstAt(Cell cell) const;

  // The texts to add to the message log for the mouse over this cell (none
  // when it is over no cell): the findings' texts once the mouse has rested
  // kHoverRestMs on a marked cell, once per rest.
  std::vector<std::string> HoverTexts(std::optional<Cell> cell, DWORD now);

  // The finding that F8 goes to next: the one after the last visited, from
  // the first again after the last; none when there is no finding.
  const Finding* NextFinding();

 private:
  void Index();
  // The indexes of a cell's findings, in order.
  std::vector<std::size_t> IndexesAt(Cell cell) const;

  std::unique_ptr<CReadReport> m_report;
  std::vector<Finding> m_findings;
  std::size_t m_errors = 0;
  // The grid's findings come first, in cell order, and are found by a
  // binary search: an index as large as a full grid's findings would double
  // their memory. The file's findings that name a cell (at most as many as
  // the report lists) are indexed by cell.
  std::size_t m_gridCount = 0;
  std::unordered_map<long long, std::vector<std::size_t>> m_fileByCell;

  // What the last check saw: it is current while no action changed the
  // program and the revision is the one checked.
  bool m_stale = true;
  bool m_replaced = true;
  const CBlockProgram* m_checkedProgram = nullptr;
  unsigned long m_checkedRevision = 0;
  // On a large grid: the revision waiting to rest and since when.
  unsigned long m_pendingRevision = 0;
  DWORD m_pendingSince = 0;
  bool m_pending = false;

  // The hover: the cell the mouse is over, since when, and whether its
  // texts were shown for this rest.
  std::optional<Cell> m_hoverCell;
  DWORD m_hoverSince = 0;
  bool m_hoverShown = false;

  // F8: the finding visited last, found again by its place in the order
  // after a new check.
  std::optional<Finding> m_lastVisited;
};

// F8: scrolls the view to the next finding's cell, selects its chip (the
// selection holds that chip alone) and adds its text to the message log. A
// finding about a line outside any box only shows its text.
void GoToNextFinding(CCheckMarks& marks, const CBlockProgram& program, CScrollView& view,
                     CSelection& selection, CMessageLog& log);

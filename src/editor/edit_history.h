// The edit history: the steps that undo and redo walk, each the cells that
// one user action changed.
#pragma once

#include <cstddef>
#include <cstdint>
#include <deque>
#include <optional>
#include <string>
#include <unordered_set>
#include <vector>

#include "editor/editor_document.h"
#include "editor/selection.h"
#include "program/block_program.h"

// What a step undone or redone touched, for the editor to scroll to.
struct HistoryMove {
  CellRect cells;  // the cells the step changed; empty when it changed none
};

// Watches a document and records, for every action that changed the
// program, the cells it changed as they were before it: one step per user
// action whatever the number of cells. A step keeps only the cells that
// changed, so that a step on a large grid costs what it changed. Undo swaps
// the recorded cells with the grid's (after which the step holds what redo
// puts back) and sets the program's revision back, so the modified mark
// follows the history.
//
// New and Open (EditKind::kReplaceProgram) start a fresh history: the
// history belongs to the program, never to the catalogue it was made over.
class CEditHistory final : public CDocumentObserver, private CCellObserver {
 public:
  struct Limits {
    std::size_t maxSteps = 1000;
    std::size_t maxBytes = std::size_t{64} << 20;  // of recorded cells
  };

  // Attaches itself to the document, which must outlive it.
  explicit CEditHistory(CEditorDocument& document);
  CEditHistory(CEditorDocument& document, Limits limits);
  ~CEditHistory() override;
  CEditHistory(const CEditHistory&) = delete;
  CEditHistory& operator=(const CEditHistory&) = delete;

  // The actions from BeginGroup to EndGroup make one step (a right-button
  // sweep opens an action for every cell it crosses).
  void BeginGroup();
  void EndGroup();

  bool CanUndo() const { return m_position > 0; }
  bool CanRedo() const { return m_position < m_steps.size(); }
  // Puts the program, its revision and the selection back as they were
  // before the last step (Undo) or after the next one (Redo). Nothing when
  // there is no such step or an action is open.
  std::optional<HistoryMove> Undo();
  std::optional<HistoryMove> Redo();
  void Clear();

  std::size_t StepCount() const { return m_steps.size(); }
  std::size_t UndoCount() const { return m_position; }
  // The memory that the steps take: their recorded cells, as estimated from
  // their boxes, and the selections they restore.
  std::size_t RecordedBytes() const { return m_bytes; }

  void OnActionBegin(const CEditorDocument& document, EditKind kind) override;
  void OnActionEnd(const CEditorDocument& document, EditKind kind, bool changed) override;

 private:
  // One recorded cell: where it is and where its box lies in the step's
  // data (the box's keys and values, each preceded by its length).
  struct RecordedCell {
    int x = 0;
    int y = 0;
    bool hasBox = false;
    std::size_t offset = 0;
    std::size_t size = 0;
  };
  // A step keeps its cells packed rather than as boxes: a box's own objects
  // would take several times its text.
  struct Step {
    std::vector<RecordedCell> cells;  // the other state of each cell
    std::string data;
    std::vector<Cell> selectionBefore;
    std::vector<Cell> selectionAfter;
    unsigned long revisionBefore = 0;
    unsigned long revisionAfter = 0;
    std::size_t bytes = 0;
    CellRect bounds;
  };

  void BeforeCellChange(int x, int y, const CBox* box) override;
  static void Pack(Step& step, int x, int y, const CBox* box);
  static void Pack(Step& step, int x, int y, const std::optional<std::vector<CBox::Property>>& box);
  static std::size_t StepBytes(const Step& step);
  void OpenStep();
  void CloseStep();
  void Trim();
  std::optional<HistoryMove> Exchange(Step& step, unsigned long revision,
                                      const std::vector<Cell>& selection, EditKind kind);

  CEditorDocument& m_document;
  Limits m_limits;
  std::deque<Step> m_steps;
  std::size_t m_position = 0;  // steps before it are undone by Undo
  std::size_t m_bytes = 0;
  // The step being recorded, and the cells it has already recorded.
  std::optional<Step> m_open;
  std::unordered_set<std::uint64_t> m_seen;
  bool m_grouping = false;
  bool m_inAction = false;
  bool m_replaying = false;
};

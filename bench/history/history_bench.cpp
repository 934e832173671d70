// Undo and redo of one move of a 10,000-chip selection (100 x 100 chips,
// each with an arrow and a few properties) on a 200 x 200 grid, and the
// memory the history records for that step. Targets: at most 5 ms each, at
// most 2 MiB for the step.
#include <benchmark/benchmark.h>

#include <memory>
#include <string>

#include "editor/edit_history.h"
#include "editor/edit_operations.h"
#include "editor/editor_document.h"
#include "foundation/settings.h"
#include "program/block_program.h"

namespace {

constexpr int kSide = 100;  // 100 x 100 chips

// A document with the chips selected and moved once, and its history.
struct MovedSelection {
  MovedSelection() {
    Settings = SettingsData{};
    Settings.MaxChipNumX = 200;
    Settings.MaxChipNumY = 200;
    document = std::make_unique<CEditorDocument>(nullptr);
    {
      CEditorDocument::CAction action = document->Begin(EditKind::kPlaceChip);
      for (int x = 0; x < kSide; ++x) {
        for (int y = 0; y < kSide; ++y) {
          action.AddBox(x, y, "walk");
          action.SetBoxProperty(x, y, "speed", std::to_string(x + y));
          action.SetBoxProperty(x, y, "time", "10");
          action.SetBoxProperty(x, y, "to", x + 1 < kSide ? "right" : "");
        }
      }
    }
    document->Selection().SelectChipsIn(document->Program(), CellRect{0, 0, kSide - 1, kSide - 1});
    history = std::make_unique<CEditHistory>(*document);
    document->Begin(EditKind::kDropChips).DropChips(Cell{0, 0}, Cell{30, 20}, DropMode::kMove);
  }
  std::unique_ptr<CEditorDocument> document;
  std::unique_ptr<CEditHistory> history;
};

void BM_UndoMoveOf10000Chips(benchmark::State& state) {
  MovedSelection moved;
  if (!moved.history->CanUndo() || !moved.document->Program().HasBox(129, 119)) {
    state.SkipWithError("the move did not happen");
    return;
  }
  state.counters["step_bytes"] = static_cast<double>(moved.history->RecordedBytes());
  for (auto _ : state) {
    moved.history->Undo();
    state.PauseTiming();
    moved.history->Redo();
    state.ResumeTiming();
  }
}
BENCHMARK(BM_UndoMoveOf10000Chips)->Unit(benchmark::kMillisecond);

void BM_RedoMoveOf10000Chips(benchmark::State& state) {
  MovedSelection moved;
  moved.history->Undo();
  if (!moved.history->CanRedo() || !moved.document->Program().HasBox(0, 0)) {
    state.SkipWithError("the undo did not happen");
    return;
  }
  for (auto _ : state) {
    moved.history->Redo();
    state.PauseTiming();
    moved.history->Undo();
    state.ResumeTiming();
  }
  state.counters["step_bytes"] = static_cast<double>(moved.history->RecordedBytes());
}
BENCHMARK(BM_RedoMoveOf10000Chips)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();

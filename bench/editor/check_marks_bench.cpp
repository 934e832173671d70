// The editor's re-check after one edit: a 20 x 20 program with a chip in
// every cell, one property changed through the document, then the findings
// brought up to date as the next frame does. Target: at most 0.2 ms.
#include <benchmark/benchmark.h>

#include <memory>
#include <string>

#include "catalogue/chip_catalogue.h"
#include "editor/check_marks.h"
#include "editor/editor_document.h"
#include "program/block_program.h"
#include "program/program_settings.h"

namespace {

constexpr char kCatalogue[] =
    "<define move>\ncode=MOVE:*1:*2\nproperty_num=2\n"
    "property1_name=dist\nproperty1_type=NUM\n"
    "property2_name=speed\nproperty2_type=SELECT;slow;fast\nproperty2_code=30;100\n"
    "</define>\n";

// Rows alternate right and left, turning down at their ends: every chip is
// on the one chain from the start.
std::unique_ptr<CBlockProgram> Snake(CChipCatalogue* catalogue, int side) {
  ProgramSettings settings;
  settings.columns = side;
  settings.rows = side;
  settings.roles = ChipRoles{"if", "loop", "then", "else", "again", "leave"};
  auto program = std::make_unique<CBlockProgram>();
  program->Init(catalogue, settings);
  for (int y = 0; y < side; ++y) {
    for (int x = 0; x < side; ++x) {
      const bool rightward = y % 2 == 0;
      const bool turn = rightward ? x == side - 1 : x == 0;
      program->AddBox(x, y, "move");
      program->SetBoxProperty(x, y, "to", turn ? "lower" : (rightward ? "right" : "left"));
      program->SetBoxProperty(x, y, "dist", std::to_string(x));
      program->SetBoxProperty(x, y, "speed", "slow");
    }
  }
  return program;
}

void BM_RecheckAfterOneEdit(benchmark::State& state) {
  const int side = static_cast<int>(state.range(0));
  CChipCatalogue catalogue;
  catalogue.Parse(kCatalogue);
  CEditorDocument document(&catalogue);
  CCheckMarks marks;
  document.AddObserver(&marks);
  document.Begin(EditKind::kReplaceProgram).ReplaceProgram(Snake(&catalogue, side));
  marks.Refresh(document.Program(), 0);
  // Each edit breaks and mends the number of the chip in the middle, so
  // every re-check has something to find or to drop.
  const int middle = side / 2;
  bool broken = false;
  DWORD now = 0;
  for (auto _ : state) {
    broken = !broken;
    document.Begin(EditKind::kSetProperties)
        .SetBoxProperty(middle, middle, "dist", broken ? "many" : "3");
    if (!marks.Refresh(document.Program(), ++now)) {
      state.SkipWithError("the edit was not checked");
      break;
    }
    benchmark::DoNotOptimize(marks.Findings().size());
  }
  document.RemoveObserver(&marks);
}
BENCHMARK(BM_RecheckAfterOneEdit)->Arg(20)->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();

// The checker on a 1000 x 1000 program with a chip in every cell (a chain
// that snakes through the whole grid, each chip with a number and a choice),
// the re-check of a 20 x 20 program after one edit, and the reader with and
// without its report of skipped lines.
#include <benchmark/benchmark.h>

#include <string>

#include "catalogue/chip_catalogue.h"
#include "check/program_check.h"
#include "codegen/bench_util.h"
#include "program/block_program.h"
#include "program/program_file.h"
#include "program/program_settings.h"

namespace {

constexpr char kCatalogue[] =
    "<define move>\ncode=MOVE:*1:*2\nproperty_num=2\n"
    "property1_name=dist\nproperty1_type=NUM\n"
    "property2_name=speed\nproperty2_type=SELECT;slow;fast\nproperty2_code=30;100\n"
    "</define>\n";

ProgramSettings Grid(int side) {
  ProgramSettings settings;
  settings.columns = side;
  settings.rows = side;
  settings.roles = ChipRoles{"if", "loop", "then", "else", "again", "leave"};
  return settings;
}

// Rows alternate right and left, turning down at their ends, so that every
// chip is on the one chain from the start.
void FillSnake(CBlockProgram& program, CChipCatalogue* catalogue, int side) {
  program.Init(catalogue, Grid(side));
  for (int y = 0; y < side; ++y) {
    for (int x = 0; x < side; ++x) {
      const bool rightward = y % 2 == 0;
      const bool turn = rightward ? x == side - 1 : x == 0;
      program.AddBox(x, y, "move");
      program.SetBoxProperty(x, y, "to", turn ? "lower" : (rightward ? "right" : "left"));
      program.SetBoxProperty(x, y, "dist", std::to_string(x));
      program.SetBoxProperty(x, y, "speed", "slow");
    }
  }
}

void CheckLargeProgram(benchmark::State& state) {
  CChipCatalogue catalogue;
  catalogue.Parse(kCatalogue);
  CBlockProgram program;
  FillSnake(program, &catalogue, 1000);
  std::size_t findings = 0;
  for (auto _ : state) {
    findings = CheckProgram(program).size();
    benchmark::DoNotOptimize(findings);
  }
  if (findings != 1) {  // the last chip's arrow leads off the grid
    state.SkipWithError("unexpected findings");
  }
  state.counters["peak_rss_MiB"] = PeakRssMiB();
}
BENCHMARK(CheckLargeProgram)->Unit(benchmark::kMillisecond);

void RecheckSmallProgramAfterAnEdit(benchmark::State& state) {
  CChipCatalogue catalogue;
  catalogue.Parse(kCatalogue);
  CBlockProgram program;
  FillSnake(program, &catalogue, 20);
  int n = 0;
  for (auto _ : state) {
    program.SetBoxProperty(7, 7, "dist", (++n % 2) != 0 ? "x" : "7");
    benchmark::DoNotOptimize(CheckProgram(program));
  }
}
BENCHMARK(RecheckSmallProgramAfterAnEdit)->Unit(benchmark::kMicrosecond);

// The largest grid the settings allow, with a chip in two corners: the
// check's own memory is a few bytes a cell, whatever the program holds.
void CheckLargestGrid(benchmark::State& state) {
  CChipCatalogue catalogue;
  catalogue.Parse(kCatalogue);
  CBlockProgram program;
  program.Init(&catalogue, Grid(4096));
  program.AddBox(0, 0, "move");
  program.AddBox(4095, 4095, "move");
  const double programMiB = PeakRssMiB();
  for (auto _ : state) {
    benchmark::DoNotOptimize(CheckProgram(program));
  }
  state.counters["program_MiB"] = programMiB;
  state.counters["peak_rss_MiB"] = PeakRssMiB();
}
BENCHMARK(CheckLargestGrid)->Unit(benchmark::kMillisecond);

std::string LargeFileText() {
  CBlockProgram program;
  FillSnake(program, nullptr, 1000);
  return FormatBlockProgram(program);
}

void ReadLargeFile(benchmark::State& state) {
  const std::string text = LargeFileText();
  for (auto _ : state) {
    benchmark::DoNotOptimize(ParseBlockProgram(nullptr, text, Grid(1000)));
  }
}
BENCHMARK(ReadLargeFile)->Unit(benchmark::kMillisecond);

void ReadLargeFileWithReport(benchmark::State& state) {
  const std::string text = LargeFileText();
  for (auto _ : state) {
    CReadReport report;
    benchmark::DoNotOptimize(ParseBlockProgram(nullptr, text, Grid(1000), &report));
  }
}
BENCHMARK(ReadLargeFileWithReport)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();

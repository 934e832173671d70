// Writing and reading a .bhb file with a box in every cell of a 1000 x 1000
// grid (1,000,000 boxes, each with an arrow and two properties). The targets:
// at most 0.25 s each way.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <string>

#include "codegen/bench_util.h"
#include "foundation/settings.h"
#include "program/block_program.h"
#include "program/program_file.h"
#include "program/program_settings.h"

namespace {

constexpr int kSide = 1000;

void FillGrid(CBlockProgram& program) {
  program.Init(nullptr, ProgramSettingsFrom(Settings));
  for (int y = 0; y < kSide; ++y) {
    for (int x = 0; x < kSide; ++x) {
      program.AddBox(x, y, "\x91\x4f\x90\x69");  // a CP932 chip name
      program.SetBoxProperty(x, y, "to", "right");
      program.SetBoxProperty(x, y, "\x8b\x97\x97\xa3", std::to_string(x));
      program.SetBoxProperty(x, y, "\x91\xac\x82\xb3", "\x82\xd3\x82\xc2\x82\xa4");
    }
  }
}

void WriteProgram(benchmark::State& state) {
  Settings = SettingsData{};
  Settings.MaxChipNumX = kSide;
  Settings.MaxChipNumY = kSide;
  CBlockProgram program;
  FillGrid(program);
  ScratchDir dir;
  for (auto _ : state) {
    if (WriteBlockProgram(dir.File("big.bhb"), program) != 1) {
      state.SkipWithError("the file was not written");
    }
  }
  state.counters["boxes"] = kSide * kSide;
  state.counters["peak_rss_MiB"] = PeakRssMiB();
}
BENCHMARK(WriteProgram)->Unit(benchmark::kMillisecond);

void ReadProgram(benchmark::State& state) {
  Settings = SettingsData{};
  Settings.MaxChipNumX = kSide;
  Settings.MaxChipNumY = kSide;
  ScratchDir dir;
  {
    CBlockProgram program;
    FillGrid(program);
    WriteBlockProgram(dir.File("big.bhb"), program);
  }
  ResetPeakRss();  // the peak of reading alone, not of making the file
  for (auto _ : state) {
    auto program = ReadBlockProgram(nullptr, dir.File("big.bhb"), ProgramSettingsFrom(Settings));
    if (!program || !program->HasBox(kSide - 1, kSide - 1)) {
      state.SkipWithError("the file was not read");
    }
  }
  state.counters["boxes"] = kSide * kSide;
  state.counters["peak_rss_MiB"] = PeakRssMiB();
}
BENCHMARK(ReadProgram)->Unit(benchmark::kMillisecond);

// A box and a general section whose keys stand in reverse order, the order
// in which inserting into a sorted list costs the most: reading must stay
// near linear in the keys (the target: a million keys in at most 1 s).
void ReadReversedKeys(benchmark::State& state) {
  const int keys = static_cast<int>(state.range(0));
  Settings = SettingsData{};
  std::string text = "<general>\r\n";
  char key[32];
  for (int i = keys; i > 0; --i) {
    text.append(key,
                static_cast<std::size_t>(std::snprintf(key, sizeof key, "g%08d=%d\r\n", i, i)));
  }
  text.append("</general>\r\n\r\n<box 0 0 go>\r\n");
  for (int i = keys; i > 0; --i) {
    text.append(key,
                static_cast<std::size_t>(std::snprintf(key, sizeof key, "k%08d=%d\r\n", i, i)));
  }
  text.append("</box>\r\n");
  for (auto _ : state) {
    auto program = ParseBlockProgram(nullptr, text, ProgramSettingsFrom(Settings));
    if (!program ||
        program->GetBox(0, 0)->Properties().size() != static_cast<std::size_t>(keys) + 1) {
      state.SkipWithError("the keys were not read");
    }
  }
  state.counters["keys"] = keys;
  state.counters["peak_rss_MiB"] = PeakRssMiB();
}
BENCHMARK(ReadReversedKeys)->Arg(10000)->Arg(50000)->Arg(1000000)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();

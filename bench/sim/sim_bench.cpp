// Benchmarks of the simulator: script lines stepped per second on a script
// that never moves (target: 5 million or more), and a 60-second simulated
// run of the avoid sample in its room (target: 50 ms of real time or less).
#include <benchmark/benchmark.h>

#include <fstream>
#include <iterator>
#include <string>

#include "sim/arena.h"
#include "sim/robot_script.h"
#include "sim/simulator.h"

namespace {

std::string ReadAll(const std::string& path) {
  std::ifstream file(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
}

// Counting, testing variables and jumping: no line here moves the clock,
// so the run ends at the step limit.
void BM_StepLinesWithoutMotion(benchmark::State& state) {
  const sim::CRobotScript script(
      "GLOBAL:n:0\r\n\r\n:a\r\nADD:n:1\r\nSET:m:3\r\nIF:n:LT:0\r\nGO:a\r\nELSE\r\n"
      "LED:R:ON\r\nGO:a\r\n");
  const sim::Arena arena;
  constexpr std::uint64_t kSteps = 1000000;
  for (auto _ : state) {
    sim::CSimulator simulator(arena, script, 0, sim::Limits{60, kSteps});
    simulator.Run();
    benchmark::DoNotOptimize(simulator.Steps());
  }
  state.SetItemsProcessed(static_cast<std::int64_t>(state.iterations() * kSteps));
}
BENCHMARK(BM_StepLinesWithoutMotion)->Unit(benchmark::kMillisecond);

void BM_AvoidSampleForAMinute(benchmark::State& state) {
  const sim::CRobotScript script(ReadAll(PELU_FIXTURES_DIR "/samples/avoid.r"));
  sim::Arena arena;
  std::string error;
  if (!sim::ParseArena(ReadAll(PELU_DATA_DIR "/arenas/avoid.arena"), &arena, &error) ||
      script.LineCount() == 0) {
    state.SkipWithError("cannot read the avoid sample or its arena");
    return;
  }
  for (auto _ : state) {
    sim::CSimulator simulator(arena, script, 0, sim::Limits{60, sim::kDefaultSteps});
    simulator.Run();
    benchmark::DoNotOptimize(simulator.GetPose());
  }
}
BENCHMARK(BM_AvoidSampleForAMinute)->Unit(benchmark::kMillisecond);

// The line sample for a minute: it never ends by itself and tests its sensor
// every 10 ms, so it is the busiest of the samples.
void BM_LineSampleForAMinute(benchmark::State& state) {
  const sim::CRobotScript script(ReadAll(PELU_FIXTURES_DIR "/samples/line.r"));
  sim::Arena arena;
  std::string error;
  if (!sim::ParseArena(ReadAll(PELU_DATA_DIR "/arenas/line.arena"), &arena, &error)) {
    state.SkipWithError("cannot read the line arena");
    return;
  }
  for (auto _ : state) {
    sim::CSimulator simulator(arena, script, 0, sim::Limits{60, sim::kDefaultSteps});
    simulator.Run();
    benchmark::DoNotOptimize(simulator.GetPose());
  }
}
BENCHMARK(BM_LineSampleForAMinute)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();

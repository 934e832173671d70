// The dry run's speed targets. An editor frame at 800 x 600 with the run
// panel open, every visible cell holding a chip and the robot driving at
// x16: at most 2 ms median. A tick of avoid in its own room at x16 (1.6 s
// simulated): well within the editor's 100 ms tick.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>

#include "catalogue/chip_catalogue.h"
#include "common/editor_bench_setup.h"
#include "display/display.h"
#include "display/object_registry.h"
#include "dryrun/dry_run.h"
#include "editor/editor_scene.h"
#include "foundation/settings.h"
#include "platform/headless.h"
#include "platform/platform.h"
#include "program/block_program.h"
#include "program/program_file.h"
#include "program/program_settings.h"
#include "test_skin.h"

namespace {

void Write(const std::string& path, const std::string& bytes) {
  const std::filesystem::path parent = std::filesystem::path(path).parent_path();
  if (!parent.empty()) {
    std::filesystem::create_directories(parent);
  }
  std::ofstream(path, std::ios::binary) << bytes;
}

std::string Read(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

void BM_EditorFrameWithDryRunPanel(benchmark::State& state) {
  BenchDirectory dir("dryrun-bench");
  if (dir.Path().empty()) {
    state.SkipWithError("no temporary directory");
    return;
  }
  Settings = SettingsData{};
  editor_test::WriteTestSkin(dir.Path());
  editor_test::WriteTestCatalogue(
      dir.Path(),
      "<define go>\r\nshortname=G\r\ncategory=0\r\ncode=MOVE:FWD:10:60\r\n</define>\r\n");
  WriteBenchSettings(dir.Path());
  platform::StartHeadless(Settings.ScreenWidth, Settings.ScreenHeight);
  auto display = std::make_unique<CDisplay>();
  if (display->Init(DisplaySettingsFrom(Settings)) != 1) {
    state.SkipWithError("display");
    return;
  }
  g_display = display.get();
  auto registry = std::make_unique<CObjectRegistry>();
  g_registry = registry.get();
  {
    CEditorScene scene;
    scene.Enter(0);
    const VisibleCells cells = CellsInView(scene);
    {
      // Every visible cell holds a chip; the top two rows' first columns
      // are a ring that drives for ever.
      CEditorDocument::CAction action = scene.Document().Begin(EditKind::kPlaceChip);
      for (int y = 0; y < cells.rows; ++y) {
        for (int x = 0; x < cells.columns; ++x) {
          action.AddBox(x, y, "go");
        }
      }
      action.SetBoxProperty(0, 0, "to", "right");
      action.SetBoxProperty(1, 0, "to", "lower");
      action.SetBoxProperty(1, 1, "to", "left");
      action.SetBoxProperty(0, 1, "to", "upper");
    }
    const HWND window = platform::MainWindow();
    scene.HandleMessage(window, WM_KEYDOWN, VK_F9, 0);
    scene.HandleMessage(window, WM_KEYDOWN, '3', 0);  // x16
    scene.HandleMessage(window, WM_KEYDOWN, VK_SPACE, 0);
    const int presentedBefore = platform::headless::PresentCount();
    const CDryRun& run = scene.DryRun().Run();
    double driven = 0;
    for (auto _ : state) {
      scene.HandleMessage(window, WM_APP_TICK, 0, 0);
      if (run.State() != DryRunState::kRunning) {
        // Ten simulated minutes are over: the same run again.
        state.PauseTiming();
        driven += run.Simulator().Distance();
        scene.HandleMessage(window, WM_KEYDOWN, VK_HOME, 0);
        scene.HandleMessage(window, WM_KEYDOWN, VK_SPACE, 0);
        state.ResumeTiming();
      }
    }
    driven += run.Simulator().Distance();
    state.counters["driven_cm"] = driven;
    if (platform::headless::PresentCount() == presentedBefore || driven <= 0) {
      state.SkipWithError("the robot did not drive with the panel open");
    }
  }
  g_registry = nullptr;
  g_display = nullptr;
  registry.reset();
  display.reset();
  platform::Shutdown();
}

void BM_DryRunAvoidTickAtX16(benchmark::State& state) {
  BenchDirectory dir("dryrun-bench");
  if (dir.Path().empty()) {
    state.SkipWithError("no temporary directory");
    return;
  }
  const std::string data = PELU_DATA_DIR;
  Write("ChipDB.txt", Read(data + "/ChipDB.txt"));
  Write("setting.ini", Read(data + "/setting.ini"));
  Write("avoid.bhb", Read(data + "/samples/avoid.bhb"));
  Write("avoid.arena", Read(data + "/arenas/avoid.arena"));
  LoadSettings();
  CChipCatalogue catalogue;
  catalogue.Load();
  std::unique_ptr<CBlockProgram> program =
      ReadBlockProgram(&catalogue, "avoid.bhb", ProgramSettingsFrom(Settings));
  sim::Arena arena;
  std::string error;
  CDryRun run;
  if (!program || !ReadArenaFile("avoid.arena", &arena, &error) ||
      !run.Start(*program, arena, &error)) {
    state.SkipWithError("avoid");
    return;
  }
  run.SetSpeed(DryRunSpeed::kX16);
  run.Run();
  for (auto _ : state) {
    run.Tick(0.1);
    if (run.State() != DryRunState::kRunning) {
      state.PauseTiming();
      run.Restart();
      run.Run();
      state.ResumeTiming();
    }
  }
}

}  // namespace

BENCHMARK(BM_EditorFrameWithDryRunPanel)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_DryRunAvoidTickAtX16)->Unit(benchmark::kMicrosecond);
BENCHMARK_MAIN();

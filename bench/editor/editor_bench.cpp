// One editor frame, headless: every visible cell holds a chip with a
// two-line summary and an arrow, while a 20-chip selection is being dragged.
// Targets: 800 x 600 at most 4 ms median, 1920 x 1080 at most 12 ms, and a
// 1000 x 1000 grid as fast as a 20 x 20 one (only the cells in view are
// visited); "look" 1 is a skin of the current kind (category cards and
// glyphs, smoothed texts, translucent ghosts), held to the same targets.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <array>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>

#include "common/editor_bench_setup.h"
#include "display/chip_look.h"
#include "display/display.h"
#include "display/object_registry.h"
#include "editor/editor_scene.h"
#include "foundation/settings.h"
#include "platform/headless.h"
#include "platform/platform.h"
#include "program/block_program.h"
#include "test_skin.h"

namespace {

// Whether the last frame shows a colour, each channel at most one step off
// (a blend may round either way).
bool ShowsColour(const editor_test::Rgb& want) {
  const SurfaceView frame = platform::headless::LastPresented();
  auto channels = [&frame](std::uint32_t p) {
    if (frame.format == PixelFormat::kRgb565) {
      return std::array<int, 3>{static_cast<int>(p >> 11), static_cast<int>(p >> 5 & 0x3F),
                                static_cast<int>(p & 0x1F)};
    }
    return std::array<int, 3>{static_cast<int>(p >> 16 & 0xFF), static_cast<int>(p >> 8 & 0xFF),
                              static_cast<int>(p & 0xFF)};
  };
  const std::array<int, 3> expected = channels(MapRgb(frame.format, want.r, want.g, want.b));
  for (int y = 0; y < frame.height; ++y) {
    for (int x = 0; x < frame.width; ++x) {
      const std::array<int, 3> got = channels(frame.PixelAt(x, y));
      if (std::abs(got[0] - expected[0]) <= 1 && std::abs(got[1] - expected[1]) <= 1 &&
          std::abs(got[2] - expected[2]) <= 1) {
        return true;
      }
    }
  }
  return false;
}

// Whether the last frame shows the dragged chips' picture: the design's
// moving chip, or in the current look only the ghosts of the cards, which
// over the black margins are the card darkened by the ghost's opacity.
bool ShowsDraggedChips(editor_test::SkinKind kind) {
  if (kind == editor_test::SkinKind::kDesign) {
    return ShowsColour(editor_test::kMovingChip);
  }
  const editor_test::Rgb c = editor_test::kCategory0;
  auto dim = [](unsigned char v) { return static_cast<unsigned char>(v * kGhostOpacity / 255); };
  return ShowsColour(editor_test::Rgb{dim(c.r), dim(c.g), dim(c.b)}) &&
         !ShowsColour(editor_test::kMovingChip);
}

void BM_EditorFrameWhileDragging(benchmark::State& state) {
  BenchDirectory dir("editor-bench");
  if (dir.Path().empty()) {
    state.SkipWithError("no temporary directory");
    return;
  }
  Settings = SettingsData{};
  Settings.ScreenWidth = static_cast<int>(state.range(0));
  Settings.ScreenHeight = static_cast<int>(state.range(1));
  Settings.MaxChipNumX = static_cast<int>(state.range(2));
  Settings.MaxChipNumY = static_cast<int>(state.range(2));
  const auto kind = static_cast<editor_test::SkinKind>(state.range(3));
  editor_test::WriteTestSkin(dir.Path(), kind);
  editor_test::WriteTestCatalogue(dir.Path(), kBenchCatalogue);
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
    const GridGeometry& g = scene.ScrollView().Geometry();
    const VisibleCells cells = FillViewWithSelectedChips(scene);
    // Press on the first selected chip and move to the middle of the screen.
    const POINT chip = scene.ScrollView().CellToScreen(0, 0, CoordSpace::kScreen);
    platform::headless::SetCursor(chip.x + 20, chip.y + 20);
    platform::headless::SetKeyDown(VK_LBUTTON, true);
    scene.HandleMessage(platform::MainWindow(), WM_LBUTTONDOWN, 0,
                        MakeLParam(chip.x + 20, chip.y + 20));
    platform::headless::SetCursor(g.screenWidth / 2, g.screenHeight / 2);
    // The first frame is drawn on a clear screen and looked at: the test
    // skin's small background tiles leave the margins to keep what earlier
    // frames drew there, and ghosts over them pile up.
    const int presentedBefore = platform::headless::PresentCount();
    display->ClearScreen(0);
    scene.Update();
    const bool shows = ShowsDraggedChips(kind);
    for (auto _ : state) {
      scene.Update();
    }
    state.counters["cells"] = cells.columns * cells.rows;
    if (platform::headless::PresentCount() == presentedBefore || !shows) {
      state.SkipWithError("the frame does not show the drag");
    }
  }
  g_registry = nullptr;
  g_display = nullptr;
  registry.reset();
  display.reset();
  platform::Shutdown();
}

}  // namespace

BENCHMARK(BM_EditorFrameWhileDragging)
    ->ArgNames({"width", "height", "grid", "look"})
    ->Args({800, 600, 20, 0})
    ->Args({1920, 1080, 20, 0})
    ->Args({800, 600, 1000, 0})
    ->Args({800, 600, 20, 1})
    ->Args({1920, 1080, 20, 1})
    ->Unit(benchmark::kMillisecond)
    ->Repetitions(5)
    ->ReportAggregatesOnly(true);

BENCHMARK_MAIN();

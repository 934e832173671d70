// One editor frame as the user sees it: every visible cell holds a chip with
// a two-line summary and an arrow, a 20-chip selection is dragged, and the
// frame goes through the window front end into a real SDL window: the
// comparison with the frame on screen, the texture upload of the rows that
// changed and the renderer's present. The dragged chips move between two
// cells on every frame, so every frame differs from the one before and is
// uploaded and presented; "unchanged" frames repeat the last picture, which
// the window then does not upload or present again.
//
// Targets: 800 x 600 at most 1 ms median, 1920 x 1080 at most 3 ms median
// (dragging, with presentation).
//
// Medians under Xvfb with the software renderer (wall / CPU): before the
// changed rows went straight into the window's surface, after it (both on a
// busy two-core machine), and after sprites and unsmoothed texts were
// copied along their runs of pixels (the same machine idle, three runs):
//   dragging  800 x 600    1.48 / 0.87 ms  ->  1.10 / 0.77 ms  ->  0.63-0.83 / 0.55-0.71 ms
//   dragging  1920 x 1080  7.51 / 4.03 ms  ->  3.37 / 3.21 ms  ->  1.95-2.52 / 1.87-2.36 ms
//   unchanged 800 x 600    1.03 / 0.65 ms  ->  0.67 / 0.65 ms  ->  0.46-0.50 / 0.46-0.50 ms
//   unchanged 1920 x 1080  4.28 / 2.70 ms  ->  3.04 / 2.91 ms  ->  1.86-2.02 / 1.86-2.02 ms
// What is left at 1920 x 1080 is drawing the frame (SDL's blend of the
// smoothed texts and ghosts among it, see bench/editor) and comparing it
// with the one on screen.
//
// Needs an X server: run it under Xvfb, for example
//   Xvfb -displayfd 3 -screen 0 1920x1200x24 3>display.txt &
//   export DISPLAY=:$(cat display.txt) SDL_RENDER_DRIVER=software
//   SDL_FRAMEBUFFER_ACCELERATION=0 build-rel/bench/present/present_bench
// Without DISPLAY every case is skipped with a message. The label names the
// SDL renderer that presented (SDL_RENDER_DRIVER chooses one); under Xvfb
// the software renderer is what a machine without a GPU gets, and with
// SDL_FRAMEBUFFER_ACCELERATION=0 it sends the window's pixels to the X
// server itself instead of through an OpenGL context of its own.
//
// Left out: the wait for the vertical blank. The program asks for it, and a
// renderer that cannot wait for it (the software one) is paced by SDL to the
// display's rate instead, which would make every presented frame last a
// refresh period whatever it cost. The bench turns it off
// (SDL_RENDER_VSYNC=0), so the time is the work: ours, SDL's and the X
// server's, whose answer to the upload SDL waits for. Under a busy machine
// the CPU column (this process only) is the steadier figure.
#include <SDL.h>
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>

#include "common/editor_bench_setup.h"
#include "display/display.h"
#include "display/object_registry.h"
#include "editor/editor_scene.h"
#include "foundation/settings.h"
#include "platform/platform.h"
#include "platform/sdl_window.h"
#include "program/block_program.h"
#include "test_skin.h"

namespace {

enum class Motion { kDragging, kUnchanged };

// Whether the frame shows the dragged chips' picture.
bool ShowsDraggedChips(const SurfaceView& frame) {
  const std::uint32_t moving = MapRgb(frame.format, editor_test::kMovingChip.r,
                                      editor_test::kMovingChip.g, editor_test::kMovingChip.b);
  for (int y = 0; y < frame.height; ++y) {
    for (int x = 0; x < frame.width; ++x) {
      if (frame.PixelAt(x, y) == moving) {
        return true;
      }
    }
  }
  return false;
}

// The renderer's name, for the label.
std::string RendererName() {
  SDL_RendererInfo info{};
  if (platform::sdl::Renderer() == nullptr ||
      SDL_GetRendererInfo(platform::sdl::Renderer(), &info) != 0 || info.name == nullptr) {
    return "no renderer";
  }
  return info.name;
}

// The pointer as a tool moves it: an SDL event of no window, which speaks
// of the frame's coordinates, translated by the window front end as a real
// one is.
void PushPointer(Uint32 type, int x, int y) {
  SDL_Event event{};
  event.type = type;
  if (type == SDL_MOUSEMOTION) {
    event.motion.x = x;
    event.motion.y = y;
    event.motion.state = SDL_BUTTON_LMASK;
  } else {
    event.button.button = SDL_BUTTON_LEFT;
    event.button.state = type == SDL_MOUSEBUTTONDOWN ? SDL_PRESSED : SDL_RELEASED;
    event.button.clicks = 1;
    event.button.x = x;
    event.button.y = y;
  }
  SDL_PushEvent(&event);
}

// The mouse messages go to the scene, as the window procedure routes them;
// the rest (activation, the window's own events) are dropped.
void Deliver(CEditorScene& scene) {
  platform::MSG msg;
  while (platform::PeekMessage(&msg)) {
    if (msg.message >= WM_MOUSEMOVE && msg.message <= WM_RBUTTONUP) {
      scene.HandleMessage(msg.hwnd, msg.message, msg.wParam, msg.lParam);
    }
  }
}

void BM_EditorFramePresented(benchmark::State& state, Motion motion) {
  if (std::getenv("DISPLAY") == nullptr) {
    state.SkipWithError("needs an X server: set DISPLAY (for example under Xvfb)");
    return;
  }
  BenchDirectory dir("present-bench");
  if (dir.Path().empty()) {
    state.SkipWithError("no temporary directory");
    return;
  }
  Settings = SettingsData{};
  Settings.ScreenWidth = static_cast<int>(state.range(0));
  Settings.ScreenHeight = static_cast<int>(state.range(1));
  Settings.MaxChipNumX = 20;
  Settings.MaxChipNumY = 20;
  editor_test::WriteTestSkin(dir.Path());
  editor_test::WriteTestCatalogue(dir.Path(), kBenchCatalogue);
  WriteBenchSettings(dir.Path());

  SDL_SetHint(SDL_HINT_RENDER_VSYNC, "0");
  platform::WindowOptions options;
  options.width = Settings.ScreenWidth;
  options.height = Settings.ScreenHeight;
  options.title = "PELU BLOCK present bench";
  std::string error;
  if (!platform::StartWindowed(options, &error)) {
    state.SkipWithError(("no window: " + error).c_str());
    return;
  }
  auto display = std::make_unique<CDisplay>();
  if (display->Init(DisplaySettingsFrom(Settings)) != 1) {
    platform::Shutdown();
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
    // Press on the first selected chip and move to the middle of the
    // screen; while dragging, the pointer then moves one cell to the right
    // and back on every other frame.
    const POINT chip = scene.ScrollView().CellToScreen(0, 0, CoordSpace::kScreen);
    PushPointer(SDL_MOUSEMOTION, chip.x + 20, chip.y + 20);
    PushPointer(SDL_MOUSEBUTTONDOWN, chip.x + 20, chip.y + 20);
    const POINT centre{g.screenWidth / 2, g.screenHeight / 2};
    PushPointer(SDL_MOUSEMOTION, centre.x, centre.y);
    Deliver(scene);
    scene.Update();
    if (!platform::IsKeyDown(VK_LBUTTON)) {
      state.SkipWithError("the pressed button did not reach the window front end");
    }
    bool right = false;
    for (auto _ : state) {
      if (motion == Motion::kDragging) {
        right = !right;
        PushPointer(SDL_MOUSEMOTION, centre.x + (right ? g.pitchX : 0), centre.y);
      }
      Deliver(scene);
      scene.Update();
    }
    state.counters["cells"] = cells.columns * cells.rows;
    state.SetLabel(RendererName());
    if (!ShowsDraggedChips(display->BackSurface())) {
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

BENCHMARK_CAPTURE(BM_EditorFramePresented, dragging, Motion::kDragging)
    ->ArgNames({"width", "height"})
    ->Args({800, 600})
    ->Args({1920, 1080})
    ->Unit(benchmark::kMillisecond)
    ->Repetitions(5)
    ->ReportAggregatesOnly(true);
BENCHMARK_CAPTURE(BM_EditorFramePresented, unchanged, Motion::kUnchanged)
    ->ArgNames({"width", "height"})
    ->Args({800, 600})
    ->Args({1920, 1080})
    ->Unit(benchmark::kMillisecond)
    ->Repetitions(5)
    ->ReportAggregatesOnly(true);

BENCHMARK_MAIN();

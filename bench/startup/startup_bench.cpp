// Start-up to the first presented title frame: settings, the front end,
// AppInit (display with its fonts, registry, title scene with its skin) and
// the first frame, in the run directory the build assembles.
//
// The first frame is the one that the first WM_APP_TICK draws; the bench
// posts that tick at once. With a real window, set DISPLAY (for example under
// Xvfb); without one the windowed case is skipped.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include "foundation/settings.h"
#include "platform/headless.h"
#include "platform/platform.h"
#include "shell/app.h"

namespace {

bool StartFrontEnd(bool windowed) {
  if (!windowed) {
    platform::StartHeadless(Settings.ScreenWidth, Settings.ScreenHeight);
    return true;
  }
  platform::WindowOptions options;
  options.width = Settings.ScreenWidth;
  options.height = Settings.ScreenHeight;
  options.title = kAppTitle;
  std::string error;
  return platform::StartWindowed(options, &error);
}

void StartupToFirstTitleFrame(benchmark::State& state, bool windowed) {
  if (chdir(PELU_RUN_DIR) != 0) {
    state.SkipWithError("no run directory: build the rundir target");
    return;
  }
  for (auto _ : state) {
    LoadSettings();
    if (!StartFrontEnd(windowed)) {
      state.SkipWithError("no window can be opened here (set DISPLAY)");
      break;
    }
    platform::SetWindowProc(WindowProcedure);
    platform::SetWindowText(kNewFileTitle);
    if (AppInit() == 0) {
      state.SkipWithError("AppInit failed");
      break;
    }
    platform::DispatchMessage(platform::MSG{platform::MainWindow(), WM_APP_TICK, 0, 0});
    if (!windowed && platform::headless::PresentCount() != 1) {
      state.SkipWithError("the title scene presented no frame");
      break;
    }
    state.PauseTiming();
    AppTerm();
    platform::Shutdown();
    state.ResumeTiming();
  }
  AppTerm();
  platform::Shutdown();
}

void BM_StartupHeadless(benchmark::State& state) {
  StartupToFirstTitleFrame(state, false);
}
void BM_StartupWindowed(benchmark::State& state) {
  StartupToFirstTitleFrame(state, true);
}

BENCHMARK(BM_StartupHeadless)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_StartupWindowed)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();

// The cost of one editor-sized frame on the headless platform: an 800 x 600
// back surface, 500 sprite copies and 200 outlined texts, then presenting.
// The target is a median of at most 4 ms with the text cache warm; the
// other benchmarks show what a cold text and the display's start cost.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "display/display.h"
#include "display/object_registry.h"
#include "foundation/settings.h"
#include "foundation/texts.h"
#include "platform/platform.h"

namespace {

constexpr int kScreenWidth = 800;
constexpr int kScreenHeight = 600;
constexpr int kSprites = 500;
constexpr int kTexts = 200;

std::string Le32(std::uint32_t v) {
  return std::string{static_cast<char>(v), static_cast<char>(v >> 8), static_cast<char>(v >> 16),
                     static_cast<char>(v >> 24)};
}

// A 24-bit bitmap of chip-like 80 x 50 sprites: a coloured body with a
// black (transparent) margin and rounded corners, as the skin's chips have.
std::string ChipSheet(int width, int height) {
  std::string pixels;
  const int rowBytes = (width * 3 + 3) / 4 * 4;
  for (int y = height - 1; y >= 0; --y) {
    std::string row;
    for (int x = 0; x < width; ++x) {
      const int cx = x % 80;
      const int cy = y % 50;
      const bool corner = (cx < 3 || cx > 76) && (cy < 3 || cy > 46);
      const bool margin = cx == 0 || cy == 0 || cx == 79 || cy == 49;
      const bool body = !corner && !margin;
      row += static_cast<char>(body ? 0x30 + cx : 0);
      row += static_cast<char>(body ? 0x80 : 0);
      row += static_cast<char>(body ? 0xC0 - cy : 0);
    }
    row.resize(static_cast<std::size_t>(rowBytes), '\0');
    pixels += row;
  }
  std::string info = Le32(40) + Le32(static_cast<std::uint32_t>(width)) +
                     Le32(static_cast<std::uint32_t>(height)) + std::string("\x01\x00\x18\x00", 4) +
                     Le32(0) + Le32(static_cast<std::uint32_t>(pixels.size())) + Le32(0) + Le32(0) +
                     Le32(0) + Le32(0);
  return "BM" + Le32(static_cast<std::uint32_t>(54 + pixels.size())) + Le32(0) + Le32(54) + info +
         pixels;
}

// A scratch directory with a skin, a display and a registry, as the editor
// has them.
class Scene {
 public:
  explicit Scene(int fullScreen) {
    m_dir = std::filesystem::temp_directory_path() / ("pelu-bench-" + std::to_string(getpid()));
    std::filesystem::create_directories(m_dir / "skin");
    std::filesystem::current_path(m_dir);
    std::ofstream("skin/chips.bmp", std::ios::binary) << ChipSheet(320, 100);
    std::ofstream skin("skin/def_skn.txt", std::ios::binary);
    skin << ">main\n";
    for (int i = 0; i < 8; ++i) {
      skin << "#chip" << i << ",skin/chips.bmp," << (i % 4) * 80 << "," << (i / 4) * 50
           << ",80,50\n";
    }
    skin.close();
    Settings.ScreenWidth = kScreenWidth;
    Settings.ScreenHeight = kScreenHeight;
    Settings.FullScreen = fullScreen;
    platform::StartHeadless(kScreenWidth, kScreenHeight);
    if (m_display.Init(DisplaySettingsFrom(Settings)) != 1) {
      std::abort();
    }
    g_display = &m_display;
    g_registry = &m_registry;
    if (m_registry.LoadSkin("main") != 1) {
      std::abort();
    }
    for (int i = 0; i < 8; ++i) {
      m_registry.CreateObject("chip" + std::to_string(i), "chip" + std::to_string(i), 0, 0);
    }
    // The short names and property summaries of a full grid: 100 different
    // texts, each drawn twice a frame, half of them Japanese.
    for (int i = 0; i < 100; ++i) {
      m_texts.push_back(i % 2 == 0 ? "Forward " + std::to_string(i * 10) + " mm"
                                   : std::string(text::kMenuTransfer) + std::to_string(i));
    }
  }
  ~Scene() {
    g_registry = nullptr;
    g_display = nullptr;
    platform::Shutdown();
    std::error_code ignored;
    std::filesystem::current_path(m_dir.parent_path(), ignored);
    std::filesystem::remove_all(m_dir, ignored);
  }

  void Frame() {
    m_display.ClearScreen(0);
    for (int i = 0; i < kSprites; ++i) {
      // A grid of 100 x 70 cells, some of them half off the screen.
      const int x = (i % 25) * 100 - 40;
      const int y = (i / 25) * 30;
      m_registry.DrawAt(m_names[static_cast<std::size_t>(i % 8)], x, y);
    }
    for (int i = 0; i < kTexts; ++i) {
      const int x = (i % 10) * 80;
      const int y = (i / 10) * 30;
      m_display.DrawText(x, y, 0xFFFFFF, 0x404040, "%s",
                         m_texts[static_cast<std::size_t>(i % 100)].c_str());
    }
    m_display.Present();
  }

  CDisplay& Display() { return m_display; }

 private:
  std::filesystem::path m_dir;
  CDisplay m_display;
  CObjectRegistry m_registry;
  std::vector<std::string> m_texts;
  std::vector<std::string> m_names{"chip0", "chip1", "chip2", "chip3",
                                   "chip4", "chip5", "chip6", "chip7"};
};

// The display's start as the application meets it: the first in the
// process, when fontconfig reads its configuration and caches. Registered
// first so that it runs before any other benchmark has started a display.
void BM_DisplayFirstInit(benchmark::State& state) {
  Settings.ScreenWidth = kScreenWidth;
  Settings.ScreenHeight = kScreenHeight;
  platform::StartHeadless(kScreenWidth, kScreenHeight);
  for (auto _ : state) {
    CDisplay display;
    benchmark::DoNotOptimize(display.Init(DisplaySettingsFrom(Settings)));
  }
  platform::Shutdown();
}
BENCHMARK(BM_DisplayFirstInit)->Iterations(1)->Unit(benchmark::kMillisecond);

// Argument 0: a window's 32-bit pixels; 1: full screen's 16-bit pixels.
void BM_FrameWarmTextCache(benchmark::State& state) {
  Scene scene(static_cast<int>(state.range(0)));
  scene.Frame();  // fills the text cache
  for (auto _ : state) {
    scene.Frame();
  }
}
BENCHMARK(BM_FrameWarmTextCache)
    ->Arg(0)
    ->Arg(1)
    ->Unit(benchmark::kMillisecond)
    ->Repetitions(5)
    ->ReportAggregatesOnly(true);

void BM_OutlinedTextCold(benchmark::State& state) {
  Scene scene(0);
  std::uint64_t n = 0;
  for (auto _ : state) {
    // A text never drawn before: converted, rendered, outlined and cached.
    scene.Display().DrawText(10, 10, 0xFFFFFF, 0x404040, "Forward %llu mm",
                             static_cast<unsigned long long>(n++));
  }
}
BENCHMARK(BM_OutlinedTextCold)->Unit(benchmark::kMicrosecond);

// Later starts, with fontconfig already initialised.
void BM_DisplayInit(benchmark::State& state) {
  Settings.ScreenWidth = kScreenWidth;
  Settings.ScreenHeight = kScreenHeight;
  platform::StartHeadless(kScreenWidth, kScreenHeight);
  for (auto _ : state) {
    CDisplay display;
    benchmark::DoNotOptimize(display.Init(DisplaySettingsFrom(Settings)));
  }
  platform::Shutdown();
}
BENCHMARK(BM_DisplayInit)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();

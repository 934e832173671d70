// Fuzzes the skin definition file: the section lookup, the entry lines, the
// bitmap loading they trigger and the drawing of what was loaded, on a
// headless display in a scratch directory holding a few real bitmaps.
//
// The first line of the input names the section to load; the rest is the
// file's text.
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <string_view>

#include "display/display.h"
#include "display/object_registry.h"
#include "foundation/settings.h"
#include "platform/platform.h"

namespace {

// A 2 x 2 24-bit bitmap with one black (transparent) pixel.
std::string SmallBitmap() {
  auto le32 = [](std::uint32_t v) {
    return std::string{static_cast<char>(v), static_cast<char>(v >> 8), static_cast<char>(v >> 16),
                       static_cast<char>(v >> 24)};
  };
  const std::string pixels("\xFF\x00\x00\x00\x00\x00\x00\x00\x00\xFF\x00\x00\xFF\xFF\xFF\x00", 16);
  std::string info = le32(40) + le32(2) + le32(2) + std::string("\x01\x00\x18\x00", 4) + le32(0) +
                     le32(16) + le32(0) + le32(0) + le32(0) + le32(0);
  return "BM" + le32(static_cast<std::uint32_t>(54 + pixels.size())) + le32(0) + le32(54) + info +
         pixels;
}

struct World {
  World() {
    root = std::filesystem::temp_directory_path() / ("pelu-fuzz-skin-" + std::to_string(getpid()));
    std::filesystem::create_directories(root / "skin" / "folder.bmp");
    std::filesystem::current_path(root);
    std::ofstream("skin/a.bmp", std::ios::binary) << SmallBitmap();
    std::ofstream("skin/b.bmp", std::ios::binary) << SmallBitmap();
    std::ofstream("skin/not.bmp", std::ios::binary) << "not a bitmap";
    Settings.ScreenWidth = 64;
    Settings.ScreenHeight = 48;
    platform::StartHeadless(64, 48);
    if (display.Init(DisplaySettingsFrom(Settings)) != 1) {
      std::abort();
    }
    g_display = &display;
  }
  ~World() {
    g_display = nullptr;
    std::error_code ignored;
    std::filesystem::current_path(root.parent_path(), ignored);
    std::filesystem::remove_all(root, ignored);
  }
  std::filesystem::path root;
  CDisplay display;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static World world;
  std::string_view input(reinterpret_cast<const char*>(data), size);
  const std::size_t newline = input.find('\n');
  const std::string section(input.substr(0, newline));
  const std::string_view text =
      newline == std::string_view::npos ? std::string_view() : input.substr(newline + 1);

  CObjectRegistry registry;
  registry.Symbols().LoadSectionFromText(text, section);
  // Draw whatever the usual names ended up as, whole, in parts and tiled.
  for (const char* name : {"a", "b", "title", "chip", "x"}) {
    registry.CreateObject(name, name, 3, 5);
    registry.Draw(name);
    registry.DrawTiled(name, 50, 37);
    registry.Symbols().DrawSymbolPart(name, -7, 40, 11, 13);
  }
  registry.DrawAll();
  registry.Clear();
  // Nothing of this run stays in the log.
  std::filesystem::remove("ErrLog.txt");
  return 0;
}

// What the editor frame benchmarks set up alike: a working directory of their
// own with the skin, catalogue and settings, and a grid whose every visible
// cell holds a chip.
#pragma once

#include <stdlib.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <string>

#include "editor/editor_scene.h"

// A temporary working directory, made current for the benchmark's time and
// removed at its end; Path() is empty when none could be made.
class BenchDirectory {
 public:
  explicit BenchDirectory(const char* name) {
    std::string pattern = std::string("/tmp/pelu-") + name + "-XXXXXX";
    if (mkdtemp(pattern.data()) != nullptr && getcwd(m_previous, sizeof(m_previous)) != nullptr) {
      m_path = pattern;
      if (chdir(m_path.c_str()) != 0) {
        m_path.clear();
      }
    }
  }
  ~BenchDirectory() {
    if (!m_path.empty()) {
      static_cast<void>(chdir(m_previous));
      std::error_code ignored;
      std::filesystem::remove_all(m_path, ignored);
    }
  }
  BenchDirectory(const BenchDirectory&) = delete;
  BenchDirectory& operator=(const BenchDirectory&) = delete;
  const std::string& Path() const { return m_path; }

 private:
  std::string m_path;
  char m_previous[4096] = {};
};

// A setting.ini whose scroll bars keep to the test skin's small sprites.
inline void WriteBenchSettings(const std::string& directory) {
  const std::filesystem::path ini = std::filesystem::path(directory) / "setting.ini";
  if (std::FILE* f = std::fopen(ini.c_str(), "wb")) {
    std::fputs(
        "[general]\r\nScrollBarWidthPercent=50\r\nScrollBarHeightPercent=50\r\n"
        "MinSliderWidth=30\r\nMinSliderHeight=30\r\n",
        f);
    std::fclose(f);
  }
}

// The cells that can be in view at scroll (0, 0).
struct VisibleCells {
  int columns = 0;
  int rows = 0;
};

inline VisibleCells CellsInView(const CEditorScene& scene) {
  const GridGeometry& g = scene.ScrollView().Geometry();
  return VisibleCells{std::min(g.columns, g.screenWidth / g.pitchX + 2),
                      std::min(g.rows, g.screenHeight / g.pitchY + 2)};
}

// Every cell in view holds a "bench" chip with a two-line summary and an
// arrow, and the first 20 of them are selected for a drag.
inline VisibleCells FillViewWithSelectedChips(CEditorScene& scene) {
  const VisibleCells cells = CellsInView(scene);
  {
    CEditorDocument::CAction action = scene.Document().Begin(EditKind::kPlaceChip);
    for (int y = 0; y < cells.rows; ++y) {
      for (int x = 0; x < cells.columns; ++x) {
        action.AddBox(x, y, "bench");
        action.SetBoxProperty(x, y, "speed", std::to_string(x * 10 + y));
        action.SetBoxProperty(x, y, "time", "1500");
        action.SetBoxProperty(x, y, "to", (x + y) % 2 == 0 ? "right" : "lower");
      }
    }
  }
  for (int i = 0; i < 20; ++i) {
    scene.Selection().Select(Cell{i % cells.columns, i / cells.columns});
  }
  return cells;
}

// The catalogue of the "bench" chip, whose summary shows speed and time.
inline constexpr char kBenchCatalogue[] =
    "<define bench>\r\nshortname=Move\r\ncategory=0\r\ndisplay=*S=;speed:*T=;time\r\n"
    "</define>\r\n";

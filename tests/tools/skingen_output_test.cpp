// Runs the skin generator into a temporary run directory and reads what it
// wrote as the editor does: the skin file's lines and every bitmap, once.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include "display/bmp_reader.h"
#include "support/temp_dir.h"

namespace {

// The generator's exit status, or -1 when it died; env is "NAME=value " or "".
int RunSkingen(const std::string& runDir, const std::string& env = "") {
  const int status = std::system((env + "'" PELU_SKINGEN "' '" + runDir + "'").c_str());
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

struct Entry {
  std::string section, name, path;
  int x, y, w, h;
};

class SkinOutputTest : public ::testing::Test {
 public:
  static void SetUpTestSuite() {
    s_dir = new ScopedTempDir;
    s_status = RunSkingen(s_dir->Path());
    std::istringstream text(s_dir->ReadFile("skin/def_skn.txt"));
    std::string section;
    for (std::string line; std::getline(text, line, '\n');) {
      // The editor reads at most 254 characters at a time, in CR LF lines.
      if (line.size() > 255u || !line.ends_with("\r") ||
          !std::all_of(line.begin(), line.end(),
                       [](char c) { return c == '\r' || (c >= 0x20 && c < 0x7F); })) {
        s_problems.push_back("not a short CR LF line of ASCII: " + line);
      }
      if (line.starts_with(">")) {
        s_headers.push_back(section = line.substr(1, line.size() - 2));
      }
      if (!line.starts_with("#")) {
        continue;  // a comment or a blank line
      }
      char name[256], path[256];
      Entry e{section, "", "", 0, 0, 0, 0};
      int end = 0;
      if (std::sscanf(line.c_str(), "#%255[^, ] , %255[^, ] , %d , %d , %d , %d %n", name, path,
                      &e.x, &e.y, &e.w, &e.h, &end) != 6 ||
          end != static_cast<int>(line.size())) {
        s_problems.push_back("not an entry: " + line);
        continue;
      }
      e.name = name;
      e.path = path;
      // A name listed twice would be overwritten by the later entry.
      if (!s_entries.emplace(e.name, e).second) {
        s_problems.push_back("listed twice: " + e.name);
      }
      // The editor opens the path relative to the run directory, '\' parted.
      std::replace(path, path + e.path.size(), '\\', '/');
      if (!e.path.starts_with("skin\\") || e.path.find('/') != std::string::npos ||
          (!s_bitmaps.contains(e.path) && !DecodeBmp(s_dir->ReadFile(path), &s_bitmaps[e.path]))) {
        s_problems.push_back("unreadable: " + e.path);
      }
      const DecodedBitmap& b = s_bitmaps[e.path];
      if (e.x < 0 || e.y < 0 || e.w <= 0 || e.h <= 0 || e.x + e.w > b.width ||
          e.y + e.h > b.height) {
        s_problems.push_back("runs past its bitmap: " + e.name);
      }
    }
  }
  static void TearDownTestSuite() { delete s_dir; }
  void SetUp() override { ASSERT_EQ(s_status, 0) << "skingen failed"; }

  static const Entry& Find(const std::string& name) {
    EXPECT_TRUE(s_entries.contains(name)) << "missing sprite " << name;
    return s_entries[name];
  }
  // A sprite's pixel at (x, y); at() throws, failing the test, past the bitmap.
  static std::uint32_t Pixel(const Entry& e, int x, int y) {
    const DecodedBitmap& b = s_bitmaps[e.path];
    return b.pixels.at(static_cast<std::size_t>((e.y + y) * b.width + e.x + x));
  }
  // The key pixels of a sprite within [x0, x1) x [y0, y1).
  static int KeyPixels(const std::string& name, int x0, int y0, int x1, int y1) {
    int n = 0;
    for (int i = 0; i < (x1 - x0) * (y1 - y0); ++i) {
      n += Pixel(Find(name), x0 + i % (x1 - x0), y0 + i / (x1 - x0)) == 0 ? 1 : 0;
    }
    return n;
  }

  static inline ScopedTempDir* s_dir = nullptr;
  static inline int s_status = -1;
  static inline std::vector<std::string> s_headers, s_problems;
  static inline std::map<std::string, Entry> s_entries;
  static inline std::map<std::string, DecodedBitmap> s_bitmaps;
};

TEST_F(SkinOutputTest, SkinFileReadsAsTheEditorReadsItAndHasEverySpriteInItsSection) {
  EXPECT_EQ(s_problems, std::vector<std::string>{});
  // A section runs to the end of the file, so "main" comes last.
  EXPECT_EQ(s_headers, (std::vector<std::string>{"title", "setting", "main"}));
  // "a|b|-c" are the states a, b and b-c of one object: one hit box, and
  // each state looking unlike the others.
  std::istringstream list(
      "title: title setting: setting-background setting-fullscreen setting-ip "
      "setting-use|setting-no-use "
      "setting-back|-hover main: background chip|movingchip|nopchip "
      "chip-frame|-hover|-select|-start arrow-left|-true|-false arrow-right|-true|-false "
      "arrow-upper|-true|-false arrow-lower|-true|-false scrollbar-x scrollbar-left "
      "scrollbar-right slider-x scrollbar-button-left|-hover scrollbar-button-right|-hover "
      "scrollbar-y scrollbar-upper scrollbar-lower slider-y scrollbar-button-up|-hover "
      "scrollbar-button-down|-hover newchip-window newchip-chipbar|-hover "
      "newchip-scrollbar-up|-hover newchip-scrollbar-down|-hover property-row|-active "
      "property-row-info property-row-update|-hover property-row-cancel|-hover "
      "property-row-listbox|-hover check-mark-error|check-mark-warning "
      "chip-category0|chip-category1|chip-category2|chip-category3|chip-unknown "
      "category-glyph0|category-glyph1|category-glyph2|category-glyph3 chip-unknown-mark "
      "dryrun-panel dryrun-step|-hover dryrun-line|-hover dryrun-run|-hover "
      "dryrun-pause|-hover dryrun-x1|-hover dryrun-x4|-hover dryrun-x16|-hover "
      "dryrun-fast|-hover dryrun-restart|-hover");
  std::string section;
  for (std::string group; list >> group;) {
    if (group.ends_with(":")) {
      section = group.substr(0, group.size() - 1);
      continue;
    }
    std::replace(group.begin(), group.end(), '|', ' ');
    std::istringstream names(group);
    const Entry* first = nullptr;
    for (std::string name; names >> name;) {
      const Entry& e = Find(name.starts_with("-") ? first->name + name : name);
      EXPECT_EQ(e.section, section) << e.name;
      first = first != nullptr ? first : &e;
      ASSERT_EQ(std::make_pair(e.w, e.h), std::make_pair(first->w, first->h)) << e.name;
      int differing = 0;
      for (int i = 0; i < e.w * e.h; ++i) {
        differing += Pixel(e, i % e.w, i / e.w) != Pixel(*first, i % e.w, i / e.w) ? 1 : 0;
      }
      EXPECT_TRUE(&e == first || differing * 20 >= e.w * e.h)
          << e.name << " looks like " << first->name;
    }
  }
}

TEST_F(SkinOutputTest, SizesAndPixelsTheScreensRelyOn) {
  // The sizes the editor's layout assumes: "name width height", 0 for any.
  std::istringstream sizes(
      "title 640 360 background 200 200 chip 80 50 chip-frame 80 50 scrollbar-x 0 15 "
      "slider-x 0 15 scrollbar-left 0 15 scrollbar-right 0 15 scrollbar-y 15 0 slider-y 15 0 "
      "scrollbar-upper 15 0 scrollbar-lower 15 0 chip-category0 80 50 chip-category3 80 50 "
      "chip-unknown 80 50");
  std::string name;
  for (int w, h; sizes >> name >> w >> h;) {
    EXPECT_TRUE((w == 0 || Find(name).w == w) && (h == 0 || Find(name).h == h)) << name;
  }
  // Full screen converts every bitmap to RGB565, where black is the key: a
  // colour that is not black but converts to 0 would vanish there.
  for (const auto& [path, bitmap] : s_bitmaps) {
    EXPECT_FALSE(std::any_of(bitmap.pixels.begin(), bitmap.pixels.end(), [](std::uint32_t c) {
      return c != 0 && (c & 0xF8FCF8) == 0;
    })) << path;
  }
  // The editor never clears its frame, so the tiles must cover it; the
  // hover and selection frames must let a chip's name and summary show.
  EXPECT_EQ(KeyPixels("background", 0, 0, 200, 200), 0);
  // The current look asks for smoothed texts on a line of its own.
  EXPECT_NE(s_dir->ReadFile("skin/def_skn.txt").find("\r\n!text, smooth\r\n"), std::string::npos);
  // A glyph and the unknown mark are shapes on the key, not filled boxes.
  for (const char* name : {"category-glyph0", "category-glyph3", "chip-unknown-mark"}) {
    const int key = KeyPixels(name, 0, 0, Find(name).w, Find(name).h);
    EXPECT_TRUE(key > 0 && key < Find(name).w * Find(name).h) << name;
  }
  EXPECT_EQ(KeyPixels("chip-frame-hover", 5, 4, 75, 46), 70 * 42);
  EXPECT_EQ(KeyPixels("chip-frame-select", 5, 4, 75, 46), 70 * 42);
}

TEST(SkinGeneratorTest, FailsAndLeavesNoSkinWithoutAJapaneseFontOrAPlaceToWrite) {
  // A font configuration that lists no fonts: the labels could not be drawn.
  ScopedTempDir dir;
  dir.WriteFile("fonts.conf", "<?xml version=\"1.0\"?>\n<fontconfig></fontconfig>\n");
  EXPECT_NE(RunSkingen(dir.Path(), "FONTCONFIG_FILE=" + dir.Path() + "/fonts.conf "), 0);
  EXPECT_FALSE(dir.Exists("skin/def_skn.txt"));
  // A file where the skin directory should go.
  dir.WriteFile("skin", "in the way");
  EXPECT_NE(RunSkingen(dir.Path()), 0);
}

}  // namespace

// Runs the skin generator into a temporary run directory and checks what
// the editor will rely on: the skin file's shape and sections, every sprite
// name, bitmaps that the editor's own reader takes, rectangles inside them,
// the sizes the layout needs, and pixels that stay visible (or transparent)
// where they must.
#include <gtest/gtest.h>
#include <spawn.h>
#include <sys/wait.h>

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <map>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "display/bmp_reader.h"

extern char** environ;

namespace {

namespace fs = std::filesystem;

// The generator's exit status, or -1 when it could not be started or died.
// extraEnv ("NAME=value") is added to the test's own environment.
int RunSkingen(const fs::path& runDir, std::string extraEnv = {}) {
  std::string program = PELU_SKINGEN;
  std::string dir = runDir.string();
  char* argv[] = {program.data(), dir.data(), nullptr};
  std::vector<char*> env;
  if (!extraEnv.empty()) {
    env.push_back(extraEnv.data());
  }
  for (char** e = environ; *e != nullptr; ++e) {
    env.push_back(*e);
  }
  env.push_back(nullptr);
  pid_t pid = 0;
  int status = 0;
  if (posix_spawn(&pid, program.c_str(), nullptr, nullptr, argv, env.data()) != 0 ||
      waitpid(pid, &status, 0) != pid || !WIFEXITED(status)) {
    return -1;
  }
  return WEXITSTATUS(status);
}

// A temporary directory, removed with everything in it afterwards.
struct TempDir {
  fs::path path;
  TempDir() {
    std::string pattern = (fs::temp_directory_path() / "pelu-skin-XXXXXX").string();
    path = mkdtemp(pattern.data()) != nullptr ? pattern : "";
  }
  ~TempDir() {
    std::error_code ec;
    fs::remove_all(path, ec);
  }
};

std::string Slurp(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream s;
  s << in.rdbuf();
  return s.str();
}

struct Entry {
  std::string section, name, path;
  int x = 0, y = 0, w = 0, h = 0;
};

// One generated skin for the whole suite, read independently of the
// generator's writer: the skin file by the editor's rules, the bitmaps by the
// editor's reader.
class SkinOutputTest : public ::testing::Test {
 public:
  static void SetUpTestSuite() {
    s_dir = new TempDir;
    s_status = RunSkingen(s_dir->path);
    std::istringstream text(Slurp(s_dir->path / "skin" / "def_skn.txt"));
    std::string section;
    for (std::string line; std::getline(text, line, '\n');) {
      s_lines.push_back(line);
      if (line.starts_with(">")) {
        section = line.substr(1, line.size() - 2);
        s_headers.push_back(section);
      } else if (line.starts_with("#")) {
        // Six fields parted by the editor's separators, four of them numbers.
        std::istringstream fields(line.substr(1));
        std::vector<std::string> f;
        for (std::string field; std::getline(fields, field, ',');) {
          std::erase_if(field, [](unsigned char c) { return std::isspace(c); });
          f.push_back(field);
        }
        Entry e{section, f.empty() ? "" : f[0], f.size() > 1 ? f[1] : ""};
        if (f.size() != 6 || !(std::istringstream(f[2] + " " + f[3] + " " + f[4] + " " + f[5]) >>
                               e.x >> e.y >> e.w >> e.h)) {
          s_broken.push_back(line);
          continue;
        }
        s_entries.push_back(e);
      }
    }
    for (const Entry& e : s_entries) {
      std::string native = e.path;
      std::replace(native.begin(), native.end(), '\\', '/');
      if (!s_bitmaps.contains(e.path) &&
          !DecodeBmp(Slurp(s_dir->path / native), &s_bitmaps[e.path])) {
        s_unreadable.push_back(e.path);
      }
    }
  }

  static void TearDownTestSuite() { delete s_dir; }
  void SetUp() override { ASSERT_EQ(s_status, 0) << "skingen failed"; }

  static const Entry& Find(const std::string& name) {
    static const Entry kNone{"", "", "", 0, 0, 1, 1};
    for (const Entry& e : s_entries) {
      if (e.name == name) {
        return e;
      }
    }
    ADD_FAILURE() << "missing sprite " << name;
    return kNone;
  }

  // The pixel (x, y) of a sprite, in sprite coordinates; black outside its
  // bitmap (which the first test reports).
  static std::uint32_t Pixel(const Entry& e, int x, int y) {
    static const DecodedBitmap kNoBitmap;
    const auto found = s_bitmaps.find(e.path);
    const DecodedBitmap& b = found != s_bitmaps.end() ? found->second : kNoBitmap;
    x += e.x;
    y += e.y;
    return x >= 0 && y >= 0 && x < b.width && y < b.height
               ? b.pixels[static_cast<std::size_t>(y * b.width + x)]
               : 0;
  }

  // The key (black) pixels of a sprite within [x0, x1) x [y0, y1).
  static int KeyPixels(const Entry& e, int x0, int y0, int x1, int y1) {
    int n = 0;
    for (int y = y0; y < y1; ++y) {
      for (int x = x0; x < x1; ++x) {
        n += Pixel(e, x, y) == 0 ? 1 : 0;
      }
    }
    return n;
  }

  static inline TempDir* s_dir = nullptr;
  static inline int s_status = -1;
  static inline std::vector<std::string> s_lines;  // without their line feeds
  static inline std::vector<std::string> s_headers;
  static inline std::vector<std::string> s_broken;
  static inline std::vector<Entry> s_entries;
  static inline std::map<std::string, DecodedBitmap> s_bitmaps;
  static inline std::vector<std::string> s_unreadable;
};

TEST_F(SkinOutputTest, SkinFileReadsAsTheEditorReadsItAndNamesReadableBitmaps) {
  ASSERT_FALSE(s_lines.empty());
  for (const std::string& line : s_lines) {
    // The editor reads at most 254 characters at a time; a longer line would
    // be cut into pieces that are lines of their own.
    EXPECT_LE(line.size(), 255u) << line;
    EXPECT_TRUE(line.ends_with("\r")) << "not a CR LF line: " << line;
    EXPECT_TRUE(std::all_of(line.begin(), line.end(),
                            [](char c) { return c == '\r' || (c >= 0x20 && c < 0x7F); }))
        << "not plain ASCII: " << line;
  }
  // A section runs to the end of the file, so each screen also loads the
  // ones after it, and "main" must come last.
  EXPECT_EQ(s_headers, (std::vector<std::string>{"title", "setting", "main"}));
  EXPECT_EQ(s_broken, std::vector<std::string>{});
  // A repeated name would be overwritten by the later entry when an earlier
  // section is loaded with those after it.
  std::set<std::string> names;
  for (const Entry& e : s_entries) {
    EXPECT_TRUE(names.insert(e.name).second) << "sprite listed twice: " << e.name;
  }

  EXPECT_EQ(s_unreadable, std::vector<std::string>{});
  std::map<std::string, std::string> byFolded;  // lower case, '/' separators -> text
  for (const auto& [path, bitmap] : s_bitmaps) {
    // The editor opens the path with '\' as the separator, relative to the
    // run directory, and shares a bitmap only between byte-equal texts.
    EXPECT_TRUE(path.starts_with("skin\\")) << path;
    EXPECT_EQ(path.find('/'), std::string::npos) << path;
    std::string folded = path;
    std::transform(folded.begin(), folded.end(), folded.begin(),
                   [](char c) { return c == '\\' ? '/' : static_cast<char>(std::tolower(c)); });
    EXPECT_TRUE(byFolded.emplace(folded, path).second) << path << " and " << byFolded[folded];
  }
  for (const Entry& e : s_entries) {
    EXPECT_TRUE(e.x >= 0 && e.y >= 0 && e.w > 0 && e.h > 0) << e.name;
    EXPECT_LE(e.x + e.w, s_bitmaps[e.path].width) << e.name << " runs past its bitmap";
    EXPECT_LE(e.y + e.h, s_bitmaps[e.path].height) << e.name << " runs past its bitmap";
  }
}

TEST_F(SkinOutputTest, EverySpriteIsInItsSectionAndItsVariantsMatchInSizeButNotInLook) {
  // Every sprite the editor draws, by section. Names joined by '|' are the
  // states of one object, which keeps its hit box when its sprite changes:
  // they must share a size, and a state that looks like another tells the
  // user nothing.
  const std::map<std::string, std::string> sections = {
      {"title", "title"},
      {"setting",
       "setting-fullscreen setting-ip setting-use|setting-no-use "
       "setting-back|setting-back-hover"},
      {"main",
       "background chip|movingchip|nopchip "
       "chip-frame|chip-frame-hover|chip-frame-select|chip-frame-start "
       "arrow-left|arrow-left-true|arrow-left-false arrow-right|arrow-right-true|arrow-right-false "
       "arrow-upper|arrow-upper-true|arrow-upper-false "
       "arrow-lower|arrow-lower-true|arrow-lower-false "
       "scrollbar-x scrollbar-left scrollbar-right slider-x "
       "scrollbar-button-left|scrollbar-button-left-hover "
       "scrollbar-button-right|scrollbar-button-right-hover "
       "scrollbar-y scrollbar-upper scrollbar-lower slider-y "
       "scrollbar-button-up|scrollbar-button-up-hover "
       "scrollbar-button-down|scrollbar-button-down-hover "
       "newchip-window newchip-chipbar|newchip-chipbar-hover "
       "newchip-scrollbar-up|newchip-scrollbar-up-hover "
       "newchip-scrollbar-down|newchip-scrollbar-down-hover "
       "property-row|property-row-active property-row-info "
       "property-row-update|property-row-update-hover "
       "property-row-cancel|property-row-cancel-hover "
       "property-row-listbox|property-row-listbox-hover"}};
  for (const auto& [section, list] : sections) {
    std::istringstream groups(list);
    for (std::string group; groups >> group;) {
      std::replace(group.begin(), group.end(), '|', ' ');
      std::istringstream names(group);
      const Entry* first = nullptr;
      for (std::string name; names >> name;) {
        const Entry& e = Find(name);
        EXPECT_EQ(e.section, section) << name;
        if (first == nullptr) {
          first = &e;
          continue;
        }
        ASSERT_EQ(std::make_pair(e.w, e.h), std::make_pair(first->w, first->h)) << name;
        int differing = 0;
        for (int y = 0; y < e.h; ++y) {
          for (int x = 0; x < e.w; ++x) {
            differing += Pixel(e, x, y) != Pixel(*first, x, y) ? 1 : 0;
          }
        }
        EXPECT_GE(differing * 20, e.w * e.h) << name << " looks like " << first->name;
      }
    }
  }
}

TEST_F(SkinOutputTest, SizesFitTheScreensLayout) {
  constexpr int N = 1 << 20;  // no bound
  struct Bounds {
    const char* name;
    int minW, maxW, minH, maxH;
  } bounds[] = {
      {"title", 640, 640, 360, 360},
      {"background", 200, 200, 200, 200},  // tiles are placed every 200 pixels
      {"chip", 80, 80, 50, 50},
      {"chip-frame", 80, 80, 50, 50},
      // Arrows are centred in the 20-pixel margins between chips.
      {"arrow-left", 1, 20, 1, 49},
      {"arrow-right", 1, 20, 1, 49},
      {"arrow-upper", 1, 79, 1, 20},
      {"arrow-lower", 1, 79, 1, 20},
      // Scroll bars are 15 pixels thick; the right (lower) cap fills the 3
      // pixels between the track's end and the button.
      {"scrollbar-x", 1, N, 15, 15},
      {"slider-x", 1, N, 15, 15},
      {"scrollbar-left", 1, N, 15, 15},
      {"scrollbar-right", 1, 3, 15, 15},
      {"scrollbar-y", 15, 15, 1, N},
      {"slider-y", 15, 15, 1, N},
      {"scrollbar-upper", 15, 15, 1, N},
      {"scrollbar-lower", 15, 15, 1, 3},
      {"scrollbar-button-left", 1, 15, 1, 16},
      {"scrollbar-button-right", 1, 15, 1, 16},
      {"scrollbar-button-up", 1, 16, 1, 15},
      {"scrollbar-button-down", 1, 16, 1, 15},
      // Palette bars are 21 pixels apart, the up button 20 above the first.
      {"newchip-chipbar", 1, N, 17, 21},
      {"newchip-scrollbar-up", 1, N, 1, 20},
      // Property rows: name at +10, value at +105, unit at width - 20.
      {"property-row", 250, N, 17, N},
      // Menu entries such as "ストレージカードに保存" are drawn at +10 of a list row.
      {"property-row-listbox", 150, N, 1, N},
      {"property-row-info", 300, N, 40, N},
      // The settings screen: "back" at (W - 120, H - 50).
      {"setting-back", 1, 120, 1, 50},
  };
  for (const Bounds& b : bounds) {
    const Entry& e = Find(b.name);
    EXPECT_TRUE(e.w >= b.minW && e.w <= b.maxW) << b.name << " is " << e.w << " wide";
    EXPECT_TRUE(e.h >= b.minH && e.h <= b.maxH) << b.name << " is " << e.h << " high";
  }
  // The palette: up button at +5, bar i at +25 + 21 i, down button at
  // +27 + 21 n, for ten bars; bars at x + 5.
  const Entry &window = Find("newchip-window"), &bar = Find("newchip-chipbar");
  const Entry &up = Find("newchip-scrollbar-up"), &down = Find("newchip-scrollbar-down");
  EXPECT_LE(5 + std::max({bar.w, up.w, down.w}), window.w);
  EXPECT_LE(27 + 21 * 10 + down.h, window.h);
  // OK and cancel share the row under the properties.
  const Entry &row = Find("property-row"), &ok = Find("property-row-update"),
              &cancel = Find("property-row-cancel");
  EXPECT_EQ(ok.w + cancel.w, row.w);
  EXPECT_TRUE(ok.h == row.h && cancel.h == row.h);
  // On an 800 x 600 screen the label at (30, 50) ends before the switch at
  // (300, 50), both above the note at (30, 100).
  const Entry &label = Find("setting-fullscreen"), &use = Find("setting-use");
  EXPECT_LE(30 + label.w, 300);
  EXPECT_LE(50 + std::max(label.h, use.h), 100);
  EXPECT_LE(300 + use.w, 800);
  EXPECT_LE(30 + Find("setting-ip").w, 800);
}

struct Area {
  const Entry* sprite;
  int x0, y0, x1, y1;
};

// Areas of sprites written as "name x0 y0 x1 y1, ..."; an x1 or y1 of 0 or
// less counts from the sprite's right or bottom edge.
std::vector<Area> Areas(const std::string& list) {
  std::vector<Area> areas;
  std::istringstream rows(list);
  for (std::string row; std::getline(rows, row, ',');) {
    std::istringstream fields(row);
    std::string name;
    Area a{};
    fields >> name >> a.x0 >> a.y0 >> a.x1 >> a.y1;
    a.sprite = &SkinOutputTest::Find(name);
    a.x1 += a.x1 > 0 ? 0 : a.sprite->w;
    a.y1 += a.y1 > 0 ? 0 : a.sprite->h;
    areas.push_back(a);
  }
  return areas;
}

TEST_F(SkinOutputTest, PixelsStayVisibleSolidOrClearWhereTheyMust) {
  // Full screen converts every bitmap to RGB565, where black is the key: a
  // colour that is not black but converts to 0 would vanish there.
  for (const auto& [path, bitmap] : s_bitmaps) {
    EXPECT_EQ(std::count_if(bitmap.pixels.begin(), bitmap.pixels.end(),
                            [](std::uint32_t c) { return c != 0 && (c & 0xF8FCF8) == 0; }),
              0)
        << path;
  }
  // The editor never clears its frame: the background tiles must cover it.
  EXPECT_EQ(KeyPixels(Find("background"), 0, 0, 200, 200), 0);
  EXPECT_LT(KeyPixels(Find("title"), 0, 0, 640, 360), 640 * 360 / 100);
  // Where the editor draws text the sprite must be solid.
  for (const Area& a : Areas(
           "chip 6 3 -6 -3, nopchip 6 3 -6 -3, newchip-window 8 8 -8 -8, newchip-chipbar 3 2 -3 -2,"
           "newchip-chipbar-hover 3 2 -3 -2, property-row 1 1 -1 -1, property-row-active 1 1 -1 -1,"
           "property-row-listbox 1 1 -1 -1, property-row-listbox-hover 1 1 -1 -1,"
           "property-row-update 4 3 -4 -3, property-row-update-hover 4 3 -4 -3,"
           "property-row-cancel 4 3 -4 -3, property-row-cancel-hover 4 3 -4 -3,"
           "property-row-info 8 12 -8 -8")) {
    EXPECT_EQ(KeyPixels(*a.sprite, a.x0, a.y0, a.x1, a.y1), 0) << a.sprite->name;
  }
  // The hover and selection frames lie over a chip: its short name at
  // (+5, +4) and summary lines from (+8, +20) must show through.
  for (const char* frame : {"chip-frame-hover", "chip-frame-select"}) {
    EXPECT_EQ(KeyPixels(Find(frame), 5, 4, 75, 46), 70 * 42) << frame;
  }
  // The dragged chip is a ghost: a good part of it lets the grid show.
  EXPECT_GT(KeyPixels(Find("movingchip"), 0, 0, 80, 50), 80 * 50 / 4);
}

TEST_F(SkinOutputTest, WhiteTextReadsOnTheSpritesItIsDrawnOn) {
  // White text (with a thin outline) needs a contrast of at least 3:1
  // against the mean luminance of the area it is drawn on.
  auto linear = [](std::uint32_t c, int shift) {
    const double s = (c >> shift & 0xFF) / 255.0;
    return s <= 0.03928 ? s / 12.92 : std::pow((s + 0.055) / 1.055, 2.4);
  };
  for (const Area& a :
       Areas("chip 5 4 60 17, chip 8 20 72 46, nopchip 5 4 60 17, nopchip 8 20 72 46,"
             "newchip-chipbar 5 4 100 16, newchip-chipbar-hover 5 4 100 16,"
             "property-row 10 4 280 16, property-row-active 10 4 280 16,"
             "property-row-listbox 10 4 150 16, property-row-listbox-hover 10 4 150 16,"
             "property-row-update 50 4 100 16, property-row-update-hover 50 4 100 16,"
             "property-row-cancel 30 4 120 16, property-row-cancel-hover 30 4 120 16")) {
    double sum = 0;
    for (int y = a.y0; y < a.y1; ++y) {
      for (int x = a.x0; x < a.x1; ++x) {
        const std::uint32_t c = Pixel(*a.sprite, x, y);
        sum += 0.2126 * linear(c, 16) + 0.7152 * linear(c, 8) + 0.0722 * linear(c, 0);
      }
    }
    const double mean = sum / ((a.x1 - a.x0) * (a.y1 - a.y0));
    EXPECT_GE(1.05 / (mean + 0.05), 3.0) << a.sprite->name << " at " << a.x0 << "," << a.y0;
  }
}

TEST_F(SkinOutputTest, ExitArrowsAreGreenForTrueAndRedForFalse) {
  for (const char* dir : {"left", "right", "upper", "lower"}) {
    for (const std::string variant : {"", "-true", "-false"}) {
      const Entry& e = Find(std::string("arrow-") + dir + variant);
      double r = 0, g = 0, b = 0;
      int n = 0;
      for (int y = 0; y < e.h; ++y) {
        for (int x = 0; x < e.w; ++x) {
          const std::uint32_t c = Pixel(e, x, y);
          if (c != 0) {
            r += c >> 16 & 0xFF, g += c >> 8 & 0xFF, b += c & 0xFF, ++n;
          }
        }
      }
      ASSERT_GT(n, e.w * e.h / 4) << e.name << " is nearly empty";
      r /= n, g /= n, b /= n;
      if (variant == "-true") {
        EXPECT_TRUE(g > r + 40 && g > b) << e.name;
      } else if (variant == "-false") {
        EXPECT_TRUE(r > g + 40 && r > b) << e.name;
      } else {
        EXPECT_GT(std::min({r, g, b}), 150) << e.name << " is not light";
      }
    }
  }
}

TEST_F(SkinOutputTest, SameSkinOnEveryRun) {
  TempDir again;
  ASSERT_EQ(RunSkingen(again.path), 0);
  std::size_t files = 0;
  for (const auto& entry : fs::directory_iterator(s_dir->path / "skin")) {
    EXPECT_EQ(Slurp(entry.path()), Slurp(again.path / "skin" / entry.path().filename()))
        << entry.path().filename();
    ++files;
  }
  EXPECT_EQ(files, static_cast<std::size_t>(std::distance(
                       fs::directory_iterator(again.path / "skin"), fs::directory_iterator())));
}

TEST(SkinGeneratorTest, FailsAndLeavesNoSkinWithoutAJapaneseFontOrAPlaceToWrite) {
  // A font configuration that lists no fonts at all: the labels could not
  // be drawn.
  TempDir noFonts;
  ASSERT_FALSE(noFonts.path.empty());
  const fs::path conf = noFonts.path / "fonts.conf";
  std::ofstream(conf) << "<?xml version=\"1.0\"?>\n<fontconfig></fontconfig>\n";
  EXPECT_NE(RunSkingen(noFonts.path, "FONTCONFIG_FILE=" + conf.string()), 0);
  EXPECT_FALSE(fs::exists(noFonts.path / "skin" / "def_skn.txt"));
  // A file where the skin directory should go.
  TempDir blocked;
  std::ofstream(blocked.path / "skin") << "in the way";
  EXPECT_NE(RunSkingen(blocked.path), 0);
  EXPECT_NE(RunSkingen(blocked.path / "skin" / "deeper"), 0);
}

}  // namespace

// Runs the skin generator into a temporary run directory and checks what the
// editor relies on: the skin file's shape, every sprite name, bitmaps its own
// reader takes, the sizes the layout needs and pixels visible where they must.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "display/bmp_reader.h"
#include "support/temp_dir.h"

namespace {

// The generator's exit status, or -1 when it died; env ("NAME=value ")
// is set for it alone.
int RunSkingen(const std::string& runDir, const std::string& env = "") {
  const int status = std::system((env + "'" PELU_SKINGEN "' '" + runDir + "'").c_str());
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

struct Entry {
  std::string section, name, path;
  int x = 0, y = 0, w = 0, h = 0;
};

// A sprite and four numbers, from lists written "name a b c d, ..."; as an
// area x0 y0 x1 y1, an x1 or y1 of 0 or less counts from the right or bottom.
struct Row {
  const Entry* sprite;
  int v[4];
};

// One generated skin for the whole suite, read independently of the
// generator's writer: the skin file by the editor's rules, the bitmaps by the
// editor's reader.
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
        section = line.substr(1, line.size() - 2);
        s_headers.push_back(section);
      } else if (line.starts_with("#")) {
        // Six comma-parted fields, four of them numbers, spaces allowed.
        char name[256], path[256];
        Entry e{section, "", ""};
        int end = 0;
        if (std::sscanf(line.c_str(), "#%255[^, ] , %255[^, ] , %d , %d , %d , %d %n", name, path,
                        &e.x, &e.y, &e.w, &e.h, &end) != 6 ||
            end != static_cast<int>(line.size())) {
          s_problems.push_back("not an entry: " + line);
          continue;
        }
        e.name = name;
        e.path = path;
        s_entries.push_back(e);
      }
    }
    for (const Entry& e : s_entries) {
      std::string native = e.path;
      std::replace(native.begin(), native.end(), '\\', '/');
      if (!s_bitmaps.contains(e.path) && !DecodeBmp(s_dir->ReadFile(native), &s_bitmaps[e.path])) {
        s_problems.push_back("unreadable: " + e.path);
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

  // The pixel (x, y) of a sprite, in sprite coordinates; black outside its bitmap.
  static std::uint32_t Pixel(const Entry& e, int x, int y) {
    const DecodedBitmap& b = s_bitmaps[e.path];
    x += e.x;
    y += e.y;
    return x >= 0 && y >= 0 && x < b.width && y < b.height
               ? b.pixels[static_cast<std::size_t>(y * b.width + x)]
               : 0;
  }

  // The key (black) pixels of a sprite in the area [x0, x1) x [y0, y1).
  static int KeyPixels(const Row& r) {
    int n = 0;
    for (int y = r.v[1]; y < r.v[3]; ++y) {
      for (int x = r.v[0]; x < r.v[2]; ++x) {
        n += Pixel(*r.sprite, x, y) == 0 ? 1 : 0;
      }
    }
    return n;
  }

  static inline ScopedTempDir* s_dir = nullptr;
  static inline int s_status = -1;
  static inline std::vector<std::string> s_headers;
  static inline std::vector<std::string> s_problems;
  static inline std::vector<Entry> s_entries;
  static inline std::map<std::string, DecodedBitmap> s_bitmaps;
};

std::vector<Row> Rows(const std::string& list) {
  std::vector<Row> rows;
  std::istringstream text(list);
  for (std::string line; std::getline(text, line, ',');) {
    std::istringstream fields(line);
    std::string name;
    Row r{};
    fields >> name >> r.v[0] >> r.v[1] >> r.v[2] >> r.v[3];
    r.sprite = &SkinOutputTest::Find(name);
    r.v[2] += r.v[2] > 0 ? 0 : r.sprite->w;
    r.v[3] += r.v[3] > 0 ? 0 : r.sprite->h;
    rows.push_back(r);
  }
  return rows;
}

TEST_F(SkinOutputTest, SkinFileReadsAsTheEditorReadsItAndNamesReadableBitmaps) {
  EXPECT_EQ(s_problems, std::vector<std::string>{});
  // A section runs to the end of the file, so "main" comes last, and a name
  // listed twice would be overwritten by the later entry.
  EXPECT_EQ(s_headers, (std::vector<std::string>{"title", "setting", "main"}));
  std::set<std::string> names;
  for (const Entry& e : s_entries) {
    EXPECT_TRUE(names.insert(e.name).second) << "sprite listed twice: " << e.name;
    // The editor opens the path relative to the run directory, '\' parted.
    EXPECT_TRUE(e.path.starts_with("skin\\") && e.path.find('/') == std::string::npos) << e.path;
    const DecodedBitmap& b = s_bitmaps[e.path];
    EXPECT_TRUE(e.x >= 0 && e.y >= 0 && e.w > 0 && e.h > 0 && e.x + e.w <= b.width &&
                e.y + e.h <= b.height)
        << e.name << " runs past its bitmap";
    for (const Entry& f : s_entries) {
      EXPECT_TRUE(&e == &f || e.path != f.path || e.x + e.w <= f.x || f.x + f.w <= e.x ||
                  e.y + e.h <= f.y || f.y + f.h <= e.y)
          << e.name << " overlaps " << f.name;
    }
  }
}

TEST_F(SkinOutputTest, EverySpriteIsInItsSectionAndItsVariantsMatchInSizeButNotInLook) {
  // Names joined by '|' are the states of one object, which keeps its hit
  // box when its sprite changes; a state that looks like another tells the
  // user nothing.
  std::istringstream list(
      "title: title setting: setting-fullscreen setting-ip setting-use|setting-no-use "
      "setting-back|setting-back-hover main: background chip|movingchip|nopchip "
      "chip-frame|chip-frame-hover|chip-frame-select|chip-frame-start "
      "arrow-left|arrow-left-true|arrow-left-false arrow-right|arrow-right-true|arrow-right-false "
      "arrow-upper|arrow-upper-true|arrow-upper-false "
      "arrow-lower|arrow-lower-true|arrow-lower-false "
      "scrollbar-x scrollbar-left scrollbar-right slider-x "
      "scrollbar-button-left|scrollbar-button-left-hover "
      "scrollbar-button-right|scrollbar-button-right-hover scrollbar-y scrollbar-upper "
      "scrollbar-lower slider-y scrollbar-button-up|scrollbar-button-up-hover "
      "scrollbar-button-down|scrollbar-button-down-hover newchip-window "
      "newchip-chipbar|newchip-chipbar-hover newchip-scrollbar-up|newchip-scrollbar-up-hover "
      "newchip-scrollbar-down|newchip-scrollbar-down-hover property-row|property-row-active "
      "property-row-info property-row-update|property-row-update-hover "
      "property-row-cancel|property-row-cancel-hover "
      "property-row-listbox|property-row-listbox-hover");
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

TEST_F(SkinOutputTest, SizesFitTheScreensLayout) {
  // "name minW maxW minH maxH": tiles every 200 pixels; arrows in the
  // 20-pixel margins between 80 x 50 chips; scroll bars 15 thick, the right
  // (lower) cap filling the 3 pixels before the button; palette bars 21
  // apart, the up button 20 above the first; property rows with the value
  // at +105 and list rows with menu entries at +10; "back" at (W-120, H-50).
  for (const Row& r :
       Rows("title 640 640 360 360, background 200 200 200 200, chip 80 80 50 50,"
            "chip-frame 80 80 50 50, arrow-left 1 20 1 49, arrow-right 1 20 1 49,"
            "arrow-upper 1 79 1 20, arrow-lower 1 79 1 20, scrollbar-x 1 9999 15 15,"
            "slider-x 1 9999 15 15, scrollbar-left 1 9999 15 15, scrollbar-right 1 3 15 15,"
            "scrollbar-y 15 15 1 9999, slider-y 15 15 1 9999, scrollbar-upper 15 15 1 9999,"
            "scrollbar-lower 15 15 1 3, scrollbar-button-left 1 15 1 16,"
            "scrollbar-button-right 1 15 1 16, scrollbar-button-up 1 16 1 15,"
            "scrollbar-button-down 1 16 1 15, newchip-chipbar 1 9999 17 21,"
            "newchip-scrollbar-up 1 9999 1 20, property-row 250 9999 17 9999,"
            "property-row-listbox 150 9999 1 9999, property-row-info 300 9999 40 9999,"
            "setting-back 1 120 1 50")) {
    const Entry& e = *r.sprite;
    EXPECT_TRUE(e.w >= r.v[0] && e.w <= r.v[1] && e.h >= r.v[2] && e.h <= r.v[3])
        << e.name << " is " << e.w << " x " << e.h;
  }
  // The palette: bars at x + 5, ten of them from +25 every 21, then the down
  // button.
  const Entry &window = Find("newchip-window"), &bar = Find("newchip-chipbar");
  const Entry &up = Find("newchip-scrollbar-up"), &down = Find("newchip-scrollbar-down");
  EXPECT_LE(5 + std::max({bar.w, up.w, down.w}), window.w);
  EXPECT_LE(27 + 21 * 10 + down.h, window.h);
  // OK and cancel share the row under the properties.
  const Entry &row = Find("property-row"), &ok = Find("property-row-update"),
              &cancel = Find("property-row-cancel");
  EXPECT_EQ(ok.w + cancel.w, row.w);
  EXPECT_TRUE(ok.h == row.h && cancel.h == row.h);
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
  // Where it draws text the sprite must be solid.
  for (const Row& r :
       Rows("background 0 0 0 0, chip 6 3 -6 -3, nopchip 6 3 -6 -3, newchip-window 8 8 -8 -8,"
            "newchip-chipbar 3 2 -3 -2, newchip-chipbar-hover 3 2 -3 -2, property-row 1 1 -1 -1,"
            "property-row-active 1 1 -1 -1, property-row-listbox 1 1 -1 -1,"
            "property-row-listbox-hover 1 1 -1 -1, property-row-update 4 3 -4 -3,"
            "property-row-update-hover 4 3 -4 -3, property-row-cancel 4 3 -4 -3,"
            "property-row-cancel-hover 4 3 -4 -3, property-row-info 8 12 -8 -8")) {
    EXPECT_EQ(KeyPixels(r), 0) << r.sprite->name;
  }
  EXPECT_LT(KeyPixels(Rows("title 0 0 0 0")[0]), 640 * 360 / 100);
  // The hover and selection frames lie over a chip: its short name at
  // (+5, +4) and summary lines from (+8, +20) must show through.
  for (const Row& r : Rows("chip-frame-hover 5 4 75 46, chip-frame-select 5 4 75 46")) {
    EXPECT_EQ(KeyPixels(r), 70 * 42) << r.sprite->name;
  }
  // The dragged chip is a ghost: a good part of it lets the grid show.
  EXPECT_GT(KeyPixels(Rows("movingchip 0 0 0 0")[0]), 80 * 50 / 4);
}

// Exits taken on true are green, on false red; the plain arrows are light.
TEST_F(SkinOutputTest, ExitArrowsAreGreenForTrueAndRedForFalse) {
  for (const char* dir : {"left", "right", "upper", "lower"}) {
    for (const std::string variant : {"", "-true", "-false"}) {
      const Entry& e = Find(std::string("arrow-") + dir + variant);
      double sum[3] = {};
      int n = 0;
      for (int i = 0; i < e.w * e.h; ++i) {
        const std::uint32_t c = Pixel(e, i % e.w, i / e.w);
        n += c != 0 ? 1 : 0;
        for (int k = 0; k < 3; ++k) {
          sum[k] += c >> (16 - 8 * k) & 0xFF;
        }
      }
      ASSERT_GT(n, e.w * e.h / 4) << e.name << " is nearly empty";
      const double r = sum[0] / n, g = sum[1] / n, b = sum[2] / n;
      EXPECT_TRUE(variant == "-true"    ? g > r + 40 && g > b
                  : variant == "-false" ? r > g + 40 && r > b
                                        : std::min({r, g, b}) > 150)
          << e.name;
    }
  }
}

TEST(SkinGeneratorTest, FailsAndLeavesNoSkinWithoutAJapaneseFontOrAPlaceToWrite) {
  // A font configuration that lists no fonts: the labels could not be drawn.
  ScopedTempDir noFonts;
  noFonts.WriteFile("fonts.conf", "<?xml version=\"1.0\"?>\n<fontconfig></fontconfig>\n");
  EXPECT_NE(RunSkingen(noFonts.Path(), "FONTCONFIG_FILE=" + noFonts.Path() + "/fonts.conf "), 0);
  EXPECT_FALSE(noFonts.Exists("skin/def_skn.txt"));
  // A file where the skin directory should go.
  ScopedTempDir blocked;
  blocked.WriteFile("skin", "in the way");
  EXPECT_NE(RunSkingen(blocked.Path()), 0);
  EXPECT_NE(RunSkingen(blocked.Path() + "/skin/deeper"), 0);
}

}  // namespace

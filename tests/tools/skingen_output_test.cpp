// Runs the skin generator into a temporary run directory and checks what
// the editor will rely on: the skin file's shape and sections, every sprite
// name, the bitmaps' headers, rectangles inside their bitmaps, the sizes the
// layout needs, and pixels that stay visible (or transparent) where they must.
//
// The skin file and the BMP headers are read here with small readers of the
// test's own, independent of the generator's writer.
#include <gtest/gtest.h>
#include <spawn.h>
#include <sys/wait.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <set>
#include <sstream>
#include <string>
#include <vector>

extern char** environ;

namespace {

namespace fs = std::filesystem;

// ---- Running the generator ------------------------------------------------

// The generator's exit status, or -1 when it could not be started or died.
// extraEnv ("NAME=value") is added to the test's own environment.
int RunSkingen(const std::string& runDir, const std::string& extraEnv = {}) {
  std::string program = PELU_SKINGEN;
  std::string dir = runDir;
  char* argv[] = {program.data(), dir.data(), nullptr};
  std::vector<char*> env;
  std::string extra = extraEnv;
  if (!extra.empty()) {
    env.push_back(extra.data());
  }
  for (char** e = environ; *e != nullptr; ++e) {
    env.push_back(*e);
  }
  env.push_back(nullptr);
  pid_t pid = 0;
  if (posix_spawn(&pid, program.c_str(), nullptr, nullptr, argv, env.data()) != 0) {
    return -1;
  }
  int status = 0;
  if (waitpid(pid, &status, 0) != pid || !WIFEXITED(status)) {
    return -1;
  }
  return WEXITSTATUS(status);
}

std::string MakeTempDir() {
  std::string pattern = (fs::temp_directory_path() / "pelu-skin-XXXXXX").string();
  return mkdtemp(pattern.data()) != nullptr ? pattern : std::string();
}

std::string Slurp(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream s;
  s << in.rdbuf();
  return s.str();
}

// ---- An independent BMP header check ----------------------------------------

struct Rgb {
  int r = 0, g = 0, b = 0;
};

struct Bitmap {
  int width = 0;
  int height = 0;
  std::vector<Rgb> pixels;  // rows from the top
  Rgb At(int x, int y) const { return pixels[static_cast<std::size_t>(y) * width + x]; }
};

std::uint32_t Le(const std::string& b, std::size_t at, int bytes) {
  std::uint32_t v = 0;
  for (int i = bytes - 1; i >= 0; --i) {
    v = (v << 8) | static_cast<unsigned char>(b[at + i]);
  }
  return v;
}

// Empty when the bytes are a 24-bit bottom-up BMP that the editor's reader
// takes as it is (file size as stated, pixels right after the 40-byte info
// header, no colour table); otherwise what is wrong.
std::string ReadBmp(const std::string& bytes, Bitmap* out) {
  if (bytes.size() < 54) {
    return "shorter than its headers";
  }
  if (bytes[0] != 'B' || bytes[1] != 'M') {
    return "no BM signature";
  }
  if (Le(bytes, 2, 4) != bytes.size()) {
    return "file size field differs from the file";
  }
  if (Le(bytes, 10, 4) != 54) {
    return "pixel data does not follow the info header";
  }
  if (Le(bytes, 14, 4) != 40 || Le(bytes, 26, 2) != 1 || Le(bytes, 28, 2) != 24 ||
      Le(bytes, 30, 4) != 0 || Le(bytes, 46, 4) != 0) {
    return "not a plain 24-bit info header";
  }
  const auto w = static_cast<std::int32_t>(Le(bytes, 18, 4));
  const auto h = static_cast<std::int32_t>(Le(bytes, 22, 4));
  if (w <= 0 || h <= 0 || w > 4096 || h > 4096) {
    return "width or height out of range";
  }
  const std::size_t row = (static_cast<std::size_t>(w) * 3 + 3) / 4 * 4;
  if (bytes.size() != 54 + row * static_cast<std::size_t>(h)) {
    return "pixel data does not match the size";
  }
  out->width = w;
  out->height = h;
  out->pixels.resize(static_cast<std::size_t>(w) * h);
  for (int y = 0; y < h; ++y) {
    const std::size_t base = 54 + row * static_cast<std::size_t>(h - 1 - y);
    for (int x = 0; x < w; ++x) {
      const std::size_t p = base + static_cast<std::size_t>(x) * 3;
      out->pixels[static_cast<std::size_t>(y) * w + x] = {static_cast<unsigned char>(bytes[p + 2]),
                                                          static_cast<unsigned char>(bytes[p + 1]),
                                                          static_cast<unsigned char>(bytes[p])};
    }
  }
  return {};
}

bool IsKey(Rgb c) {
  return c.r == 0 && c.g == 0 && c.b == 0;
}
// What an RGB565 surface keeps of a colour; 0 there is the key too.
bool VanishesIn565(Rgb c) {
  return (c.r >> 3) == 0 && (c.g >> 2) == 0 && (c.b >> 3) == 0;
}

double Luminance(Rgb c) {
  auto lin = [](int v) {
    const double s = v / 255.0;
    return s <= 0.03928 ? s / 12.92 : std::pow((s + 0.055) / 1.055, 2.4);
  };
  return 0.2126 * lin(c.r) + 0.7152 * lin(c.g) + 0.0722 * lin(c.b);
}

// ---- An independent reading of the skin file ----------------------------------

struct Entry {
  std::string section;
  std::string name;
  std::string path;
  int x = 0, y = 0, w = 0, h = 0;
};

std::vector<std::string> Fields(const std::string& text) {
  std::vector<std::string> out;
  std::string f;
  for (char c : text + " ") {
    if (c == ' ' || c == ',' || c == '\t' || c == '\n') {
      if (!f.empty()) {
        out.push_back(f);
      }
      f.clear();
    } else {
      f += c;
    }
  }
  return out;
}

bool IsNumber(const std::string& s) {
  return !s.empty() && s.size() < 6 &&
         std::all_of(s.begin(), s.end(), [](char c) { return c >= '0' && c <= '9'; });
}

// ---- The fixture: one generated skin for the whole suite ------------------------

class SkinOutputTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    s_dir = MakeTempDir();
    ASSERT_FALSE(s_dir.empty());
    s_status = RunSkingen(s_dir);
    s_text = Slurp(fs::path(s_dir) / "skin" / "def_skn.txt");
    std::string section;
    std::size_t at = 0;
    while (at < s_text.size()) {
      std::size_t end = s_text.find('\n', at);
      end = end == std::string::npos ? s_text.size() : end + 1;
      std::string line = s_text.substr(at, end - at);
      at = end;
      s_lines.push_back(line);
      if (line.size() >= 2 && line.compare(line.size() - 2, 2, "\r\n") == 0) {
        line.resize(line.size() - 2);
      }
      if (!line.empty() && line[0] == '>') {
        section = line.substr(1);
        s_headers.push_back(section);
      } else if (!line.empty() && line[0] == '#') {
        const std::vector<std::string> f = Fields(line.substr(1));
        if (f.size() != 6 || !IsNumber(f[2]) || !IsNumber(f[3]) || !IsNumber(f[4]) ||
            !IsNumber(f[5])) {
          s_brokenEntries.push_back(line);
          continue;
        }
        s_entries.push_back(Entry{section, f[0], f[1], std::stoi(f[2]), std::stoi(f[3]),
                                  std::stoi(f[4]), std::stoi(f[5])});
      }
    }
    for (const Entry& e : s_entries) {
      if (s_bitmaps.count(e.path) != 0) {
        continue;
      }
      std::string native = e.path;
      std::replace(native.begin(), native.end(), '\\', '/');
      Bitmap bmp;
      s_bmpFaults[e.path] = ReadBmp(Slurp(fs::path(s_dir) / native), &bmp);
      s_bitmaps[e.path] = std::move(bmp);
    }
  }

  static void TearDownTestSuite() {
    std::error_code ec;
    fs::remove_all(s_dir, ec);
  }

  void SetUp() override { ASSERT_EQ(s_status, 0) << "skingen failed"; }

  static const Entry* Find(const std::string& name) {
    for (const Entry& e : s_entries) {
      if (e.name == name) {
        return &e;
      }
    }
    return nullptr;
  }

  // The pixel (x, y) of a sprite, in sprite coordinates.
  static Rgb Pixel(const Entry& e, int x, int y) {
    return s_bitmaps.at(e.path).At(e.x + x, e.y + y);
  }

  // Counts the key pixels of a sprite within [x0, x1) x [y0, y1).
  static int KeyPixels(const Entry& e, int x0, int y0, int x1, int y1) {
    int n = 0;
    for (int y = y0; y < y1; ++y) {
      for (int x = x0; x < x1; ++x) {
        n += IsKey(Pixel(e, x, y)) ? 1 : 0;
      }
    }
    return n;
  }

  static std::string s_dir;
  static int s_status;
  static std::string s_text;
  static std::vector<std::string> s_lines;  // with their line ends
  static std::vector<std::string> s_headers;
  static std::vector<std::string> s_brokenEntries;
  static std::vector<Entry> s_entries;
  static std::map<std::string, Bitmap> s_bitmaps;
  static std::map<std::string, std::string> s_bmpFaults;
};

std::string SkinOutputTest::s_dir;
int SkinOutputTest::s_status = -1;
std::string SkinOutputTest::s_text;
std::vector<std::string> SkinOutputTest::s_lines;
std::vector<std::string> SkinOutputTest::s_headers;
std::vector<std::string> SkinOutputTest::s_brokenEntries;
std::vector<Entry> SkinOutputTest::s_entries;
std::map<std::string, Bitmap> SkinOutputTest::s_bitmaps;
std::map<std::string, std::string> SkinOutputTest::s_bmpFaults;

#define GET_SPRITE(var, name)    \
  const Entry* var = Find(name); \
  ASSERT_NE(var, nullptr) << (name)

TEST_F(SkinOutputTest, SkinFileReadsAsTheEditorReadsIt) {
  ASSERT_FALSE(s_lines.empty());
  for (const std::string& line : s_lines) {
    // The editor reads at most 254 characters at a time; a longer line would
    // be cut into pieces that are lines of their own.
    EXPECT_LE(line.size(), 256u) << line;
    EXPECT_GE(line.size(), 2u);
    EXPECT_EQ(line.substr(line.size() - 2), "\r\n") << "not a CR LF line: " << line;
    for (char c : line) {
      EXPECT_TRUE(c == '\r' || c == '\n' || (c >= 0x20 && c < 0x7F)) << "not plain ASCII: " << line;
    }
  }
  // The sections in this order: a section runs to the end of the file, so
  // each screen also loads the ones after it, and "main" must come last.
  EXPECT_EQ(s_headers, (std::vector<std::string>{"title", "setting", "main"}));
  EXPECT_TRUE(s_brokenEntries.empty()) << s_brokenEntries.front();
  std::set<std::string> names;
  for (const Entry& e : s_entries) {
    // A repeated name would be overwritten by the later entry when an
    // earlier section is loaded with those after it.
    EXPECT_TRUE(names.insert(e.name).second) << "sprite listed twice: " << e.name;
  }
}

TEST_F(SkinOutputTest, EverySpriteTheEditorDrawsIsInItsSection) {
  const std::map<std::string, std::vector<std::string>> wanted = {
      {"title", {"title"}},
      {"setting",
       {"setting-fullscreen", "setting-use", "setting-no-use", "setting-ip", "setting-back",
        "setting-back-hover"}},
      {"main",
       {"background",
        "chip",
        "movingchip",
        "nopchip",
        "chip-frame",
        "chip-frame-hover",
        "chip-frame-select",
        "chip-frame-start",
        "arrow-upper",
        "arrow-lower",
        "arrow-left",
        "arrow-right",
        "arrow-upper-true",
        "arrow-lower-true",
        "arrow-left-true",
        "arrow-right-true",
        "arrow-upper-false",
        "arrow-lower-false",
        "arrow-left-false",
        "arrow-right-false",
        "scrollbar-x",
        "scrollbar-left",
        "scrollbar-right",
        "slider-x",
        "scrollbar-button-left",
        "scrollbar-button-left-hover",
        "scrollbar-button-right",
        "scrollbar-button-right-hover",
        "scrollbar-y",
        "scrollbar-upper",
        "scrollbar-lower",
        "slider-y",
        "scrollbar-button-up",
        "scrollbar-button-up-hover",
        "scrollbar-button-down",
        "scrollbar-button-down-hover",
        "newchip-window",
        "newchip-chipbar",
        "newchip-chipbar-hover",
        "newchip-scrollbar-up",
        "newchip-scrollbar-up-hover",
        "newchip-scrollbar-down",
        "newchip-scrollbar-down-hover",
        "property-row",
        "property-row-active",
        "property-row-info",
        "property-row-update",
        "property-row-update-hover",
        "property-row-cancel",
        "property-row-cancel-hover",
        "property-row-listbox",
        "property-row-listbox-hover"}}};
  for (const auto& [section, names] : wanted) {
    for (const std::string& name : names) {
      const Entry* e = Find(name);
      ASSERT_NE(e, nullptr) << "missing sprite " << name;
      EXPECT_EQ(e->section, section) << name;
    }
  }
}

TEST_F(SkinOutputTest, BitmapsParseAndHoldEveryRectangle) {
  std::map<std::string, std::string> byFolded;  // lower-cased, '/' separators -> text
  for (const auto& [path, fault] : s_bmpFaults) {
    EXPECT_EQ(fault, "") << path;
    // The editor opens the path with '\' as the separator, relative to the
    // run directory, and shares a bitmap only between byte-equal texts.
    EXPECT_EQ(path.rfind("skin\\", 0), 0u) << path;
    EXPECT_EQ(path.find('/'), std::string::npos) << path;
    std::string folded = path;
    std::replace(folded.begin(), folded.end(), '\\', '/');
    std::transform(folded.begin(), folded.end(), folded.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    EXPECT_TRUE(byFolded.emplace(folded, path).second)
        << path << " and " << byFolded[folded] << " name one file differently";
  }
  for (const Entry& e : s_entries) {
    const Bitmap& b = s_bitmaps.at(e.path);
    EXPECT_GT(e.w, 0) << e.name;
    EXPECT_GT(e.h, 0) << e.name;
    EXPECT_LE(e.x + e.w, b.width) << e.name << " runs past the right of " << e.path;
    EXPECT_LE(e.y + e.h, b.height) << e.name << " runs past the bottom of " << e.path;
  }
}

TEST_F(SkinOutputTest, SizesFitTheScreensLayout) {
  auto size = [](const std::string& name) {
    const Entry* e = Find(name);
    return e == nullptr ? std::pair<int, int>{-1, -1} : std::pair<int, int>{e->w, e->h};
  };
  using Size = std::pair<int, int>;
  EXPECT_EQ(size("title"), Size(640, 360));
  EXPECT_EQ(size("background"), Size(200, 200));  // tiles are placed every 200 pixels
  for (const char* chip : {"chip", "movingchip", "nopchip", "chip-frame", "chip-frame-hover",
                           "chip-frame-select", "chip-frame-start"}) {
    EXPECT_EQ(size(chip), Size(80, 50)) << chip;
  }
  // Arrows are centred in the 20-pixel margins between chips.
  for (const char* across : {"arrow-left", "arrow-right"}) {
    EXPECT_LE(size(across).first, 20) << across;
    EXPECT_LT(size(across).second, 50) << across;
  }
  for (const char* along : {"arrow-upper", "arrow-lower"}) {
    EXPECT_LE(size(along).second, 20) << along;
    EXPECT_LT(size(along).first, 80) << along;
  }
  // Scroll bars are 15 pixels thick; the right cap fills the 3 pixels
  // between the track's end and the right button, the left button ends
  // where the track starts.
  for (const char* x : {"scrollbar-x", "slider-x", "scrollbar-left", "scrollbar-right"}) {
    EXPECT_EQ(size(x).second, 15) << x;
  }
  for (const char* y : {"scrollbar-y", "slider-y", "scrollbar-upper", "scrollbar-lower"}) {
    EXPECT_EQ(size(y).first, 15) << y;
  }
  EXPECT_LE(size("scrollbar-right").first, 3);
  EXPECT_LE(size("scrollbar-lower").second, 3);
  for (const char* b : {"scrollbar-button-left", "scrollbar-button-right"}) {
    EXPECT_LE(size(b).first, 15) << b;
    EXPECT_LE(size(b).second, 16) << b;
  }
  for (const char* b : {"scrollbar-button-up", "scrollbar-button-down"}) {
    EXPECT_LE(size(b).first, 16) << b;
    EXPECT_LE(size(b).second, 15) << b;
  }
  // The palette: up button at +5, bar i at +25 + 21 i, down button at
  // +27 + 21 n, for ten bars; bars at x + 5 and names at (+5, +4) of a bar.
  const Size window = size("newchip-window"), bar = size("newchip-chipbar");
  const Size up = size("newchip-scrollbar-up"), down = size("newchip-scrollbar-down");
  EXPECT_LE(bar.second, 21);
  EXPECT_GE(bar.second, 17);
  EXPECT_LE(up.second, 20);
  EXPECT_LE(5 + std::max({bar.first, up.first, down.first}), window.first);
  EXPECT_LE(27 + 21 * 10 + down.second, window.second);
  // The property window: OK and cancel share the row under the properties.
  const Size row = size("property-row");
  EXPECT_GE(row.first, 250);  // name at +10, value at +105, unit at width - 20
  EXPECT_EQ(size("property-row-update").first + size("property-row-cancel").first, row.first);
  EXPECT_EQ(size("property-row-update").second, row.second);
  EXPECT_EQ(size("property-row-cancel").second, row.second);
  EXPECT_GE(row.second, 17);
  // Menu entries such as "ストレージカードに保存" are drawn at +10 of a list row.
  EXPECT_GE(size("property-row-listbox").first, 150);
  EXPECT_GE(size("property-row-info").first, 300);
  EXPECT_GE(size("property-row-info").second, 40);
  // The settings screen places its objects at fixed points on an 800 x 600
  // screen: the label at (30, 50) must end before the switch at (300, 50),
  // both above the note at (30, 100), and "back" at (W - 120, H - 50).
  EXPECT_LE(30 + size("setting-fullscreen").first, 300);
  EXPECT_LE(50 + size("setting-fullscreen").second, 100);
  EXPECT_LE(50 + size("setting-use").second, 100);
  EXPECT_LE(300 + size("setting-use").first, 800);
  EXPECT_LE(30 + size("setting-ip").first, 800);
  EXPECT_LE(size("setting-back").first, 120);
  EXPECT_LE(size("setting-back").second, 50);
}

TEST_F(SkinOutputTest, VariantsKeepTheSizeAndChangeTheLook) {
  // An object keeps its hit box when its sprite changes, so a variant must
  // have its plain sprite's size; and a variant that looks the same as its
  // plain sprite tells the user nothing.
  const std::vector<std::vector<std::string>> groups = {
      {"setting-back", "setting-back-hover"},
      {"setting-use", "setting-no-use"},
      {"chip", "movingchip", "nopchip"},
      {"chip-frame", "chip-frame-hover", "chip-frame-select", "chip-frame-start"},
      {"arrow-left", "arrow-left-true", "arrow-left-false"},
      {"arrow-right", "arrow-right-true", "arrow-right-false"},
      {"arrow-upper", "arrow-upper-true", "arrow-upper-false"},
      {"arrow-lower", "arrow-lower-true", "arrow-lower-false"},
      {"scrollbar-button-left", "scrollbar-button-left-hover"},
      {"scrollbar-button-right", "scrollbar-button-right-hover"},
      {"scrollbar-button-up", "scrollbar-button-up-hover"},
      {"scrollbar-button-down", "scrollbar-button-down-hover"},
      {"newchip-chipbar", "newchip-chipbar-hover"},
      {"newchip-scrollbar-up", "newchip-scrollbar-up-hover"},
      {"newchip-scrollbar-down", "newchip-scrollbar-down-hover"},
      {"property-row", "property-row-active"},
      {"property-row-update", "property-row-update-hover"},
      {"property-row-cancel", "property-row-cancel-hover"},
      {"property-row-listbox", "property-row-listbox-hover"}};
  for (const auto& group : groups) {
    for (std::size_t i = 0; i < group.size(); ++i) {
      for (std::size_t j = i + 1; j < group.size(); ++j) {
        GET_SPRITE(a, group[i]);
        GET_SPRITE(b, group[j]);
        ASSERT_EQ(std::make_pair(a->w, a->h), std::make_pair(b->w, b->h))
            << a->name << " and " << b->name;
        int differing = 0;
        for (int y = 0; y < a->h; ++y) {
          for (int x = 0; x < a->w; ++x) {
            const Rgb p = Pixel(*a, x, y), q = Pixel(*b, x, y);
            differing += (p.r != q.r || p.g != q.g || p.b != q.b) ? 1 : 0;
          }
        }
        EXPECT_GE(differing * 20, a->w * a->h) << a->name << " and " << b->name << " look alike";
      }
    }
  }
}

TEST_F(SkinOutputTest, NoVisiblePixelTurnsIntoTheKeyInSixteenBits) {
  // Full screen converts every bitmap to RGB565, where black is the key:
  // a colour that is not black but converts to 0 would vanish there.
  for (const auto& [path, bmp] : s_bitmaps) {
    int vanishing = 0;
    for (const Rgb& c : bmp.pixels) {
      vanishing += (!IsKey(c) && VanishesIn565(c)) ? 1 : 0;
    }
    EXPECT_EQ(vanishing, 0) << path;
  }
}

TEST_F(SkinOutputTest, SpritesAreSolidUnderTextAndClearUnderFrames) {
  // The editor never clears its frame: the background tiles must cover it.
  GET_SPRITE(background, "background");
  EXPECT_EQ(KeyPixels(*background, 0, 0, 200, 200), 0);
  GET_SPRITE(title, "title");
  EXPECT_LT(KeyPixels(*title, 0, 0, 640, 360), 640 * 360 / 100);

  // Where the editor draws text, the sprite must be solid behind it.
  struct Area {
    const char* name;
    int x0, y0, x1, y1;  // from the left/top; x1 and y1 count from the right/bottom
  };
  const Area solid[] = {{"chip", 6, 3, 6, 3},
                        {"nopchip", 6, 3, 6, 3},
                        {"newchip-window", 8, 8, 8, 8},
                        {"newchip-chipbar", 3, 2, 3, 2},
                        {"newchip-chipbar-hover", 3, 2, 3, 2},
                        {"property-row", 1, 1, 1, 1},
                        {"property-row-active", 1, 1, 1, 1},
                        {"property-row-listbox", 1, 1, 1, 1},
                        {"property-row-listbox-hover", 1, 1, 1, 1},
                        {"property-row-update", 4, 3, 4, 3},
                        {"property-row-update-hover", 4, 3, 4, 3},
                        {"property-row-cancel", 4, 3, 4, 3},
                        {"property-row-cancel-hover", 4, 3, 4, 3},
                        {"property-row-info", 8, 12, 8, 8}};
  for (const Area& a : solid) {
    GET_SPRITE(e, a.name);
    EXPECT_EQ(KeyPixels(*e, a.x0, a.y0, e->w - a.x1, e->h - a.y1), 0) << a.name;
  }
  // The hover and selection frames lie over a chip: its short name at
  // (+5, +4) and summary lines from (+8, +20) must show through.
  for (const char* frame : {"chip-frame-hover", "chip-frame-select"}) {
    GET_SPRITE(e, frame);
    EXPECT_EQ(KeyPixels(*e, 5, 4, 75, 46), 70 * 42) << frame;
  }
  // The dragged chip is a ghost: a good part of it lets the grid show.
  GET_SPRITE(ghost, "movingchip");
  EXPECT_GT(KeyPixels(*ghost, 0, 0, 80, 50), 80 * 50 / 4);
}

TEST_F(SkinOutputTest, WhiteTextReadsOnTheSpritesItIsDrawnOn) {
  // The editor draws white text (with a thin outline) on these areas; the
  // contrast of white against their mean luminance must be at least 3:1.
  struct Area {
    const char* name;
    int x0, y0, x1, y1;
  };
  const Area areas[] = {{"chip", 5, 4, 60, 17},
                        {"chip", 8, 20, 72, 46},
                        {"nopchip", 5, 4, 60, 17},
                        {"nopchip", 8, 20, 72, 46},
                        {"newchip-chipbar", 5, 4, 100, 16},
                        {"newchip-chipbar-hover", 5, 4, 100, 16},
                        {"property-row", 10, 4, 280, 16},
                        {"property-row-active", 10, 4, 280, 16},
                        {"property-row-listbox", 10, 4, 150, 16},
                        {"property-row-listbox-hover", 10, 4, 150, 16},
                        {"property-row-update", 50, 4, 100, 16},
                        {"property-row-update-hover", 50, 4, 100, 16},
                        {"property-row-cancel", 30, 4, 120, 16},
                        {"property-row-cancel-hover", 30, 4, 120, 16}};
  for (const Area& a : areas) {
    GET_SPRITE(e, a.name);
    double sum = 0;
    for (int y = a.y0; y < a.y1; ++y) {
      for (int x = a.x0; x < a.x1; ++x) {
        sum += Luminance(Pixel(*e, x, y));
      }
    }
    const double mean = sum / ((a.x1 - a.x0) * (a.y1 - a.y0));
    EXPECT_GE(1.05 / (mean + 0.05), 3.0) << a.name << " at " << a.x0 << "," << a.y0;
  }
}

TEST_F(SkinOutputTest, ExitArrowsAreGreenForTrueAndRedForFalse) {
  for (const char* dir : {"left", "right", "upper", "lower"}) {
    for (const char* variant : {"", "-true", "-false"}) {
      const std::string name = std::string("arrow-") + dir + variant;
      GET_SPRITE(e, name);
      double r = 0, g = 0, b = 0;
      int n = 0;
      for (int y = 0; y < e->h; ++y) {
        for (int x = 0; x < e->w; ++x) {
          const Rgb c = Pixel(*e, x, y);
          if (!IsKey(c)) {
            r += c.r, g += c.g, b += c.b, ++n;
          }
        }
      }
      ASSERT_GT(n, e->w * e->h / 4) << name << " is nearly empty";
      r /= n, g /= n, b /= n;
      if (std::string(variant) == "-true") {
        EXPECT_GT(g, r + 40) << name;
        EXPECT_GT(g, b) << name;
      } else if (std::string(variant) == "-false") {
        EXPECT_GT(r, g + 40) << name;
        EXPECT_GT(r, b) << name;
      } else {
        EXPECT_GT(std::min({r, g, b}), 150) << name << " is not light";
      }
    }
  }
}

// ---- Runs of their own ------------------------------------------------------

std::map<std::string, std::string> FilesUnder(const fs::path& dir) {
  std::map<std::string, std::string> out;
  std::error_code ec;
  for (const auto& entry : fs::directory_iterator(dir, ec)) {
    out[entry.path().filename().string()] = Slurp(entry.path());
  }
  return out;
}

TEST(SkinGeneratorTest, SameSkinOnEveryRun) {
  const std::string a = MakeTempDir(), b = MakeTempDir();
  ASSERT_EQ(RunSkingen(a), 0);
  ASSERT_EQ(RunSkingen(b), 0);
  const auto first = FilesUnder(fs::path(a) / "skin");
  const auto second = FilesUnder(fs::path(b) / "skin");
  EXPECT_GE(first.size(), 2u);
  EXPECT_TRUE(first == second) << "two runs wrote different skins";
  std::error_code ec;
  fs::remove_all(a, ec);
  fs::remove_all(b, ec);
}

TEST(SkinGeneratorTest, RefusesToDrawWithoutAJapaneseFont) {
  // With a font configuration that lists no fonts at all, the labels could
  // not be drawn: the generator must fail and leave no skin behind.
  const std::string dir = MakeTempDir();
  ASSERT_FALSE(dir.empty());
  std::ofstream(fs::path(dir) / "fonts.conf")
      << "<?xml version=\"1.0\"?>\n<fontconfig></fontconfig>\n";
  EXPECT_NE(RunSkingen(dir, "FONTCONFIG_FILE=" + (fs::path(dir) / "fonts.conf").string()), 0);
  EXPECT_FALSE(fs::exists(fs::path(dir) / "skin" / "def_skn.txt"));
  std::error_code ec;
  fs::remove_all(dir, ec);
}

TEST(SkinGeneratorTest, ReportsFailureWhenItCannotWrite) {
  const std::string dir = MakeTempDir();
  ASSERT_FALSE(dir.empty());
  // A file where the skin directory should go.
  std::ofstream(fs::path(dir) / "skin") << "in the way";
  EXPECT_NE(RunSkingen(dir), 0);
  EXPECT_NE(RunSkingen((fs::path(dir) / "skin" / "deeper").string()), 0);
  std::error_code ec;
  fs::remove_all(dir, ec);
}

}  // namespace

// The real program in a real X server, driven by mouse and keyboard as a user
// would. Started on the shipped data, it shows its title in a window centred
// on the screen; then into the editor, two chips placed from the palette,
// joined by a right-button sweep, a property typed in, the program saved
// through the menu with a scripted dialog in zenity's place and the file
// compared byte for byte; then Escape back to the title and out.
//
// Every step waits with bounded polling for the program to show its result
// (a window title, a part of the screen that changes, a file), and every
// point is computed from setting.ini, the skin's sprite sizes and the
// windows' layout.
#include <sys/stat.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "app/settings.h"
#include "platform/cp932.h"
#include "support/temp_dir.h"
#include "x11_session.h"

namespace {

namespace fs = std::filesystem;
using e2e::Clock;
using e2e::Screenshot;
using std::chrono::milliseconds;
using std::chrono::seconds;

constexpr int kScreenWidth = 1024;
constexpr int kScreenHeight = 768;

std::string ReadText(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

// The size of a sprite of skin/def_skn.txt ("#name,bitmap,x,y,w,h").
POINT SpriteSize(const std::string& skin, const std::string& name) {
  std::istringstream lines(skin);
  for (std::string line; std::getline(lines, line);) {
    char bitmap[256];
    int x = 0, y = 0, w = 0, h = 0;
    if (line.rfind("#" + name + ",", 0) == 0 &&
        std::sscanf(line.c_str() + name.size() + 2, "%255[^,],%d,%d,%d,%d", bitmap, &x, &y, &w,
                    &h) == 5) {
      return POINT{w, h};
    }
  }
  ADD_FAILURE() << "no sprite " << name;
  return POINT{1, 1};
}

int Differing(const Screenshot& a, const Screenshot& b, const RECT& r) {
  int count = 0;
  for (int y = std::max(r.top, 0); y < std::min(r.bottom, a.height); ++y) {
    for (int x = std::max(r.left, 0); x < std::min(r.right, a.width); ++x) {
      count += a.At(x, y) != b.At(x, y) ? 1 : 0;
    }
  }
  return count;
}

int Area(const RECT& r) {
  return (r.right - r.left) * (r.bottom - r.top);
}

// The bounding box of everything not black, and its first few colours.
struct Lit {
  RECT box{1 << 30, 1 << 30, -1, -1};
  std::vector<std::uint32_t> colours;
};
Lit LitArea(const Screenshot& shot) {
  Lit lit;
  for (int y = 0; y < shot.height; ++y) {
    for (int x = 0; x < shot.width; ++x) {
      const std::uint32_t c = shot.At(x, y);
      if (c == 0) {
        continue;
      }
      lit.box = RECT{std::min(lit.box.left, x), std::min(lit.box.top, y),
                     std::max(lit.box.right, x + 1), std::max(lit.box.bottom, y + 1)};
      if (lit.colours.size() < 16 &&
          std::find(lit.colours.begin(), lit.colours.end(), c) == lit.colours.end()) {
        lit.colours.push_back(c);
      }
    }
  }
  return lit;
}

// The program under test: its window's client area on the screen and the
// input that xdotool gives it.
class Session {
 public:
  Session(const e2e::XvfbSession& x, POINT origin) : m_x(x), m_origin(origin) {}

  void Move(POINT p) const {
    m_x.Xdotool({"mousemove", std::to_string(m_origin.x + p.x), std::to_string(m_origin.y + p.y)});
  }
  void Click(POINT p, int button = 1) const {
    Move(p);
    m_x.Xdotool({"click", std::to_string(button)});
  }
  void Key(const std::string& key) const { m_x.Xdotool({"key", key}); }

  RECT OnScreen(RECT r) const {
    return RECT{r.left + m_origin.x, r.top + m_origin.y, r.right + m_origin.x,
                r.bottom + m_origin.y};
  }

  Screenshot Shoot() const {
    std::optional<Screenshot> shot;
    e2e::WaitUntil([&] { return (shot = m_x.Shoot()).has_value(); }, seconds(10));
    return shot.value_or(Screenshot{});
  }
  // A screenshot once two in a row are the same: hover pictures and the like
  // have caught up with the pointer.
  Screenshot Settled() const {
    Screenshot last = Shoot();
    e2e::WaitUntil(
        [&] {
          Screenshot next = Shoot();
          const bool same = next.pixels == last.pixels;
          last = std::move(next);
          return same;
        },
        seconds(5));
    return last;
  }
  // Waits until at least minPixels of the client rectangle differ from the
  // screenshot taken before.
  bool WaitForChange(const Screenshot& before, const RECT& client, int minPixels) const {
    return e2e::WaitUntil(
        [&] {
          const Screenshot now = Shoot();
          return now.width == before.width && Differing(before, now, OnScreen(client)) >= minPixels;
        },
        seconds(10));
  }

  std::vector<std::string> WindowIds() const {
    std::vector<std::string> ids;
    std::istringstream out(m_x.Xdotool({"search", "--name", "^PELU BLOCK"}));
    for (std::string id; out >> id;) {
      ids.push_back(id);
    }
    return ids;
  }
  bool WaitForTitle(const std::string& title) const {
    return e2e::WaitUntil(
        [&] {
          const std::vector<std::string> ids = WindowIds();
          return std::any_of(ids.begin(), ids.end(), [&](const std::string& id) {
            return m_x.Xdotool({"getwindowname", id}) == title + "\n";
          });
        },
        seconds(15));
  }

 private:
  const e2e::XvfbSession& m_x;
  POINT m_origin;
};

TEST(EditorSessionTest, FromTheTitleAProgramIsBuiltWithMouseAndKeysAndSavedThroughTheMenu) {
  const std::optional<e2e::XTools> tools = e2e::FindXTools();
  if (!tools) {
    GTEST_SKIP() << e2e::kXToolsMissing;
  }
  const std::string binary = e2e::ProgramBinary();
  const fs::path runDir = e2e::RunDirectory();
  ASSERT_EQ(access(binary.c_str(), X_OK), 0) << binary;
  ASSERT_TRUE(fs::exists(runDir / "skin" / "def_skn.txt")) << "the build makes the run directory";

  // A copy of the run directory keeps the program's files out of the build
  // tree. The dialog the user would answer notes how it was asked and names
  // a file without its extension.
  ScopedTempDir dir;
  fs::copy(runDir, dir.Path(), fs::copy_options::recursive);
  const std::string stub = dir.Path() + "/dialog-stub.sh";
  const std::string answer = dir.Path() + "/robot";
  dir.WriteFile("dialog-stub.sh", "#!/bin/sh\nprintf '%s\\n' \"$@\" > '" + dir.Path() +
                                      "/dialog-args.txt'\nprintf '%s\\n' '" + answer + "'\n");
  ASSERT_EQ(chmod(stub.c_str(), 0755), 0);

  // Geometry from the settings and the skin. Cells start half a margin in,
  // one chip and one margin apart; the palette's bars start 25 pixels below
  // its top, 21 apart, 5 in.
  const int width = ReadSettingInt("ScreenWidth");  // the copy is the current directory
  const int height = ReadSettingInt("ScreenHeight");
  const int chipWidth = ReadSettingInt("ChipWidth");
  const int chipHeight = ReadSettingInt("ChipHeight");
  const int marginX = ReadSettingInt("ChipMarginX");
  const int marginY = ReadSettingInt("ChipMarginY");
  auto cellCentre = [&](int column, int row) {
    return POINT{marginX / 2 + (chipWidth + marginX) * column + chipWidth / 2,
                 marginY / 2 + (chipHeight + marginY) * row + chipHeight / 2};
  };
  const std::string skin = ReadText(dir.Path() + "/skin/def_skn.txt");
  const POINT palette = SpriteSize(skin, "newchip-window");
  const POINT bar = SpriteSize(skin, "newchip-chipbar");
  const POINT propertyRow = SpriteSize(skin, "property-row");
  const POINT menuRow = SpriteSize(skin, "property-row-listbox");
  auto barCentre = [&](POINT paletteAt, int index) {
    return POINT{paletteAt.x + 5 + bar.x / 2, paletteAt.y + 25 + 21 * index + bar.y / 2};
  };

  e2e::XvfbSession x(*tools, kScreenWidth, kScreenHeight);
  ASSERT_FALSE(x.Display().empty()) << "Xvfb did not start";
  const auto started = Clock::now();
  e2e::Child program;
  ASSERT_TRUE(e2e::StartProgram(program, x.Display(), dir.Path(), {"PELU_DIALOG_COMMAND=" + stub}));
  // No window manager: the client area is where the program centres it.
  const Session s(x, POINT{(kScreenWidth - width) / 2, (kScreenHeight - height) / 2});
  const RECT wholeClient{0, 0, width, height};

  // The title picture, on a black root window, lies inside the client area,
  // both centred on the screen.
  Screenshot before;
  Lit lit;
  ASSERT_TRUE(e2e::WaitUntil(
      [&] {
        before = s.Shoot();
        lit = LitArea(before);
        return lit.box.right > 0;
      },
      seconds(30)))
      << "the title screen never appeared";
  std::printf("first title frame seen %lld ms after the start\n",
              static_cast<long long>(
                  std::chrono::duration_cast<milliseconds>(Clock::now() - started).count()));
  const RECT client = s.OnScreen(wholeClient);
  EXPECT_GE(lit.box.left, client.left);
  EXPECT_GE(lit.box.top, client.top);
  EXPECT_LE(lit.box.right, client.right);
  EXPECT_LE(lit.box.bottom, client.bottom);
  EXPECT_NEAR((lit.box.left + lit.box.right) / 2, kScreenWidth / 2, 8) << "not centred";
  EXPECT_NEAR((lit.box.top + lit.box.bottom) / 2, kScreenHeight / 2, 8) << "not centred";
  EXPECT_GE(lit.colours.size(), 3u) << "a flat area, not the title picture";
  ASSERT_TRUE(s.WaitForTitle("PELU BLOCK"));

  // A click anywhere opens the editor.
  before = s.Settled();
  s.Click(POINT{width / 2, height / 2});
  ASSERT_TRUE(s.WaitForTitle("PELU BLOCK - [newfile]"));
  ASSERT_TRUE(s.WaitForChange(before, wholeClient, Area(wholeClient) / 2)) << "no editor";

  // Two chips from the palette, which opens with its corner at the click on
  // an empty cell: the first bar's chip in cell (0, 0), the second's in (1, 0).
  for (int column = 0; column < 2; ++column) {
    const POINT cell = cellCentre(column, 0);
    const RECT paletteRect{cell.x, cell.y, cell.x + palette.x, cell.y + palette.y};
    s.Move(cell);
    before = s.Settled();
    s.Click(cell);
    ASSERT_TRUE(s.WaitForChange(before, paletteRect, Area(paletteRect) / 2)) << "no palette";
    before = s.Settled();
    s.Click(barCentre(cell, column));
    ASSERT_TRUE(s.WaitForChange(before, paletteRect, Area(paletteRect) / 2)) << "palette stays";
  }
  ASSERT_TRUE(s.WaitForTitle("PELU BLOCK - [newfile]*"));

  // A right-button sweep from the first chip to the second draws an arrow in
  // the margin between them. The sweep is sampled once a frame (100 ms): the
  // pointer rests on the first chip for a few frames before it moves on.
  const POINT first = cellCentre(0, 0);
  const POINT second = cellCentre(1, 0);
  const RECT between{first.x + chipWidth / 2, first.y - chipHeight / 2, second.x - chipWidth / 2,
                     second.y + chipHeight / 2};
  s.Move(first);
  before = s.Settled();
  x.Xdotool({"mousedown", "3"});
  std::this_thread::sleep_for(milliseconds(400));
  s.Move(POINT{(first.x + second.x) / 2, first.y});
  s.Move(second);
  const bool arrow = s.WaitForChange(before, between, 20);
  x.Xdotool({"mouseup", "3"});
  ASSERT_TRUE(arrow) << "no arrow appeared";

  // The first chip's second property, a number, set to 1500: a click selects
  // the chip, a second opens the property window at the click, a click on
  // the row makes it the one typed into, Enter commits.
  s.Move(first);
  before = s.Settled();
  s.Click(first);
  const RECT chipRect{first.x - chipWidth / 2, first.y - chipHeight / 2, first.x + chipWidth / 2,
                      first.y + chipHeight / 2};
  ASSERT_TRUE(s.WaitForChange(before, chipRect, 50)) << "the chip was not selected";
  before = s.Settled();
  s.Click(first);
  const RECT propertyRect{first.x, first.y, first.x + propertyRow.x, first.y + 3 * propertyRow.y};
  ASSERT_TRUE(s.WaitForChange(before, propertyRect, Area(propertyRect) / 2)) << "no window";
  before = s.Settled();
  s.Click(POINT{first.x + propertyRow.x / 2, first.y + propertyRow.y + propertyRow.y / 2});
  ASSERT_TRUE(s.WaitForChange(before, propertyRect, 50)) << "the row did not become active";
  for (const char* digit : {"1", "5", "0", "0"}) {
    s.Key(digit);
  }
  before = s.Settled();
  s.Key("Return");
  ASSERT_TRUE(s.WaitForChange(before, propertyRect, Area(propertyRect) / 2)) << "window stays";

  // Save through the menu, opened by a right click on an empty cell: its
  // third row, which asks for a name since the program has none.
  const POINT empty = cellCentre(3, 3);
  const RECT menuRect{empty.x, empty.y, empty.x + menuRow.x, empty.y + 6 * menuRow.y};
  s.Move(empty);
  before = s.Settled();
  s.Click(empty, 3);
  ASSERT_TRUE(s.WaitForChange(before, menuRect, Area(menuRect) / 2)) << "no menu";
  s.Click(POINT{empty.x + menuRow.x / 2, empty.y + 2 * menuRow.y + menuRow.y / 2});
  const std::string saved = answer + ".bhb";
  ASSERT_TRUE(s.WaitForTitle("PELU BLOCK - [" + saved + "]")) << "not saved";

  // The dialog was attached to our window (its arguments are the platform
  // tests' business; only a real X server gives the window its id).
  const std::string args = ReadText(dir.Path() + "/dialog-args.txt");
  const std::vector<std::string> ids = s.WindowIds();
  EXPECT_TRUE(std::any_of(ids.begin(), ids.end(), [&](const std::string& id) {
    return args.find("--attach=" + id + "\n") != std::string::npos;
  })) << args;

  // The first bar's chip turns on the spot (its direction defaults to the
  // first option), the second curves; the arrow, the typed time. The sweep
  // looked at the second chip's arrow, which gave it an empty one: such
  // lines are part of the format.
  EXPECT_EQ(platform::Cp932ToUtf8(ReadText(saved)),
            "<box 0 0 その場旋回>\r\nto=right\r\n向き=右回り\r\n時間=1500\r\n</box>\r\n"
            "<box 1 0 カーブ>\r\nto=\r\n向き=右へ\r\n</box>\r\n");

  // Nothing is unsaved: Escape goes straight to the title, and Escape there
  // ends the program normally.
  s.Key("Escape");
  ASSERT_TRUE(s.WaitForTitle("PELU BLOCK"));
  s.Key("Escape");
  const std::optional<int> status = program.Wait(seconds(20));
  ASSERT_TRUE(status.has_value()) << "the program did not end";
  EXPECT_TRUE(WIFEXITED(*status));
  EXPECT_EQ(WEXITSTATUS(*status), 0);
}

}  // namespace

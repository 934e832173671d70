// The real program in a real X server, driven by mouse and keys: its title;
// in the editor two chips from the palette, joined by a right-button sweep, a
// property typed in, the program saved through the menu (a scripted dialog
// in zenity's place) and compared byte for byte; Escape to the title and out.
// Each step polls, bounded, for its result; every point comes from
// setting.ini, the skin's sprite sizes and the windows' layout.
#include <sys/stat.h>

#include <algorithm>
#include <regex>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "foundation/settings.h"
#include "platform/cp932.h"
#include "support/temp_dir.h"
#include "x11_session.h"

namespace {

using e2e::Screenshot;
using e2e::seconds;

constexpr int kScreenWidth = 1024;
constexpr int kScreenHeight = 768;

// The size of a sprite of skin/def_skn.txt ("#name, bitmap, x, y, w, h").
POINT SpriteSize(const std::string& skin, const std::string& name) {
  std::smatch m;
  const std::regex line("(^|\n)#" + name + ",[^,]*,[ \\d]+,[ \\d]+, *(\\d+), *(\\d+)");
  EXPECT_TRUE(std::regex_search(skin, m, line)) << "no sprite " << name;
  return m.empty() ? POINT{1, 1} : POINT{std::stoi(m[2]), std::stoi(m[3])};
}

int Area(const RECT& r) {
  return (r.right - r.left) * (r.bottom - r.top);
}

// The program's window, its client area at origin on the screen.
struct Session {
  const e2e::XvfbSession& m_x;
  POINT m_origin;

  void Move(POINT p) const {
    m_x.Xdotool({"mousemove", std::to_string(m_origin.x + p.x), std::to_string(m_origin.y + p.y)});
  }
  void Click(POINT p, int button = 1) const {
    Move(p);
    m_x.Xdotool({"click", std::to_string(button)});
  }
  void Key(const std::string& key) const { m_x.Xdotool({"key", key}); }

  // Once two screenshots in a row agree, hover pictures have caught up.
  Screenshot Settled() const {
    Screenshot last = m_x.Shoot();
    e2e::WaitUntil(
        [&] {
          Screenshot next = m_x.Shoot();
          const bool same = next.pixels == last.pixels;
          last = std::move(next);
          return same;
        },
        seconds(5));
    return last;
  }
  // Waits for at least minPixels of the client rectangle r to differ from before.
  bool WaitForChange(const Screenshot& before, const RECT& r, int minPixels) const {
    return e2e::WaitUntil(
        [&] {
          const Screenshot now = m_x.Shoot();
          const int right = std::min(r.right + m_origin.x, now.width);
          int count = 0;
          for (int y = r.top + m_origin.y;
               now.width == before.width && y < now.height && y < r.bottom + m_origin.y; ++y) {
            for (int x = r.left + m_origin.x; x < right; ++x) {
              count += now.At(x, y) != before.At(x, y) ? 1 : 0;
            }
          }
          return count >= minPixels;
        },
        seconds(10));
  }

  // The program's windows, or what the command says of each.
  std::string Windows(std::vector<std::string> command = {}) const {
    command.insert(command.begin(), {"search", "--name", "^PELU BLOCK"});
    return m_x.Xdotool(command);
  }
  bool WaitForTitle(const std::string& title) const {
    return e2e::WaitUntil(
        [&] {
          return ("\n" + Windows({"getwindowname", "%@"})).find("\n" + title + "\n") !=
                 std::string::npos;
        },
        seconds(15));
  }
};

using EditorSessionTest = e2e::ProgramTest;

TEST_F(EditorSessionTest, FromTheTitleAProgramIsBuiltWithMouseAndKeysAndSavedThroughTheMenu) {
  // The dialog the user would answer notes its arguments and names a file
  // without its extension.
  const std::string stub = m_dir.Path() + "/dialog-stub.sh";
  const std::string answer = m_dir.Path() + "/robot";
  m_dir.WriteFile("dialog-stub.sh", "#!/bin/sh\nprintf '%s\\n' \"$@\" > '" + m_dir.Path() +
                                        "/dialog-args.txt'\nprintf '%s\\n' '" + answer + "'\n");
  ASSERT_EQ(chmod(stub.c_str(), 0755), 0);

  // Cells start half a margin in, one chip and one margin apart; the
  // palette's bars start 25 pixels below its top, 21 apart, 5 in.
  const int width = ReadSettingInt("ScreenWidth");
  const int height = ReadSettingInt("ScreenHeight");
  const int chipWidth = ReadSettingInt("ChipWidth");
  const int chipHeight = ReadSettingInt("ChipHeight");
  const int marginX = ReadSettingInt("ChipMarginX");
  const int marginY = ReadSettingInt("ChipMarginY");
  auto cellCentre = [&](int column, int row) {
    return POINT{marginX / 2 + (chipWidth + marginX) * column + chipWidth / 2,
                 marginY / 2 + (chipHeight + marginY) * row + chipHeight / 2};
  };
  const std::string skin = m_dir.ReadFile("skin/def_skn.txt");
  const POINT palette = SpriteSize(skin, "newchip-window");
  const POINT bar = SpriteSize(skin, "newchip-chipbar");
  const POINT propertyRow = SpriteSize(skin, "property-row");
  const POINT menuRow = SpriteSize(skin, "property-row-listbox");

  e2e::XvfbSession x(kScreenWidth, kScreenHeight);
  ASSERT_FALSE(x.Display().empty()) << "Xvfb did not start";
  e2e::Child program;
  ASSERT_TRUE(StartProgram(program, x.Display(), {"PELU_DIALOG_COMMAND=" + stub}));
  // No window manager: the client area is where the program centres it.
  const POINT origin{(kScreenWidth - width) / 2, (kScreenHeight - height) / 2};
  const Session s{x, origin};

  // The title picture, on the black root window, centred on the screen.
  Screenshot before;
  ASSERT_TRUE(e2e::WaitUntil(
      [&] {
        before = x.Shoot();
        return std::any_of(before.pixels.begin(), before.pixels.end(), [](auto c) { return c; });
      },
      seconds(30)))
      << "the title screen never appeared";
  RECT lit{kScreenWidth, kScreenHeight, 0, 0};
  for (int y = 0; y < before.height; ++y) {
    for (int x = 0; x < before.width; ++x) {
      if (before.At(x, y) != 0) {
        lit = RECT{std::min(lit.left, x), std::min(lit.top, y), std::max(lit.right, x + 1),
                   std::max(lit.bottom, y + 1)};
      }
    }
  }
  EXPECT_TRUE(lit.left >= origin.x && lit.top >= origin.y && lit.right <= origin.x + width &&
              lit.bottom <= origin.y + height);
  EXPECT_NEAR((lit.left + lit.right) / 2, kScreenWidth / 2, 8) << "not centred";
  EXPECT_NEAR((lit.top + lit.bottom) / 2, kScreenHeight / 2, 8) << "not centred";
  EXPECT_GE(std::set<std::uint32_t>(before.pixels.begin(), before.pixels.end()).size(), 4u)
      << "a flat area, not the title picture";
  ASSERT_TRUE(s.WaitForTitle("PELU BLOCK"));

  // A click anywhere opens the editor.
  const RECT wholeClient{0, 0, width, height};
  before = s.Settled();
  s.Click(POINT{width / 2, height / 2});
  ASSERT_TRUE(s.WaitForTitle("PELU BLOCK - [newfile]"));
  ASSERT_TRUE(s.WaitForChange(before, wholeClient, Area(wholeClient) / 2)) << "no editor";

  // The palette opens with its corner at a click on an empty cell: the first
  // bar's chip goes in cell (0, 0), the second's in (1, 0).
  for (int column = 0; column < 2; ++column) {
    const POINT cell = cellCentre(column, 0);
    const RECT paletteRect{cell.x, cell.y, cell.x + palette.x, cell.y + palette.y};
    s.Move(cell);
    before = s.Settled();
    s.Click(cell);
    ASSERT_TRUE(s.WaitForChange(before, paletteRect, Area(paletteRect) / 2)) << "no palette";
    before = s.Settled();
    s.Click(POINT{cell.x + 5 + bar.x / 2, cell.y + 25 + 21 * column + bar.y / 2});
    ASSERT_TRUE(s.WaitForChange(before, paletteRect, Area(paletteRect) / 2)) << "palette stays";
  }
  ASSERT_TRUE(s.WaitForTitle("PELU BLOCK - [newfile]*"));

  // A right-button sweep from the first chip to the second draws an arrow in
  // the margin between. The sweep is sampled once a frame (100 ms), so the
  // pointer rests on the first chip for a few frames first.
  const POINT first = cellCentre(0, 0);
  const POINT second = cellCentre(1, 0);
  const RECT between{first.x + chipWidth / 2, first.y - chipHeight / 2, second.x - chipWidth / 2,
                     second.y + chipHeight / 2};
  s.Move(first);
  before = s.Settled();
  x.Xdotool({"mousedown", "3"});
  std::this_thread::sleep_for(std::chrono::milliseconds(400));
  s.Move(POINT{(first.x + second.x) / 2, first.y});
  s.Move(second);
  const bool arrow = s.WaitForChange(before, between, 20);
  x.Xdotool({"mouseup", "3"});
  ASSERT_TRUE(arrow) << "no arrow appeared";

  // The first chip's second property set to 1500: a click selects the chip,
  // a second opens the property window at the click, a click on the row
  // makes it the one typed into, Enter commits.
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

  // Save is the third row of the menu a right click on an empty cell opens;
  // the program has no name yet, so the dialog is asked for one.
  const POINT empty = cellCentre(3, 3);
  const RECT menuRect{empty.x, empty.y, empty.x + menuRow.x, empty.y + 6 * menuRow.y};
  s.Move(empty);
  before = s.Settled();
  s.Click(empty, 3);
  ASSERT_TRUE(s.WaitForChange(before, menuRect, Area(menuRect) / 2)) << "no menu";
  s.Click(POINT{empty.x + menuRow.x / 2, empty.y + 2 * menuRow.y + menuRow.y / 2});
  const std::string saved = answer + ".bhb";
  ASSERT_TRUE(s.WaitForTitle("PELU BLOCK - [" + saved + "]")) << "not saved";

  // The dialog was attached to our window, whose id only a real X server gives.
  const std::string args = m_dir.ReadFile("dialog-args.txt");
  std::istringstream ids(s.Windows());
  bool attached = false;
  for (std::string id; ids >> id;) {
    attached |= args.find("--attach=" + id + "\n") != std::string::npos;
  }
  EXPECT_TRUE(attached) << args;

  // The first bar's chip turns on the spot (direction: its first option), the
  // second curves. The sweep looked at the second chip's arrow, which gave it
  // an empty one: such lines are part of the format.
  EXPECT_EQ(platform::Cp932ToUtf8(ReadFileBytes(saved)),
            "<box 0 0 その場旋回>\r\nto=right\r\n向き=右回り\r\n時間=1500\r\n</box>\r\n"
            "<box 1 0 カーブ>\r\nto=\r\n向き=右へ\r\n</box>\r\n");

  // Nothing is unsaved: Escape goes straight to the title, and Escape there
  // ends the program normally.
  s.Key("Escape");
  ASSERT_TRUE(s.WaitForTitle("PELU BLOCK"));
  s.Key("Escape");
  const std::optional<int> status = program.Wait(seconds(20));
  ASSERT_TRUE(status.has_value()) << "the program did not end";
  EXPECT_TRUE(WIFEXITED(*status) && WEXITSTATUS(*status) == 0) << *status;
}

}  // namespace

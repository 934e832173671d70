// The checker's marks in the real window: avoid.bhb with the start chip's
// arrow taken out, opened from the command line, shows the warning mark on
// the chip that became unreachable and none on the start chip; resting the
// mouse on it writes its text into the message log, and F8 selects it.
#include <algorithm>
#include <string>
#include <vector>

#include "foundation/settings.h"
#include "x11_session.h"

namespace {

using e2e::Screenshot;
using e2e::seconds;

constexpr int kScreenWidth = 1024;
constexpr int kScreenHeight = 768;
// The shipped skin's warning mark: 16 x 16, 3 pixels inside the chip's
// top-right corner, filled with this colour.
constexpr std::uint32_t kWarningFill = 0xF5C518;
constexpr int kMark = 16;
constexpr int kMarkInset = 3;

using CheckMarksSessionTest = e2e::ProgramTest;

TEST_F(CheckMarksSessionTest, AnArrowRemovedFromAvoidMarksTheChipsItCutOff) {
  // The start chip's arrow is the first "to=right" of the file.
  std::string avoid = m_dir.ReadFile("samples/avoid.bhb");
  const std::size_t arrow = avoid.find("to=right");
  ASSERT_NE(arrow, std::string::npos);
  avoid.replace(arrow, 8, "to=");
  m_dir.WriteFile("cut.bhb", avoid);

  const int width = ReadSettingInt("ScreenWidth");
  const int height = ReadSettingInt("ScreenHeight");
  const int chipWidth = ReadSettingInt("ChipWidth");
  const int chipHeight = ReadSettingInt("ChipHeight");
  const int marginX = ReadSettingInt("ChipMarginX");
  const int marginY = ReadSettingInt("ChipMarginY");
  const POINT origin{(kScreenWidth - width) / 2, (kScreenHeight - height) / 2};
  auto cellTopLeft = [&](int column, int row) {
    return POINT{origin.x + marginX / 2 + (chipWidth + marginX) * column,
                 origin.y + marginY / 2 + (chipHeight + marginY) * row};
  };

  e2e::XvfbSession x(kScreenWidth, kScreenHeight);
  ASSERT_FALSE(x.Display().empty()) << "Xvfb did not start";
  e2e::Child program;
  ASSERT_TRUE(program.Start({Binary(), "cut.bhb"},
                            {"SDL_VIDEODRIVER=x11", "SDL_RENDER_DRIVER=software",
                             "SDL_FRAMEBUFFER_ACCELERATION=0", "DISPLAY=" + x.Display()},
                            m_dir.Path()));
  auto move = [&](POINT p) { x.Xdotool({"mousemove", std::to_string(p.x), std::to_string(p.y)}); };
  // Pixels of a colour in a screen rectangle.
  auto count = [](const Screenshot& shot, RECT r, std::uint32_t colour) {
    int n = 0;
    for (int y = std::max(r.top, 0); y < std::min(r.bottom, shot.height); ++y) {
      for (int xx = std::max(r.left, 0); xx < std::min(r.right, shot.width); ++xx) {
        n += shot.At(xx, y) == colour ? 1 : 0;
      }
    }
    return n;
  };
  auto markRect = [&](int column, int row) {
    const POINT p = cellTopLeft(column, row);
    const int left = p.x + chipWidth - kMark - kMarkInset;
    return RECT{left, p.y + kMarkInset, left + kMark, p.y + kMarkInset + kMark};
  };
  auto changed = [](const Screenshot& a, const Screenshot& b, RECT r) {
    int n = 0;
    for (int y = r.top; a.width == b.width && y < r.bottom && y < a.height; ++y) {
      for (int xx = r.left; xx < r.right && xx < a.width; ++xx) {
        n += a.At(xx, y) != b.At(xx, y) ? 1 : 0;
      }
    }
    return n;
  };

  // The title screen, then a click opens the editor on the file.
  ASSERT_TRUE(e2e::WaitUntil(
      [&] {
        const Screenshot shot = x.Shoot();
        return std::any_of(shot.pixels.begin(), shot.pixels.end(), [](auto c) { return c; });
      },
      seconds(30)))
      << "the title screen never appeared";
  move(POINT{origin.x + width / 2, origin.y + height / 2});
  x.Xdotool({"click", "1"});
  Screenshot shot;
  ASSERT_TRUE(e2e::WaitUntil(
      [&] {
        shot = x.Shoot();
        return count(shot, markRect(1, 0), kWarningFill) >= 20;
      },
      seconds(15)))
      << "no warning mark on the chip right of the start";
  EXPECT_EQ(count(shot, markRect(0, 0), kWarningFill), 0) << "the start chip is reachable";

  // Resting on the marked chip writes into the message log at the bottom left.
  const RECT log{origin.x, origin.y + height - 40, origin.x + width / 2, origin.y + height};
  move(POINT{origin.x + width - 40, origin.y + 3});  // over no cell
  const Screenshot away = x.Shoot();
  const POINT chip = cellTopLeft(1, 0);
  move(POINT{chip.x + chipWidth / 2, chip.y + chipHeight / 2});
  EXPECT_TRUE(e2e::WaitUntil([&] { return changed(away, x.Shoot(), log) >= 30; }, seconds(10)))
      << "no hover text";

  // F8 selects the first finding's chip: its frame changes.
  move(POINT{origin.x + width - 40, origin.y + 3});
  e2e::WaitUntil([&] { return changed(away, x.Shoot(), log) == 0; }, seconds(10));
  const Screenshot before = x.Shoot();
  x.Xdotool({"key", "F8"});
  const RECT chipRect{chip.x, chip.y, chip.x + chipWidth, chip.y + chipHeight};
  EXPECT_TRUE(
      e2e::WaitUntil([&] { return changed(before, x.Shoot(), chipRect) >= 30; }, seconds(10)))
      << "F8 did not select the chip";
}

}  // namespace

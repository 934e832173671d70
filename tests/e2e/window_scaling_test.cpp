// The real program's window on screens of several sizes: it opens at the
// largest whole factor that fits on the screen and covers at most 80 % of
// it, carries the desktop
// file's class and the program's icon, and a click on a chip selects it at factors 1, 2 and 3 and
// in a window resized to no whole factor, where bars surround the picture.
#include <algorithm>
#include <regex>
#include <string>

#include "x11_session.h"

namespace {

using e2e::Screenshot;
using e2e::seconds;

constexpr int kPictureWidth = 800;
constexpr int kPictureHeight = 600;

struct Geometry {
  int x = 0;
  int y = 0;
  int width = 0;
  int height = 0;
};

// The program's window as xdotool reports it; all zero when there is none.
Geometry WindowGeometry(const e2e::XvfbSession& x) {
  const std::string text =
      x.Xdotool({"search", "--name", "^PELU BLOCK", "getwindowgeometry", "%@"});
  std::smatch m;
  Geometry g;
  if (std::regex_search(text, m,
                        std::regex("Position: (-?\\d+),(-?\\d+)[^\\n]*\\n *Geometry: "
                                   "(\\d+)x(\\d+)"))) {
    g = Geometry{std::stoi(m[1]), std::stoi(m[2]), std::stoi(m[3]), std::stoi(m[4])};
  }
  return g;
}

// Pixels of the selection's amber inside the rectangle of the screen.
int AmberPixels(const Screenshot& shot, int left, int top, int right, int bottom) {
  int count = 0;
  for (int y = std::max(0, top); y < std::min(bottom, shot.height); ++y) {
    for (int x = std::max(0, left); x < std::min(right, shot.width); ++x) {
      const std::uint32_t c = shot.At(x, y);
      const int r = static_cast<int>(c >> 16 & 0xFF);
      const int g = static_cast<int>(c >> 8 & 0xFF);
      const int b = static_cast<int>(c & 0xFF);
      count += (r > 0xF0 && std::abs(g - 0xB2) < 16 && b < 0x40) ? 1 : 0;
    }
  }
  return count;
}

struct ScalingCase {
  int screenWidth;
  int screenHeight;
  int factor;    // the factor the window opens at
  int resizeTo;  // 0, or the width (and the height less 100) to resize to
};

class WindowScalingTest : public e2e::ProgramTest,
                          public ::testing::WithParamInterface<ScalingCase> {};

TEST_P(WindowScalingTest, AClickOnAChipSelectsItAtEverySize) {
  if (e2e::FindProgram("xprop").empty()) {
    GTEST_SKIP() << "needs xprop (scripts/install-deps.sh installs it)";
  }
  const ScalingCase c = GetParam();
  e2e::XvfbSession x(c.screenWidth, c.screenHeight);
  ASSERT_FALSE(x.Display().empty()) << "Xvfb did not start";
  e2e::Child program;
  ASSERT_TRUE(StartProgram(program, x.Display(), {}, {"samples/square.bhb"}));
  Geometry g;
  ASSERT_TRUE(e2e::WaitUntil([&] { return (g = WindowGeometry(x)).width > 0; }, seconds(30)))
      << "no window";
  EXPECT_EQ(g.width, kPictureWidth * c.factor);
  EXPECT_EQ(g.height, kPictureHeight * c.factor);
  EXPECT_NE(x.Xdotool({"search", "--classname", "^pelublock$"}), "")
      << "the window's class is not the desktop file's";
  const std::string window = x.Xdotool({"search", "--name", "^PELU BLOCK"});
  const std::string properties =
      e2e::Capture({e2e::FindProgram("xprop"), "-display", x.Display(), "-id",
                    window.substr(0, window.find('\n')), "_NET_WM_ICON", "WM_CLASS"},
                   x.Display());
  EXPECT_NE(properties.find("Icon (64 x 64)"), std::string::npos) << properties;
  EXPECT_NE(properties.find("\"pelublock\""), std::string::npos) << properties;

  int factor = c.factor;
  if (c.resizeTo != 0) {
    x.Xdotool({"search", "--name", "^PELU BLOCK", "windowsize", "%@", std::to_string(c.resizeTo),
               std::to_string(c.resizeTo - 100)});
    ASSERT_TRUE(
        e2e::WaitUntil([&] { return (g = WindowGeometry(x)).width == c.resizeTo; }, seconds(10)));
    factor = std::max(1, std::min(g.width / kPictureWidth, g.height / kPictureHeight));
  }
  // The picture's corner on the screen: centred in the window, bars around.
  const int left = g.x + (g.width - kPictureWidth * factor) / 2;
  const int top = g.y + (g.height - kPictureHeight * factor) / 2;
  auto toScreen = [&](int px, int py) {
    return std::to_string(left + px * factor + factor / 2) + " " +
           std::to_string(top + py * factor + factor / 2);
  };
  auto click = [&](int px, int py) {
    const std::string at = toScreen(px, py);
    x.Xdotool({"mousemove", at.substr(0, at.find(' ')), at.substr(at.find(' ') + 1)});
    x.Xdotool({"click", "1"});
  };

  // The title screen, then the editor on the sample, whose first chip
  // stands in cell (0, 0): 10..90 by 10..60 in the picture.
  ASSERT_TRUE(e2e::WaitUntil(
      [&] {
        return x.Xdotool({"search", "--name", "^PELU BLOCK$"}) != "";
      },
      seconds(30)));
  std::this_thread::sleep_for(std::chrono::milliseconds(500));
  click(kPictureWidth / 2, kPictureHeight / 2);
  ASSERT_TRUE(e2e::WaitUntil(
      [&] {
        return x.Xdotool({"search", "--name", "square.bhb"}) != "";
      },
      seconds(15)))
      << "the editor did not open the sample";
  const int chipLeft = left + 4 * factor;
  const int chipTop = top + 4 * factor;
  const int chipRight = left + 96 * factor;
  const int chipBottom = top + 66 * factor;
  // Nothing is selected yet: once the editor has drawn, no amber on the chip.
  ASSERT_TRUE(e2e::WaitUntil(
      [&] { return AmberPixels(x.Shoot(), chipLeft, chipTop, chipRight, chipBottom) == 0; },
      seconds(10)));
  click(50, 35);
  const int wanted = 100 * factor;
  int amber = 0;
  EXPECT_TRUE(e2e::WaitUntil(
      [&] {
        amber = AmberPixels(x.Shoot(), chipLeft, chipTop, chipRight, chipBottom);
        return amber >= wanted;
      },
      seconds(10)))
      << "the chip shows " << amber << " selected pixels, not " << wanted;
  program.Terminate();
}

INSTANTIATE_TEST_SUITE_P(Screens, WindowScalingTest,
                         ::testing::Values(ScalingCase{1024, 768, 1, 0},
                                           ScalingCase{2048, 1536, 2, 0},
                                           ScalingCase{3072, 2304, 3, 0},
                                           // A 4K screen: 2400 x 1800 fits and covers 52 %.
                                           ScalingCase{3840, 2160, 3, 0},
                                           // Resized to 1000 x 900: factor 1 with bars.
                                           ScalingCase{1024, 968, 1, 1000},
                                           // Resized to 1900 x 1800 at factor 2 -> 2.
                                           ScalingCase{2048, 1900, 2, 1900}));

}  // namespace

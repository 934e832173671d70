// The dry run in the real window: avoid opened from the command line, F9,
// x16 and Space, ten seconds of driving in its room watched in the panel's
// arena, then Escape with the program as it was and no out.r written.
#include <string>
#include <thread>

#include "editor/dry_run_mode.h"
#include "foundation/settings.h"
#include "support/temp_dir.h"
#include "x11_session.h"

namespace {

using e2e::Screenshot;
using e2e::seconds;

constexpr int kScreenWidth = 1024;
constexpr int kScreenHeight = 768;

using DryRunSessionTest = e2e::ProgramTest;

int Differing(const Screenshot& a, const Screenshot& b, const RECT& r) {
  int count = 0;
  for (int y = r.top; y < r.bottom && y < a.height && y < b.height; ++y) {
    for (int x = r.left; x < r.right && x < a.width && x < b.width; ++x) {
      count += a.At(x, y) != b.At(x, y) ? 1 : 0;
    }
  }
  return count;
}

TEST_F(DryRunSessionTest, AvoidDrivesInItsRoomAndEscapeLeavesTheProgramAsItWas) {
  const std::string program = m_dir.ReadFile("samples/avoid.bhb");
  ASSERT_FALSE(program.empty());
  ASSERT_FALSE(m_dir.Exists("out.r"));
  const int width = ReadSettingInt("ScreenWidth");
  const int height = ReadSettingInt("ScreenHeight");
  const POINT origin{(kScreenWidth - width) / 2, (kScreenHeight - height) / 2};
  // avoid's chips fill the four columns on the left: the panel keeps its
  // first corner, the top right, with the arena in its top left.
  const int panelRight = width - 24;
  const RECT arena{origin.x + panelRight - kDryRunPanelWidth + 6, origin.y + 4 + 24,
                   origin.x + panelRight - kDryRunPanelWidth + 6 + kDryRunArenaSize,
                   origin.y + 4 + 24 + kDryRunArenaSize};

  e2e::XvfbSession x(kScreenWidth, kScreenHeight);
  ASSERT_FALSE(x.Display().empty()) << "Xvfb did not start";
  e2e::Child child;
  ASSERT_TRUE(child.Start({Binary(), "samples/avoid.bhb"},
                          {"SDL_VIDEODRIVER=x11", "SDL_RENDER_DRIVER=software",
                           "SDL_FRAMEBUFFER_ACCELERATION=0", "DISPLAY=" + x.Display()},
                          m_dir.Path()));
  const auto title = [&] {
    return x.Xdotool({"search", "--name", "^PELU BLOCK", "getwindowname", "%@"});
  };
  ASSERT_TRUE(
      e2e::WaitUntil([&] { return title().find("PELU BLOCK") != std::string::npos; }, seconds(30)));
  // The title screen; Enter opens the editor on the program.
  ASSERT_TRUE(e2e::WaitUntil(
      [&] {
        x.Xdotool({"key", "Return"});
        return e2e::WaitUntil([&] { return title().find("avoid.bhb]") != std::string::npos; },
                              seconds(2));
      },
      seconds(30)));
  // The editor's picture once two screenshots in a row agree.
  Screenshot editor = x.Shoot();
  e2e::WaitUntil(
      [&] {
        Screenshot next = x.Shoot();
        const bool same = next.pixels == editor.pixels;
        editor = std::move(next);
        return same;
      },
      seconds(10));

  x.Xdotool({"key", "F9"});
  ASSERT_TRUE(
      e2e::WaitUntil([&] { return Differing(editor, x.Shoot(), arena) > 1000; }, seconds(10)))
      << "no run panel";
  x.Xdotool({"key", "3"});
  x.Xdotool({"key", "space"});
  std::this_thread::sleep_for(std::chrono::seconds(1));
  const Screenshot started = x.Shoot();
  std::this_thread::sleep_for(std::chrono::seconds(10));
  const Screenshot later = x.Shoot();
  // The robot's body and its path moved on the arena's picture.
  EXPECT_GT(Differing(started, later, arena), 30) << "the robot did not move";

  x.Xdotool({"key", "Escape"});
  ASSERT_TRUE(e2e::WaitUntil([&] { return Differing(editor, x.Shoot(), arena) == 0; }, seconds(10)))
      << "the panel stayed";
  const std::string name = title();
  EXPECT_NE(name.find("avoid.bhb]"), std::string::npos) << name;
  EXPECT_EQ(name.find("]*"), std::string::npos) << "the run marked the program modified";
  EXPECT_EQ(m_dir.ReadFile("samples/avoid.bhb"), program);
  EXPECT_FALSE(m_dir.Exists("out.r")) << "the dry run compiles into memory";
  child.Terminate();
}

}  // namespace

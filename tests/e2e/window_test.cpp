// The program's window among other X clients, with no window manager: the
// keyboard focus on the root window does not stop it drawing what a click
// did, and what it tells the X server about itself (its names, that it is a
// top-level window of its own) is what every window manager can show.
#include <algorithm>
#include <regex>
#include <string>

#include "foundation/settings.h"
#include "support/temp_dir.h"
#include "x11_session.h"

namespace {

using e2e::Screenshot;
using e2e::seconds;

constexpr int kScreenWidth = 1024;
constexpr int kScreenHeight = 768;

class WindowTest : public e2e::ProgramTest {
 protected:
  void SetUp() override {
    e2e::ProgramTest::SetUp();
    if (IsSkipped() || HasFatalFailure()) {
      return;
    }
    if (e2e::FindProgram("xprop").empty() || e2e::FindProgram("xwininfo").empty()) {
      GTEST_SKIP() << "needs xprop and xwininfo (scripts/install-deps.sh installs them)";
    }
    const std::string ini = m_dir.ReadFile("setting.ini");
    std::string value;
    ASSERT_TRUE(profile::GetString(ini, "general", "ScreenWidth", &value));
    m_width = profile::ParseInt(value);
    ASSERT_TRUE(profile::GetString(ini, "general", "ScreenHeight", &value));
    m_height = profile::ParseInt(value);
    m_origin = POINT{(kScreenWidth - m_width) / 2, (kScreenHeight - m_height) / 2};
  }

  // Pixels of the client area that differ between two screenshots.
  int ClientChanges(const Screenshot& a, const Screenshot& b) const {
    int count = 0;
    for (int y = m_origin.y; y < m_origin.y + m_height && y < a.height && y < b.height; ++y) {
      for (int x = m_origin.x; x < m_origin.x + m_width && x < a.width && x < b.width; ++x) {
        count += a.At(x, y) != b.At(x, y) ? 1 : 0;
      }
    }
    return count;
  }
  int ClientLit(const Screenshot& shot) const {
    return ClientChanges(shot, Screenshot{shot.width, shot.height,
                                          std::vector<std::uint32_t>(shot.pixels.size(), 0)});
  }

  int m_width = 0;
  int m_height = 0;
  POINT m_origin{};
};

// The window id that xwininfo or xdotool printed ("0x1a00007" or decimal).
std::string FirstWindowId(const std::string& text, const std::regex& pattern) {
  std::smatch m;
  return std::regex_search(text, m, pattern) ? m[1].str() : std::string();
}

TEST_F(WindowTest, WithTheFocusOnTheRootWindowAClickIsStillDrawn) {
  e2e::XvfbSession x(kScreenWidth, kScreenHeight);
  ASSERT_FALSE(x.Display().empty()) << "Xvfb did not start";
  e2e::Child program;
  ASSERT_TRUE(StartProgram(program, x.Display()));
  Screenshot title;
  ASSERT_TRUE(e2e::WaitUntil(
      [&] {
        title = x.Shoot();
        return ClientLit(title) > m_width * m_height / 4;
      },
      seconds(30)))
      << "the title screen never appeared";

  // The focus falls back to the root window, as when a window manager
  // restarts; the pointer rests on our window.
  const std::string root = FirstWindowId(
      e2e::Capture({e2e::FindProgram("xwininfo"), "-root", "-display", x.Display()}, x.Display()),
      std::regex("Window id: (0x[0-9a-fA-F]+)"));
  ASSERT_FALSE(root.empty());
  x.Xdotool({"mousemove", std::to_string(m_origin.x + m_width / 2),
             std::to_string(m_origin.y + m_height / 2)});
  x.Xdotool({"windowfocus", "--sync", root});
  ASSERT_NE(x.Xdotool({"getwindowfocus"}).find(std::to_string(std::stoul(root, nullptr, 16))),
            std::string::npos)
      << "the focus did not move to the root window";

  // The click opens the editor, and the editor is what the window shows.
  x.Xdotool({"click", "1"});
  EXPECT_TRUE(e2e::WaitUntil(
      [&] { return ClientChanges(title, x.Shoot()) > m_width * m_height / 4; }, seconds(20)))
      << "the click was handled blind: the title stayed on the screen";
  program.Terminate();
}

}  // namespace

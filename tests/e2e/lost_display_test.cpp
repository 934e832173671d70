// The program in full screen when its X server goes away: Xlib ends the
// process from inside an X call, and nothing on the way out may wait for the
// dead connection, or the program keeps a core busy for ever.
#include <algorithm>
#include <string>

#include "foundation/settings.h"
#include "support/temp_dir.h"
#include "x11_session.h"

namespace {

using LostDisplayTest = e2e::ProgramTest;

TEST_F(LostDisplayTest, AFullScreenProgramEndsPromptlyWhenItsDisplayDies) {
  m_dir.WriteFile("setting.ini",
                  profile::SetString(m_dir.ReadFile("setting.ini"), "general", "FullScreen", "1"));
  e2e::XvfbSession x(1024, 768);
  ASSERT_FALSE(x.Display().empty()) << "Xvfb did not start";
  e2e::Child program;
  ASSERT_TRUE(StartProgram(program, x.Display()));
  ASSERT_TRUE(e2e::WaitUntil(
      [&] {
        const std::vector<std::uint32_t> pixels = x.Shoot().pixels;
        return std::any_of(pixels.begin(), pixels.end(), [](std::uint32_t rgb) { return rgb; });
      },
      e2e::seconds(30)))
      << "the title screen never appeared";
  x.Stop();
  EXPECT_TRUE(program.Wait(e2e::seconds(10)).has_value()) << "the program outlived its display";
}

}  // namespace

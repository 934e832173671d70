// The real program in full screen when its X server goes away: Xlib ends the
// process from inside an X call, and nothing on the way out may wait for the
// dead connection. A program that hangs there keeps a core busy for ever.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include "app/settings.h"
#include "support/temp_dir.h"
#include "x11_session.h"

namespace {

namespace fs = std::filesystem;
using std::chrono::seconds;

TEST(LostDisplayTest, AFullScreenProgramEndsPromptlyWhenItsDisplayDies) {
  const std::optional<e2e::XTools> tools = e2e::FindXTools();
  if (!tools) {
    GTEST_SKIP() << e2e::kXToolsMissing;
  }
  const std::string binary = e2e::ProgramBinary();
  const fs::path runDir = e2e::RunDirectory();
  ASSERT_EQ(access(binary.c_str(), X_OK), 0) << binary;
  ASSERT_TRUE(fs::exists(runDir / "setting.ini")) << "the build makes the run directory";

  ScopedTempDir dir;
  fs::copy(runDir, dir.Path(), fs::copy_options::recursive);
  const std::string iniPath = dir.Path() + "/setting.ini";
  std::ostringstream ini;
  ini << std::ifstream(iniPath, std::ios::binary).rdbuf();
  std::ofstream(iniPath, std::ios::binary | std::ios::trunc)
      << profile::SetString(ini.str(), "general", "FullScreen", "1");

  e2e::XvfbSession x(*tools, 1024, 768);
  ASSERT_FALSE(x.Display().empty()) << "Xvfb did not start";
  e2e::Child program;
  ASSERT_TRUE(e2e::StartProgram(program, x.Display(), dir.Path()));
  // Running: the title screen has been drawn into the full-screen window.
  ASSERT_TRUE(e2e::WaitUntil(
      [&] {
        const std::optional<e2e::Screenshot> shot = x.Shoot();
        return shot && std::any_of(shot->pixels.begin(), shot->pixels.end(),
                                   [](std::uint32_t rgb) { return rgb != 0; });
      },
      seconds(30)))
      << "the title screen never appeared";

  x.Stop();
  EXPECT_TRUE(program.Wait(seconds(10)).has_value()) << "the program outlived its display";
}

}  // namespace

// The program's own scenes in the shell, headless: without the keyboard focus
// the window still draws what a click did; only a window that cannot be seen
// (minimised, hidden) runs no frames, and the first click on it draws again.
#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <vector>

#include "display/display.h"
#include "foundation/settings.h"
#include "platform/headless.h"
#include "platform/platform.h"
#include "shell/app.h"
#include "support/temp_dir.h"

namespace {

namespace fs = std::filesystem;
using platform::WindowChange;
namespace headless = platform::headless;

std::vector<std::uint8_t> Pixels(const SurfaceView& view) {
  const auto* bytes = static_cast<const std::uint8_t*>(view.pixels);
  return {bytes,
          bytes + static_cast<std::size_t>(view.pitch) * static_cast<std::size_t>(view.height)};
}

class ActivationTest : public ::testing::Test {
 protected:
  void SetUp() override {
    const fs::path run = fs::path(PELU_BINARY_DIR) / "run";
    ASSERT_TRUE(fs::exists(run / "skin" / "def_skn.txt")) << "the build draws the skin";
    for (const char* name : {"ChipDB.txt", "setting.ini"}) {
      fs::copy_file(run / name, name);
    }
    fs::copy(run / "skin", "skin", fs::copy_options::recursive);
    LoadSettings();
    Settings.FullScreen = 0;
    Settings.LoopMode = 0;
    platform::StartHeadless(Settings.ScreenWidth, Settings.ScreenHeight);
    SetAppSceneFactory(nullptr);
    platform::SetWindowProc(WindowProcedure);
    ASSERT_EQ(AppInit(), 1);
    headless::PumpMessages();
  }
  void TearDown() override {
    AppTerm();
    platform::Shutdown();
  }
  // One frame period passes and everything it brought is handled.
  void Frame() {
    headless::AdvanceTime(100);
    headless::PumpMessages();
  }
  // A press, a frame, the release at the same point: a click of the editor.
  void Click(int x, int y) {
    headless::LeftDown(x, y);
    Frame();
    headless::LeftUp(x, y);
  }

  ScopedTempDir m_dir;
};

TEST_F(ActivationTest, AClickWithoutTheFocusIsDrawnAndAMinimisedWindowDrawsAgainWhenClicked) {
  const int cx = Settings.ScreenWidth / 2;
  const int cy = Settings.ScreenHeight / 2;
  const std::vector<std::uint8_t> title = Pixels(headless::LastPresented());
  ASSERT_FALSE(title.empty()) << "the title is drawn at once";

  // The focus went to the root window: the click on the title still opens
  // the editor, and the editor is on the back surface and on the screen.
  headless::ChangeWindow(WindowChange::kFocusLost);
  Click(cx, cy);
  const int before = headless::PresentCount();
  Frame();
  Frame();
  EXPECT_GT(headless::PresentCount(), before);
  const std::vector<std::uint8_t> editor = Pixels(headless::LastPresented());
  EXPECT_NE(editor, title);
  EXPECT_EQ(Pixels(g_display->BackSurface()), editor);

  // Minimised: no frames at all.
  headless::ChangeWindow(WindowChange::kMinimised);
  headless::PumpMessages();
  const int minimised = headless::PresentCount();
  for (int i = 0; i < 5; ++i) {
    Frame();
  }
  EXPECT_EQ(headless::PresentCount(), minimised);

  // A click reaches the window before the desktop says it is back: the
  // palette it opens on an empty cell is drawn.
  Click(cx / 3, cy / 3);
  Frame();
  Frame();
  EXPECT_GT(headless::PresentCount(), minimised);
  EXPECT_NE(Pixels(headless::LastPresented()), editor);
  EXPECT_EQ(Pixels(g_display->BackSurface()), Pixels(headless::LastPresented()));
}

}  // namespace

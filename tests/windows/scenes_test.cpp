// The title and settings screens with the shipped skin: their pictures, the
// input that leaves them, and the full-screen switch.
#include <gtest/gtest.h>

#include <filesystem>
#include <utility>
#include <vector>

#include "display/display_fixture.h"
#include "windows/settings_scene.h"
#include "windows/title_scene.h"

namespace {

namespace fs = std::filesystem;
using namespace platform::headless;
using Posted = std::vector<std::pair<UINT, WPARAM>>;  // (message, wParam) for the shell

constexpr POINT kState{310, 55};  // on "fullscreen-state" (300, 50)
constexpr POINT kBack{690, 560};  // on "back" (ScreenWidth - 120, ScreenHeight - 50)
const Posted kToTitle{{WM_APP_CHANGESCENE, kSceneTitle}};

class SceneTest : public DisplayFixture {
 protected:
  void SetUp() override {
    Start(800, 600, 0);
    platform::SetWindowProc(&SceneTest::Procedure);
    const fs::path shipped = fs::path(PELU_BINARY_DIR) / "run" / "skin";
    ASSERT_TRUE(fs::exists(shipped / "def_skn.txt")) << "the build draws the skin";
    fs::copy(shipped, "skin", fs::copy_options::recursive);
  }
  void TearDown() override {
    s_scene = nullptr;
    DisplayFixture::TearDown();
  }

  void Enter(CScene& scene) {
    s_scene = &scene;
    ASSERT_EQ(scene.Enter(0), 1);
  }
  Posted Pump() {
    s_posted.clear();
    PumpMessages();
    return s_posted;
  }
  void Click(POINT p) {
    LeftDown(p.x, p.y);
    LeftUp(p.x, p.y);
  }
  std::string Sprite(const char* object) { return g_registry->Find(object)->sprite; }

  CTitleScene m_title;
  CSettingsScene m_settings;

 private:
  static LRESULT Procedure(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_APP_CHANGESCENE || message == WM_CLOSE) {
      s_posted.emplace_back(message, wParam);
      return 0;
    }
    return s_scene != nullptr ? s_scene->HandleMessage(hwnd, message, wParam, lParam) : 0;
  }
  static inline CScene* s_scene = nullptr;
  static inline Posted s_posted;
};

TEST_F(SceneTest, TitleDrawsItsPictureOnBlackAndLeavesForEnterAPressSOrEscape) {
  Enter(m_title);
  EXPECT_EQ(platform::GetWindowText(), "PELU BLOCK");
  m_display->ClearScreen(0xFFFFFF);  // whatever was there before goes
  EXPECT_EQ(m_title.HandleMessage(platform::MainWindow(), WM_APP_TICK, 0, 0), 1);
  EXPECT_EQ(LastPresented().PixelAt(79, 300), 0u);  // black beside the 640 x 360 picture
  EXPECT_NE(LastPresented().PixelAt(400, 300), 0u);

  const struct {
    UINT message;
    WPARAM wParam;
    Posted posted;
  } cases[] = {
      {WM_KEYDOWN, VK_RETURN, {{WM_APP_CHANGESCENE, kSceneEditor}}},
      {WM_LBUTTONDOWN, 0, {{WM_APP_CHANGESCENE, kSceneEditor}}},  // off the picture
      {WM_KEYDOWN, 'S', {{WM_APP_CHANGESCENE, kSceneSettings}}},
      {WM_KEYDOWN, VK_ESCAPE, {{WM_CLOSE, 0}}},
      {WM_KEYUP, VK_RETURN, {}},
  };
  for (const auto& c : cases) {
    platform::PostMessage(platform::MainWindow(), c.message, c.wParam, MakeLParam(2, 2));
    EXPECT_EQ(Pump(), c.posted) << c.message << " " << c.wParam;
  }
}

TEST_F(SceneTest, SettingsClickIsAReleaseWhereThePressWasAndTogglesTheFileOnly) {
  Enter(m_settings);
  LeftDown(kState.x, kState.y);
  LeftUp(kState.x + 1, kState.y);
  LeftDown(kBack.x, kBack.y);
  LeftUp(kState.x, kState.y);
  LeftUp(kState.x, kState.y);  // with no press on this screen
  EXPECT_EQ(Pump(), Posted{});
  EXPECT_EQ(Sprite("fullscreen-state"), "setting-no-use");  // no setting.ini reads as 0
  EXPECT_FALSE(m_dir.Exists("setting.ini"));

  const std::string ini = "[general]\r\nIP=192.168.0.7\r\nFullScreen=0\r\n";
  m_dir.WriteFile("setting.ini", ini);
  Click(kState);
  EXPECT_EQ(Pump(), Posted{});
  EXPECT_EQ(Sprite("fullscreen-state"), "setting-use");
  EXPECT_EQ(ReadSettingInt("FullScreen"), 1);
  Click(kState);
  Pump();
  EXPECT_EQ(Sprite("fullscreen-state"), "setting-no-use");
  EXPECT_EQ(m_dir.ReadFile("setting.ini"), ini);
  EXPECT_EQ(Settings.FullScreen, 0);  // the running display keeps its mode

  MouseMove(kBack.x, kBack.y);
  Pump();
  EXPECT_EQ(Sprite("back"), "setting-back-hover");
  m_settings.HandleMessage(platform::MainWindow(), WM_APP_TICK, 0, 0);
  // The screen in the program's theme: the skin's dark ground, tiled.
  const std::uint32_t ground = LastPresented().PixelAt(0, 0);
  EXPECT_EQ(LastPresented().PixelAt(200, 200), ground);
  EXPECT_LT((ground >> 16 & 0xFF) + (ground >> 8 & 0xFF) + (ground & 0xFF), 3u * 0x60);
  EXPECT_EQ(Log(), "") << "every sprite was found";

  Click(kBack);
  EXPECT_EQ(Pump(), kToTitle);
  KeyDown(VK_ESCAPE);
  EXPECT_EQ(Pump(), kToTitle);
}

// A skin of the old kind has no ground for the settings screen: it gets the
// design's white page, and its sprites are drawn as before.
TEST_F(SceneTest, SettingsWithAnOldSkinAreTheWhitePage) {
  std::string skin = m_dir.ReadFile("skin/def_skn.txt");
  const std::size_t line = skin.find("#setting-background,");
  ASSERT_NE(line, std::string::npos);
  skin.erase(line, skin.find('\n', line) + 1 - line);
  m_dir.WriteFile("skin/def_skn.txt", skin);
  Enter(m_settings);
  m_settings.HandleMessage(platform::MainWindow(), WM_APP_TICK, 0, 0);
  EXPECT_EQ(LastPresented().PixelAt(0, 0), Rgb(0xFFFFFF));
  EXPECT_EQ(Sprite("back"), "setting-back");
  EXPECT_EQ(Log(), "");
}

}  // namespace

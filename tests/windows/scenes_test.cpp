// The title and settings screens on the headless platform, with a skin of
// solid colours and with the skin that the build ships: their pictures, the
// keys and clicks that leave them, and the full-screen switch.
#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <utility>
#include <vector>

#include "display/display_fixture.h"
#include "windows/settings_scene.h"
#include "windows/title_scene.h"

namespace {

namespace fs = std::filesystem;
using namespace platform::headless;
// What a scene posted for the shell: (message, wParam).
using Posted = std::vector<std::pair<UINT, WPARAM>>;

constexpr std::uint32_t kTitleColour = 0x204080;
constexpr std::uint32_t kLabelColour = 0x808080;
constexpr std::uint32_t kUseColour = 0x00C000;
constexpr std::uint32_t kHoverColour = 0x00C0C0;
// "fullscreen-state" is at (300, 50), "back" at (ScreenWidth - 120,
// ScreenHeight - 50).
constexpr POINT kState{310, 55};
constexpr POINT kBack{690, 560};
const Posted kToTitle{{WM_APP_CHANGESCENE, kSceneTitle}};

class SceneTest : public DisplayFixture {
 protected:
  void SetUp() override {
    Start(800, 600, 0);
    platform::SetWindowProc(&SceneTest::Procedure);
    m_dir.WriteFile("skin/title.bmp", bmp_test::SolidBmp(640, 360, kTitleColour));
    // One bitmap with a band for each settings sprite.
    std::vector<std::uint32_t> pixels;
    for (std::uint32_t band :
         {kLabelColour, kUseColour, 0xC00000u, kLabelColour, 0x0000C0u, kHoverColour}) {
      pixels.insert(pixels.end(), 100 * 20, band);
    }
    m_dir.WriteFile("skin/setting.bmp", bmp_test::Bmp24(100, 120, pixels));
    m_dir.WriteFile("skin/def_skn.txt",
                    ">title\n#title,skin/title.bmp,0,0,640,360\n>setting\n"
                    "#setting-fullscreen,skin/setting.bmp,0,0,100,20\n"
                    "#setting-use,skin/setting.bmp,0,20,60,20\n"
                    "#setting-no-use,skin/setting.bmp,0,40,60,20\n"
                    "#setting-ip,skin/setting.bmp,0,60,100,20\n"
                    "#setting-back,skin/setting.bmp,0,80,100,20\n"
                    "#setting-back-hover,skin/setting.bmp,0,100,100,20\n");
  }
  void TearDown() override {
    s_scene = nullptr;
    DisplayFixture::TearDown();
  }

  void Enter(CScene& scene) {
    s_scene = &scene;
    ASSERT_EQ(scene.Enter(0), 1);
  }
  // Dispatches what is queued; returns what the scene posted meanwhile.
  Posted Pump() {
    s_posted.clear();
    PumpMessages();
    return s_posted;
  }
  void Click(POINT p) {
    LeftDown(p.x, p.y);
    LeftUp(p.x, p.y);
  }
  std::uint32_t Shown(int x, int y) { return LastPresented().PixelAt(x, y); }
  std::string Sprite(const char* object) { return g_registry->Find(object)->sprite; }

  CTitleScene m_title;
  CSettingsScene m_settings;

 private:
  // Input goes to the scene; what only the shell acts on is recorded.
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

TEST_F(SceneTest, TitleCentresItsPictureOnBlackAndNamesTheWindow) {
  Enter(m_title);
  EXPECT_EQ(platform::GetWindowText(), "PELU BLOCK");
  m_display->ClearScreen(0xFFFFFF);  // whatever was there before goes
  EXPECT_EQ(m_title.HandleMessage(platform::MainWindow(), WM_APP_TICK, 0, 0), 1);
  ASSERT_EQ(PresentCount(), 1);
  // (800 - 640) / 2 = 80, (600 - 360) / 2 = 120.
  EXPECT_EQ(Shown(80, 120), Rgb(kTitleColour));
  EXPECT_EQ(Shown(719, 479), Rgb(kTitleColour));
  EXPECT_EQ(Shown(79, 120), 0u);
  EXPECT_EQ(Shown(720, 479), 0u);
}

TEST_F(SceneTest, TitleLeavesForEnterAnyLeftPressSOrEscapeOnly) {
  Enter(m_title);
  const struct {
    const char* what;
    std::function<void()> input;
    Posted posted;
  } cases[] = {
      {"Enter", [] { KeyDown(VK_RETURN); }, {{WM_APP_CHANGESCENE, kSceneEditor}}},
      {"a press far outside the picture",
       [] { LeftDown(2, 2); },
       {{WM_APP_CHANGESCENE, kSceneEditor}}},
      {"S", [] { KeyDown('S'); }, {{WM_APP_CHANGESCENE, kSceneSettings}}},
      {"Escape", [] { KeyDown(VK_ESCAPE); }, {{WM_CLOSE, 0}}},
      {"other keys",
       [] {
         KeyDown('A');
         KeyDown(VK_SPACE);
         KeyDown(VK_F5);
         KeyUp(VK_RETURN);
       },
       {}},
      {"other buttons",
       [] {
         RightDown(300, 300);
         MouseMove(10, 10);
         LeftUp(10, 10);
       },
       {}},
  };
  for (const auto& c : cases) {
    c.input();
    EXPECT_EQ(Pump(), c.posted) << c.what;
  }
}

TEST_F(SceneTest, SettingsToggleWritesFullScreenToTheFileOnly) {
  m_dir.WriteFile("setting.ini", "[general]\r\nIP=192.168.0.7\r\nFullScreen=0\r\n");
  Enter(m_settings);
  Click(kState);
  EXPECT_EQ(Pump(), Posted{});
  EXPECT_EQ(Sprite("fullscreen-state"), "setting-use");
  EXPECT_EQ(ReadSettingInt("FullScreen"), 1);
  Click(kState);
  Pump();
  EXPECT_EQ(Sprite("fullscreen-state"), "setting-no-use");
  EXPECT_EQ(m_dir.ReadFile("setting.ini"), "[general]\r\nIP=192.168.0.7\r\nFullScreen=0\r\n");
  // The running display keeps its mode.
  EXPECT_EQ(Settings.FullScreen, 0);
}

TEST_F(SceneTest, SettingsClickIsAReleaseWhereThePressWas) {
  Enter(m_settings);
  LeftDown(kState.x, kState.y);
  LeftUp(kState.x + 1, kState.y);
  LeftDown(kBack.x, kBack.y);
  LeftUp(kBack.x, kBack.y + 1);
  LeftDown(kBack.x, kBack.y);
  LeftUp(kState.x, kState.y);
  LeftUp(kState.x, kState.y);  // with no press on this screen
  Click(POINT{35, 105});       // on the "ip" picture
  EXPECT_EQ(Pump(), Posted{});
  EXPECT_EQ(Sprite("fullscreen-state"), "setting-no-use");  // no setting.ini reads as 0
  EXPECT_FALSE(m_dir.Exists("setting.ini"));

  Click(kBack);
  EXPECT_EQ(Pump(), kToTitle);
  KeyDown(VK_ESCAPE);
  EXPECT_EQ(Pump(), kToTitle);
}

TEST_F(SceneTest, SettingsFrameIsWhiteWithEveryObjectAndTheHoveredBack) {
  m_dir.WriteFile("setting.ini", "[general]\r\nFullScreen=1\r\n");
  Enter(m_settings);
  MouseMove(kBack.x, kBack.y);
  Pump();
  EXPECT_EQ(Sprite("back"), "setting-back-hover");
  EXPECT_EQ(m_settings.HandleMessage(platform::MainWindow(), WM_APP_TICK, 0, 0), 1);
  EXPECT_EQ(Shown(0, 0), Rgb(0xFFFFFF));
  EXPECT_EQ(Shown(30, 50), Rgb(kLabelColour));
  EXPECT_EQ(Shown(300, 50), Rgb(kUseColour));
  EXPECT_EQ(Shown(30, 100), Rgb(kLabelColour));
  EXPECT_EQ(Shown(680, 550), Rgb(kHoverColour));
  EXPECT_EQ(Log(), "") << "every sprite was found";
  MouseMove(kBack.x - 20, kBack.y);
  Pump();
  EXPECT_EQ(Sprite("back"), "setting-back");
}

TEST_F(SceneTest, TheShippedSkinLoadsWithoutALogLineAndBothScreensShowIt) {
  const fs::path shipped = fs::path(PELU_BINARY_DIR) / "run" / "skin";
  ASSERT_TRUE(fs::exists(shipped / "def_skn.txt")) << "the build draws the skin";
  fs::remove_all("skin");
  fs::copy(shipped, "skin", fs::copy_options::recursive);
  for (const char* section : {"title", "setting", "main"}) {
    m_registry->Clear();
    EXPECT_EQ(m_registry->LoadSkin(section), 1) << section;
  }
  auto coloured = [](RECT area) {
    int count = 0;
    const SurfaceView shown = LastPresented();
    for (int y = area.top; y < area.bottom; ++y) {
      for (int x = area.left; x < area.right; ++x) {
        const std::uint32_t p = shown.PixelAt(x, y);
        count += p != 0 && p != MapRgb(shown.format, 0xFF, 0xFF, 0xFF) ? 1 : 0;
      }
    }
    return count;
  };
  Enter(m_title);
  m_title.Update();
  EXPECT_GT(coloured(RECT{80, 120, 720, 480}), 640 * 360 / 4);
  Enter(m_settings);
  m_settings.Update();
  EXPECT_GT(coloured(RECT{300, 50, 420, 82}), 100) << "the full-screen switch";
  EXPECT_GT(coloured(RECT{680, 550, 780, 582}), 100) << "the back button";
  EXPECT_EQ(Log(), "");
}

}  // namespace

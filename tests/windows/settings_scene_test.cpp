// The settings screen: the full-screen toggle and setting.ini, the click
// rule, the hover picture and the ways back to the title screen.
#include "windows/settings_scene.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "windows/scene_fixture.h"

namespace {

using ::testing::ElementsAre;
using ::testing::HasSubstr;
using ::testing::IsEmpty;
using ::testing::Not;

// Where the objects are: "fullscreen-state" at (300, 50), "back" at
// (ScreenWidth - 120, ScreenHeight - 50).
constexpr int kStateX = 310;
constexpr int kStateY = 55;
constexpr int kBackX = 690;
constexpr int kBackY = 560;

class SettingsSceneTest : public SceneFixture {
 protected:
  std::string StateSprite() const { return g_registry->Find("fullscreen-state")->sprite; }
  std::string BackSprite() const { return g_registry->Find("back")->sprite; }

  void Click(int x, int y) {
    platform::headless::LeftDown(x, y);
    platform::headless::LeftUp(x, y);
  }

  CSettingsScene m_scene;
};

TEST_F(SettingsSceneTest, ShowsTheFullScreenValueOfTheSettingsFile) {
  Enter(m_scene);
  EXPECT_EQ(StateSprite(), "setting-no-use") << "no setting.ini reads as 0";
  m_dir.WriteFile("setting.ini", "[general]\r\nFullScreen=1\r\n");
  CSettingsScene again;
  Enter(again);
  EXPECT_EQ(StateSprite(), "setting-use");
}

TEST_F(SettingsSceneTest, ToggleWritesFullScreenAndShowsTheValueWritten) {
  m_dir.WriteFile("setting.ini", "[general]\r\nIP=192.168.0.7\r\nFullScreen=0\r\n");
  Enter(m_scene);
  Click(kStateX, kStateY);
  EXPECT_THAT(Pump(), IsEmpty());
  EXPECT_EQ(StateSprite(), "setting-use");
  EXPECT_EQ(ReadSettingInt("FullScreen"), 1);
  Click(kStateX, kStateY);
  Pump();
  EXPECT_EQ(StateSprite(), "setting-no-use");
  EXPECT_EQ(m_dir.ReadFile("setting.ini"), "[general]\r\nIP=192.168.0.7\r\nFullScreen=0\r\n");
  // The running display keeps its mode: only the file changes.
  EXPECT_EQ(Settings.FullScreen, 0);
}

TEST_F(SettingsSceneTest, PressAndReleaseAtDifferentPointsDoNothing) {
  Enter(m_scene);
  platform::headless::LeftDown(kStateX, kStateY);
  platform::headless::LeftUp(kStateX + 1, kStateY);
  platform::headless::LeftDown(kBackX, kBackY);
  platform::headless::LeftUp(kBackX, kBackY + 1);
  // From one object to the other.
  platform::headless::LeftDown(kBackX, kBackY);
  platform::headless::LeftUp(kStateX, kStateY);
  EXPECT_THAT(Pump(), IsEmpty());
  // A release with no press on this screen is no click either.
  platform::headless::LeftUp(kStateX, kStateY);
  EXPECT_THAT(Pump(), IsEmpty());
  EXPECT_EQ(StateSprite(), "setting-no-use");
  EXPECT_FALSE(m_dir.Exists("setting.ini"));
}

TEST_F(SettingsSceneTest, BackAndEscapeReturnToTheTitle) {
  Enter(m_scene);
  Click(kBackX, kBackY);
  EXPECT_THAT(Pump(), ElementsAre(IsMessage(SceneChange(kSceneTitle))));
  platform::headless::KeyDown(VK_ESCAPE);
  EXPECT_THAT(Pump(), ElementsAre(IsMessage(SceneChange(kSceneTitle))));
  // A click elsewhere, on the "ip" picture, does nothing.
  Click(35, 105);
  EXPECT_THAT(Pump(), IsEmpty());
}

TEST_F(SettingsSceneTest, BackShowsItsHoverPictureUnderThePointer) {
  Enter(m_scene);
  platform::headless::MouseMove(kBackX, kBackY);
  Pump();
  EXPECT_EQ(BackSprite(), "setting-back-hover");
  platform::headless::MouseMove(kBackX - 20, kBackY);
  Pump();
  EXPECT_EQ(BackSprite(), "setting-back");
}

TEST_F(SettingsSceneTest, FrameIsWhiteWithEveryObject) {
  m_dir.WriteFile("setting.ini", "[general]\r\nFullScreen=1\r\n");
  Enter(m_scene);
  platform::headless::MouseMove(kBackX, kBackY);
  Pump();
  EXPECT_EQ(m_scene.HandleMessage(platform::MainWindow(), WM_APP_TICK, 0, 0), 1);
  ASSERT_EQ(platform::headless::PresentCount(), 1);
  EXPECT_EQ(Shown(0, 0), Rgb(0xFFFFFF));
  EXPECT_EQ(Shown(30, 50), Rgb(kLabelColour));
  EXPECT_EQ(Shown(300, 50), Rgb(kUseColour));
  EXPECT_EQ(Shown(30, 100), Rgb(kLabelColour));
  EXPECT_EQ(Shown(680, 550), Rgb(kHoverColour));
  EXPECT_THAT(Log(), Not(HasSubstr("DrawSymbol"))) << "every sprite was found";
}

}  // namespace

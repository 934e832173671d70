// The title screen: its picture, and the keys and clicks that leave it.
#include "windows/title_scene.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "windows/scene_fixture.h"

namespace {

using ::testing::ElementsAre;
using ::testing::IsEmpty;

class TitleSceneTest : public SceneFixture {
 protected:
  void SetUp() override {
    SceneFixture::SetUp();
    Enter(m_scene);
  }
  CTitleScene m_scene;
};

TEST_F(TitleSceneTest, CentresThePictureOnBlackAndNamesTheWindow) {
  EXPECT_EQ(platform::GetWindowText(), "PELU BLOCK");
  m_display->ClearScreen(0xFFFFFF);  // whatever was there before goes
  EXPECT_EQ(m_scene.HandleMessage(platform::MainWindow(), WM_APP_TICK, 0, 0), 1);
  ASSERT_EQ(platform::headless::PresentCount(), 1);
  // (800 - 640) / 2 = 80, (600 - 360) / 2 = 120.
  EXPECT_EQ(Shown(80, 120), Rgb(kTitleColour));
  EXPECT_EQ(Shown(719, 479), Rgb(kTitleColour));
  EXPECT_EQ(Shown(79, 120), 0u);
  EXPECT_EQ(Shown(720, 479), 0u);
}

TEST_F(TitleSceneTest, EnterKeyAndAnyLeftPressOpenTheEditor) {
  platform::headless::KeyDown(VK_RETURN);
  EXPECT_THAT(Pump(), ElementsAre(IsMessage(SceneChange(kSceneEditor))));
  // Far outside the picture still counts.
  platform::headless::LeftDown(2, 2);
  EXPECT_THAT(Pump(), ElementsAre(IsMessage(SceneChange(kSceneEditor))));
}

TEST_F(TitleSceneTest, SKeyOpensTheSettingsAndEscapeCloses) {
  platform::headless::KeyDown('S');
  EXPECT_THAT(Pump(), ElementsAre(IsMessage(SceneChange(kSceneSettings))));
  platform::headless::KeyDown(VK_ESCAPE);
  EXPECT_THAT(Pump(), ElementsAre(IsMessage(platform::MSG{nullptr, WM_CLOSE, 0, 0})));
}

TEST_F(TitleSceneTest, OtherInputDoesNothingAndIsNotConsumed) {
  for (UINT key : {static_cast<UINT>('A'), static_cast<UINT>(VK_SPACE), static_cast<UINT>(VK_F5)}) {
    EXPECT_EQ(m_scene.HandleMessage(platform::MainWindow(), WM_KEYDOWN, key, 0), 0);
  }
  EXPECT_EQ(m_scene.HandleMessage(platform::MainWindow(), WM_KEYDOWN, VK_RETURN, 0), 0)
      << "only ticks are reported as handled";
  Pump();
  platform::headless::RightDown(300, 300);
  platform::headless::MouseMove(10, 10);
  platform::headless::LeftUp(10, 10);
  platform::headless::KeyUp(VK_RETURN);
  EXPECT_THAT(Pump(), IsEmpty());
}

}  // namespace

// The skin that the build draws into the run directory, read by the display
// and shown by the two screens: every section loads without a log line, and
// the screens' pictures really appear.
#include <gtest/gtest.h>

#include <filesystem>

#include "windows/scene_fixture.h"
#include "windows/settings_scene.h"
#include "windows/title_scene.h"

namespace {

class ShippedSkinTest : public SceneFixture {
 protected:
  void SetUp() override {
    SceneFixture::SetUp();
    const std::filesystem::path shipped = std::filesystem::path(PELU_BINARY_DIR) / "run" / "skin";
    ASSERT_TRUE(std::filesystem::exists(shipped / "def_skn.txt")) << "the build draws the skin";
    std::filesystem::remove_all("skin");
    std::filesystem::copy(shipped, "skin", std::filesystem::copy_options::recursive);
  }

  int ColouredPixels(RECT area) {
    int count = 0;
    const SurfaceView shown = platform::headless::LastPresented();
    for (int y = area.top; y < area.bottom; ++y) {
      for (int x = area.left; x < area.right; ++x) {
        count += shown.PixelAt(x, y) != 0 && shown.PixelAt(x, y) != Rgb(0xFFFFFF) ? 1 : 0;
      }
    }
    return count;
  }
};

TEST_F(ShippedSkinTest, EverySectionLoadsWithoutALogLine) {
  for (const char* section : {"title", "setting", "main"}) {
    m_registry->Clear();
    EXPECT_EQ(m_registry->LoadSkin(section), 1) << section;
  }
  EXPECT_EQ(Log(), "");
}

TEST_F(ShippedSkinTest, TitleAndSettingsScreensShowTheirPictures) {
  CTitleScene title;
  Enter(title);
  title.Update();
  EXPECT_GT(ColouredPixels(RECT{80, 120, 720, 480}), 640 * 360 / 4);
  CSettingsScene settings;
  Enter(settings);
  settings.Update();
  EXPECT_GT(ColouredPixels(RECT{300, 50, 420, 82}), 100) << "the full-screen switch";
  EXPECT_GT(ColouredPixels(RECT{680, 550, 780, 582}), 100) << "the back button";
  EXPECT_EQ(Log(), "");
}

}  // namespace

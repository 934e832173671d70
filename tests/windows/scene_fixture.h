// The title and settings screens on the headless platform: a display, a
// registry, a skin with both sections, and a window procedure that hands
// input to the scene under test and records what the scene posts.
#pragma once

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "app/scene.h"
#include "display/bmp_builder.h"
#include "display/display_fixture.h"

class SceneFixture : public DisplayFixture {
 protected:
  // Colours of the skin's pictures.
  static constexpr std::uint32_t kTitleColour = 0x204080;
  static constexpr std::uint32_t kLabelColour = 0x808080;
  static constexpr std::uint32_t kUseColour = 0x00C000;
  static constexpr std::uint32_t kNoUseColour = 0xC00000;
  static constexpr std::uint32_t kBackColour = 0x0000C0;
  static constexpr std::uint32_t kHoverColour = 0x00C0C0;

  void SetUp() override {
    Start(800, 600, 0);
    platform::SetWindowProc(&SceneFixture::Procedure);
    s_scene = nullptr;
    s_posted.clear();
    m_dir.WriteFile("skin/title.bmp", bmp_test::SolidBmp(640, 360, kTitleColour));
    // One bitmap with a band per settings sprite.
    std::vector<std::uint32_t> pixels;
    const std::uint32_t bands[] = {kLabelColour, kUseColour,  kNoUseColour,
                                   kLabelColour, kBackColour, kHoverColour};
    for (std::uint32_t band : bands) {
      pixels.insert(pixels.end(), 100 * 20, band);
    }
    m_dir.WriteFile("skin/setting.bmp", bmp_test::Bmp24(100, 120, pixels));
    m_dir.WriteFile("skin/def_skn.txt",
                    ">title\n"
                    "#title,skin/title.bmp,0,0,640,360\n"
                    ">setting\n"
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

  // Makes the scene current and enters it.
  void Enter(CScene& scene) {
    s_scene = &scene;
    ASSERT_EQ(scene.Enter(0), 1);
  }

  // Dispatches what is queued; returns what the scene posted meanwhile.
  std::vector<platform::MSG> Pump() {
    s_posted.clear();
    platform::headless::PumpMessages();
    return s_posted;
  }

  static platform::MSG SceneChange(int id) {
    return platform::MSG{platform::MainWindow(), WM_APP_CHANGESCENE, static_cast<WPARAM>(id), 0};
  }

  std::uint32_t Shown(int x, int y) { return platform::headless::LastPresented().PixelAt(x, y); }

 private:
  // Input goes to the scene; what only the shell would act on (scene
  // changes, closing) is recorded instead.
  static LRESULT Procedure(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_APP_CHANGESCENE || message == WM_CLOSE) {
      s_posted.push_back(platform::MSG{hwnd, message, wParam, lParam});
      return 0;
    }
    return s_scene != nullptr ? s_scene->HandleMessage(hwnd, message, wParam, lParam) : 0;
  }

  static inline CScene* s_scene = nullptr;
  static inline std::vector<platform::MSG> s_posted;
};

MATCHER_P(IsMessage, expected, "") {
  return arg.message == expected.message && arg.wParam == expected.wParam;
}

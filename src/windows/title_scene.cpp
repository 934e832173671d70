// The title screen.
#include "windows/title_scene.h"

#include "display/display.h"
#include "display/object_registry.h"
#include "foundation/settings.h"
#include "platform/platform.h"

namespace {

// The title picture is made for this size and centred on the screen.
constexpr int kTitleWidth = 640;
constexpr int kTitleHeight = 360;
constexpr int kKeySettings = 'S';

void RequestScene(SceneId scene) {
  platform::PostMessage(platform::MainWindow(), WM_APP_CHANGESCENE, static_cast<WPARAM>(scene),
                        kSceneTitle);
}

}  // namespace

int CTitleScene::Enter(int /*argument*/) {
  if (g_registry != nullptr) {
    g_registry->Clear();
    g_registry->LoadSkin("title");
    g_registry->CreateObject("title", "title", (Settings.ScreenWidth - kTitleWidth) / 2,
                             (Settings.ScreenHeight - kTitleHeight) / 2);
  }
  platform::SetWindowText("PELU BLOCK");
  return 1;
}

LRESULT CTitleScene::HandleMessage(HWND /*hwnd*/, UINT message, WPARAM wParam, LPARAM /*lParam*/) {
  switch (message) {
    case WM_KEYDOWN:
      if (wParam == VK_ESCAPE) {
        // The application ends through its normal shut-down.
        platform::PostMessage(platform::MainWindow(), WM_CLOSE, 0, 0);
      } else if (wParam == VK_RETURN) {
        RequestScene(kSceneEditor);
      } else if (wParam == kKeySettings) {
        RequestScene(kSceneSettings);
      }
      return 0;
    case WM_LBUTTONDOWN:
      // Anywhere, not only on the picture.
      RequestScene(kSceneEditor);
      return 0;
    case WM_APP_TICK:
      Update();
      return 1;
    default:
      return 0;
  }
}

void CTitleScene::Update() {
  if (g_display == nullptr || g_registry == nullptr) {
    return;
  }
  g_display->ClearScreen(0);
  g_registry->Draw("title");
  g_display->Present();
}

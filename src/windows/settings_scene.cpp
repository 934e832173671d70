// The settings screen.
#include "windows/settings_scene.h"

#include "display/display.h"
#include "display/object_registry.h"
#include "foundation/settings.h"
#include "platform/platform.h"

namespace {

constexpr char kFullScreenKey[] = "FullScreen";
constexpr char kGroundSprite[] = "setting-background";

const char* FullScreenSprite(bool on) {
  return on ? "setting-use" : "setting-no-use";
}

void RequestTitle() {
  platform::PostMessage(platform::MainWindow(), WM_APP_CHANGESCENE, kSceneTitle, kSceneSettings);
}

POINT PointOf(LPARAM lParam) {
  return POINT{GetXLParam(lParam), GetYLParam(lParam)};
}

}  // namespace

int CSettingsScene::Enter(int /*argument*/) {
  if (g_registry == nullptr) {
    return 1;
  }
  g_registry->Clear();
  g_registry->LoadSkin("setting");
  g_registry->CreateObject("fullscreen", "setting-fullscreen", 30, 50);
  g_registry->CreateObject("fullscreen-state", FullScreenSprite(true), 300, 50);
  g_registry->CreateObject("ip", "setting-ip", 30, 100);
  g_registry->CreateObject("back", "setting-back", Settings.ScreenWidth - 120,
                           Settings.ScreenHeight - 50);
  g_registry->ChangeSymbol("fullscreen-state",
                           FullScreenSprite(ReadSettingInt(kFullScreenKey) != 0));
  return 1;
}

LRESULT CSettingsScene::HandleMessage(HWND /*hwnd*/, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_KEYDOWN:
      if (wParam == VK_ESCAPE) {
        RequestTitle();
      }
      return 0;
    case WM_MOUSEMOVE:
      if (g_registry != nullptr) {
        const POINT p = PointOf(lParam);
        g_registry->ChangeSymbol("back", g_registry->IsOnSymbol("back", p.x, p.y) != 0
                                             ? "setting-back-hover"
                                             : "setting-back");
      }
      return 0;
    case WM_LBUTTONDOWN:
      m_pressed = PointOf(lParam);
      return 0;
    case WM_LBUTTONUP: {
      // Only a release exactly where the press was is a click; there is no
      // time rule here. A release with no press on this screen is none.
      const std::optional<POINT> pressed = m_pressed;
      m_pressed.reset();
      if (pressed && *pressed == PointOf(lParam)) {
        Click(*pressed);
      }
      return 0;
    }
    case WM_APP_TICK:
      Update();
      return 1;
    default:
      return 0;
  }
}

void CSettingsScene::Click(POINT point) {
  if (g_registry == nullptr) {
    return;
  }
  if (g_registry->IsOnSymbol("fullscreen-state", point.x, point.y) != 0) {
    const bool on = ReadSettingInt(kFullScreenKey) == 0;
    g_registry->ChangeSymbol("fullscreen-state", FullScreenSprite(on));
    WriteSettingInt(kFullScreenKey, on ? 1 : 0);
  } else if (g_registry->IsOnSymbol("back", point.x, point.y) != 0) {
    RequestTitle();
  }
}

void CSettingsScene::DrawGround() {
  // The skin's ground for the screen, tiled, when it has one; the design's
  // white page otherwise (a skin of the old kind).
  CSymbol& symbols = g_registry->Symbols();
  const RECT tile = symbols.GetSymbolRect(kGroundSprite);
  const int w = tile.right - tile.left;
  const int h = tile.bottom - tile.top;
  if (symbols.Find(kGroundSprite) == nullptr || w <= 0 || h <= 0) {
    g_display->ClearScreen(0xFFFFFF);
    return;
  }
  for (int y = 0; y < g_display->Height(); y += h) {
    for (int x = 0; x < g_display->Width(); x += w) {
      symbols.DrawSymbol(kGroundSprite, x, y);
    }
  }
}

void CSettingsScene::Update() {
  if (g_display == nullptr || g_registry == nullptr) {
    return;
  }
  DrawGround();
  g_registry->DrawAll();
  g_display->Present();
}

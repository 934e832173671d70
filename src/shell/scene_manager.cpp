// The scene manager: one current scene, replaced only through
// WM_APP_CHANGESCENE, so that a scene is never destroyed inside its own call.
#include "shell/scene_manager.h"

#include <climits>
#include <utility>

#include "foundation/errorlog.h"

CSceneManager::CSceneManager(SceneFactory factory) : m_factory(std::move(factory)) {}

CSceneManager::~CSceneManager() {
  Destroy();
  ErrorLogNewScene();
}

int CSceneManager::Start() {
  return Switch(kSceneTitle);
}

int CSceneManager::Switch(int id) {
  // The old scene goes first, completely: the new one must not meet its
  // objects in the registry or its bitmaps in the display.
  Destroy();
  ErrorLogNewScene();
  if (m_factory) {
    m_scene = m_factory(id);
  }
  if (!m_scene) {
    return 0;
  }
  m_scene->Enter(0);
  return 1;
}

LRESULT CSceneManager::Dispatch(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  if (!m_scene) {
    return 0;
  }
  if (message == WM_APP_CHANGESCENE) {
    // The message is handled even when the id is unknown; the application
    // is then left without a scene.
    Switch(wParam <= static_cast<WPARAM>(INT_MAX) ? static_cast<int>(wParam) : 0);
    return 1;
  }
  return m_scene->HandleMessage(hwnd, message, wParam, lParam);
}

void CSceneManager::Update() {
  if (m_scene) {
    m_scene->Update();
  }
}

void CSceneManager::Destroy() {
  m_scene.reset();
}

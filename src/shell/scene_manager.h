// The scene manager: owns the current scene and replaces it when a scene
// asks for another one.
#pragma once

#include <functional>
#include <memory>

#include "foundation/scene.h"

// Makes the scene of an id (kSceneTitle, kSceneSettings, kSceneEditor), or
// nothing for an id it does not know. The application's own factory is
// CreateApplicationScene (scene_factory.cpp); tests pass their own.
using SceneFactory = std::function<std::unique_ptr<CScene>(int id)>;

// The application's scenes: CTitleScene for 1, CSettingsScene for 2 and
// CEditorScene for 3, as far as those scenes are built into the program.
std::unique_ptr<CScene> CreateApplicationScene(int id);

// What the application's editor scene is given from the rooms above the
// editor: the program named on the command line and the picture writer.
struct EditorServices;
EditorServices ApplicationEditorServices();

class CSceneManager {
 public:
  explicit CSceneManager(SceneFactory factory);
  ~CSceneManager();
  CSceneManager(const CSceneManager&) = delete;
  CSceneManager& operator=(const CSceneManager&) = delete;

  // Destroys any current scene and starts the title scene. Returns 1, or 0
  // when the factory gave no title scene.
  int Start();
  // Destroys the current scene (with everything it owns) before the scene of
  // the id is created and entered with 0. Returns 1, or 0 for an id the
  // factory does not know, which leaves no scene: messages and frames are
  // then ignored.
  int Switch(int id);
  // Routes one window message: 0 when there is no scene; WM_APP_CHANGESCENE
  // switches to the scene of wParam and returns 1; everything else goes to
  // the current scene's HandleMessage, whose result is returned.
  LRESULT Dispatch(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
  // Runs one frame of the current scene, if any.
  void Update();
  // Destroys the current scene.
  void Destroy();

  bool HasScene() const { return m_scene != nullptr; }

 private:
  SceneFactory m_factory;
  std::unique_ptr<CScene> m_scene;
};

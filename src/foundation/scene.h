// The scene interface shared by the three screens and the overlay windows.
#pragma once

#include "platform/win_types.h"

enum SceneId {
  kSceneTitle = 1,
  kSceneSettings = 2,
  kSceneEditor = 3,
};

class CScene {
 public:
  virtual ~CScene() = default;
  // Starts the scene: creates its objects and loads what it needs. Returns
  // non-zero when the scene is ready.
  virtual int Enter(int argument) = 0;
  // Handles one window message; non-zero when it was consumed. Every scene
  // answers WM_APP_TICK by running its own Update.
  virtual LRESULT HandleMessage(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) = 0;
  // Advances the scene by one frame and draws it.
  virtual void Update() = 0;
};

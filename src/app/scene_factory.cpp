// The application's scenes by id. A scene that is not built into the program
// yet gives no scene for its id, which leaves the scene manager without one,
// as an unknown id does.
#include "app/scene_manager.h"
#include "editor/editor_scene.h"
#include "windows/settings_scene.h"
#include "windows/title_scene.h"
#include "windows/window_factory.h"

std::unique_ptr<CScene> CreateApplicationScene(int id) {
  switch (id) {
    case kSceneTitle:
      return std::make_unique<CTitleScene>();
    case kSceneSettings:
      return std::make_unique<CSettingsScene>();
    case kSceneEditor: {
      // The windows the editor opens; they keep no state of their own.
      static CWindowFactory windows;
      return std::make_unique<CEditorScene>(&windows);
    }
    default:
      return nullptr;
  }
}

// The application's scenes by id. A scene that is not built into the program
// yet gives no scene for its id, which leaves the scene manager without one,
// as an unknown id does.
#include "app/scene_manager.h"
#include "editor/editor_scene.h"
#include "windows/settings_scene.h"
#include "windows/title_scene.h"

std::unique_ptr<CScene> CreateApplicationScene(int id) {
  switch (id) {
    case kSceneTitle:
      return std::make_unique<CTitleScene>();
    case kSceneSettings:
      return std::make_unique<CSettingsScene>();
    case kSceneEditor:
      return std::make_unique<CEditorScene>();
    default:
      return nullptr;
  }
}

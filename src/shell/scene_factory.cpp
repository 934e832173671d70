// The application's scenes by id. A scene that is not built into the program
// yet gives no scene for its id, which leaves the scene manager without one,
// as an unknown id does.
#include <utility>

#include "editor/editor_scene.h"
#include "picture/picture_export.h"
#include "shell/app.h"
#include "shell/scene_manager.h"
#include "windows/settings_scene.h"
#include "windows/title_scene.h"
#include "windows/window_factory.h"

EditorServices ApplicationEditorServices() {
  EditorServices services;
  services.takeStartupProgramPath = TakeStartupProgramPath;
  // Recovery files of an earlier run are offered on the run's first visit
  // to the editor only.
  services.offerRecovery = [] {
    static bool offered = false;
    return !std::exchange(offered, true);
  };
  services.writePicture = [](const CBlockProgram& program, const CChipCatalogue& catalogue,
                             const std::string& programName, const std::string& path) {
    PictureOptions options;
    options.programName = programName;
    options.commandLine = "pelublock (Ctrl+P)";
    return WriteProgramPicture(program, catalogue, options, path) == PictureResult::kWritten;
  };
  return services;
}

std::unique_ptr<CScene> CreateApplicationScene(int id) {
  switch (id) {
    case kSceneTitle:
      return std::make_unique<CTitleScene>();
    case kSceneSettings:
      return std::make_unique<CSettingsScene>();
    case kSceneEditor: {
      // The windows the editor opens; they keep no state of their own.
      static CWindowFactory windows;
      return std::make_unique<CEditorScene>(&windows, ApplicationEditorServices());
    }
    default:
      return nullptr;
  }
}

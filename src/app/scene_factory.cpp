// The application's scenes by id. A scene that is not built into the program
// yet gives no scene for its id, which leaves the scene manager without one,
// as an unknown id does.
#include "app/scene_manager.h"

std::unique_ptr<CScene> CreateApplicationScene(int id) {
  switch (id) {
    default:
      return nullptr;
  }
}

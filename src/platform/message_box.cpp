// The error box, over SDL's own message box (which needs no window of ours).
#include "platform/message_box.h"

#include <SDL.h>

#include <string>

#include "platform/cp932.h"

namespace platform {

bool ShowErrorBox(std::string_view title, std::string_view cp932Text, std::string_view detail) {
  const std::string utf8Title(title);
  const std::string utf8Text = Cp932ToUtf8(cp932Text) + TitleToUtf8(detail);
  return SDL_ShowSimpleMessageBox(SDL_MESSAGEBOX_ERROR, utf8Title.c_str(), utf8Text.c_str(),
                                  nullptr) == 0;
}

}  // namespace platform

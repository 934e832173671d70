// The main window's X11 properties that SDL leaves wrong (see x11_window.h).
#include "platform/x11_window.h"

#include <SDL_syswm.h>

#include <algorithm>

#if defined(SDL_VIDEO_DRIVER_X11)
#include <X11/Xatom.h>
#include <X11/Xlib.h>
#endif

namespace platform::detail::x11 {

#if defined(SDL_VIDEO_DRIVER_X11)
namespace {

struct Target {
  Display* display = nullptr;
  Window window = 0;
};

Target X11Of(SDL_Window* window) {
  if (window == nullptr) {
    return {};
  }
  SDL_SysWMinfo info;
  SDL_VERSION(&info.version);
  if (SDL_GetWindowWMInfo(window, &info) != SDL_TRUE || info.subsystem != SDL_SYSWM_X11) {
    return {};
  }
  return Target{info.info.x11.display, info.info.x11.window};
}

}  // namespace

void MakeTopLevel(SDL_Window* window) {
  const Target t = X11Of(window);
  if (t.display == nullptr) {
    return;
  }
  XDeleteProperty(t.display, t.window, XA_WM_TRANSIENT_FOR);
  XFlush(t.display);
}

void SetNames(SDL_Window* window, const std::string& utf8) {
  const Target t = X11Of(window);
  if (t.display == nullptr) {
    return;
  }
  // STRING is Latin-1; only ASCII is the same in both, so anything else goes
  // as UTF8_STRING, which every current Xlib decodes for WM_NAME.
  const bool ascii = std::all_of(utf8.begin(), utf8.end(),
                                 [](char c) { return static_cast<unsigned char>(c) < 0x80; });
  const Atom type = ascii ? XA_STRING : XInternAtom(t.display, "UTF8_STRING", False);
  const auto* bytes = reinterpret_cast<const unsigned char*>(utf8.data());
  const int length = static_cast<int>(std::min<std::size_t>(utf8.size(), 0x7FFFFFFF));
  for (const Atom property : {XA_WM_NAME, XA_WM_ICON_NAME}) {
    XChangeProperty(t.display, t.window, property, type, 8, PropModeReplace, bytes, length);
  }
  XFlush(t.display);
}

#else

void MakeTopLevel(SDL_Window* /*window*/) {}
void SetNames(SDL_Window* /*window*/, const std::string& /*utf8*/) {}

#endif

}  // namespace platform::detail::x11

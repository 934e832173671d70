// The main window's X11 properties that SDL leaves wrong (see x11_window.h).
#include "platform/x11_window.h"

#include <SDL_syswm.h>

#include <algorithm>

#include "platform/backend.h"

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

// The watched window; the handlers run on the main thread, inside Xlib.
Display* g_display = nullptr;
Window g_watched = 0;
bool g_gone = false;
XErrorHandler g_previousError = nullptr;
XIOErrorHandler g_previousIoError = nullptr;
bool g_watching = false;

int OnError(Display* display, XErrorEvent* error) {
  if (g_watched != 0 && (g_gone || error->resourceid == g_watched)) {
    // Whatever SDL still does with the destroyed window fails the same way.
    g_gone = true;
    return 0;
  }
  return g_previousError != nullptr ? g_previousError(display, error) : 0;
}

int OnIoError(Display* display) {
  if (const DisplayLostHandler handler = State().displayLost) {
    State().displayLost = nullptr;  // once, even if the handler fails in X
    handler();
  }
  return g_previousIoError != nullptr ? g_previousIoError(display) : 0;
}

}  // namespace

void WatchConnection(SDL_Window* window) {
  const Target t = X11Of(window);
  if (t.display == nullptr) {
    return;
  }
  // Makes sure that errors of SDL's own requests so far are not taken for
  // errors about a window destroyed later.
  XSync(t.display, False);
  g_display = t.display;
  g_watched = t.window;
  g_gone = false;
  if (!g_watching) {
    g_previousError = XSetErrorHandler(OnError);
    g_previousIoError = XSetIOErrorHandler(OnIoError);
    g_watching = true;
  }
  SDL_EventState(SDL_SYSWMEVENT, SDL_ENABLE);
}

void NoteEvent(const SDL_SysWMmsg* message) {
  if (message != nullptr && message->subsystem == SDL_SYSWM_X11 && g_watched != 0 &&
      message->msg.x11.event.type == DestroyNotify &&
      message->msg.x11.event.xdestroywindow.window == g_watched) {
    g_gone = true;
  }
}

bool WindowGone() {
  return g_gone;
}

void StopWatching() {
  if (g_watching) {
    // Errors of the last requests about the window (destroying it when it
    // is gone already) arrive here, while they are still ignored.
    XSync(g_display, False);
    XSetErrorHandler(g_previousError);
    XSetIOErrorHandler(g_previousIoError);
    g_watching = false;
  }
  SDL_EventState(SDL_SYSWMEVENT, SDL_DISABLE);
  g_display = nullptr;
  g_watched = 0;
  g_gone = false;
}

int ConnectionDescriptor() {
  return g_display != nullptr ? ConnectionNumber(g_display) : -1;
}

bool EventsQueued() {
  return g_display != nullptr && XEventsQueued(g_display, QueuedAfterFlush) > 0;
}

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
void WatchConnection(SDL_Window* /*window*/) {}
void NoteEvent(const SDL_SysWMmsg* /*message*/) {}
bool WindowGone() {
  return false;
}
void StopWatching() {}
int ConnectionDescriptor() {
  return -1;
}
bool EventsQueued() {
  return false;
}

#endif

}  // namespace platform::detail::x11

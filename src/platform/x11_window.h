// What the main window tells the X server about itself beyond what SDL says.
// Only the window front end includes this file; on another video driver
// every call does nothing.
#pragma once

#include <SDL.h>
#include <SDL_syswm.h>

#include <string>

namespace platform::detail::x11 {

// Makes the window a normal top-level window of its own: SDL marks it
// transient for the root window, and some window managers then give it no
// title bar, so the title (and its "*") is never seen. Call before showing.
void MakeTopLevel(SDL_Window* window);

// Names the window and its icon with a UTF-8 text. SDL fills the old-style
// WM_NAME from the C library's locale, which garbles anything beyond ASCII
// when the locale is not UTF-8 (a path with Japanese names); window managers
// that read only WM_NAME then show mojibake. WM_NAME and WM_ICON_NAME are set
// here as STRING when the text is ASCII and as UTF8_STRING otherwise, beside
// SDL's _NET_WM_NAME.
void SetNames(SDL_Window* window, const std::string& utf8);

// Watches the window's X connection: an error about the window (it was
// destroyed by another client, as `xdotool windowclose` does) or its
// DestroyNotify marks it gone instead of ending the process, and a lost
// connection calls the program's display-lost handler before Xlib ends the
// process. Errors about anything else end the program as before.
void WatchConnection(SDL_Window* window);
// Looks at an X event that SDL passed on (SDL_SYSWMEVENT).
void NoteEvent(const SDL_SysWMmsg* message);
// True once the watched window was destroyed from outside.
bool WindowGone();
// Stops watching; the earlier handlers are put back.
void StopWatching();

// The descriptor of the watched window's X connection, for a loop that
// sleeps until the server has something to say; -1 when no X window is
// watched (another video driver).
int ConnectionDescriptor();
// Flushes what Xlib holds for the server and reads what the server sent
// without blocking; true when events wait in Xlib's queue, which poll() on
// the descriptor would not see. SDL has not taken them yet: the caller pumps
// SDL's events instead of sleeping.
bool EventsQueued();

}  // namespace platform::detail::x11

// What the program asks of the machine it runs on: the main window and its
// message queue, the frame timer, the clock, the input state and presenting a
// frame.
//
// Two front ends implement it over the same interface:
//  - the window (SDL2 video), started by StartWindowed;
//  - headless (no window at all), started by StartHeadless; tests and the
//    command-line tools drive its clock, cursor, keys and queue through
//    platform/headless.h and read back what was presented.
// Everything here is used from the main thread only, except that the frame
// timer posts its ticks from a thread of its own.
//
// Surfaces and text rendering live in platform/surface.h and platform/text.h,
// the file dialogs in platform/dialog.h, the transfer socket in
// platform/socket.h.
#pragma once

#include <cstdint>
#include <string>

#include "platform/surface_view.h"
#include "platform/win_types.h"
#include "platform/window_scaling.h"

namespace platform {

// ---- Front ends -------------------------------------------------------------

struct WindowOptions {
  int width = 800;          // the picture's width, as the program draws it
  int height = 600;         // the picture's height
  bool fullScreen = false;  // the whole desktop instead of a centred window
  std::string title;        // initial title, as bytes
};

// How the window shows the picture; set before StartWindowed, which uses
// what was set last. The defaults are the plain window: as large as the
// picture, the picture filling it (and the full screen) with its aspect
// kept, pixels repeated rather than blended.
struct WindowPresentation {
  // The window's size at start, as a whole factor of the picture; 0 picks
  // the largest whose window fits 80 % of the desktop's usable area.
  int startScale = 1;
  // Whole factors only (crisp pixels), or any factor that fills the window.
  ScaleMode scaleMode = ScaleMode::kFill;
  // Blends neighbouring pixels when scaling, instead of repeating them.
  bool smoothPixels = false;
  // A BMP for the window's icon (black is transparent); none when empty or
  // unreadable.
  std::string iconPath;
};
void SetWindowPresentation(const WindowPresentation& presentation);

// Opens the main window. Returns false and describes why in *error when no
// window can be made (no display, SDL failure).
bool StartWindowed(const WindowOptions& options, std::string* error);

// Starts the headless front end with a virtual client area of the given size.
void StartHeadless(int width, int height);

// Ends whichever front end runs; safe to call when none does. Puts back the
// default handlers of the signals WatchEndSignals took.
void Shutdown();

// ---- Ending from outside ----------------------------------------------------
// Some ends give the program no chance to ask anything: a SIGTERM or SIGHUP
// (a killed session, a shutdown), the window destroyed by another client. The
// message loop then finds WM_ENDSESSION (wParam 1, lParam the reason) in the
// queue, once; the program keeps what it must keep and ends. A window
// procedure that leaves WM_ENDSESSION to DefWindowProc ends as WM_CLOSE
// would without a question: the window is destroyed.
enum class EndReason : LPARAM { kSignal = 1, kWindowGone = 2 };

// From now until Shutdown, SIGTERM and SIGHUP only note that they came
// (nothing else happens in the signal handler) and become WM_ENDSESSION. The
// window front end watches them from StartWindowed on; the headless one
// (used by the command-line tools, which a signal should simply end) only
// after this call.
void WatchEndSignals();

// A lost display connection leaves no way back to the message loop: Xlib
// ends the process (exit status 1) as soon as its handler returns. The
// handler given here runs just before, once, on the main thread; it may
// write files but must not touch the window. Null removes it.
using DisplayLostHandler = void (*)();
void SetDisplayLostHandler(DisplayLostHandler handler);

// What happened to the main window, as the desktop reports it. The program is
// inactive (WM_ACTIVATEAPP 0: no frames) only while its window cannot be
// seen: hidden or minimised, and in full screen also while another window
// has the focus, since a full-screen window that lost the focus is covered.
// Keyboard focus alone says nothing about being seen: with a focus-follows-
// mouse window manager, after the window manager restarts, or with the focus
// on the root window, a visible window without focus still gets clicks.
enum class WindowChange { kShown, kHidden, kMinimised, kRestored, kFocusGained, kFocusLost };

// ---- The main window and its message queue ----------------------------------

struct MSG {
  HWND hwnd = nullptr;
  UINT message = WM_NULL;
  WPARAM wParam = 0;
  LPARAM lParam = 0;
};

using WindowProc = LRESULT (*)(HWND, UINT, WPARAM, LPARAM);

// The procedure that DispatchMessage and DefWindowProc's WM_DESTROY call.
void SetWindowProc(WindowProc proc);

HWND MainWindow();

// Blocks until a message is waiting and removes it. Returns false for
// WM_QUIT. Input events of the window arrive here already translated.
bool GetMessage(MSG* msg);
// Removes a waiting message without blocking; false when there is none.
bool PeekMessage(MSG* msg);
// Blocks until a message is waiting, without removing it.
void WaitMessage();
// Calls the window procedure with the message; returns its result.
LRESULT DispatchMessage(const MSG& msg);
// What Windows does with a message nobody handled: WM_CLOSE destroys the main
// window, which sends WM_DESTROY to the window procedure at once. The window
// is destroyed only once; messages still queued for it are then dropped by
// DispatchMessage, while WM_QUIT still ends the loop.
// WM_ENDSESSION with wParam 1 is handled as WM_CLOSE.
LRESULT DefWindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
// Queues a message for the main window. Safe to call from any thread.
void PostMessage(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
void PostQuitMessage(int exitCode);
// The exit code given to PostQuitMessage.
int QuitCode();

void SetWindowText(const std::string& title);
std::string GetWindowText();

void Sleep(std::uint32_t milliseconds);

// ---- Clipboard ----------------------------------------------------------------

// The clipboard's text, as the program's own bytes (CP932). The window front
// end uses the system clipboard, converting to and from UTF-8, so other
// programs and other editors see the text; the headless one keeps a string,
// so tests can paste. Get returns an empty text when the clipboard holds no
// text or one that does not convert back whole.
void SetClipboardText(const std::string& text);
std::string GetClipboardText();

// ---- Frame timer ------------------------------------------------------------

// Starts posting WM_APP_TICK (wParam 0, lParam 0) every periodMs
// milliseconds. Returns false when no timer could be made.
bool StartPeriodicTimer(std::uint32_t periodMs);
void StopPeriodicTimer();

// ---- Clock and input --------------------------------------------------------

// Milliseconds of a monotonic clock (timeGetTime); wraps like a DWORD.
DWORD TimeGetTime();
// The cursor in client coordinates (GetCursorPos followed by ScreenToClient):
// may lie outside the client area while a button is held. These are the
// coordinates of the mouse messages, also when the window shows the frame
// scaled (full screen in a larger display mode).
POINT GetCursorClientPos();
// The asynchronous state of VK_LBUTTON, VK_RBUTTON, VK_SHIFT, VK_CONTROL and
// VK_MENU (GetAsyncKeyState(vk) & 0x8000), kept by the front end from the
// events it has translated.
bool IsKeyDown(int vk);

// ---- Presenting ---------------------------------------------------------------

// Copies a whole back surface to the window, paced by the vertical blank.
// The headless front end keeps a copy that tests read back. Returns false
// when the frame could not be shown: no front end or no window, a surface
// without pixels, or a failure of the window's texture or renderer.
bool Present(const SurfaceView& back);

}  // namespace platform

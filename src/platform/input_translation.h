// The one translation of input into window messages, shared by both front
// ends: the window hands over what SDL reported, the headless front end what
// a test asked for, and both get the same messages with the same parameter
// bits, clipping and coalescing. A headless test therefore drives exactly
// what a real window delivers. Only the platform layer includes this file.
#pragma once

#include "platform/platform.h"
#include "platform/win_types.h"

namespace platform::detail {

// A key went down (repeat set for an auto-repeat) or up. vk is the virtual
// key; side, when not 0, is the left or right variant of a modifier
// (VK_LSHIFT ... VK_RMENU), which keeps the modifier down while either of
// its keys is. Updates the key table, then posts WM_KEYDOWN/WM_KEYUP, or
// WM_SYSKEYDOWN/WM_SYSKEYUP for Alt, F10 and keys pressed with Alt held,
// with Windows' lParam: repeat count 1, bit 29 with Alt held, bit 30 when
// the key was already down (a repeat or a release), bit 31 on release.
void TranslateKey(int vk, int side, bool down, bool repeat);

enum class MouseButton { kLeft, kRight };

// The client area that mouse messages are clipped to.
struct ClientSize {
  int width;
  int height;
};

// The pointer moved to (x, y) in client coordinates. Posted only inside the
// client area, as Windows sends mouse messages to the window under the
// pointer; a move replaces a move still waiting at the end of the queue.
void TranslateMouseMove(int x, int y, ClientSize client);
// A button went down or up at (x, y). A press on the client area while the
// program is inactive activates it first (WM_ACTIVATEAPP 1 before the
// button message): whatever the click does is then drawn. The button's state is kept whether or
// not the point is inside the client area; the message only when it is.
void TranslateMouseButton(MouseButton button, bool down, int x, int y, ClientSize client);

// The window is shown full screen (true) or as a window: in full screen a
// lost focus makes the program inactive.
void SetFullScreenWindow(bool fullScreen);

// The desktop reported a change of the window. Posts WM_ACTIVATEAPP when it
// makes the program active or inactive; a lost focus also releases every key
// and button held, since their release will reach another window.
void TranslateWindowChange(WindowChange change);

}  // namespace platform::detail

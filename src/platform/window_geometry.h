// Where the main window goes on the screen: pure arithmetic, kept apart from
// SDL so that it can be checked without a display.
#pragma once

#include "platform/win_types.h"

namespace platform {

// The client rectangle of the windowed mode, in screen coordinates: centred
// on a screen of screenWidth x screenHeight (integer halves, rounded toward
// zero), and always exactly clientWidth x clientHeight. Working out the right
// and bottom edges from the halves of both sizes would lose a pixel of an odd
// client size, so they are taken from the left and top edges instead. A
// client larger than the screen gets a negative left or top, as on Windows.
constexpr RECT CentredClientRect(int screenWidth, int screenHeight, int clientWidth,
                                 int clientHeight) {
  RECT r;
  r.left = screenWidth / 2 - clientWidth / 2;
  r.top = screenHeight / 2 - clientHeight / 2;
  r.right = r.left + clientWidth;
  r.bottom = r.top + clientHeight;
  return r;
}

}  // namespace platform

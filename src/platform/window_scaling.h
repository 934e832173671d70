// How the drawn picture fills a window of any size: the start-up factor,
// the letterbox rectangle and the way back from window to picture pixels.
// Pure arithmetic, kept apart from SDL so that it can be checked without a
// display.
#pragma once

#include "platform/win_types.h"

namespace platform {

enum class ScaleMode {
  kInteger,  // whole factors only: every picture pixel is k x k window pixels
  kFill,     // any factor that fills the window's width or height
};

// The largest whole factor at which a window of picture x factor fits on
// the usable area and covers at most 80 % of it, at least 1: 800 x 600
// opens at 3 on a 3840 x 2160 screen, at 1 on 1920 x 1080. Sizes of zero
// or less give 1.
int StartScaleFactor(int pictureWidth, int pictureHeight, int usableWidth, int usableHeight);

// Where the picture goes in a window of windowWidth x windowHeight output
// pixels: centred, aspect kept, bars around it. kInteger uses the largest
// whole factor that fits; a window smaller than the picture shrinks it to
// fit instead, so that nothing is cut off. Never empty while the window is
// not: at least 1 x 1. A window of no size gives an empty rectangle.
RECT PictureRect(int windowWidth, int windowHeight, int pictureWidth, int pictureHeight,
                 ScaleMode mode);

// The picture pixel under a window point, for a picture shown at rect.
// Rounded down, so that a point left of or above the picture stays outside
// (negative), and points beyond the right or bottom edge map beyond the
// picture: the callers clamp as they need. An empty rect gives the point
// as it is.
POINT WindowToPicture(POINT windowPoint, const RECT& rect, int pictureWidth, int pictureHeight);

}  // namespace platform

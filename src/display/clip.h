// The display's clipping of 1:1 copies, free of any SDL type so that it can be
// tested on its own.
#pragma once

#include "platform/win_types.h"

// The part of a copy that is left to draw: the source rectangle and where its
// top-left corner lands on the destination.
struct ClippedCopy {
  RECT source;
  int x = 0;
  int y = 0;
};

// Clips a sprite copy for a screen of screenWidth x screenHeight.
//
// First the screen's rules: the copy is skipped when the destination's left
// is beyond the right edge, its top below the bottom edge, or its right or
// bottom before the left or top edge; then each edge that sticks out moves
// the destination's edge onto the screen and the source's edge by the same
// amount. Second, what the screen rules cannot know: the source rectangle is
// kept inside the source surface of sourceWidth x sourceHeight (moving the
// destination with it), and the copy is cut to the smaller of the two
// rectangles, since a copy is always 1:1.
//
// Returns false when nothing is left to draw. Never overflows, whatever the
// rectangles hold.
bool ClipCopy(const RECT& destination, const RECT& source, int screenWidth, int screenHeight,
              int sourceWidth, int sourceHeight, ClippedCopy* out);

// The intersection of a rectangle with (0, 0, width, height); false when it
// is empty. An inverted rectangle is empty.
bool ClipToArea(const RECT& rect, int width, int height, RECT* out);

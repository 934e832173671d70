// The framed rectangle of the display, drawn straight into a surface's pixels
// as GDI draws a rectangle with a dashed 1-pixel pen.
#pragma once

#include <cstdint>
#include <optional>

#include "platform/surface_view.h"
#include "platform/win_types.h"

// The dashed pen's pattern: so many pixels drawn, then so many left as gaps,
// the pattern running on round the corners.
inline constexpr int kDashLength = 18;
inline constexpr int kDashGap = 6;

// Draws the outline of (left, top, right, bottom) as GDI's Rectangle does:
// the outline takes the pixels from left to right - 1 and from top to
// bottom - 1, and the rectangle is normalised first when it is given upside
// down. The pattern starts at the top-left corner and runs clockwise. Dashes
// are drawn in pen, the gaps in gap (a fresh device context's opaque white
// background), and the inside in *fill when one is given. Only what lies in
// the view is touched, whatever the coordinates.
void DrawDashedFrame(SurfaceView& view, const RECT& rect, std::uint32_t pen, std::uint32_t gap,
                     std::optional<std::uint32_t> fill);

// The raw pixel value of a GDI colour 0x00BBGGRR in a format.
std::uint32_t PixelOfColorRef(PixelFormat format, COLORREF color);

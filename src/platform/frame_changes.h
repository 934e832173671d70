// Which rows of a frame differ from the frame the window shows, so that the
// window uploads only those rows and shows nothing anew when none differ.
//
// The program draws its whole frame on every tick, also when nothing moved.
// Uploading and presenting a picture identical to the one on screen costs
// the most of an idle frame (and the X server as much again), so the window
// compares first. The comparison is exact, byte for byte: a frame that
// differs in a single pixel is shown.
#pragma once

#include <cstdint>
#include <vector>

#include "platform/surface_view.h"

namespace platform {

class CFrameChanges {
 public:
  // Rows top (included) to bottom (excluded); empty when bottom <= top.
  struct Rows {
    int top = 0;
    int bottom = 0;
    bool Empty() const { return bottom <= top; }
  };

  // Compares the frame with the one taken last and takes it in its place.
  // Returns the band from the first row that differs to the last one that
  // does: every row after Forget or when the size or the pixel format
  // changed, none when the frame is byte for byte the one taken last. Only
  // the width's bytes of a row count, never the padding up to the pitch.
  Rows Take(const SurfaceView& frame);

  // The next frame counts as wholly new: the picture on screen was lost, or
  // the texture that held it was made anew or failed to take a frame.
  void Forget();

  // The frame taken last, as its rows were (without padding): what the
  // window shows, for a repaint that has nothing else to show it from.
  // Forget leaves it as it was. No pixels before the first frame.
  SurfaceView Last();

 private:
  std::vector<std::uint8_t> m_last;  // rows of width * bytes per pixel, no padding
  int m_width = 0;
  int m_height = 0;
  PixelFormat m_format = PixelFormat::kXrgb8888;
  bool m_valid = false;
};

}  // namespace platform

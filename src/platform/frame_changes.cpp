// The band of rows in which a frame differs from the one taken before.
#include "platform/frame_changes.h"

#include <cstddef>
#include <cstring>

namespace platform {

CFrameChanges::Rows CFrameChanges::Take(const SurfaceView& frame) {
  if (frame.pixels == nullptr || frame.width <= 0 || frame.height <= 0) {
    return Rows{};
  }
  const std::size_t rowBytes =
      static_cast<std::size_t>(frame.width) * static_cast<std::size_t>(frame.BytesPerPixel());
  auto row = [&](int y) { return frame.pixels + static_cast<std::ptrdiff_t>(y) * frame.pitch; };
  auto last = [&](int y) { return m_last.data() + static_cast<std::size_t>(y) * rowBytes; };

  Rows changed{0, frame.height};
  if (m_valid && frame.width == m_width && frame.height == m_height && frame.format == m_format) {
    // Nothing is copied until the band is known: an unchanged frame costs
    // one read of it and of the copy.
    while (changed.top < frame.height &&
           std::memcmp(row(changed.top), last(changed.top), rowBytes) == 0) {
      ++changed.top;
    }
    if (changed.top == frame.height) {
      return Rows{};
    }
    while (std::memcmp(row(changed.bottom - 1), last(changed.bottom - 1), rowBytes) == 0) {
      --changed.bottom;
    }
  } else {
    m_last.resize(rowBytes * static_cast<std::size_t>(frame.height));
    m_width = frame.width;
    m_height = frame.height;
    m_format = frame.format;
    m_valid = true;
  }
  for (int y = changed.top; y < changed.bottom; ++y) {
    std::memcpy(last(y), row(y), rowBytes);
  }
  return changed;
}

void CFrameChanges::Forget() {
  m_valid = false;
}

SurfaceView CFrameChanges::Last() {
  if (m_last.empty()) {
    return SurfaceView{};
  }
  SurfaceView last{m_last.data(), m_width, m_height, 0, m_format};
  last.pitch = m_width * last.BytesPerPixel();
  return last;
}

}  // namespace platform

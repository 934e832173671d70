// libpng writing into a file's safe replacement, for every picture the
// program writes (a program's picture, a simulated run's path): the write
// structures, the handlers and the output, made in one place.
#pragma once

#include <png.h>

namespace platform {
class CReplacement;
}

class CPngStream {
 public:
  // Makes libpng's write structures, writing into file. A libpng error
  // (and a failed write of the file) jumps back to the caller's
  // setjmp(png_jmpbuf(Png())), which must be set before any other libpng
  // call; warnings are dropped. Valid() is false when libpng could not
  // make its structures.
  explicit CPngStream(platform::CReplacement& file);
  ~CPngStream();
  CPngStream(const CPngStream&) = delete;
  CPngStream& operator=(const CPngStream&) = delete;

  bool Valid() const { return m_info != nullptr; }
  png_structp Png() const { return m_png; }
  png_infop Info() const { return m_info; }

 private:
  png_structp m_png = nullptr;
  png_infop m_info = nullptr;
};

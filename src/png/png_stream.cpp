// libpng's handlers over a file's safe replacement.
#include "png/png_stream.h"

#include <csetjmp>
#include <string_view>

#include "platform/file_system.h"

namespace {

void Error(png_structp png, png_const_charp) {
  std::longjmp(png_jmpbuf(png), 1);
}

void Warning(png_structp, png_const_charp) {}

// A failed write ends the picture through the error handler.
void Write(png_structp png, png_bytep data, png_size_t length) {
  auto* file = static_cast<platform::CReplacement*>(png_get_io_ptr(png));
  if (!file->Write(std::string_view(reinterpret_cast<const char*>(data), length))) {
    png_error(png, "write failed");
  }
}

void Flush(png_structp) {}

}  // namespace

CPngStream::CPngStream(platform::CReplacement& file) {
  m_png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, Error, Warning);
  if (m_png == nullptr) {
    return;
  }
  m_info = png_create_info_struct(m_png);
  png_set_write_fn(m_png, &file, Write, Flush);
}

CPngStream::~CPngStream() {
  png_destroy_write_struct(&m_png, &m_info);
}

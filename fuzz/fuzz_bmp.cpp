// Fuzzes the BMP reader: any bytes at all, and the same bytes with the file
// size field made true, so that the fuzzer gets past that first check and
// into the headers, the colour table and the rows.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "display/bmp_reader.h"
#include "platform/surface.h"

namespace {

void Read(std::string_view file) {
  DecodedBitmap bitmap;
  if (!DecodeBmp(file, &bitmap)) {
    if (!bitmap.pixels.empty()) {
      std::abort();  // a refused file leaves nothing behind
    }
    return;
  }
  if (bitmap.width <= 0 || bitmap.height <= 0 ||
      bitmap.pixels.size() !=
          static_cast<std::size_t>(bitmap.width) * static_cast<std::size_t>(bitmap.height)) {
    std::abort();
  }
  // Into a keyed sprite surface, as the display loads it.
  platform::Surface surface = platform::Surface::FromRgb(bitmap.pixels.data(), bitmap.width,
                                                         bitmap.height, PixelFormat::kRgb565);
  surface.SetColorKeyBlack();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  std::string file(reinterpret_cast<const char*>(data), size);
  Read(file);
  if (file.size() >= 6) {
    const auto length = static_cast<std::uint32_t>(file.size());
    for (int i = 0; i < 4; ++i) {
      file[static_cast<std::size_t>(2 + i)] = static_cast<char>((length >> (8 * i)) & 0xFF);
    }
    Read(file);
  }
  return 0;
}

// The BMP reader.
#include "display/bmp_reader.h"

#include <bit>

namespace {

constexpr std::size_t kFileHeaderSize = 14;
constexpr std::size_t kInfoHeaderSize = 40;
constexpr std::uint32_t kBiRgb = 0;
constexpr std::uint32_t kBiBitfields = 3;
constexpr std::size_t kMaskBytes = 12;

std::uint16_t U16(std::string_view b, std::size_t at) {
  return static_cast<std::uint16_t>(static_cast<unsigned char>(b[at]) |
                                    (static_cast<unsigned char>(b[at + 1]) << 8));
}

std::uint32_t U32(std::string_view b, std::size_t at) {
  return static_cast<std::uint32_t>(U16(b, at)) |
         (static_cast<std::uint32_t>(U16(b, at + 2)) << 16);
}

std::int32_t S32(std::string_view b, std::size_t at) {
  return static_cast<std::int32_t>(U32(b, at));
}

std::uint32_t Rgb(unsigned r, unsigned g, unsigned b) {
  return ((r & 0xFF) << 16) | ((g & 0xFF) << 8) | (b & 0xFF);
}

// One colour channel described by a bit mask, scaled to 0..255.
struct Channel {
  std::uint32_t mask = 0;
  int shift = 0;
  std::uint64_t max = 0;

  explicit Channel(std::uint32_t m) : mask(m) {
    if (mask != 0) {
      shift = std::countr_zero(mask);
      max = mask >> shift;
    }
  }
  unsigned Of(std::uint32_t value) const {
    if (max == 0) {
      return 0;
    }
    std::uint64_t v = (value & mask) >> shift;
    return static_cast<unsigned>((v * 255 + max / 2) / max);
  }
};

struct Layout {
  std::int64_t width = 0;
  std::int64_t height = 0;  // always positive here
  bool topDown = false;
  int bitCount = 0;
  bool bitfields = false;
  std::size_t tableOffset = 0;
  std::size_t tableEntries = 0;
  std::size_t dataOffset = 0;
  std::size_t rowBytes = 0;
};

// Checks the info header, the colour table and the pixel rows against the
// bytes that are really there. `info` is the file after its file header.
bool ReadLayout(std::string_view info, Layout* layout) {
  if (info.size() < kInfoHeaderSize) {
    return false;
  }
  const std::int64_t width = S32(info, 4);
  const std::int64_t height = S32(info, 8);
  const int bitCount = U16(info, 14);
  const std::uint32_t compression = U32(info, 16);
  const std::uint32_t usedColours = U32(info, 32);

  if (width <= 0 || height == 0) {
    return false;
  }
  layout->width = width;
  layout->topDown = height < 0;
  layout->height = height < 0 ? -height : height;
  if (layout->width > kMaxBitmapSide || layout->height > kMaxBitmapSide ||
      layout->width * layout->height > kMaxBitmapPixels) {
    return false;
  }
  switch (bitCount) {
    case 1:
    case 4:
    case 8:
    case 24:
      if (compression != kBiRgb) {
        return false;
      }
      break;
    case 16:
    case 32:
      if (compression != kBiRgb && compression != kBiBitfields) {
        return false;
      }
      break;
    default:
      return false;
  }
  layout->bitCount = bitCount;
  layout->bitfields = compression == kBiBitfields;

  // The colour table's length comes from the header alone, as the format
  // says; only then is it checked against the file.
  const std::uint64_t colours = usedColours != 0 ? usedColours : (std::uint64_t{1} << bitCount);
  layout->tableEntries = colours > 256 ? 0 : static_cast<std::size_t>(colours);
  if (bitCount <= 8 && layout->tableEntries == 0) {
    return false;  // palette indices with no palette to look them up in
  }
  // With BI_BITFIELDS the three masks take the place right after the header.
  const std::size_t masks = layout->bitfields ? kMaskBytes : 0;
  layout->tableOffset = kInfoHeaderSize + masks;
  layout->dataOffset = layout->tableOffset + 4 * layout->tableEntries;
  if (layout->dataOffset > info.size()) {
    return false;
  }

  // Rows are padded to 4 bytes; the last row may go without its padding.
  layout->rowBytes = static_cast<std::size_t>((layout->width * bitCount + 31) / 32 * 4);
  const std::uint64_t lastRowBytes = static_cast<std::uint64_t>((layout->width * bitCount + 7) / 8);
  const std::uint64_t needed = static_cast<std::uint64_t>(layout->rowBytes) *
                                   static_cast<std::uint64_t>(layout->height - 1) +
                               lastRowBytes;
  return needed <= info.size() - layout->dataOffset;
}

void DecodeRows(std::string_view info, const Layout& layout, DecodedBitmap* out) {
  const auto* bytes = reinterpret_cast<const unsigned char*>(info.data());
  std::vector<std::uint32_t> palette(layout.tableEntries);
  for (std::size_t i = 0; i < palette.size(); ++i) {
    const unsigned char* q = bytes + layout.tableOffset + 4 * i;  // blue, green, red, reserved
    palette[i] = Rgb(q[2], q[1], q[0]);
  }
  std::uint32_t masks[3] = {0x7C00, 0x03E0, 0x001F};  // 16-bit BI_RGB is 5-5-5
  if (layout.bitCount == 32) {
    masks[0] = 0xFF0000;
    masks[1] = 0x00FF00;
    masks[2] = 0x0000FF;
  }
  if (layout.bitfields) {
    for (int i = 0; i < 3; ++i) {
      masks[i] = U32(info, kInfoHeaderSize + 4 * static_cast<std::size_t>(i));
    }
  }
  const Channel red(masks[0]);
  const Channel green(masks[1]);
  const Channel blue(masks[2]);

  const int width = static_cast<int>(layout.width);
  const int height = static_cast<int>(layout.height);
  for (int row = 0; row < height; ++row) {
    const unsigned char* src =
        bytes + layout.dataOffset + layout.rowBytes * static_cast<std::size_t>(row);
    const int y = layout.topDown ? row : height - 1 - row;
    std::uint32_t* dst =
        out->pixels.data() + static_cast<std::size_t>(y) * static_cast<std::size_t>(width);
    for (int x = 0; x < width; ++x) {
      const auto at = static_cast<std::size_t>(x);
      switch (layout.bitCount) {
        case 1:
        case 4:
        case 8: {
          const int bits = layout.bitCount;
          const int perByte = 8 / bits;
          const unsigned byte = src[x / perByte];
          const int shift = 8 - bits * (x % perByte + 1);
          const std::size_t index = (byte >> shift) & ((1u << bits) - 1);
          // An index past a short palette shows black, as a missing entry.
          dst[x] = index < palette.size() ? palette[index] : 0;
          break;
        }
        case 16: {
          const std::uint32_t v = static_cast<std::uint32_t>(src[2 * at] | (src[2 * at + 1] << 8));
          dst[x] = Rgb(red.Of(v), green.Of(v), blue.Of(v));
          break;
        }
        case 24:
          dst[x] = Rgb(src[3 * at + 2], src[3 * at + 1], src[3 * at]);
          break;
        default: {
          const unsigned char* p = src + 4 * at;
          const std::uint32_t v =
              static_cast<std::uint32_t>(p[0]) | (static_cast<std::uint32_t>(p[1]) << 8) |
              (static_cast<std::uint32_t>(p[2]) << 16) | (static_cast<std::uint32_t>(p[3]) << 24);
          dst[x] = Rgb(red.Of(v), green.Of(v), blue.Of(v));
          break;
        }
      }
    }
  }
}

}  // namespace

bool DecodeBmp(std::string_view file, DecodedBitmap* out) {
  *out = DecodedBitmap{};
  if (file.size() < kFileHeaderSize || file.size() > kMaxBitmapFileBytes ||
      U16(file, 0) != 0x4D42) {
    return false;
  }
  // The size field decides how much is read, so it must be the truth: a
  // file that claims more or less than it holds is not read at all.
  if (U32(file, 2) != file.size()) {
    return false;
  }
  std::string_view info = file.substr(kFileHeaderSize);
  Layout layout;
  if (!ReadLayout(info, &layout)) {
    return false;
  }
  out->width = static_cast<int>(layout.width);
  out->height = static_cast<int>(layout.height);
  out->pixels.assign(static_cast<std::size_t>(layout.width * layout.height), 0);
  DecodeRows(info, layout, out);
  return true;
}

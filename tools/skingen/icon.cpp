// The desktop icon, painted with the skin's own colours and shapes.
#include "icon.h"

#include <png.h>

#include <algorithm>
#include <cmath>
#include <csetjmp>
#include <cstdio>
#include <memory>
#include <vector>

#include "bmp.h"
#include "look.h"

CCanvas PaintIcon(int size) {
  CCanvas canvas(size, size);
  const float s = static_cast<float>(size);
  // The desk, as a rounded square with a small margin, which icon themes
  // expect so that icons of different shapes look the same size.
  const RectF desk{s * 0.04f, s * 0.04f, s * 0.92f, s * 0.92f};
  canvas.FillRoundRect(desk, s * 0.16f, look::kDesk);
  canvas.StrokeRoundRect(desk, s * 0.16f, std::max(1.0f, s / 64.0f), look::kTroughRim);
  // Two chips, the upper left one selected, joined by an arrow.
  const RectF first{s * 0.10f, s * 0.14f, s * 0.42f, s * 0.28f};
  const RectF second{s * 0.50f, s * 0.58f, s * 0.42f, s * 0.28f};
  for (const RectF& chip : {first, second}) {
    canvas.FillRoundRectV(chip, s * 0.05f, look::kChipBodyTop, look::kChipBodyBottom);
    RectF header = chip;
    header.h = chip.h * 0.38f;
    canvas.FillRoundRectV(header, s * 0.05f, look::kChipHeaderTop, look::kChipHeaderBottom);
    canvas.StrokeRoundRect(chip, s * 0.05f, std::max(1.0f, s / 96.0f), look::kChipEdge);
  }
  canvas.StrokeRoundRect(first.Inset(-s * 0.025f), s * 0.06f, std::max(1.0f, s / 40.0f),
                         look::kSelect);
  const float width = std::max(1.5f, s * 0.045f);
  const PointF from{first.x + first.w * 0.5f, first.y + first.h};
  const PointF bend{from.x, second.y + second.h * 0.5f};
  const PointF to{second.x - s * 0.02f, bend.y};
  canvas.StrokeLine(from, bend, width, look::kArrowPlain);
  canvas.StrokeLine(PointF{bend.x - width * 0.5f, bend.y}, PointF{to.x - s * 0.05f, to.y}, width,
                    look::kArrowPlain);
  canvas.FillPolygon({PointF{to.x, to.y}, PointF{to.x - s * 0.07f, to.y - s * 0.055f},
                      PointF{to.x - s * 0.07f, to.y + s * 0.055f}},
                     look::kArrowPlain);
  return canvas;
}

namespace {

struct PngWriteState {
  png_structp png = nullptr;
  png_infop info = nullptr;
  ~PngWriteState() { png_destroy_write_struct(&png, &info); }
};

void PngError(png_structp png, png_const_charp) {
  std::longjmp(png_jmpbuf(png), 1);
}
void PngWarning(png_structp, png_const_charp) {}

// Kept free of objects with destructors, for the longjmp.
bool WriteRows(PngWriteState& w, std::FILE* file, int size, std::vector<png_bytep>& rows) {
  if (setjmp(png_jmpbuf(w.png)) != 0) {
    return false;
  }
  png_init_io(w.png, file);
  png_set_IHDR(w.png, w.info, static_cast<png_uint_32>(size), static_cast<png_uint_32>(size), 8,
               PNG_COLOR_TYPE_RGB_ALPHA, PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT,
               PNG_FILTER_TYPE_DEFAULT);
  png_write_info(w.png, w.info);
  png_write_image(w.png, rows.data());
  png_write_end(w.png, nullptr);
  return true;
}

}  // namespace

bool WriteIconPng(const CCanvas& canvas, const std::string& path, std::string* error) {
  const int size = canvas.Width();
  // Composed over black the colours are premultiplied by their coverage;
  // dividing by it again gives the straight alpha that PNG stores.
  const std::vector<Rgb> premultiplied = canvas.Compose(Rgb{});
  std::vector<png_byte> pixels(static_cast<std::size_t>(size) * canvas.Height() * 4);
  for (int y = 0; y < canvas.Height(); ++y) {
    for (int x = 0; x < size; ++x) {
      const std::size_t i = static_cast<std::size_t>(y) * size + x;
      const float a = std::clamp(canvas.AlphaAt(x, y), 0.0f, 1.0f);
      auto straight = [a](std::uint8_t c) {
        return a <= 0.0f ? png_byte{0} : static_cast<png_byte>(std::min(255.0f, std::round(c / a)));
      };
      pixels[i * 4 + 0] = straight(premultiplied[i].r);
      pixels[i * 4 + 1] = straight(premultiplied[i].g);
      pixels[i * 4 + 2] = straight(premultiplied[i].b);
      pixels[i * 4 + 3] = static_cast<png_byte>(std::round(a * 255.0f));
    }
  }
  std::vector<png_bytep> rows;
  for (int y = 0; y < canvas.Height(); ++y) {
    rows.push_back(pixels.data() + static_cast<std::size_t>(y) * size * 4);
  }
  std::unique_ptr<std::FILE, int (*)(std::FILE*)> file(std::fopen(path.c_str(), "wb"), std::fclose);
  if (!file) {
    *error = path + ": cannot create the file";
    return false;
  }
  PngWriteState w;
  w.png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, PngError, PngWarning);
  w.info = w.png != nullptr ? png_create_info_struct(w.png) : nullptr;
  if (w.info == nullptr || !WriteRows(w, file.get(), size, rows) ||
      std::fclose(file.release()) != 0) {
    *error = path + ": cannot write the icon";
    return false;
  }
  return true;
}

bool WriteIconBmp(const CCanvas& canvas, const std::string& path, std::string* error) {
  Image image;
  image.width = canvas.Width();
  image.height = canvas.Height();
  image.pixels = canvas.Flatten(look::kDeskMatte);
  const std::vector<std::uint8_t> bytes = EncodeBmp24(image);
  std::unique_ptr<std::FILE, int (*)(std::FILE*)> file(std::fopen(path.c_str(), "wb"), std::fclose);
  if (!file || std::fwrite(bytes.data(), 1, bytes.size(), file.get()) != bytes.size() ||
      std::fclose(file.release()) != 0) {
    *error = path + ": cannot write the icon";
    return false;
  }
  return true;
}

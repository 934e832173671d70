// The skin generator's drawing surface: straight 8-bit colours in, an
// anti-aliased RGBA canvas in between, colour-keyed RGB pixels out.
//
// The editor draws sprites with black as the transparent key and no alpha, so
// every soft edge has to be settled here: each sprite is flattened over the
// colour it will usually be drawn on (its matte), and whatever is left almost
// transparent becomes the key.
#pragma once

#include <cstdint>
#include <functional>
#include <vector>

struct Rgb {
  std::uint8_t r = 0;
  std::uint8_t g = 0;
  std::uint8_t b = 0;
  bool operator==(const Rgb&) const = default;
};

// An sRGB colour with straight alpha (1 = opaque).
struct Colour {
  std::uint8_t r = 0;
  std::uint8_t g = 0;
  std::uint8_t b = 0;
  float a = 1.0f;
};

// 0xRRGGBB, the way designers write colours.
constexpr Colour Hex(std::uint32_t rgb, float alpha = 1.0f) {
  return Colour{static_cast<std::uint8_t>(rgb >> 16), static_cast<std::uint8_t>(rgb >> 8),
                static_cast<std::uint8_t>(rgb), alpha};
}
constexpr Rgb HexRgb(std::uint32_t rgb) {
  return Rgb{static_cast<std::uint8_t>(rgb >> 16), static_cast<std::uint8_t>(rgb >> 8),
             static_cast<std::uint8_t>(rgb)};
}
Colour Mix(Colour from, Colour to, float t);

struct RectF {
  float x = 0;
  float y = 0;
  float w = 0;
  float h = 0;
  RectF Inset(float d) const { return RectF{x + d, y + d, w - 2 * d, h - 2 * d}; }
};

struct PointF {
  float x = 0;
  float y = 0;
};

// A pixel that RGB565 would turn into 0 is the transparent key in full-screen
// mode. Such a pixel is lifted to the darkest grey that survives the
// conversion; every other colour is returned unchanged.
Rgb LiftOffColourKey(Rgb c);

class CCanvas {
 public:
  CCanvas(int width, int height);

  int Width() const { return m_width; }
  int Height() const { return m_height; }

  // Source-over of a colour onto one pixel with a coverage of 0..1. Pixels
  // outside the canvas are ignored, so shapes may overhang its edges.
  void Blend(int x, int y, Colour c, float coverage);
  // Makes one pixel fully transparent again (dithered ghosts).
  void ClearPixel(int x, int y);
  float AlphaAt(int x, int y) const;

  void FillRect(RectF r, Colour c);
  void FillRoundRect(RectF r, float radius, Colour c);
  // A vertical gradient from the rectangle's top row to its bottom row.
  void FillRoundRectV(RectF r, float radius, Colour top, Colour bottom);
  // A rounded rectangle whose colour the painter chooses per pixel row and
  // column (canvas coordinates).
  void FillRoundRectPaint(RectF r, float radius, const std::function<Colour(int, int)>& paint);
  // A ring of the given width inside the rectangle's edge.
  void StrokeRoundRect(RectF r, float radius, float width, Colour c);
  void FillCircle(PointF centre, float radius, Colour c);
  // Any simple polygon (even-odd rule), 4 x 4 samples per pixel.
  void FillPolygon(const std::vector<PointF>& points, Colour c);
  // A straight stroke with square ends, as a four-sided polygon.
  void StrokeLine(PointF from, PointF to, float width, Colour c);
  // Another canvas drawn over this one with its top-left at (x, y).
  void Draw(const CCanvas& source, int x, int y);

  // The sprite's final pixels, row by row from the top: every pixel with
  // less than kKeyAlpha coverage becomes the transparent key (0, 0, 0), every
  // other one is composed over the matte and kept off the key.
  std::vector<Rgb> Flatten(Rgb matte) const;
  // The pixels composed over the matte, nothing keyed or lifted (previews).
  std::vector<Rgb> Compose(Rgb matte) const;

  static constexpr float kKeyAlpha = 0.25f;

 private:
  struct Pixel {  // premultiplied
    float r = 0;
    float g = 0;
    float b = 0;
    float a = 0;
  };
  template <typename Coverage>
  void FillCoverage(RectF bounds, const std::function<Colour(int, int)>& paint, Coverage coverage);

  int m_width;
  int m_height;
  std::vector<Pixel> m_pixels;
};

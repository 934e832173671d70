// The run picture: a small rasteriser for the arena's few shapes, and the
// PNG written with libpng through the file layer's safe replacement.
#include "run/arena_picture.h"

#include <algorithm>
#include <cmath>
#include <csetjmp>

#include "platform/file_system.h"
#include "png/png_stream.h"

namespace {

struct Rgb {
  std::uint8_t r, g, b;
};

constexpr Rgb kFloor{236, 236, 228};
constexpr Rgb kMarking{40, 40, 40};
constexpr Rgb kWall{20, 20, 90};
constexpr Rgb kBox{120, 120, 150};
constexpr Rgb kLamp{240, 200, 0};
constexpr Rgb kPath{30, 110, 230};
constexpr Rgb kStart{0, 160, 0};
constexpr Rgb kEnd{210, 0, 0};
constexpr Rgb kBump{230, 0, 0};
constexpr Rgb kSound{150, 50, 200};
constexpr Rgb kOutside{250, 140, 0};

class CCanvas {
 public:
  CCanvas(const sim::Arena& arena) {
    const double side = std::max(arena.size.x, arena.size.y);
    m_scale = std::clamp(kMaxRunPictureSide / side, 0.001, 4.0);
    m_picture.width = std::max(1, static_cast<int>(std::ceil(arena.size.x * m_scale)));
    m_picture.height = std::max(1, static_cast<int>(std::ceil(arena.size.y * m_scale)));
    m_picture.rgb.resize(static_cast<std::size_t>(m_picture.width) *
                         static_cast<std::size_t>(m_picture.height) * 3);
    for (int y = 0; y < m_picture.height; ++y) {
      for (int x = 0; x < m_picture.width; ++x) {
        Plot(x, y, kFloor);
      }
    }
  }

  double Scale() const { return m_scale; }
  // Pixel coordinates of a point on the floor (y grows upwards there).
  double Px(double x) const { return x * m_scale; }
  double Py(double y) const { return m_picture.height - y * m_scale; }

  void Plot(int x, int y, Rgb c) {
    if (x < 0 || y < 0 || x >= m_picture.width || y >= m_picture.height) {
      return;
    }
    std::uint8_t* p = &m_picture.rgb[(static_cast<std::size_t>(y) * m_picture.width + x) * 3];
    p[0] = c.r;
    p[1] = c.g;
    p[2] = c.b;
  }

  // A filled disc of radius r pixels at pixel (cx, cy).
  void Disc(double cx, double cy, double r, Rgb c) {
    if (!std::isfinite(cx) || !std::isfinite(cy) || std::fabs(cx) > 1e6 || std::fabs(cy) > 1e6) {
      return;
    }
    const int x0 = static_cast<int>(std::floor(cx - r));
    const int x1 = static_cast<int>(std::ceil(cx + r));
    const int y0 = static_cast<int>(std::floor(cy - r));
    const int y1 = static_cast<int>(std::ceil(cy + r));
    for (int y = std::max(y0, 0); y <= std::min(y1, m_picture.height - 1); ++y) {
      for (int x = std::max(x0, 0); x <= std::min(x1, m_picture.width - 1); ++x) {
        if ((x - cx) * (x - cx) + (y - cy) * (y - cy) <= r * r) {
          Plot(x, y, c);
        }
      }
    }
  }

  // A line of the given thickness in pixels between two floor points, as
  // discs along it: slow for long lines, but a picture has few of them.
  void Line(sim::Vec2 a, sim::Vec2 b, double thickness, Rgb c) {
    const double ax = Px(a.x), ay = Py(a.y), bx = Px(b.x), by = Py(b.y);
    const double length = std::hypot(bx - ax, by - ay);
    if (!std::isfinite(length)) {
      return;
    }
    const double r = std::max(thickness / 2, 0.5);
    // Clip the number of discs: a line far longer than the picture is cut.
    const int steps =
        static_cast<int>(std::min(std::ceil(length / std::max(r * 0.7, 0.5)), 20000.0));
    for (int i = 0; i <= steps; ++i) {
      const double t = steps == 0 ? 0 : static_cast<double>(i) / steps;
      Disc(ax + (bx - ax) * t, ay + (by - ay) * t, r, c);
    }
  }

  void Rectangle(const sim::Box& box, Rgb c) {
    const int x0 = static_cast<int>(std::floor(std::max(Px(box.min.x), -1.0)));
    const int x1 = static_cast<int>(std::ceil(std::min(Px(box.max.x), m_picture.width + 1.0)));
    const int y0 = static_cast<int>(std::floor(std::max(Py(box.max.y), -1.0)));
    const int y1 = static_cast<int>(std::ceil(std::min(Py(box.min.y), m_picture.height + 1.0)));
    for (int y = y0; y < y1; ++y) {
      for (int x = x0; x < x1; ++x) {
        Plot(x, y, c);
      }
    }
  }

  RunPicture Take() { return std::move(m_picture); }

 private:
  RunPicture m_picture;
  double m_scale = 1;
};

Rgb LedColour(std::uint8_t colours) {
  if (colours == 15 || colours == 8) {
    return Rgb{200, 200, 200};
  }
  return Rgb{static_cast<std::uint8_t>(colours & 1 ? 230 : 0),
             static_cast<std::uint8_t>(colours & 2 ? 180 : 0),
             static_cast<std::uint8_t>(colours & 4 ? 230 : 0)};
}

void Pose(CCanvas& canvas, sim::Pose pose, Rgb c) {
  const double r = sim::kBodyRadius * canvas.Scale();
  canvas.Disc(canvas.Px(pose.x), canvas.Py(pose.y), std::max(r * 0.5, 2.0), c);
  const sim::Vec2 nose{pose.x + sim::kBodyRadius * 1.5 * std::cos(pose.heading),
                       pose.y + sim::kBodyRadius * 1.5 * std::sin(pose.heading)};
  canvas.Line(sim::Vec2{pose.x, pose.y}, nose, std::max(canvas.Scale() * 0.8, 1.5), c);
}

// Kept apart from any object with a destructor, so that libpng's jump
// back skips none.
bool WriteRows(CPngStream& w, const RunPicture& picture) {
  if (setjmp(png_jmpbuf(w.Png())) != 0) {
    return false;
  }
  png_set_IHDR(w.Png(), w.Info(), static_cast<png_uint_32>(picture.width),
               static_cast<png_uint_32>(picture.height), 8, PNG_COLOR_TYPE_RGB, PNG_INTERLACE_NONE,
               PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
  png_write_info(w.Png(), w.Info());
  for (int y = 0; y < picture.height; ++y) {
    png_write_row(w.Png(), const_cast<png_bytep>(
                               &picture.rgb[static_cast<std::size_t>(y) * picture.width * 3]));
  }
  png_write_end(w.Png(), nullptr);
  return true;
}

}  // namespace

RunPicture DrawRun(const sim::Arena& arena, const sim::CSimulator& simulator) {
  CCanvas canvas(arena);
  const double scale = canvas.Scale();
  for (const sim::Marking& marking : arena.markings) {
    for (std::size_t i = 0; i + 1 < marking.points.size(); ++i) {
      canvas.Line(marking.points[i], marking.points[i + 1], marking.width * scale, kMarking);
    }
  }
  for (const sim::Box& box : arena.boxes) {
    canvas.Rectangle(box, kBox);
  }
  for (const sim::Segment& wall : arena.walls) {
    canvas.Line(wall.a, wall.b, std::max(scale, 2.0), kWall);
  }
  for (const sim::Light& lamp : arena.lights) {
    canvas.Disc(canvas.Px(lamp.at.x), canvas.Py(lamp.at.y), std::max(3 * scale, 4.0), kLamp);
  }
  const std::vector<sim::Vec2>& path = simulator.Path();
  for (std::size_t i = 0; i + 1 < path.size(); ++i) {
    canvas.Line(path[i], path[i + 1], std::max(scale * 0.6, 1.5), kPath);
  }
  for (const sim::Event& event : simulator.Events()) {
    Rgb c = kSound;
    switch (event.kind) {
      case sim::EventKind::kBump:
        c = kBump;
        break;
      case sim::EventKind::kLed:
        c = LedColour(event.colours);
        break;
      case sim::EventKind::kClap:
      case sim::EventKind::kButton:
        c = kOutside;
        break;
      default:
        break;
    }
    canvas.Disc(canvas.Px(event.where.x), canvas.Py(event.where.y), std::max(2 * scale, 3.0), c);
  }
  Pose(canvas, arena.start, kStart);
  Pose(canvas, simulator.GetPose(), kEnd);
  return canvas.Take();
}

bool WriteRunPicture(const RunPicture& picture, const std::string& path) {
  platform::CReplacement file(path);
  if (!file.Open()) {
    return false;
  }
  CPngStream w(file);
  if (!w.Valid() || !WriteRows(w, picture)) {
    return false;
  }
  return file.Commit();
}

// The arena file's parser and the geometry the body and the sensors share.
#include "sim/arena.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <numbers>

namespace sim {

namespace {

std::vector<std::string_view> Words(std::string_view line) {
  std::vector<std::string_view> words;
  std::size_t i = 0;
  while (i < line.size()) {
    while (i < line.size() && (line[i] == ' ' || line[i] == '\t')) {
      ++i;
    }
    std::size_t start = i;
    while (i < line.size() && line[i] != ' ' && line[i] != '\t') {
      ++i;
    }
    if (i > start) {
      words.push_back(line.substr(start, i - start));
    }
  }
  return words;
}

bool Number(std::string_view word, double limit, double* out) {
  double value = 0;
  auto [end, ec] =
      std::from_chars(word.data(), word.data() + word.size(), value, std::chars_format::fixed);
  if (ec != std::errc{} || end != word.data() + word.size() || !std::isfinite(value) ||
      std::fabs(value) > limit) {
    return false;
  }
  *out = value;
  return true;
}

double DistanceToSegment(Vec2 p, const Segment& s) {
  const double dx = s.b.x - s.a.x;
  const double dy = s.b.y - s.a.y;
  const double length2 = dx * dx + dy * dy;
  double t = 0;
  // A wall of no length is a post: its distance is the distance to its point.
  if (length2 > 0) {
    t = std::clamp(((p.x - s.a.x) * dx + (p.y - s.a.y) * dy) / length2, 0.0, 1.0);
  }
  return std::hypot(p.x - (s.a.x + t * dx), p.y - (s.a.y + t * dy));
}

}  // namespace

bool ParseArena(std::string_view text, Arena* arena, std::string* error) {
  *arena = Arena{};
  if (text.size() > kMaxArenaBytes) {
    *error = "the arena file is larger than 1 MiB";
    return false;
  }
  std::size_t lineNumber = 0;
  std::size_t items = 0;
  bool sawSize = false;
  const auto fail = [&](const char* message) {
    *error = "line " + std::to_string(lineNumber) + ": " + message;
    return false;
  };
  std::size_t start = 0;
  while (start < text.size()) {
    std::size_t end = text.find('\n', start);
    std::string_view line =
        text.substr(start, end == std::string_view::npos ? std::string_view::npos : end - start);
    start = end == std::string_view::npos ? text.size() : end + 1;
    ++lineNumber;
    if (!line.empty() && line.back() == '\r') {
      line.remove_suffix(1);
    }
    const std::size_t hash = line.find('#');
    if (hash != std::string_view::npos) {
      line = line.substr(0, hash);
    }
    std::vector<std::string_view> words = Words(line);
    if (words.empty()) {
      continue;
    }
    if (++items > kMaxArenaItems) {
      return fail("more than 4096 items");
    }
    const std::string_view keyword = words[0];
    std::vector<double> n;
    for (std::size_t i = 1; i < words.size(); ++i) {
      double value = 0;
      if (!Number(words[i], kMaxCoordinate, &value)) {
        return fail("a field is not a number within 100000");
      }
      n.push_back(value);
    }
    const auto want = [&](std::size_t count) { return n.size() == count; };
    if (keyword == "size") {
      if (!want(2) || n[0] <= 0 || n[1] <= 0) {
        return fail("size takes a width and a height above 0");
      }
      arena->size = Vec2{n[0], n[1]};
      sawSize = true;
    } else if (keyword == "start") {
      if (!want(3)) {
        return fail("start takes x, y and a heading in degrees");
      }
      arena->start = Pose{n[0], n[1], n[2] * std::numbers::pi / 180.0};
    } else if (keyword == "wall") {
      if (!want(4)) {
        return fail("wall takes x0 y0 x1 y1");
      }
      arena->walls.push_back(Segment{{n[0], n[1]}, {n[2], n[3]}});
    } else if (keyword == "box") {
      if (!want(4)) {
        return fail("box takes x0 y0 x1 y1");
      }
      Box box{{std::min(n[0], n[2]), std::min(n[1], n[3])},
              {std::max(n[0], n[2]), std::max(n[1], n[3])}};
      arena->boxes.push_back(box);
      // The sides serve the distance sensor's ray and the body's contact
      // test alike; the inside is solid to the body through Penetration.
      const Vec2 c[4] = {box.min, {box.max.x, box.min.y}, box.max, {box.min.x, box.max.y}};
      for (int i = 0; i < 4; ++i) {
        arena->walls.push_back(Segment{c[i], c[(i + 1) % 4]});
      }
    } else if (keyword == "line") {
      if (n.size() < 5 || n.size() % 2 != 1 || n[0] <= 0) {
        return fail("line takes a width above 0 and at least two points");
      }
      if ((n.size() - 1) / 2 > kMaxMarkingPoints) {
        return fail("a line has more than 1024 points");
      }
      Marking marking;
      marking.width = n[0];
      for (std::size_t i = 1; i + 1 < n.size(); i += 2) {
        marking.points.push_back(Vec2{n[i], n[i + 1]});
      }
      arena->markings.push_back(std::move(marking));
    } else if (keyword == "light") {
      if (!want(3) || n[2] < 0 || n[2] > 100) {
        return fail("light takes x, y and a strength of 0 to 100");
      }
      arena->lights.push_back(Light{{n[0], n[1]}, n[2]});
    } else if (keyword == "clap" || keyword == "button") {
      if (!want(1) || n[0] < 0 || n[0] > kMaxEventTime) {
        return fail("an event takes a time of 0 to 86400 seconds");
      }
      arena->events.push_back(
          TimedEvent{n[0], keyword == "clap" ? ArenaEventKind::kClap : ArenaEventKind::kButton});
    } else if (keyword == "noise") {
      if (!want(1) || n[0] < 0 || n[0] > 50) {
        return fail("noise takes a percentage of 0 to 50");
      }
      arena->noise = n[0];
    } else {
      return fail("unknown item");
    }
  }
  if (!sawSize) {
    // Without a size the picture frames the items and the start.
    double maxX = arena->start.x;
    double maxY = arena->start.y;
    for (const Segment& s : arena->walls) {
      maxX = std::max({maxX, s.a.x, s.b.x});
      maxY = std::max({maxY, s.a.y, s.b.y});
    }
    arena->size = Vec2{std::max(maxX, 1.0), std::max(maxY, 1.0)};
  }
  std::stable_sort(arena->events.begin(), arena->events.end(),
                   [](const TimedEvent& a, const TimedEvent& b) { return a.time < b.time; });
  return true;
}

double Penetration(const Arena& arena, Vec2 p, double radius) {
  double worst = 0;
  for (const Segment& wall : arena.walls) {
    worst = std::max(worst, radius - DistanceToSegment(p, wall));
  }
  for (const Box& box : arena.boxes) {
    if (p.x > box.min.x && p.x < box.max.x && p.y > box.min.y && p.y < box.max.y) {
      // Inside a block: deeper than any side's distance says.
      const double inside =
          std::min({p.x - box.min.x, box.max.x - p.x, p.y - box.min.y, box.max.y - p.y});
      worst = std::max(worst, radius + inside);
    }
  }
  return worst;
}

}  // namespace sim

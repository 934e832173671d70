// The simulated arena: walls, obstacles, floor markings, lights and timed
// events, read from a small text format (see docs/robot-language.md).
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace sim {

// Centimetres on the floor: x to the right, y up, as the arena file says.
struct Vec2 {
  double x = 0;
  double y = 0;
};

// Where the robot stands: its centre and heading (radians, 0 along +x,
// counter-clockwise).
struct Pose {
  double x = 0;
  double y = 0;
  double heading = 0;
};

struct Segment {
  Vec2 a;
  Vec2 b;
};

// An axis-aligned solid block.
struct Box {
  Vec2 min;
  Vec2 max;
};

// A dark marking on the floor for the line sensor: a polyline with a width.
struct Marking {
  std::vector<Vec2> points;
  double width = 0;
};

struct Light {
  Vec2 at;
  double strength = 0;  // percent of the light sensor's range at the source
};

enum class ArenaEventKind { kClap, kButton };

struct TimedEvent {
  double time = 0;  // seconds after the start
  ArenaEventKind kind = ArenaEventKind::kClap;
};

struct Arena {
  Vec2 size{200, 200};  // the floor drawn in a picture, from (0, 0)
  Pose start{100, 100, 0};
  std::vector<Segment> walls;  // boxes add their four sides here too
  std::vector<Box> boxes;
  std::vector<Marking> markings;
  std::vector<Light> lights;
  std::vector<TimedEvent> events;  // sorted by time
  double noise = 0;                // sensor noise, percent of a reading's range
};

// Limits that keep a hostile file's memory and work bounded.
inline constexpr std::size_t kMaxArenaBytes = std::size_t{1} << 20;
inline constexpr std::size_t kMaxArenaItems = 4096;
inline constexpr std::size_t kMaxMarkingPoints = 1024;
inline constexpr double kMaxCoordinate = 100000;  // cm, a kilometre
inline constexpr double kMaxEventTime = 86400;    // s

// Parses arena text. On failure returns false with *error naming the line
// ("line 3: ..."); *arena is then left as the parse reached it.
bool ParseArena(std::string_view text, Arena* arena, std::string* error);

// Whether the robot of the given radius, standing at p, overlaps an
// obstacle, and by how much (0 when clear).
double Penetration(const Arena& arena, Vec2 p, double radius);

}  // namespace sim

// The simulated robot: a differential-drive body in an arena, stepping the
// robot's script one line at a time on a simulated clock. Deterministic:
// the same script, arena and seed give the same run, bit for bit.
//
// The editor's dry run and the command line both drive a CSimulator: Step()
// runs one line, and between steps the pose, the clock, the line that ran
// and the events so far can be read. The simulator knows lines, not chips;
// the caller joins a line to its chip through the generator's source map.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "sim/arena.h"
#include "sim/robot_script.h"

namespace sim {

// The robot's body, as docs/robot-language.md tabulates it.
inline constexpr double kBodyRadius = 6.0;  // cm, a round body 12 cm across
inline constexpr double kWheelBase = 10.0;  // cm between the wheels
inline constexpr double kTopSpeed = 30.0;   // cm/s of a wheel at 100 percent
inline constexpr double kTopTurnRate = 2 * kTopSpeed / kWheelBase;  // rad/s on the spot
inline constexpr double kDistRange = 100.0;                         // cm the distance sensor sees
inline constexpr double kLineSensorAhead = 4.0;                     // cm before the centre
inline constexpr double kSampleSeconds = 0.010;   // an IF reads its sensor for this long
inline constexpr double kSubstepSeconds = 0.002;  // the body moves in steps of this at most
inline constexpr double kFloorReflection = 80;    // percent, before calibration
inline constexpr double kMarkingReflection = 10;
inline constexpr double kAmbientLight = 20;  // percent

// The run's own limits, so that no script runs for ever.
inline constexpr double kDefaultSeconds = 120;
inline constexpr double kMaxSeconds = 3600;
inline constexpr std::uint64_t kDefaultSteps = 1000000;
inline constexpr std::size_t kMaxPathPoints = 1 << 20;
inline constexpr std::size_t kMaxEvents = 1 << 16;

struct Limits {
  double seconds = kDefaultSeconds;
  std::uint64_t steps = kDefaultSteps;
};

enum class EndReason { kRunning, kExit, kTimeLimit, kStepLimit, kScriptError };

enum class EventKind { kLed, kBeep, kTone, kPlay, kVolume, kBump, kClap, kButton };

struct Event {
  double time = 0;
  EventKind kind = EventKind::kLed;
  Vec2 where;
  std::size_t line = 0;      // from 1; 0 for the arena's own events
  double a = 0;              // hertz, tune, volume or blink count
  double b = 0;              // milliseconds of a sound
  std::uint8_t colours = 0;  // LED: R 1, G 2, B 4, W 8
  std::uint8_t mode = 0;     // LED: 0 off, 1 on, 2 blink
};

class CSimulator {
 public:
  // The arena is copied; the script is not, and must outlive the simulator.
  CSimulator(const Arena& arena, const CRobotScript& script, std::uint64_t seed = 0,
             Limits limits = {});
  CSimulator(const Arena& arena, CRobotScript&& script, std::uint64_t seed = 0,
             Limits limits = {}) = delete;

  // Runs the next line. False once the run has ended; nothing runs then.
  bool Step();
  // Steps to the end.
  EndReason Run();

  EndReason Reason() const { return m_reason; }
  // The message of a script error, or of the limit that ended the run.
  const std::string& EndMessage() const { return m_endMessage; }
  // The line (index from 0) that the last Step ran, and the one it ends at
  // for an error; kNoLine before the first step.
  std::size_t LastLine() const { return m_lastLine; }
  std::size_t NextLine() const { return m_next; }
  std::uint64_t Steps() const { return m_steps; }
  double Time() const { return m_time; }
  Pose GetPose() const { return m_pose; }
  double Distance() const { return m_distance; }
  std::uint64_t Collisions() const { return m_collisions; }
  bool StartedInsideWall() const { return m_startedInside; }
  const std::vector<Event>& Events() const { return m_events; }
  // The centre's path, a point at every step of the body that moved it (at
  // most kMaxPathPoints; later points are then dropped).
  const std::vector<Vec2>& Path() const { return m_path; }

  // A clap or a press of the button now, as an arena's timed event would
  // raise it; for a user watching the run who claps or presses by hand.
  void Raise(ArenaEventKind kind);

  // A sensor or variable as an IF would read it now, but without the
  // arena's noise: reading it draws nothing from the run's random numbers,
  // so a caller that shows the readings leaves the run as it would be.
  double Read(Source source, std::uint32_t variable = 0) const;

 private:
  // Lets the clock run for up to seconds with the wheels as they are. Stops
  // early when the time limit is reached (the run then ends), when a
  // collision stops a drive, or when waitFor's flag is set.
  enum class Until { kTime, kDriveEnds, kFlag };
  bool Advance(double seconds, Until until, Source flag = Source::kBump);
  void MoveBody(double dt);
  void FireArenaEvents();
  void End(EndReason reason, std::size_t line, std::string message);
  void Record(Event event);
  bool& Flag(Source source);
  double Noise(double range);
  // Read with the arena's noise, as the script's IF reads.
  double Sample(Source source, std::uint32_t variable);
  double LineReflection() const;
  double RawLight() const;
  double RayDistance() const;
  bool Goes(std::size_t from, std::size_t to);

  const Arena m_arena;
  const CRobotScript& m_script;
  Limits m_limits;
  std::uint64_t m_random;

  std::size_t m_next = 0;
  std::size_t m_lastLine = kNoLine;
  std::uint64_t m_steps = 0;
  EndReason m_reason = EndReason::kRunning;
  std::string m_endMessage;

  double m_time = 0;
  double m_timerStart = 0;
  Pose m_pose;
  double m_left = 0;  // wheel speeds, cm/s
  double m_right = 0;
  double m_distance = 0;
  std::uint64_t m_collisions = 0;
  bool m_inContact = false;
  bool m_startedInside = false;
  bool m_bump = false;
  bool m_clap = false;
  bool m_button = false;
  bool m_distOn = false;
  double m_lineScale = 1;
  double m_lightOffset = 0;
  std::size_t m_nextArenaEvent = 0;
  std::vector<double> m_variables;
  std::vector<Event> m_events;
  std::vector<Vec2> m_path;
};

const char* EndReasonName(EndReason reason);

}  // namespace sim

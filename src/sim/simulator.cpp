// The robot's interpreter and body: one script line per step, the wheels
// integrated in short steps with the walls in the way, and the sensors
// read from the arena.
#include "sim/simulator.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace sim {

namespace {

double DistanceToMarking(Vec2 p, const Marking& marking) {
  double best = std::numeric_limits<double>::infinity();
  for (std::size_t i = 0; i + 1 < marking.points.size(); ++i) {
    const Vec2 a = marking.points[i];
    const Vec2 b = marking.points[i + 1];
    const double dx = b.x - a.x;
    const double dy = b.y - a.y;
    const double length2 = dx * dx + dy * dy;
    const double t =
        length2 > 0 ? std::clamp(((p.x - a.x) * dx + (p.y - a.y) * dy) / length2, 0.0, 1.0) : 0;
    best = std::min(best, std::hypot(p.x - (a.x + t * dx), p.y - (a.y + t * dy)));
  }
  return best;
}

// Where a ray from origin along (dx, dy) first meets the segment, as a
// distance along the ray; infinity when it misses.
double RayHit(Vec2 origin, double dx, double dy, const Segment& s) {
  const double ex = s.b.x - s.a.x;
  const double ey = s.b.y - s.a.y;
  const double denominator = dx * ey - dy * ex;
  if (std::fabs(denominator) < 1e-12) {
    return std::numeric_limits<double>::infinity();
  }
  const double wx = s.a.x - origin.x;
  const double wy = s.a.y - origin.y;
  const double t = (wx * ey - wy * ex) / denominator;
  const double u = (wx * dy - wy * dx) / denominator;
  if (t < 0 || u < 0 || u > 1) {
    return std::numeric_limits<double>::infinity();
  }
  return t;
}

}  // namespace

const char* EndReasonName(EndReason reason) {
  switch (reason) {
    case EndReason::kRunning:
      return "running";
    case EndReason::kExit:
      return "EXIT";
    case EndReason::kTimeLimit:
      return "time limit";
    case EndReason::kStepLimit:
      return "step limit";
    case EndReason::kScriptError:
      return "script error";
  }
  return "";
}

CSimulator::CSimulator(const Arena& arena, const CRobotScript& script, std::uint64_t seed,
                       Limits limits)
    : m_arena(arena),
      m_script(script),
      m_limits(limits),
      m_random(seed),
      m_pose(arena.start),
      m_variables(script.VariableNames().size(), 0.0) {
  if (!(m_limits.seconds >= 0)) {
    m_limits.seconds = 0;
  }
  m_limits.seconds = std::min(m_limits.seconds, kMaxSeconds);
  m_startedInside = Penetration(m_arena, Vec2{m_pose.x, m_pose.y}, kBodyRadius) > 0;
  m_path.push_back(Vec2{m_pose.x, m_pose.y});
  FireArenaEvents();
}

void CSimulator::End(EndReason reason, std::size_t line, std::string message) {
  if (m_reason != EndReason::kRunning) {
    return;
  }
  m_reason = reason;
  m_lastLine = line;
  m_endMessage = std::move(message);
  m_left = m_right = 0;
}

void CSimulator::Record(Event event) {
  if (m_events.size() < kMaxEvents) {
    event.where = Vec2{m_pose.x, m_pose.y};
    m_events.push_back(event);
  }
}

bool& CSimulator::Flag(Source source) {
  return source == Source::kClap ? m_clap : source == Source::kButton ? m_button : m_bump;
}

double CSimulator::Noise(double range) {
  if (m_arena.noise <= 0) {
    return 0;
  }
  // splitmix64: small, fast and the same on every machine.
  std::uint64_t z = (m_random += 0x9E3779B97F4A7C15ull);
  z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
  z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
  z ^= z >> 31;
  const double unit = static_cast<double>(z >> 11) * 0x1.0p-53;  // [0, 1)
  return (unit * 2 - 1) * m_arena.noise / 100 * range;
}

double CSimulator::LineReflection() const {
  const Vec2 sensor{m_pose.x + kLineSensorAhead * std::cos(m_pose.heading),
                    m_pose.y + kLineSensorAhead * std::sin(m_pose.heading)};
  for (const Marking& marking : m_arena.markings) {
    if (DistanceToMarking(sensor, marking) <= marking.width / 2) {
      return kMarkingReflection;
    }
  }
  return kFloorReflection;
}

double CSimulator::RawLight() const {
  double light = kAmbientLight;
  for (const Light& source : m_arena.lights) {
    const double d = std::hypot(source.at.x - m_pose.x, source.at.y - m_pose.y);
    light += source.strength / (1 + (d / 20) * (d / 20));
  }
  return std::min(light, 100.0);
}

double CSimulator::RayDistance() const {
  const double dx = std::cos(m_pose.heading);
  const double dy = std::sin(m_pose.heading);
  const Vec2 centre{m_pose.x, m_pose.y};
  double best = std::numeric_limits<double>::infinity();
  for (const Segment& wall : m_arena.walls) {
    best = std::min(best, RayHit(centre, dx, dy, wall));
  }
  // The sensor sits at the front of the body.
  return std::clamp(best - kBodyRadius, 0.0, kDistRange);
}

double CSimulator::Read(Source source, std::uint32_t variable) const {
  switch (source) {
    case Source::kDist:
      return m_distOn ? std::floor(RayDistance()) : kDistRange;
    case Source::kLine:
      return std::clamp(std::round(LineReflection() * m_lineScale), 0.0, 100.0);
    case Source::kLight:
      return std::clamp(std::round(RawLight() - m_lightOffset), 0.0, 100.0);
    case Source::kBump:
      return m_bump ? 1 : 0;
    case Source::kClap:
      return m_clap ? 1 : 0;
    case Source::kButton:
      return m_button ? 1 : 0;
    case Source::kTimer:
      return m_time - m_timerStart;
    case Source::kVariable:
      return variable < m_variables.size() ? m_variables[variable] : 0;
  }
  return 0;
}

double CSimulator::Sample(Source source, std::uint32_t variable) {
  if (m_arena.noise <= 0) {
    return Read(source, variable);
  }
  switch (source) {
    case Source::kDist:
      if (!m_distOn) {
        return kDistRange;
      }
      return std::clamp(std::floor(RayDistance() + Noise(kDistRange)), 0.0, kDistRange);
    case Source::kLine:
      return std::clamp(std::round(LineReflection() * m_lineScale + Noise(100)), 0.0, 100.0);
    case Source::kLight:
      return std::clamp(std::round(RawLight() - m_lightOffset + Noise(100)), 0.0, 100.0);
    default:
      return Read(source, variable);
  }
}

void CSimulator::Raise(ArenaEventKind kind) {
  if (m_reason != EndReason::kRunning) {
    return;
  }
  const bool clap = kind == ArenaEventKind::kClap;
  (clap ? m_clap : m_button) = true;
  Event record;
  record.time = m_time;
  record.kind = clap ? EventKind::kClap : EventKind::kButton;
  Record(record);
}

void CSimulator::FireArenaEvents() {
  while (m_nextArenaEvent < m_arena.events.size() &&
         m_arena.events[m_nextArenaEvent].time <= m_time) {
    const TimedEvent& event = m_arena.events[m_nextArenaEvent++];
    const bool clap = event.kind == ArenaEventKind::kClap;
    (clap ? m_clap : m_button) = true;
    Event record;
    record.time = event.time;
    record.kind = clap ? EventKind::kClap : EventKind::kButton;
    Record(record);
  }
}

void CSimulator::MoveBody(double dt) {
  const double v = (m_left + m_right) / 2;
  const double w = (m_right - m_left) / kWheelBase;
  const auto poseAfter = [&](double t) {
    Pose p = m_pose;
    if (std::fabs(w) < 1e-12) {
      p.x += v * std::cos(p.heading) * t;
      p.y += v * std::sin(p.heading) * t;
    } else {
      // Constant wheel speeds drive an arc; its exact end keeps long runs
      // free of the drift a straight-line step would add.
      const double r = v / w;
      const double h = p.heading + w * t;
      p.x += r * (std::sin(h) - std::sin(p.heading));
      p.y -= r * (std::cos(h) - std::cos(p.heading));
      p.heading = h;
    }
    return p;
  };
  Pose next = poseAfter(dt);
  if (v == 0) {
    // Turning on the spot moves no part of a round body into a wall.
    m_pose = next;
    return;
  }
  const double before = Penetration(m_arena, Vec2{m_pose.x, m_pose.y}, kBodyRadius);
  const auto blocked = [&](const Pose& p) {
    return Penetration(m_arena, Vec2{p.x, p.y}, kBodyRadius) > std::max(before, 0.0) + 1e-9;
  };
  bool hit = false;
  if (blocked(next)) {
    // The body stops where it touches: the longest part of the step that
    // goes no deeper into the wall than the body already was.
    double low = 0;
    double high = dt;
    for (int i = 0; i < 20; ++i) {
      const double mid = (low + high) / 2;
      (blocked(poseAfter(mid)) ? high : low) = mid;
    }
    next = poseAfter(low);
    hit = true;
  }
  m_distance += std::hypot(next.x - m_pose.x, next.y - m_pose.y);
  m_pose = next;
  if (m_path.size() < kMaxPathPoints) {
    m_path.push_back(Vec2{m_pose.x, m_pose.y});
  }
  if (hit) {
    // The bumper cuts the motors: the robot stays against the wall until
    // the script drives again.
    m_bump = true;
    m_left = m_right = 0;
    if (!m_inContact) {
      ++m_collisions;
      Event event;
      event.time = m_time + dt;
      event.kind = EventKind::kBump;
      event.line = m_lastLine + 1;
      Record(event);
    }
  }
  m_inContact = hit;
}

bool CSimulator::Advance(double seconds, Until until, Source flag) {
  const double end = m_time + seconds;
  while (m_time < end) {
    if (until == Until::kFlag && Flag(flag)) {
      return true;
    }
    if (m_time >= m_limits.seconds) {
      End(EndReason::kTimeLimit, m_lastLine, "the time limit was reached");
      return false;
    }
    double stop = std::min(end, m_limits.seconds);
    if (m_nextArenaEvent < m_arena.events.size()) {
      stop = std::min(stop, std::max(m_arena.events[m_nextArenaEvent].time, m_time));
    }
    const bool idle = m_left == 0 && m_right == 0;
    const double dt = idle ? stop - m_time : std::min(kSubstepSeconds, stop - m_time);
    if (!idle) {
      MoveBody(dt);
    }
    // Never round past an event or the limit, and never stand still on a
    // step too small to move the clock.
    const double after = m_time + dt;
    m_time = (after <= m_time || after > stop) ? stop : after;
    FireArenaEvents();
    if (until == Until::kDriveEnds && m_left == 0 && m_right == 0 && !idle) {
      return true;  // a collision ended the drive
    }
  }
  if (until == Until::kFlag && Flag(flag)) {
    return true;
  }
  return m_reason == EndReason::kRunning;
}

bool CSimulator::Goes(std::size_t from, std::size_t to) {
  if (to >= m_script.LineCount()) {
    End(EndReason::kScriptError, from, "the script ends without EXIT");
    return false;
  }
  if (m_script.At(to).chainStart) {
    End(EndReason::kScriptError, to, "the chain before runs off its end into this one");
    return false;
  }
  m_next = to;
  return true;
}

bool CSimulator::Step() {
  if (m_reason != EndReason::kRunning) {
    return false;
  }
  if (m_next >= m_script.LineCount()) {
    End(EndReason::kScriptError, m_script.LineCount() == 0 ? 0 : m_script.LineCount() - 1,
        "the script ends without EXIT");
    return false;
  }
  if (m_steps >= m_limits.steps) {
    End(EndReason::kStepLimit, m_next,
        "the step limit was reached (a loop of jumps that never waits?)");
    return false;
  }
  if (m_time >= m_limits.seconds) {
    End(EndReason::kTimeLimit, m_next, "the time limit was reached");
    return false;
  }
  ++m_steps;
  const std::size_t line = m_next;
  m_lastLine = line;
  const Instruction& in = m_script.At(line);
  std::size_t next = line + 1;
  bool jump = false;
  switch (in.op) {
    case Op::kNothing:
    case Op::kLabel:
    case Op::kSkip:
      break;
    case Op::kBadControl:
      End(EndReason::kScriptError, line, "a control line the robot cannot read");
      return true;
    case Op::kElse:
      End(EndReason::kScriptError, line, "the chain runs off its end into ELSE");
      return true;
    case Op::kExit:
      m_left = m_right = 0;
      End(EndReason::kExit, line, "EXIT");
      return true;
    case Op::kGo:
      if (in.target == kNoLine) {
        End(EndReason::kScriptError, line, "GO to a label the script does not have");
        return true;
      }
      next = in.target;
      jump = true;
      break;
    case Op::kIf: {
      const double value = Sample(in.source, in.variable);
      bool holds = false;
      switch (in.compare) {
        case Compare::kLess:
          holds = value < in.a;
          break;
        case Compare::kGreaterOrEqual:
          holds = value >= in.a;
          break;
        case Compare::kEqual:
          holds = value == in.a;
          break;
      }
      if (in.source != Source::kVariable && !Advance(kSampleSeconds, Until::kTime)) {
        return true;
      }
      if (!holds) {
        if (in.target == kNoLine) {
          End(EndReason::kScriptError, line, "IF without ELSE, and its test failed");
          return true;
        }
        next = in.target;
        jump = true;
      }
      break;
    }
    case Op::kLoop:
      if (Read(Source::kVariable, in.variable) < in.a) {
        next = in.target;
        jump = true;
      }
      break;
    case Op::kSet:
      if (in.source == Source::kVariable) {
        m_variables[in.variable] = in.a;
      } else {
        Flag(in.source) = in.a != 0;
      }
      break;
    case Op::kAdd:
      m_variables[in.variable] += in.a;
      break;
    case Op::kMove:
    case Op::kTurn: {
      const double speed = kTopSpeed * std::min(in.b, 100.0) / 100;
      double seconds = 0;
      if (in.op == Op::kMove) {
        m_left = m_right = in.sub == 1 ? -speed : speed;
        seconds = in.a / speed;
      } else {
        m_left = in.sub == 1 ? speed : -speed;  // R turns clockwise
        m_right = -m_left;
        seconds = (in.a * 3.14159265358979323846 / 180) / (2 * speed / kWheelBase);
      }
      const bool running = Advance(seconds, Until::kDriveEnds);
      m_left = m_right = 0;
      if (!running) {
        return true;
      }
      break;
    }
    case Op::kMotor: {
      const double speed = kTopSpeed * std::clamp(in.a, -100.0, 100.0) / 100;
      (in.sub == 1 ? m_right : m_left) = speed;
      break;
    }
    case Op::kStop:
      m_left = m_right = 0;
      break;
    case Op::kWait:
      if (!Advance(in.a / 1000, Until::kTime)) {
        return true;
      }
      break;
    case Op::kWaitFor:
      if (!Advance(in.a / 1000, Until::kFlag, in.source)) {
        return true;
      }
      break;
    case Op::kCalib:
      if (in.sub == 0) {
        m_lineScale = 100 / LineReflection();
      } else {
        m_lightOffset = RawLight();
      }
      break;
    case Op::kSensor:
      m_distOn = in.mode == 1;
      break;
    case Op::kLed:
    case Op::kPlay:
    case Op::kVolume:
    case Op::kBeep:
    case Op::kTone: {
      Event event;
      event.time = m_time;
      event.line = line + 1;
      event.a = in.a;
      event.b = in.b;
      event.colours = in.sub;
      event.mode = in.mode;
      event.kind = in.op == Op::kLed      ? EventKind::kLed
                   : in.op == Op::kPlay   ? EventKind::kPlay
                   : in.op == Op::kVolume ? EventKind::kVolume
                   : in.op == Op::kBeep   ? EventKind::kBeep
                                          : EventKind::kTone;
      Record(event);
      // A beep or a note holds the script for as long as it sounds; a tune
      // and the lights run on their own.
      if ((in.op == Op::kBeep || in.op == Op::kTone) && !Advance(in.b / 1000, Until::kTime)) {
        return true;
      }
      break;
    }
    case Op::kTimerReset:
      m_timerStart = m_time;
      break;
  }
  if (jump) {
    if (next >= m_script.LineCount()) {
      End(EndReason::kScriptError, line, "the script ends without EXIT");
      return true;
    }
    m_next = next;
    return true;
  }
  Goes(line, next);
  return true;
}

EndReason CSimulator::Run() {
  while (Step()) {
  }
  return m_reason;
}

}  // namespace sim

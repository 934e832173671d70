// Reading the robot's script: each line decoded once, labels and jumps
// resolved, and the inline chains of IF and LOOP lines matched.
#include "sim/robot_script.h"

#include <charconv>
#include <cmath>
#include <unordered_map>

namespace sim {

namespace {

// No command has more than four fields; a line with more is wrong whatever
// the rest holds, so the rest is kept as one field and a line of a million
// colons costs no million fields.
constexpr std::size_t kMaxFields = 8;

std::vector<std::string_view> Fields(std::string_view line) {
  std::vector<std::string_view> fields;
  std::size_t start = 0;
  for (;;) {
    std::size_t colon = line.find(':', start);
    if (colon == std::string_view::npos || fields.size() + 1 == kMaxFields) {
      fields.push_back(line.substr(start));
      return fields;
    }
    fields.push_back(line.substr(start, colon - start));
    start = colon + 1;
  }
}

bool Number(std::string_view field, double* out) {
  if (!field.empty() && field[0] == '+') {
    field.remove_prefix(1);
  }
  double value = 0;
  auto [end, ec] =
      std::from_chars(field.data(), field.data() + field.size(), value, std::chars_format::fixed);
  if (ec != std::errc{} || end != field.data() + field.size() || !std::isfinite(value)) {
    return false;
  }
  *out = value;
  return true;
}

bool SensorOf(std::string_view name, Source* source) {
  static constexpr std::pair<std::string_view, Source> kSensors[] = {
      {"DIST", Source::kDist},   {"LINE", Source::kLine}, {"LIGHT", Source::kLight},
      {"BUMP", Source::kBump},   {"CLAP", Source::kClap}, {"BUTTON", Source::kButton},
      {"TIMER", Source::kTimer},
  };
  for (const auto& [word, value] : kSensors) {
    if (name == word) {
      *source = value;
      return true;
    }
  }
  return false;
}

// The notes of TONE, from C4 up.
double NoteHertz(std::string_view note) {
  static constexpr std::pair<char, double> kNotes[] = {{'C', 261.63}, {'D', 293.66}, {'E', 329.63},
                                                       {'F', 349.23}, {'G', 392.00}, {'A', 440.00},
                                                       {'B', 493.88}};
  if (note.size() == 1) {
    for (const auto& [name, hz] : kNotes) {
      if (note[0] == name) {
        return hz;
      }
    }
  }
  return 0;
}

}  // namespace

CRobotScript::CRobotScript(std::string_view bytes) : m_bytes(bytes) {
  const std::string_view all = m_bytes;
  std::size_t start = 0;
  while (start < all.size()) {
    std::size_t end = all.find('\n', start);
    std::string_view line =
        all.substr(start, end == std::string_view::npos ? std::string_view::npos : end - start);
    start = end == std::string_view::npos ? all.size() : end + 1;
    if (!line.empty() && line.back() == '\r') {
      line.remove_suffix(1);
    }
    if (m_text.size() == kMaxScriptLines) {
      Diagnose(m_text.size(), "the script is longer than the robot holds; the rest is dropped");
      break;
    }
    m_text.push_back(line);
  }
  m_code.resize(m_text.size());
  for (std::size_t i = 0; i < m_text.size(); ++i) {
    Decode(i, m_text[i]);
  }
  LinkStructure();
}

std::string_view CRobotScript::Text(std::size_t index) const {
  return index < m_text.size() ? m_text[index] : std::string_view{};
}

void CRobotScript::Diagnose(std::size_t index, std::string message) {
  if (m_diagnostics.size() < kMaxDiagnostics) {
    m_diagnostics.push_back(Diagnostic{index + 1, std::move(message)});
  }
}

std::uint32_t CRobotScript::Variable(std::string_view name) {
  for (std::size_t i = 0; i < m_variables.size(); ++i) {
    if (m_variables[i] == name) {
      return static_cast<std::uint32_t>(i);
    }
  }
  m_variables.emplace_back(name);
  return static_cast<std::uint32_t>(m_variables.size() - 1);
}

void CRobotScript::Decode(std::size_t index, std::string_view line) {
  Instruction& in = m_code[index];
  if (line.empty()) {
    in.op = Op::kNothing;
    return;
  }
  if (line[0] == ':') {
    in.op = Op::kLabel;
    return;
  }
  const std::vector<std::string_view> f = Fields(line);
  const std::string_view word = f[0];
  const std::size_t n = f.size();
  // A control line the robot cannot read stops it there; any other line it
  // cannot read is passed over.
  const auto badControl = [&](const char* why) {
    in.op = Op::kBadControl;
    Diagnose(index, std::string(why));
  };
  const auto skip = [&](const char* why) {
    in.op = Op::kSkip;
    Diagnose(index, std::string(why) + "; the line is skipped");
  };
  const auto number = [&](std::size_t i, double* out) { return i < n && Number(f[i], out); };

  if (word == "GO") {
    in.op = n == 2 && !f[1].empty() ? Op::kGo : Op::kBadControl;
    if (in.op == Op::kBadControl) {
      badControl("GO needs one label");
    }
  } else if (word == "EXIT") {
    in.op = Op::kExit;
  } else if (word == "ELSE") {
    in.op = Op::kElse;
  } else if (word == "IF") {
    if (n != 4 || !number(3, &in.a)) {
      return badControl("IF needs a sensor, LT, GE or EQ and a number");
    }
    if (!SensorOf(f[1], &in.source)) {
      in.source = Source::kVariable;
      in.variable = Variable(f[1]);
    }
    if (f[2] == "LT") {
      in.compare = Compare::kLess;
    } else if (f[2] == "GE") {
      in.compare = Compare::kGreaterOrEqual;
    } else if (f[2] == "EQ") {
      in.compare = Compare::kEqual;
    } else {
      return badControl("IF compares with LT, GE or EQ only");
    }
    in.op = Op::kIf;
  } else if (word == "LOOP") {
    if (n != 3 || f[1].empty() || !number(2, &in.a)) {
      return badControl("LOOP needs a counter and a number of passes");
    }
    in.op = Op::kLoop;
    in.variable = Variable(f[1]);
  } else if (word == "GLOBAL" || word == "SET" || word == "ADD") {
    if (n != 3 || f[1].empty() || !number(2, &in.a)) {
      return skip("a variable line needs a name and a number");
    }
    in.op = word == "ADD" ? Op::kAdd : Op::kSet;
    if (!SensorOf(f[1], &in.source)) {
      in.source = Source::kVariable;
      in.variable = Variable(f[1]);
    } else if (in.op == Op::kAdd || (in.source != Source::kBump && in.source != Source::kClap &&
                                     in.source != Source::kButton)) {
      return skip("only BUMP, CLAP and BUTTON of the sensors can be set");
    }
  } else if (word == "MOVE" || word == "TURN") {
    const bool move = word == "MOVE";
    if (n != 4 || !number(2, &in.a) || !number(3, &in.b)) {
      return skip(move ? "MOVE needs FWD or BACK, centimetres and a speed"
                       : "TURN needs R or L, degrees and a speed");
    }
    if (f[1] == (move ? "FWD" : "L")) {
      in.sub = 0;
    } else if (f[1] == (move ? "BACK" : "R")) {
      in.sub = 1;
    } else {
      return skip(move ? "MOVE goes FWD or BACK" : "TURN goes R or L");
    }
    if (in.a < 0 || in.b <= 0) {
      return skip("a negative distance or angle, or a speed of 0 or below");
    }
    in.op = move ? Op::kMove : Op::kTurn;
  } else if (word == "MOTOR") {
    if (n != 3 || (f[1] != "L" && f[1] != "R") || !number(2, &in.a)) {
      return skip("MOTOR needs L or R and a power");
    }
    in.sub = f[1] == "R" ? 1 : 0;
    in.op = Op::kMotor;
  } else if (word == "STOP") {
    in.op = Op::kStop;
  } else if (word == "WAIT") {
    if (n != 2 || !number(1, &in.a) || in.a < 0) {
      return skip("WAIT needs milliseconds");
    }
    in.op = Op::kWait;
  } else if (word == "WAITFOR") {
    if (n != 3 || !number(2, &in.a) || in.a < 0 || !SensorOf(f[1], &in.source) ||
        (in.source != Source::kBump && in.source != Source::kClap &&
         in.source != Source::kButton)) {
      return skip("WAITFOR needs BUMP, CLAP or BUTTON and milliseconds");
    }
    in.op = Op::kWaitFor;
  } else if (word == "CALIB") {
    if (n != 2 || (f[1] != "LINE" && f[1] != "LIGHT")) {
      return skip("CALIB needs LINE or LIGHT");
    }
    in.sub = f[1] == "LIGHT" ? 1 : 0;
    in.op = Op::kCalib;
  } else if (word == "SENSOR") {
    if (n != 3 || f[1] != "DIST" || (f[2] != "ON" && f[2] != "OFF")) {
      return skip("SENSOR needs DIST and ON or OFF");
    }
    in.mode = f[2] == "ON" ? 1 : 0;
    in.op = Op::kSensor;
  } else if (word == "LED") {
    static constexpr std::pair<std::string_view, std::uint8_t> kColours[] = {
        {"R", 1}, {"G", 2}, {"B", 4}, {"W", 8}, {"ALL", 15}};
    in.sub = 0;
    for (const auto& [name, bits] : kColours) {
      if (n >= 2 && f[1] == name) {
        in.sub = bits;
      }
    }
    if (in.sub == 0) {
      return skip("LED needs R, G, B, W or ALL");
    }
    if (n == 3 && (f[2] == "ON" || f[2] == "OFF")) {
      in.mode = f[2] == "ON" ? 1 : 0;
    } else if (n == 4 && f[2] == "BLINK" && number(3, &in.a) && in.a >= 0) {
      in.mode = 2;
    } else {
      return skip("LED needs ON, OFF or BLINK and a count");
    }
    in.op = Op::kLed;
  } else if (word == "BEEP") {
    if (n != 3 || !number(1, &in.a) || !number(2, &in.b) || in.a < 0 || in.b < 0) {
      return skip("BEEP needs hertz and milliseconds");
    }
    in.op = Op::kBeep;
  } else if (word == "TONE") {
    if (n != 3 || (in.a = NoteHertz(f[1])) == 0 || !number(2, &in.b) || in.b < 0) {
      return skip("TONE needs a note C to B and milliseconds");
    }
    in.op = Op::kTone;
  } else if (word == "PLAY") {
    if (n != 2 || !number(1, &in.a)) {
      return skip("PLAY needs a tune number");
    }
    in.op = Op::kPlay;
  } else if (word == "VOLUME") {
    if (n != 2 || !number(1, &in.a) || in.a < 1 || in.a > 3) {
      return skip("VOLUME needs 1, 2 or 3");
    }
    in.op = Op::kVolume;
  } else if (word == "TIMER") {
    if (n != 2 || f[1] != "RESET") {
      return skip("TIMER needs RESET");
    }
    in.op = Op::kTimerReset;
  } else {
    skip("unknown command");
  }
}

std::size_t CRobotScript::ParseChain(std::size_t start) {
  struct Frame {
    std::size_t index;
    bool isLoop;
    bool second;  // in the ELSE chain, or the loop's true chain
  };
  std::vector<Frame> frames;
  const std::size_t n = m_code.size();
  std::size_t i = start;
  for (;;) {
    // One chain: up to its GO or EXIT, or to where it runs off its end.
    while (i < n) {
      const Op op = m_code[i].op;
      if (op == Op::kGo || op == Op::kExit || op == Op::kBadControl) {
        ++i;
        break;
      }
      if (op == Op::kIf || op == Op::kLoop) {
        frames.push_back(Frame{i, op == Op::kLoop, false});
        ++i;
        continue;
      }
      if (op == Op::kElse || op == Op::kLabel) {
        break;
      }
      ++i;
    }
    // The chain ended at i: the block that opened it goes on or ends too.
    bool resumed = false;
    while (!frames.empty() && !resumed) {
      Frame& frame = frames.back();
      if (frame.second) {
        frames.pop_back();
        continue;
      }
      frame.second = true;
      if (frame.isLoop) {
        m_code[frame.index].target = static_cast<std::uint32_t>(i);
        if (i < n) {
          m_code[i].chainStart = true;
        }
        resumed = true;
      } else if (i < n && m_code[i].op == Op::kElse) {
        m_code[i].chainStart = true;
        m_code[frame.index].target = static_cast<std::uint32_t>(i + 1);
        ++i;
        resumed = true;
      } else {
        Diagnose(frame.index, "IF without ELSE; the robot stops when its test fails");
        frames.pop_back();
      }
    }
    if (frames.empty()) {
      return i;
    }
  }
}

void CRobotScript::LinkStructure() {
  std::unordered_map<std::string_view, std::uint32_t> labels;
  for (std::size_t i = 0; i < m_code.size(); ++i) {
    if (m_code[i].op == Op::kLabel &&
        !labels.emplace(m_text[i].substr(1), static_cast<std::uint32_t>(i)).second) {
      Diagnose(i, "label defined twice; GO goes to the first");
    }
  }
  for (std::size_t i = 0; i < m_code.size(); ++i) {
    if (m_code[i].op == Op::kGo) {
      auto found = labels.find(m_text[i].substr(3));
      if (found == labels.end()) {
        Diagnose(i, "GO to a label the script does not have; the robot stops there");
      } else {
        m_code[i].target = found->second;
      }
    }
  }
  std::size_t i = 0;
  while (i < m_code.size()) {
    const Op op = m_code[i].op;
    if (op == Op::kNothing || op == Op::kLabel) {
      ++i;
    } else if (op == Op::kElse) {
      Diagnose(i, "ELSE with no IF; the robot stops when it reaches it");
      ++i;
    } else {
      i = ParseChain(i);
    }
  }
}

}  // namespace sim

// The robot's script read once into instructions: commands with their
// fields decoded, jumps resolved to lines and every IF's ELSE and every
// LOOP's true chain found, so that stepping costs no text handling.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace sim {

enum class Op : std::uint8_t {
  kNothing,  // an empty line
  kLabel,
  kGo,
  kExit,
  kIf,
  kElse,
  kLoop,
  kSet,  // GLOBAL and SET
  kAdd,
  kMove,
  kTurn,
  kMotor,
  kStop,
  kWait,
  kWaitFor,
  kCalib,
  kSensor,
  kLed,
  kBeep,
  kTone,
  kPlay,
  kVolume,
  kTimerReset,
  kSkip,        // a command the robot cannot read: it goes on with the next line
  kBadControl,  // a control line it cannot read: the robot stops there
};

// What an IF tests, a SET or ADD names, or WAITFOR waits for: one of the
// sensors, or a variable (index into the variables).
enum class Source : std::uint8_t { kDist, kLine, kLight, kBump, kClap, kButton, kTimer, kVariable };
enum class Compare : std::uint8_t { kLess, kGreaterOrEqual, kEqual };

inline constexpr std::uint32_t kNoLine = 0xFFFFFFFFu;

struct Instruction {
  Op op = Op::kNothing;
  Source source = Source::kVariable;
  Compare compare = Compare::kLess;
  std::uint8_t sub =
      0;  // MOVE/TURN: 1 backwards or right; MOTOR: 0 left, 1 right; LED: colour bits
  std::uint8_t mode = 0;  // LED: 0 off, 1 on, 2 blink; SENSOR: on
  // Sequential arrival here means the chain before ran off its end (an
  // ELSE, or the ADD line that starts a loop's true chain).
  bool chainStart = false;
  std::uint32_t variable = 0;      // IF/SET/ADD/LOOP on a variable
  std::uint32_t target = kNoLine;  // GO: the label; IF: after its ELSE; LOOP: its true chain
  double a = 0;
  double b = 0;
};

struct Diagnostic {
  std::size_t line = 0;  // from 1
  std::string message;
};

class CRobotScript {
 public:
  // Reads the script's bytes (CR LF or LF lines). Never fails: what the
  // robot cannot read becomes kSkip or kBadControl with a diagnostic.
  explicit CRobotScript(std::string_view bytes);
  // The instructions point into the script's own copy of the bytes.
  CRobotScript(const CRobotScript&) = delete;
  CRobotScript& operator=(const CRobotScript&) = delete;

  std::size_t LineCount() const { return m_code.size(); }
  const Instruction& At(std::size_t index) const { return m_code[index]; }
  // The line's text as the script holds it, without its line end.
  std::string_view Text(std::size_t index) const;
  const std::vector<Diagnostic>& Diagnostics() const { return m_diagnostics; }
  const std::vector<std::string>& VariableNames() const { return m_variables; }

 private:
  void Decode(std::size_t index, std::string_view line);
  std::size_t ParseChain(std::size_t start);
  void LinkStructure();
  void Diagnose(std::size_t index, std::string message);
  std::uint32_t Variable(std::string_view name);

  std::string m_bytes;
  std::vector<std::string_view> m_text;
  std::vector<Instruction> m_code;
  std::vector<std::string> m_variables;
  std::vector<Diagnostic> m_diagnostics;
};

// The robot holds at most this many lines of a script; the rest of a longer
// one is dropped, which keeps the decoded script within about 48 MiB.
inline constexpr std::size_t kMaxScriptLines = std::size_t{1} << 20;

// At most this many diagnostics are kept; a script of a million bad lines
// would otherwise keep a million messages.
inline constexpr std::size_t kMaxDiagnostics = 100;

}  // namespace sim

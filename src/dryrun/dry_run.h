// The dry run's controller: the program compiled into memory with its source
// map, run on the simulator one line or one chip at a time or at a speed on
// the editor's tick, with breakpoints, a restart and the reason it ended.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "codegen/script_generator.h"
#include "sim/arena.h"
#include "sim/robot_script.h"
#include "sim/simulator.h"

class CBlockProgram;

// How far the simulated clock runs for each second of the editor's clock.
enum class DryRunSpeed { kX1, kX4, kX16, kFastest };

enum class DryRunState {
  kIdle,     // nothing started
  kPaused,   // waiting for a step or for Run
  kRunning,  // advancing on every tick
  kEnded,    // EXIT, a script error or the time limit; only Restart goes on
};

// A dry run stops after ten simulated minutes, so that a program that never
// exits does not run for ever in the editor.
inline constexpr double kDryRunSeconds = 600;
// Lines run in one tick at most, whatever the speed: a chain of jumps that
// takes no simulated time would otherwise hold the frame.
inline constexpr std::size_t kDryRunLinesPerTick = 20000;
// Lines one chip step runs at most: a chip whose lines jump among
// themselves without taking time would otherwise hold the editor for ever.
inline constexpr std::size_t kDryRunLinesPerChipStep = 1000000;

// A move from one chip to the next along an arrow or exit.
struct DryRunTransition {
  SourceCell from;
  SourceCell to;
  bool HasTransition() const { return from.HasCell() && to.HasCell(); }
};

class CDryRun {
 public:
  CDryRun() = default;
  CDryRun(const CDryRun&) = delete;
  CDryRun& operator=(const CDryRun&) = delete;

  // Compiles the program as F7 does, but into memory, and stands the robot
  // at the arena's start, paused before the first line. False with *error
  // set when the script would be too large; the run is then idle.
  bool Start(const CBlockProgram& program, const sim::Arena& arena, std::string* error);
  // The same script and arena from the beginning; breakpoints stay.
  void Restart();
  // Another arena for the same script, from the beginning.
  void ChangeArena(const sim::Arena& arena);
  // Forgets the run (breakpoints too).
  void Stop();

  // Runs one script line; false when nothing ran (idle or ended).
  bool StepLine();
  // Runs lines until the current chip changes or the run ends, or at most
  // kDryRunLinesPerChipStep of them; false when nothing ran. A breakpoint
  // does not hold a step: the step stops at the next chip anyway.
  bool StepChip();
  void Run();
  void Pause();
  // Run or pause, as Space does; nothing once ended.
  void TogglePause();
  // Advances a running run by the editor's elapsed time at the chosen speed
  // (as fast as possible: a tick's worth of lines). Pauses when a chip with
  // a breakpoint is reached.
  void Tick(double elapsedSeconds);
  void SetSpeed(DryRunSpeed speed) { m_speed = speed; }
  DryRunSpeed Speed() const { return m_speed; }

  // The arena's events, raised by the user while the run waits.
  void Clap();
  void PressButton();

  void ToggleBreakpoint(int x, int y);
  bool HasBreakpoint(int x, int y) const { return m_breakpoints.count({x, y}) != 0; }

  DryRunState State() const { return m_state; }
  bool IsActive() const { return m_state != DryRunState::kIdle; }
  // The chip that wrote the last line run (none before the first step).
  SourceCell CurrentCell() const { return m_current; }
  // The chip of the line that ends a run in a script error.
  SourceCell ErrorCell() const;
  // Whether a line of the chip ran since the start.
  bool WasRun(int x, int y) const;
  // The arrow or exit taken last.
  DryRunTransition LastTransition() const { return m_transition; }

  const std::string& Script() const { return m_scriptBytes; }
  const std::vector<SourceCell>& SourceMap() const { return m_map; }
  const sim::CRobotScript& RobotScript() const { return *m_script; }
  const sim::CSimulator& Simulator() const { return *m_simulator; }
  const sim::Arena& Arena() const { return m_arena; }

 private:
  // Runs one line and follows its chip; false when nothing ran.
  bool RunLine();
  void Follow();

  std::string m_scriptBytes;
  std::vector<SourceCell> m_map;
  sim::Arena m_arena;
  std::unique_ptr<sim::CRobotScript> m_script;
  std::unique_ptr<sim::CSimulator> m_simulator;
  int m_columns = 0;
  int m_rows = 0;

  DryRunState m_state = DryRunState::kIdle;
  DryRunSpeed m_speed = DryRunSpeed::kX1;
  // Where the simulated clock should be, for the speeds that follow it.
  double m_targetTime = 0;
  SourceCell m_current;
  DryRunTransition m_transition;
  std::vector<bool> m_run;  // row-major: a line of the chip ran
  std::set<std::pair<int, int>> m_breakpoints;
};

// The folder of the shipped arenas, in the data directory.
inline constexpr char kArenaFolder[] = "arenas";

// Reads and parses an arena file; false with *error set ("FILE: ...").
bool ReadArenaFile(const std::string& path, sim::Arena* arena, std::string* error);

// The arena a program names in its general attribute "arena": from the
// data directory when the file is there, else from the program's folder
// (programPath empty for a program never saved). Empty for none.
std::string ProgramArenaPath(const std::string& named, const std::string& programPath);

// The shipped arenas (arenas/*.arena), sorted by name.
std::vector<std::string> ShippedArenas();

// The simulated seconds per second of the editor's clock; 0 for as fast as
// possible.
double DryRunRate(DryRunSpeed speed);

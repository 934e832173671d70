// The dry run's controller: the simulator driven by the editor's keys and
// tick, and the script lines joined to their chips through the source map.
#include "dryrun/dry_run.h"

#include <algorithm>
#include <limits>

#include "platform/file_system.h"
#include "program/block_program.h"

double DryRunRate(DryRunSpeed speed) {
  switch (speed) {
    case DryRunSpeed::kX1:
      return 1;
    case DryRunSpeed::kX4:
      return 4;
    case DryRunSpeed::kX16:
      return 16;
    case DryRunSpeed::kFastest:
      return 0;
  }
  return 1;
}

bool CDryRun::Start(const CBlockProgram& program, const sim::Arena& arena, std::string* error) {
  Stop();
  if (!GenerateScript(program, &m_scriptBytes, &m_map)) {
    m_scriptBytes.clear();
    m_map.clear();
    *error = "the robot script would be too large";
    return false;
  }
  m_arena = arena;
  m_columns = std::max(program.Columns(), 0);
  m_rows = std::max(program.Rows(), 0);
  m_script = std::make_unique<sim::CRobotScript>(m_scriptBytes);
  Restart();
  return true;
}

void CDryRun::Restart() {
  if (!m_script) {
    return;
  }
  sim::Limits limits;
  limits.seconds = kDryRunSeconds;
  // The steps are not what limits a dry run: the clock is.
  limits.steps = std::numeric_limits<std::uint64_t>::max();
  m_simulator = std::make_unique<sim::CSimulator>(m_arena, *m_script, 0, limits);
  m_state = DryRunState::kPaused;
  m_targetTime = 0;
  m_current = SourceCell{};
  m_transition = DryRunTransition{};
  m_run.assign(static_cast<std::size_t>(m_columns) * static_cast<std::size_t>(m_rows), false);
}

void CDryRun::ChangeArena(const sim::Arena& arena) {
  m_arena = arena;
  Restart();
}

void CDryRun::Stop() {
  m_simulator.reset();
  m_script.reset();
  m_scriptBytes.clear();
  m_map.clear();
  m_state = DryRunState::kIdle;
  m_current = SourceCell{};
  m_transition = DryRunTransition{};
  m_run.clear();
  m_breakpoints.clear();
}

void CDryRun::Follow() {
  const std::size_t line = m_simulator->LastLine();
  if (line >= m_map.size() || !m_map[line].HasCell()) {
    return;  // a line of the script's own, such as the header's
  }
  const SourceCell cell = m_map[line];
  if (cell.x < m_columns && cell.y < m_rows) {
    m_run[static_cast<std::size_t>(cell.y) * static_cast<std::size_t>(m_columns) +
          static_cast<std::size_t>(cell.x)] = true;
  }
  if (!(cell == m_current)) {
    m_transition = DryRunTransition{m_current, cell};
    m_current = cell;
  }
}

bool CDryRun::RunLine() {
  if (!m_simulator || m_state == DryRunState::kEnded || m_state == DryRunState::kIdle) {
    return false;
  }
  const bool ran = m_simulator->Step();
  if (ran) {
    Follow();
  }
  if (m_simulator->Reason() != sim::EndReason::kRunning) {
    m_state = DryRunState::kEnded;
  }
  return ran;
}

bool CDryRun::StepLine() {
  Pause();
  return RunLine();
}

bool CDryRun::StepChip() {
  Pause();
  const SourceCell from = m_current;
  bool ran = false;
  for (std::size_t n = 0; n < kDryRunLinesPerChipStep && RunLine(); ++n) {
    ran = true;
    if (!(m_current == from)) {
      break;
    }
  }
  return ran;
}

void CDryRun::Run() {
  if (m_state == DryRunState::kPaused) {
    m_state = DryRunState::kRunning;
    m_targetTime = m_simulator->Time();
  }
}

void CDryRun::Pause() {
  if (m_state == DryRunState::kRunning) {
    m_state = DryRunState::kPaused;
  }
}

void CDryRun::TogglePause() {
  if (m_state == DryRunState::kRunning) {
    Pause();
  } else {
    Run();
  }
}

void CDryRun::Tick(double elapsedSeconds) {
  if (m_state != DryRunState::kRunning) {
    return;
  }
  const double rate = DryRunRate(m_speed);
  const bool fastest = rate == 0;
  // A line that waits or drives takes its time at once, so the clock runs
  // ahead of the target; the lines after it wait until the target catches up.
  m_targetTime += elapsedSeconds * rate;
  for (std::size_t n = 0; n < kDryRunLinesPerTick; ++n) {
    if (!fastest && m_simulator->Time() >= m_targetTime) {
      break;
    }
    const SourceCell before = m_current;
    if (!RunLine()) {
      break;
    }
    if (!(m_current == before) && m_current.HasCell() && HasBreakpoint(m_current.x, m_current.y)) {
      m_state = DryRunState::kPaused;
      break;
    }
  }
  if (fastest || m_targetTime < m_simulator->Time() - 1) {
    // After a pause or a long wait the target never lags the clock by more
    // than a second, so that a run resumed later does not rush to catch up.
    m_targetTime = std::max(m_targetTime, m_simulator->Time() - 1);
  }
}

void CDryRun::Clap() {
  if (m_simulator && m_state != DryRunState::kEnded) {
    m_simulator->Raise(sim::ArenaEventKind::kClap);
  }
}

void CDryRun::PressButton() {
  if (m_simulator && m_state != DryRunState::kEnded) {
    m_simulator->Raise(sim::ArenaEventKind::kButton);
  }
}

void CDryRun::ToggleBreakpoint(int x, int y) {
  const std::pair<int, int> cell{x, y};
  if (!m_breakpoints.erase(cell)) {
    m_breakpoints.insert(cell);
  }
}

SourceCell CDryRun::ErrorCell() const {
  if (!m_simulator || m_simulator->Reason() != sim::EndReason::kScriptError) {
    return SourceCell{};
  }
  const std::size_t line = m_simulator->LastLine();
  return line < m_map.size() ? m_map[line] : SourceCell{};
}

bool CDryRun::WasRun(int x, int y) const {
  if (x < 0 || y < 0 || x >= m_columns || y >= m_rows) {
    return false;
  }
  return m_run[static_cast<std::size_t>(y) * static_cast<std::size_t>(m_columns) +
               static_cast<std::size_t>(x)];
}

bool ReadArenaFile(const std::string& path, sim::Arena* arena, std::string* error) {
  std::string text;
  switch (platform::ReadWholeFile(path, &text, sim::kMaxArenaBytes)) {
    case platform::ReadResult::kRead:
      break;
    case platform::ReadResult::kTooLarge:
      *error = path + ": the arena is too large";
      return false;
    case platform::ReadResult::kNotRegularFile:
      *error = path + ": not a regular file";
      return false;
    default:
      *error = path + ": cannot read the arena";
      return false;
  }
  std::string parseError;
  if (!sim::ParseArena(text, arena, &parseError)) {
    *error = path + ": " + parseError;
    return false;
  }
  return true;
}

std::string ProgramArenaPath(const std::string& named, const std::string& programPath) {
  std::string path = named;
  std::replace(path.begin(), path.end(), '\\', '/');
  std::string ignored;
  if (path.empty() || path[0] == '/' || platform::ReadFile(path, &ignored, 0)) {
    return path;
  }
  const std::size_t slash = programPath.rfind('/');
  return slash == std::string::npos ? path : programPath.substr(0, slash + 1) + path;
}

std::vector<std::string> ShippedArenas() {
  std::vector<std::string> names = platform::ListFiles(kArenaFolder, ".arena");
  for (std::string& name : names) {
    name = std::string(kArenaFolder) + "/" + name;
  }
  return names;
}

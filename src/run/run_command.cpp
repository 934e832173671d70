// "pelublock run": compiles a program (or takes a script file), runs it on
// the simulator and reports the run.
#include "run/run_command.h"

#include <charconv>
#include <cmath>
#include <cstdio>
#include <memory>

#include "catalogue/chip_catalogue.h"
#include "dryrun/dry_run.h"
#include "foundation/settings.h"
#include "platform/file_system.h"
#include "program/block_program.h"
#include "program/program_file.h"
#include "program/program_settings.h"
#include "run/arena_picture.h"
#include "sim/robot_script.h"
#include "sim/simulator.h"
#include "sim/summary.h"

namespace {

constexpr char kRunUsage[] =
    "Usage: pelublock run PROGRAM.bhb [OPTION]...\n"
    "       pelublock run --script FILE [OPTION]...\n"
    "Compiles a block program as compile does (without writing out.r) and runs\n"
    "the script on the simulated robot; --script runs a script file as it is.\n"
    "  --arena FILE        the arena (default: the one the program names, else\n"
    "                      an empty floor)\n"
    "  --until SECONDS     stop after this much simulated time (default 120,\n"
    "                      at most 3600)\n"
    "  --steps N           stop after N script lines (default 1000000)\n"
    "  --seed N            the seed of the arena's sensor noise (default 0)\n"
    "  --trace             print every line run: time, line, chip, pose, text\n"
    "  --picture FILE.png  draw the arena, the path driven and the events\n"
    "Exit status: 0 when the run ended normally (EXIT, time or step limit),\n"
    "1 on a script error, 2 for unreadable input or a usage error.\n";

constexpr std::size_t kMaxScriptFileBytes = kMaxScriptBytes;

int UsageError(const std::string& problem) {
  std::fprintf(stderr, "pelublock: %s\n", problem.c_str());
  std::fputs(kRunUsage, stderr);
  return 2;
}

bool ParseDouble(const std::string& text, double* out) {
  double value = 0;
  auto [end, ec] =
      std::from_chars(text.data(), text.data() + text.size(), value, std::chars_format::fixed);
  if (ec != std::errc{} || end != text.data() + text.size() || !std::isfinite(value)) {
    return false;
  }
  *out = value;
  return true;
}

bool ParseCount(const std::string& text, std::uint64_t* out) {
  std::uint64_t value = 0;
  auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (ec != std::errc{} || end != text.data() + text.size()) {
    return false;
  }
  *out = value;
  return true;
}

sim::ChipCell CellOf(const std::vector<SourceCell>& map, std::size_t line) {
  if (line >= map.size() || !map[line].HasCell()) {
    return {};
  }
  return sim::ChipCell{map[line].x, map[line].y};
}

}  // namespace

bool CompileForRun(const std::string& programPath, CompiledProgram* out, std::string* error) {
  LoadSettings();
  CChipCatalogue catalogue;
  if (catalogue.Load() == 0) {
    std::fprintf(stderr, "pelublock: warning: cannot read %s; chips compile to no code\n",
                 kChipCatalogueFileName);
  }
  if (platform::IsSpecialFile(programPath)) {
    *error = programPath + ": not a regular file";
    return false;
  }
  std::unique_ptr<CBlockProgram> program =
      ReadBlockProgram(&catalogue, programPath, ProgramSettingsFrom(Settings));
  if (!program) {
    *error = programPath + ": cannot read the program file";
    return false;
  }
  if (!GenerateScript(*program, &out->script, &out->map)) {
    *error = programPath + ": the robot script would be too large";
    return false;
  }
  out->arena = program->GetGeneralAttribute("arena");
  return true;
}

int RunSimulation(const std::vector<std::string>& args) {
  std::string programPath;
  std::string scriptPath;
  std::string arenaPath;
  std::string picturePath;
  bool trace = false;
  sim::Limits limits;
  std::uint64_t seed = 0;
  for (std::size_t i = 0; i < args.size(); ++i) {
    const std::string& arg = args[i];
    const bool hasValue = i + 1 < args.size() && !args[i + 1].empty();
    if (arg == "--help" || arg == "-h") {
      std::fputs(kRunUsage, stdout);
      return 0;
    } else if (arg == "--trace") {
      trace = true;
    } else if (arg == "--script" || arg == "--arena" || arg == "--picture" || arg == "--until" ||
               arg == "--steps" || arg == "--seed") {
      if (!hasValue) {
        return UsageError("run: " + arg + " needs a value");
      }
      const std::string& value = args[++i];
      if (arg == "--script") {
        scriptPath = value;
      } else if (arg == "--arena") {
        arenaPath = value;
      } else if (arg == "--picture") {
        picturePath = value;
      } else if (arg == "--until") {
        if (!ParseDouble(value, &limits.seconds) || limits.seconds <= 0 ||
            limits.seconds > sim::kMaxSeconds) {
          return UsageError("run: --until takes seconds above 0, at most 3600");
        }
      } else if (arg == "--steps") {
        if (!ParseCount(value, &limits.steps) || limits.steps == 0) {
          return UsageError("run: --steps takes a whole number above 0");
        }
      } else if (!ParseCount(value, &seed)) {
        return UsageError("run: --seed takes a whole number");
      }
    } else if (!arg.empty() && arg[0] == '-') {
      return UsageError("run: unknown option '" + arg + "'");
    } else if (!programPath.empty()) {
      return UsageError("run: only one program can be run at a time");
    } else {
      programPath = arg;
    }
  }
  if (programPath.empty() == scriptPath.empty()) {
    return UsageError("run: give either a program or --script FILE");
  }

  CompiledProgram compiled;
  std::string error;
  std::string source = scriptPath;
  if (!programPath.empty()) {
    source = programPath;
    if (!CompileForRun(programPath, &compiled, &error)) {
      std::fprintf(stderr, "pelublock: %s\n", error.c_str());
      return 2;
    }
    if (arenaPath.empty() && !compiled.arena.empty()) {
      arenaPath = ProgramArenaPath(compiled.arena, programPath);
    }
  } else {
    switch (platform::ReadWholeFile(scriptPath, &compiled.script, kMaxScriptFileBytes)) {
      case platform::ReadResult::kRead:
        break;
      case platform::ReadResult::kTooLarge:
        std::fprintf(stderr, "pelublock: %s: the script is larger than %zu MiB\n",
                     scriptPath.c_str(), kMaxScriptFileBytes >> 20);
        return 2;
      default:
        std::fprintf(stderr, "pelublock: %s: cannot read the script\n", scriptPath.c_str());
        return 2;
    }
  }
  sim::Arena arena;
  if (!arenaPath.empty() && !ReadArenaFile(arenaPath, &arena, &error)) {
    std::fprintf(stderr, "pelublock: %s\n", error.c_str());
    return 2;
  }

  sim::CRobotScript script(compiled.script);
  for (const sim::Diagnostic& d : script.Diagnostics()) {
    std::fprintf(stderr, "pelublock: %s:%zu: %s\n", source.c_str(), d.line, d.message.c_str());
  }
  sim::CSimulator simulator(arena, script, seed, limits);
  if (simulator.StartedInsideWall()) {
    std::fprintf(stderr, "pelublock: %s: the robot starts inside a wall\n",
                 arenaPath.empty() ? "arena" : arenaPath.c_str());
  }
  while (simulator.Step()) {
    if (trace) {
      const std::string line =
          sim::FormatTraceLine(simulator, script, CellOf(compiled.map, simulator.LastLine()));
      std::fwrite(line.data(), 1, line.size(), stdout);
    }
  }
  const std::string summary =
      sim::FormatSummary(simulator, script, CellOf(compiled.map, simulator.LastLine()));
  std::fwrite(summary.data(), 1, summary.size(), stdout);
  std::fflush(stdout);

  if (!picturePath.empty() && !WriteRunPicture(DrawRun(arena, simulator), picturePath)) {
    std::fprintf(stderr, "pelublock: %s: cannot write the picture\n", picturePath.c_str());
    return 2;
  }
  return simulator.Reason() == sim::EndReason::kScriptError ? 1 : 0;
}

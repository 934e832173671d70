// "pelublock run": a program compiled as compile does and run on the
// simulator in an arena, with a summary, a trace and a picture.
#pragma once

#include <string>
#include <vector>

#include "codegen/script_generator.h"
#include "sim/arena.h"

// args are the words after "run". Returns the exit status: 0 when the run
// ended normally (EXIT, the time limit or the step limit), 1 on a script
// error, 2 for unreadable input or a usage error.
int RunSimulation(const std::vector<std::string>& args);

// A program compiled for a run: the script's bytes, its source map, and
// the arena the program names in its general attribute "arena" (empty for
// none).
struct CompiledProgram {
  std::string script;
  std::vector<SourceCell> map;
  std::string arena;
};

// Reads setting.ini, ChipDB.txt and the program as compile does and
// compiles it in memory. False with *error set when it cannot.
bool CompileForRun(const std::string& programPath, CompiledProgram* out, std::string* error);

// The arena a program names is found and read as the dry run does it
// (ProgramArenaPath and ReadArenaFile in dryrun/dry_run.h).

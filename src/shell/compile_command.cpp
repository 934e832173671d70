// "pelublock compile": the editor's F7 without a window.
#include "shell/compile_command.h"

#include <cstdio>
#include <memory>

#include "catalogue/chip_catalogue.h"
#include "codegen/script_generator.h"
#include "foundation/settings.h"
#include "platform/file_system.h"
#include "program/block_program.h"
#include "program/program_file.h"
#include "program/program_settings.h"

namespace {

constexpr char kCompileUsage[] =
    "Usage: pelublock compile PROGRAM.bhb [-o FILE]\n"
    "Compiles a block program into the robot script, as F7 does in the editor:\n"
    "reads setting.ini and ChipDB.txt from the current directory and writes\n"
    "out.r there (or FILE).\n";

int UsageError(const char* problem) {
  std::fprintf(stderr, "pelublock compile: %s\n", problem);
  std::fputs(kCompileUsage, stderr);
  return 2;
}

}  // namespace

int RunCompile(const std::vector<std::string>& args) {
  std::string programPath;
  std::string outputPath = kScriptFileName;
  bool havePath = false;
  for (std::size_t i = 0; i < args.size(); ++i) {
    const std::string& arg = args[i];
    if (arg == "--help" || arg == "-h") {
      std::fputs(kCompileUsage, stdout);
      return 0;
    }
    if (arg == "-o") {
      if (i + 1 >= args.size() || args[i + 1].empty()) {
        return UsageError("-o needs a file name");
      }
      outputPath = args[++i];
    } else if (!arg.empty() && arg[0] == '-') {
      return UsageError("unknown option");
    } else if (havePath) {
      return UsageError("only one program can be compiled at a time");
    } else {
      programPath = arg;
      havePath = true;
    }
  }
  if (!havePath || programPath.empty()) {
    return UsageError("no program file given");
  }

  return CompileProgramFile("pelublock compile", programPath, outputPath) ? 0 : 1;
}

bool CompileProgramFile(const char* command, const std::string& programPath,
                        const std::string& outputPath) {
  LoadSettings();
  CChipCatalogue catalogue;
  if (catalogue.Load() == 0) {
    // The editor runs on with an empty catalogue too; every chip then
    // compiles to no code, which the user should hear about here.
    std::fprintf(stderr, "%s: warning: cannot read %s; chips compile to no code\n", command,
                 kChipCatalogueFileName);
  }
  std::unique_ptr<CBlockProgram> program =
      ReadBlockProgram(&catalogue, programPath, ProgramSettingsFrom(Settings));
  if (!program && platform::IsSpecialFile(programPath)) {
    // A FIFO or device is refused without being read; say why.
    std::fprintf(stderr, "%s: %s: not a regular file\n", command, programPath.c_str());
    return false;
  }
  if (!program) {
    std::fprintf(stderr, "%s: cannot read the program file '%s'\n", command, programPath.c_str());
    return false;
  }
  switch (WriteScriptFile(*program, outputPath)) {
    case ScriptResult::kWritten:
      return true;
    case ScriptResult::kCannotWrite:
      std::fprintf(stderr, "%s: cannot write the robot script '%s'\n", command, outputPath.c_str());
      return false;
    case ScriptResult::kTooLarge:
      std::fprintf(stderr,
                   "%s: the robot script would be larger than %zu MiB; '%s' was left empty\n",
                   command, kMaxScriptBytes >> 20, outputPath.c_str());
      return false;
  }
  return false;
}

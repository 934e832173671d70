// The pelublock command line: the editor, or one of the commands.
#include "shell/command_line.h"

#include <cstdio>
#include <string>
#include <vector>

#include "shell/app.h"
#include "shell/check_command.h"
#include "shell/compile_command.h"
#include "shell/export_command.h"
#include "shell/send_command.h"
#include "run/run_command.h"

namespace {

constexpr char kUsage[] =
    "Usage:\n"
    "  pelublock [PROGRAM.bhb]            start the editor (on PROGRAM.bhb when given)\n"
    "  pelublock compile PROGRAM.bhb [-o FILE]\n"
    "                                     compile a program into the robot script\n"
    "                                     (out.r, or FILE), as F7 does in the editor\n"
    "  pelublock check PROGRAM.bhb [--format=text|json]\n"
    "                                     list what is wrong with a program, one\n"
    "                                     FILE:LINE:1: error|warning: line each\n"
    "  pelublock send PROGRAM.bhb [--ip ADDRESS] [--port PORT]\n"
    "                                     compile a program and send it to the robot\n"
    "                                     over the wireless LAN, as F5 does\n"
    "  pelublock run PROGRAM.bhb [--arena FILE] [--until SECONDS] [--steps N]\n"
    "                [--trace] [--picture FILE.png]\n"
    "  pelublock run --script FILE [...]  run a program (or a script file) on the\n"
    "                                     simulated robot; 'run --help' for more\n"
    "  pelublock --help                   show this text\n"
    "\n"
    "The editor and the commands read setting.ini and ChipDB.txt from the current\n"
    "directory, the editor and export their skin from skin/def_skn.txt; failures\n"
    "of files and devices are appended to ErrLog.txt there.\n"
    "\n"
    "Exit status of the commands: 0 on success, 1 when a file, the skin or the\n"
    "robot failed, 2 for a usage error (and for export a bad cell range or size);\n"
    "run: 0 when the run ended normally, 1 on a script error, 2 for unreadable\n"
    "input or a usage error. check exits with 0 without findings, 1 with\n"
    "warnings only, 2 with errors and 3 when a file cannot be read or for a\n"
    "usage error.\n";

}  // namespace

int RunCommandLine(int argc, char** argv) {
  std::vector<std::string> args(argv + (argc > 0 ? 1 : 0), argv + argc);
  if (args.empty()) {
    return RunEditor(std::string());
  }
  const std::string& command = args.front();
  if (command == "--help" || command == "-h" || command == "help") {
    std::fputs(kUsage, stdout);
    return 0;
  }
  if (command == "compile") {
    return RunCompile(std::vector<std::string>(args.begin() + 1, args.end()));
  }
  if (command == "check") {
    return RunCheck(std::vector<std::string>(args.begin() + 1, args.end()));
  }
  if (command == "send") {
    return RunSend(std::vector<std::string>(args.begin() + 1, args.end()));
  }
  if (command == "run") {
    return RunSimulation(std::vector<std::string>(args.begin() + 1, args.end()));
  }
  if (command == "export") {
    std::string commandLine = "pelublock";
    for (const std::string& arg : args) {
      commandLine += " " + arg;
    }
    return RunExport(std::vector<std::string>(args.begin() + 1, args.end()), commandLine);
  }
  if (args.size() == 1 && !command.empty() && command[0] != '-') {
    return RunEditor(command);
  }
  std::fprintf(stderr, "pelublock: unknown command or option '%s'\n", command.c_str());
  std::fputs(kUsage, stderr);
  return 2;
}

// The pelublock command line: the editor, or one of the commands.
#include "shell/command_line.h"

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "foundation/settings.h"
#include "platform/file_system.h"
#include "run/run_command.h"
#include "shell/check_command.h"
#include "shell/compile_command.h"
#include "shell/data_directory.h"
#include "shell/send_command.h"

#ifndef PELU_VERSION
#define PELU_VERSION "unknown"
#endif
// The installed window program relative to the installed pelublock, set by
// the build from the install layout.
#ifndef PELU_BIN_TO_WINDOW
#define PELU_BIN_TO_WINDOW "../libexec/pelublock"
#endif

namespace {

constexpr char kUsage[] =
    "Usage:\n"
    "  pelublock [--data DIR] [PROGRAM.bhb]\n"
    "                                     start the editor (on PROGRAM.bhb when given)\n"
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
    "  pelublock export PROGRAM.bhb [-o FILE.png] [--cells X0,Y0,X1,Y1]\n"
    "                [--grid|--no-grid] [--scale N]\n"
    "                                     write a PNG picture of a program, as the\n"
    "                                     editor draws it; 'export --help' for more\n"
    "  pelublock --help                   show this text\n"
    "  pelublock --version                show the version\n"
    "\n"
    "The editor and the commands read setting.ini and ChipDB.txt from the current\n"
    "directory, the editor and export their skin from skin/def_skn.txt; failures\n"
    "of files and devices are appended to ErrLog.txt there.\n"
    "An installed program started where there is no setting.ini uses\n"
    "$XDG_DATA_HOME/pelublock (~/.local/share/pelublock) instead, made from the\n"
    "installed data on first use; --data DIR (before the command) names one.\n"
    "\n"
    "Exit status of the commands: 0 on success, 1 when a file, the skin, the\n"
    "robot or the start of the window program (for the editor and export)\n"
    "failed, 2 for a usage error (and for export a bad cell range or size);\n"
    "run: 0 when the run ended normally, 1 on a script error, 2 for unreadable\n"
    "input or a usage error. check exits with 0 without findings, 1 with\n"
    "warnings only, 2 with errors and 3 when a file cannot be read or for a\n"
    "usage error.\n";

// The options of a command that take a value, and which of those values are
// file names, so that file names given relative to where the user stands
// still name the same files from the data directory.
struct CommandOptions {
  std::vector<std::string> pathValued;
  std::vector<std::string> otherValued;
};

bool Contains(const std::vector<std::string>& list, const std::string& item) {
  for (const std::string& entry : list) {
    if (entry == item) {
      return true;
    }
  }
  return false;
}

void MakePathsAbsolute(std::vector<std::string>& args, const CommandOptions& options,
                       const std::string& base) {
  auto absolute = [&](std::string& path) {
    if (!path.empty() && path.front() != '/') {
      path = base + "/" + path;
    }
  };
  for (std::size_t i = 0; i < args.size(); ++i) {
    if (Contains(options.pathValued, args[i]) && i + 1 < args.size()) {
      absolute(args[++i]);
    } else if (Contains(options.otherValued, args[i])) {
      ++i;
    } else if (!args[i].empty() && args[i].front() != '-') {
      absolute(args[i]);
    }
  }
}

// The data directory for one run: chosen, made on the first start of an
// installed program, and made current for the run; the previous current
// directory comes back when the run ends.
class CDataDirectoryScope {
 public:
  explicit CDataDirectoryScope(CWindowCommands* window) : m_window(window) {}
  CDataDirectoryScope(const CDataDirectoryScope&) = delete;
  CDataDirectoryScope& operator=(const CDataDirectoryScope&) = delete;

  ~CDataDirectoryScope() {
    std::string ignored;
    if (!m_previous.empty()) {
      platform::ChangeDirectory(m_previous, &ignored);
    }
    if (m_window != nullptr) {
      m_window->UseSkinOf(DataDirectoryChoice{}, std::string());
    }
  }

  // False with a sentence in *error when the directory cannot be used.
  bool Enter(const std::string& dataOption, std::string* error) {
    DataDirectoryRequest request;
    request.currentDirectory = platform::CurrentDirectory();
    request.currentHasSettings = platform::PathExists(kSettingsFileName);
    request.explicitDirectory = dataOption;
    const char* xdg = std::getenv("XDG_DATA_HOME");
    const char* home = std::getenv("HOME");
    request.xdgDataHome = xdg != nullptr ? xdg : "";
    request.home = home != nullptr ? home : "";
    request.installedData = FindInstalledData(m_window != nullptr ? ProgramPlace::kWindowProgram
                                                                  : ProgramPlace::kCommandLine);
    if (request.currentDirectory.empty()) {
      request.currentDirectory = ".";
    }
    const DataDirectoryChoice choice = ChooseDataDirectory(request);
    if (!choice.error.empty()) {
      *error = choice.error;
      return false;
    }
    if (choice.kind != DataDirectoryKind::kCurrent) {
      if (!PrepareDataDirectory(choice.path, request.installedData, error)) {
        return false;
      }
      std::string reason;
      if (!platform::ChangeDirectory(choice.path, &reason)) {
        *error = choice.path + ": " + reason;
        return false;
      }
      m_previous = request.currentDirectory;
    }
    if (m_window != nullptr) {
      m_window->UseSkinOf(choice, request.installedData);
    }
    return true;
  }

  // The directory the user started in, when the run moved away from it.
  const std::string& Previous() const { return m_previous; }

 private:
  CWindowCommands* m_window;
  std::string m_previous;
};

// Starts the window program in this process's place with the same command
// line; returns only when it cannot.
int HandOverToWindowProgram(char** argv) {
  const std::string bin = platform::ExecutableDirectory();
  const std::string program = bin.empty() ? std::string() : WindowProgramPath(bin);
  std::string reason = "cannot find the program's own directory";
  if (!program.empty()) {
    platform::ReplaceProcess(program, argv, &reason);
  }
  std::fprintf(stderr, "pelublock: %s: cannot start the window program: %s\n",
               program.empty() ? kWindowProgramName : program.c_str(), reason.c_str());
  return 1;
}

}  // namespace

std::string WindowProgramPath(const std::string& bin) {
  const std::string beside = bin + "/" + kWindowProgramName;
  if (platform::PathExists(beside)) {
    return beside;
  }
  return bin + "/" PELU_BIN_TO_WINDOW "/" + kWindowProgramName;
}

int RunCommandLine(int argc, char** argv, CWindowCommands* window) {
  std::vector<std::string> args(argv + (argc > 0 ? 1 : 0), argv + argc);
  std::string dataOption;
  while (!args.empty()) {
    if (args.front() == "--data") {
      if (args.size() < 2 || args[1].empty()) {
        std::fputs("pelublock: --data needs a directory\n", stderr);
        std::fputs(kUsage, stderr);
        return 2;
      }
      dataOption = args[1];
      args.erase(args.begin(), args.begin() + 2);
    } else if (args.front().starts_with("--data=") && args.front().size() > 7) {
      dataOption = args.front().substr(7);
      args.erase(args.begin());
    } else {
      break;
    }
  }
  const std::string command = args.empty() ? std::string() : args.front();
  if (command == "--help" || command == "-h" || command == "help") {
    std::fputs(kUsage, stdout);
    return 0;
  }
  if (command == "--version") {
    std::fputs("pelublock " PELU_VERSION "\n", stdout);
    return 0;
  }
  const bool editor =
      args.empty() ||
      (args.size() == 1 && !command.empty() && command[0] != '-' && command != "compile" &&
       command != "send" && command != "export" && command != "check" && command != "run");
  CommandOptions options;
  if (command == "compile") {
    options.pathValued = {"-o"};
  } else if (command == "send") {
    options.otherValued = {"--ip", "--port"};
  } else if (command == "export") {
    options.pathValued = {"-o"};
    options.otherValued = {"--cells", "--scale"};
  } else if (command == "check") {
    options.otherValued = {"--format"};
  } else if (command == "run") {
    options.pathValued = {"--arena", "--script", "--picture"};
    options.otherValued = {"--until", "--steps", "--seed"};
  } else if (!editor) {
    std::fprintf(stderr, "pelublock: unknown command or option '%s'\n", command.c_str());
    std::fputs(kUsage, stderr);
    return 2;
  }

  // Decided before the data directory is touched: the window program
  // chooses (and on first use makes) it again from the same arguments.
  if (window == nullptr && (editor || command == "export")) {
    return HandOverToWindowProgram(argv);
  }

  CDataDirectoryScope data(window);
  std::string error;
  if (!data.Enter(dataOption, &error)) {
    std::fprintf(stderr, "pelublock: %s\n", error.c_str());
    if (editor) {
      window->ShowDataDirectoryFailure(error);
    }
    return 1;
  }
  if (!data.Previous().empty()) {
    std::vector<std::string> rest(args.begin() + (editor ? 0 : 1), args.end());
    MakePathsAbsolute(rest, options, data.Previous());
    args.resize(editor ? 0 : 1);
    args.insert(args.end(), rest.begin(), rest.end());
  }
  if (editor) {
    return window->RunEditor(args.empty() ? std::string() : args.front());
  }
  std::vector<std::string> commandArgs(args.begin() + 1, args.end());
  if (command == "compile") {
    return RunCompile(commandArgs);
  }
  if (command == "check") {
    return RunCheck(commandArgs);
  }
  if (command == "send") {
    return RunSend(commandArgs);
  }
  if (command == "run") {
    return RunSimulation(commandArgs);
  }
  std::string commandLine = "pelublock";
  for (int i = 1; i < argc; ++i) {
    commandLine += " " + std::string(argv[i]);
  }
  return window->RunExport(commandArgs, commandLine);
}

// Fuzzes the pelublock command line: the input, cut at NUL bytes, is argv.
// Everything runs in a private scratch folder with a program to compile, and
// '/' is taken out of every argument so that no run writes outside it. The
// editor and `send` (a window, the network) are left out.
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "platform/file_system.h"
#include "shell/window_program.h"

#include "scratch_folder.h"

namespace {

using fuzz::Check;
using fuzz::EnterScratchFolder;

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  EnterScratchFolder("pelu_fuzz_command_line", "prog.bhb", "<box 0 0 a>\r\nto=right\r\n</box>\r\n");
  std::vector<std::string> args{"pelublock"};
  std::string current;
  for (std::size_t i = 0; i < size; ++i) {
    const char byte = static_cast<char>(data[i]);
    if (byte == '\0') {
      args.push_back(current);
      current.clear();
    } else {
      current.push_back(byte == '/' ? '_' : byte);
    }
  }
  args.push_back(current);
  // Leading --data options choose the data directory; the command follows.
  std::size_t first = 1;
  while (first < args.size() && (args[first] == "--data" ||
                                 (args[first].starts_with("--data=") && args[first].size() > 7))) {
    first += args[first] == "--data" ? 2 : 1;
  }
  if (first > 1 && first >= args.size()) {
    return 0;  // the editor, in that directory
  }
  const std::string command = first < args.size() ? args[first] : std::string();
  const bool isCommand =
      command == "compile" || command == "--help" || command == "-h" || command == "help";
  if (command == "send" ||
      (args.size() == first + 1 && !isCommand && !command.empty() && command[0] != '-')) {
    return 0;
  }
  std::vector<char*> argv;
  for (std::string& arg : args) {
    argv.push_back(arg.data());
  }
  argv.push_back(nullptr);
  // The window program's command line: export runs here instead of in a
  // program started in this one's place.
  const int status = RunWindowProgram(static_cast<int>(args.size()), argv.data());
  Check(status >= 0 && status <= 2);
  // A compile that succeeded left a script behind.
  if (command == "compile" && status == 0 && first == 1) {
    std::string output = "out.r";
    for (std::size_t i = 2; i + 1 < args.size(); ++i) {
      if (args[i] == "-o") {
        output = args[i + 1];
      }
    }
    std::string script;
    const bool help = [&] {
      for (std::size_t i = 2; i < args.size(); ++i) {
        if (args[i] == "--help" || args[i] == "-h") {
          return true;
        }
        if (args[i] == "-o") {
          ++i;
        }
      }
      return false;
    }();
    Check(help || platform::ReadWholeFile(output, &script, std::size_t{1} << 30) ==
                      platform::ReadResult::kRead);
  }
  return 0;
}

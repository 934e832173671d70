// The pelublock command line: the editor, or one of the commands.
#pragma once

#include <string>
#include <vector>

struct DataDirectoryChoice;

// The commands that draw (the editor and export), as the window program runs
// them. The command-line program has none: it links no display library and
// hands a command line that needs one to the window program whole.
class CWindowCommands {
 public:
  virtual ~CWindowCommands() = default;
  // The skin of the run, once the data directory is chosen and entered; an
  // empty choice path forgets it again when the run ends.
  virtual void UseSkinOf(const DataDirectoryChoice& choice, const std::string& installedData) = 0;
  // The editor could not even start: its data directory cannot be used.
  // The message is on stderr already; a user who started the editor from a
  // desktop menu sees no terminal, so the window side shows it too.
  virtual void ShowDataDirectoryFailure(const std::string& error) = 0;
  // programPath is empty for the editor without a program.
  virtual int RunEditor(const std::string& programPath) = 0;
  virtual int RunExport(const std::vector<std::string>& args, const std::string& commandLine) = 0;
};

// The file name of the window program, beside pelublock in the build tree and
// in libexec/pelublock of an install.
inline constexpr char kWindowProgramName[] = "pelublock-window";

// Runs the command line and returns the process exit status. With window
// null, the editor and export start the window program in this process's
// place (exec), with the same arguments, before anything else happens; the
// call returns only when it cannot be started (status 1, a line on stderr).
int RunCommandLine(int argc, char** argv, CWindowCommands* window);

// Where the window program is for a pelublock in the directory bin: beside
// it when it is there (the build tree), else under the installed libexec.
std::string WindowProgramPath(const std::string& bin);

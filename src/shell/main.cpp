// The pelublock program: the commands that need no window, and the entry to
// the editor, which it hands to the window program.
#include "shell/command_line.h"

int main(int argc, char** argv) {
  return RunCommandLine(argc, argv, nullptr);
}

// The pelublock program: the editor, or one of its command-line commands.
#include "shell/command_line.h"

int main(int argc, char** argv) {
  return RunCommandLine(argc, argv);
}

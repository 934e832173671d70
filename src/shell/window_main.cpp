// The window program behind pelublock: started by it, in its place, for the
// editor and export.
#include "shell/window_program.h"

int main(int argc, char** argv) {
  return RunWindowProgram(argc, argv);
}

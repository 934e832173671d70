// The pelublock command line: the editor, or one of the commands.
#pragma once

// Returns the process exit status.
int RunCommandLine(int argc, char** argv);

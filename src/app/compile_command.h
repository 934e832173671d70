// "pelublock compile": the editor's F7 without a window.
#pragma once

#include <string>
#include <vector>

// args are the words after "compile". Returns the exit status: 0 when the
// script was written, 1 when the program could not be read or the script not
// written (with a one-line message on stderr), 2 for a usage error.
int RunCompile(const std::vector<std::string>& args);

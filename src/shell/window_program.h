// The window program: the editor and export, behind the pelublock entry.
#pragma once

#include <string>

#include "shell/data_directory.h"

// Runs the command line with the editor and export at hand; the other
// commands run as in pelublock. Returns the process exit status.
int RunWindowProgram(int argc, char** argv);

// The directory whose skin/def_skn.txt the program reads: the data
// directory's own skin when it has one, otherwise the installed skin;
// empty means the current directory.
std::string SkinBaseFor(const DataDirectoryChoice& choice, const std::string& installedData);

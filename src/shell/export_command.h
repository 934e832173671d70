// "pelublock export": a PNG picture of a program, drawn as the editor draws.
#pragma once

#include <string>
#include <vector>

// args are the words after "export"; commandLine is the whole command line,
// kept in the picture. Returns the exit status: 0 when the picture was
// written, 1 when the program, skin or output failed (one line on stderr),
// 2 for a usage error, a bad cell range or a picture too large.
int RunExport(const std::vector<std::string>& args, const std::string& commandLine);

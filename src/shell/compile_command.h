// "pelublock compile": the editor's F7 without a window.
#pragma once

#include <string>
#include <vector>

// args are the words after "compile". Returns the exit status: 0 when the
// script was written, 1 when the program could not be read or the script not
// written (with a one-line message on stderr), 2 for a usage error.
int RunCompile(const std::vector<std::string>& args);

// What compile and send share: reads setting.ini (into Settings), ChipDB.txt
// and the program file from the current directory and writes the robot
// script at outputPath, as F7 does. Each problem is one line on stderr that
// starts with command ("pelublock compile"). Returns true when the script
// was written.
bool CompileProgramFile(const char* command, const std::string& programPath,
                        const std::string& outputPath);

// "pelublock send": the editor's F5 without a window.
#pragma once

#include <string>
#include <vector>

// args are the words after "send". Compiles the program into out.r as
// "pelublock compile" does, then sends it to the robot with the editor's
// protocol, pacing and messages. Returns the exit status: 0 only when the
// transfer ended by sending "@DISS\r", 1 when compiling or the transfer
// failed (with a readable line on stderr), 2 for a usage error.
int RunSend(const std::vector<std::string>& args);

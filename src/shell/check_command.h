// "pelublock check": the checker's findings on a program file, for scripts,
// editors and build tools.
#pragma once

#include <string>
#include <vector>

#include "check/program_check.h"

// args are the words after "check". Writes the findings to stdout and
// returns the exit status: 0 without findings, 1 with warnings only, 2 with
// an error, 3 when the program file, ChipDB.txt or setting.ini cannot be
// read or the command line is wrong (one line on stderr).
int RunCheck(const std::vector<std::string>& args);

// The findings of one file in the GNU diagnostic form,
// "FILE:LINE:1: error: cell (x, y): text", one a line; a finding without a
// line of its own is put on line 1.
std::string FormatFindingsText(const std::string& file, const std::vector<Finding>& findings);
// The same as one JSON array of objects with file, line, cell ([x, y] or
// null), severity, code and message.
std::string FormatFindingsJson(const std::string& file, const std::vector<Finding>& findings);

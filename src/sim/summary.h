// The text reports of a run that the command line and the robot stand-in
// print: the summary at its end and one trace line per script line.
#pragma once

#include <string>
#include <string_view>

#include "sim/simulator.h"

namespace sim {

// The chip of a line as the caller knows it from the generator's source
// map; x < 0 for none.
struct ChipCell {
  int x = -1;
  int y = -1;
};

// Several lines, each ending in a line feed: how and where the run ended,
// the simulated time, steps, distance, collisions, events and final pose.
std::string FormatSummary(const CSimulator& simulator, const CRobotScript& script,
                          ChipCell endCell = {});

// One line for the line the last Step ran: time, line number, chip, pose
// and the line's text (control bytes shown as '?', cut after 160 bytes).
std::string FormatTraceLine(const CSimulator& simulator, const CRobotScript& script,
                            ChipCell cell = {});

// A line's text made safe for a terminal.
std::string PrintableLine(std::string_view text);

}  // namespace sim

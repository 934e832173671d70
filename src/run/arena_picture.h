// A picture of a simulated run: the arena seen from above, the path the
// robot drove and marks where its events happened, written as a PNG.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "sim/simulator.h"

// The picture's pixels, RGB, row by row from the top.
struct RunPicture {
  int width = 0;
  int height = 0;
  std::vector<std::uint8_t> rgb;
};

// No side of a run picture is longer than this; a larger arena is drawn
// at a smaller scale.
inline constexpr int kMaxRunPictureSide = 2000;

// Draws the arena (floor, markings, obstacles, lamps), the path, the
// events (bumps red, lights in their colour, sounds violet, claps and
// button presses orange) and the start (green) and end (red) poses.
RunPicture DrawRun(const sim::Arena& arena, const sim::CSimulator& simulator);

// Writes the picture through a temporary file beside path; false on any
// failure, leaving no partial file.
bool WriteRunPicture(const RunPicture& picture, const std::string& path);
